// The banner's download: one synchronous GET into a stream of its own, and
// the picture handed to the animator once the connection has ended.
#include "banner/Banner.h"
#include "net/HttpProt.h"
#include "toolkit/Application.h"

#include <memory>

namespace banner {

bool ApplicationEnding(const tk::TApplication& application) {
    MSG msg;
    return application.Terminated() ||
           PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

void BannerDocEnd(TJvGIFAnimator& animator, TBannerStream* bannerStream) {
    if (!bannerStream || bannerStream->Refused())
        return;
    bannerStream->SetPosition(0);
    // Animating before the load: the animator starts as soon as the image
    // tells it that it changed.
    animator.SetJvxAnimate(true);
    animator.Image().ReadFromStream(*bannerStream);
}

void LoadBanner(tk::TApplication& application, const TBannerPair& pair, TJvGIFAnimator& animator) {
    const TBannerPair own = pair;
    // A build without this advertiser's banner; or an instance that has been
    // told to end because another one runs, and that must not keep the user
    // waiting, or show an error box, for a banner nobody will see.
    if (own.ImageURL.empty() || ApplicationEnding(application))
        return;

    // Declared before the client, so destroyed after it, on every path.
    auto stream = std::make_unique<TBannerStream>(MaxImageBytes);
    std::unique_ptr<THttpCli, void (*)(tk::TComponent*)> client(new THttpCli(&application),
                                                                &tk::Free);
    TBannerStream* bannerStream = stream.get();
    TJvGIFAnimator* target = &animator;
    client->OnDocEnd = [target, bannerStream](tk::TComponent*) {
        // Bytes that are not a GIF show nothing. The connection is over when
        // this runs, and the client's own end of the request goes on.
        try {
            BannerDocEnd(*target, bannerStream);
        } catch (const std::exception&) {
        }
    };
    client->URL = own.ImageURL;
    client->ReceiveStream = bannerStream;
    client->RequestTimeout = RequestTimeLimit;
    // A body too long ends the request at once: the connection is let go
    // and the request ends without its document.
    THttpCli* running = client.get();
    stream->OnRefused = [running] {
        running->Abort();
    };
    client->Fetch();
}

} // namespace banner
