// One block of a socket's send queue.
#pragma once

#include <memory>

class TBuffer {
public:
    // A requested size of 0 or less gives 1514 bytes (an Ethernet frame).
    explicit TBuffer(int size);

    // Appends as many bytes as still fit; returns that count.
    int Write(const void* data, int len);
    // The unread bytes (from the read count to the write count).
    const char* Peek(int& len) const;
    // Marks `len` bytes read; once everything written has been read both
    // counts start again at 0.
    void Remove(int len);
    // Changes the capacity, keeping the written bytes that still fit.
    void SetBufSize(int size);
    int BufSize() const { return size_; }
    int WrCount() const { return wrCount_; }
    int RdCount() const { return rdCount_; }

private:
    std::unique_ptr<char[]> data_;
    int size_ = 0;
    int wrCount_ = 0;
    int rdCount_ = 0;
};
