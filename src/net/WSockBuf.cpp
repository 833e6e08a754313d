#include "net/WSockBuf.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int defaultSize = 1514;
}

TBuffer::TBuffer(int size) {
    SetBufSize(size);
}

int TBuffer::Write(const void* data, int len) {
    int room = size_ - wrCount_;
    int n = std::max(0, std::min(len, room));
    if (n > 0) {
        std::memcpy(data_.get() + wrCount_, data, static_cast<std::size_t>(n));
        wrCount_ += n;
    }
    return n;
}

const char* TBuffer::Peek(int& len) const {
    len = wrCount_ - rdCount_;
    return data_.get() + rdCount_;
}

void TBuffer::Remove(int len) {
    rdCount_ = std::min(wrCount_, rdCount_ + std::max(0, len));
    if (rdCount_ >= wrCount_)
        rdCount_ = wrCount_ = 0;
}

void TBuffer::SetBufSize(int size) {
    if (size <= 0)
        size = defaultSize;
    auto data = std::make_unique<char[]>(static_cast<std::size_t>(size));
    int keep = std::min(wrCount_, size);
    if (keep > 0)
        std::memcpy(data.get(), data_.get(), static_cast<std::size_t>(keep));
    data_ = std::move(data);
    size_ = size;
    wrCount_ = keep;
    rdCount_ = std::min(rdCount_, keep);
}
