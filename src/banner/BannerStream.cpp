#include "banner/BannerStream.h"

namespace banner {

std::size_t TBannerStream::Write(const void* buffer, std::size_t count) {
    auto position = static_cast<std::size_t>(Position());
    if (refused_ || position > limit_ || count > limit_ - position) {
        if (!refused_) {
            refused_ = true;
            if (OnRefused)
                OnRefused();
        }
        return 0;
    }
    return tk::TMemoryStream::Write(buffer, count);
}

} // namespace banner
