// Which advertiser the banner shows: two times in three A, else B.
#include "banner/Banner.h"
#include "string_ids.h"
#include "toolkit/SysUtils.h"

#include <cstdint>

namespace banner {

unsigned DrawAdvertiser(DWORD seed) {
    std::uint32_t next = static_cast<std::uint32_t>(seed) * 134775813u + 1u;
    return static_cast<unsigned>((static_cast<std::uint64_t>(next) * 3u) >> 32);
}

DWORD ClockSeed() {
    LARGE_INTEGER counter{};
    if (QueryPerformanceCounter(&counter))
        return counter.LowPart;
    return GetTickCount();
}

TBannerPair ChooseBannerPair() {
    bool advertiserB = DrawAdvertiser(ClockSeed()) == 2;
    return TBannerPair{tk::LoadStr(advertiserB ? IDS_BANNER_B_IMAGE : IDS_BANNER_A_IMAGE),
                       tk::LoadStr(advertiserB ? IDS_BANNER_B_LINK : IDS_BANNER_A_LINK)};
}

} // namespace banner
