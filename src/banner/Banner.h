// The banner of the main window: which advertiser, its picture, its page.
// (Stand-in: no advertiser is chosen and nothing is fetched yet.)
#pragma once

#include "gif/JvGIFCtrl.h"

#include <string>

struct TBannerPair {
    std::string ImageUrl;
    std::string LinkUrl;
};

TBannerPair ChooseBannerPair();
// Fetches the pair's picture into the banner control.
void LoadBanner(const TBannerPair& pair, TJvGIFAnimator& image);
