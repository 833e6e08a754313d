// The memory stream that receives a banner: it refuses to grow past its
// limit, so that a broken or hostile server cannot fill the address space.
#pragma once

#include "toolkit/Classes.h"

#include <cstddef>
#include <functional>

namespace banner {

class TBannerStream : public tk::TMemoryStream {
public:
    explicit TBannerStream(std::size_t limit) : limit_(limit) {}

    // A write that would take the stream past the limit writes nothing (the
    // strict WriteBuffer then raises "Stream write error"); the stream stays
    // refused from then on and calls OnRefused once.
    std::size_t Write(const void* buffer, std::size_t count) override;
    bool Refused() const { return refused_; }
    std::function<void()> OnRefused;

private:
    std::size_t limit_;
    bool refused_ = false;
};

} // namespace banner
