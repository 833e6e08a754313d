// animhelper: shows a GIF file in the banner's animator on a form of its
// own, animating, until the form is closed. The Wine checks use it to watch
// the animator's timer thread step real frames through real windows.
//
//   animhelper FILE
//
// The form is of class "TForm", captioned "Animator", at 0, 0; the animator
// sits at 10, 10 of its client area, opaque, and takes the GIF's size.
#include "gif/JvGIFCtrl.h"
#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"

#include <cstdio>

int main() {
    if (tk::ParamCount() != 1) {
        std::fprintf(stderr, "usage: animhelper FILE\n");
        return 2;
    }
    tk::TApplication application;
    application.Initialize();
    application.SetTitle("animhelper");
    auto* form = application.CreateForm<tk::TForm>();
    form->SetCaption("Animator");
    form->SetBounds(0, 0, 240, 160);
    auto* animator = new TJvGIFAnimator(form);
    animator->SetBounds(10, 10, 105, 105);
    animator->SetTransparent(false);
    animator->SetParent(form);
    try {
        // As the banner does: animation on first, then the picture.
        animator->SetJvxAnimate(true);
        animator->Image().LoadFromFile(tk::ParamStr(1));
    } catch (const tk::Exception& e) {
        std::fprintf(stderr, "animhelper: %s\n", e.Message().c_str());
        return 1;
    }
    application.Run();
    return 0;
}
