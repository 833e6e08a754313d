#include "banner/Banner.h"

TBannerPair ChooseBannerPair() {
    return TBannerPair{};
}

void LoadBanner(const TBannerPair&, TJvGIFAnimator&) {}
