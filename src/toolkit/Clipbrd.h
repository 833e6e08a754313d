// The clipboard object: text and pictures read on behalf of a window.
#pragma once

#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

#include <optional>

#include <string>

namespace tk {

class TClipboard {
public:
    // `window`: the window on whose behalf the clipboard is opened.
    explicit TClipboard(HWND window) : window_(window) {}
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Opens are counted; the first fails with "Cannot open clipboard" when
    // another program holds the clipboard open.
    void Open();
    void Close();
    bool HasFormat(UINT format) const; // IsClipboardFormatAvailable
    // The plain text (CF_TEXT) up to its first NUL; empty without text.
    std::string AsText();
    // The first format in the clipboard's order that a picture can be made
    // from, with the clipboard's palette; false when there is none.
    bool GetPicture(TPicture& picture);

private:
    // A session for one call, unless the clipboard is open already.
    std::optional<TClipboardSession> OpenForCall();

    HWND window_;
    int opens_ = 0;
    std::optional<TClipboardSession> session_; // while opens_ > 0
};

} // namespace tk
