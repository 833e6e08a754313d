// A click on the banner: the shell opens the advertiser's page.
#include "banner/Banner.h"

namespace banner {

void OpenLink(HWND applicationWindow, const std::string& url) {
    // A build without a banner has no page to open.
    if (url.empty())
        return;
    SHELLEXECUTEINFOA info{};
    // The record's size as this build lays it out: 60 bytes in the 32-bit
    // program, more in a 64-bit one.
    info.cbSize = sizeof info;
    info.hwnd = applicationWindow;
    info.lpFile = url.c_str();
    info.nShow = SW_SHOWNORMAL;
    // Mask, verb, parameters and folder stay empty: the shell's default verb
    // for the address. A failure shows nothing.
    ShellExecuteExA(&info);
}

} // namespace banner
