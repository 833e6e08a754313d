// The banner of the main window: one of two advertisers chosen at start, its
// GIF downloaded over HTTP into the animator, and the advertiser's page
// opened by the shell on a click.
#pragma once

#include "banner/BannerStream.h"
#include "gif/JvGIFCtrl.h"
#include "platform/win32.h"
#include <cstddef>
#include <string>

namespace tk {
class TApplication;
}

// The chosen advertiser's addresses.
struct TBannerPair {
    std::string ImageURL;
    std::string LinkURL;
};

namespace banner {

// The generator's draw: one step seed * 134775813 + 1 (modulo 2^32), then
// the high 32 bits of the step times 3: 0, 1 (advertiser A) or 2 (B).
unsigned DrawAdvertiser(DWORD seed);
// The seed from the clock: the low 32 bits of the performance counter, or
// the tick count where the counter fails.
DWORD ClockSeed();
// Draws an advertiser from the clock and reads its two addresses from the
// string table.
TBannerPair ChooseBannerPair();

// The banner's request gives up after this many milliseconds: the main
// window is not shown before the download has ended.
constexpr DWORD RequestTimeLimit = 10000;
// The most bytes a banner may have; a longer body ends the download with
// nothing shown.
constexpr std::size_t MaxImageBytes = 4u << 20;

// Downloads pair.ImageURL into the animator and returns when the download
// has ended; raises EHttpException when it failed (a name that cannot be
// resolved, a connection that cannot be made or times out, a status of 400
// or more). The HTTP client belongs to `application` for the call. Nothing
// is fetched when the image address is empty (the build has no banner) or
// when the application has already been asked to end.
void LoadBanner(tk::TApplication& application, const TBannerPair& pair, TJvGIFAnimator& animator);
// The end of a download: the received bytes become the animator's image,
// which then animates. Does nothing without a download running (no
// stream) or when the stream refused a body too long. Raises when the bytes
// are not a GIF.
void BannerDocEnd(TJvGIFAnimator& animator, TBannerStream* bannerStream);

// Asks the shell to open `url` for the application window; the result is
// not examined.
void OpenLink(HWND applicationWindow, const std::string& url);

// Whether the application has been asked to end: its loop has taken the
// quit request, or the request waits in the queue.
bool ApplicationEnding(const tk::TApplication& application);

} // namespace banner
