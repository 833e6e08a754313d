#include "toolkit/Clipbrd.h"

#include <cstring>

namespace tk {

namespace {

// Keeps the clipboard open for one scope.
class Opened {
public:
    explicit Opened(TClipboard& clipboard) : clipboard_(clipboard) { clipboard_.Open(); }
    ~Opened() { clipboard_.Close(); }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

private:
    TClipboard& clipboard_;
};

} // namespace

TClipboard::~TClipboard() {
    if (opens_ > 0)
        CloseClipboard();
}

void TClipboard::Open() {
    if (opens_ == 0 && !OpenClipboard(window_))
        throw EClipboardException("Cannot open clipboard");
    ++opens_;
}

void TClipboard::Close() {
    if (opens_ == 0)
        return;
    if (--opens_ == 0)
        CloseClipboard();
}

bool TClipboard::HasFormat(UINT format) const {
    return IsClipboardFormatAvailable(format) != FALSE;
}

std::string TClipboard::AsText() {
    Opened opened(*this);
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return {};
    auto* text = static_cast<const char*>(GlobalLock(data));
    if (!text)
        return {};
    // Up to the first NUL, and never past the block: text without one ends there.
    std::size_t size = GlobalSize(data);
    auto* end = static_cast<const char*>(std::memchr(text, '\0', size));
    std::string result(text, end ? static_cast<std::size_t>(end - text) : size);
    GlobalUnlock(data);
    return result;
}

bool TClipboard::GetPicture(TPicture& picture) {
    Opened opened(*this);
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (!TPicture::SupportsClipboardFormat(format))
            continue;
        HANDLE data = GetClipboardData(format);
        auto palette = static_cast<HPALETTE>(
            IsClipboardFormatAvailable(CF_PALETTE) ? GetClipboardData(CF_PALETTE) : nullptr);
        picture.LoadFromClipboardFormat(format, data, palette);
        return true;
    }
    return false;
}

} // namespace tk
