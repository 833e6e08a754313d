#include "toolkit/Clipbrd.h"

#include <cstring>

namespace tk {

void TClipboard::Open() {
    if (opens_ == 0) {
        TClipboardSession session(window_);
        if (!session.Opened())
            throw EClipboardException("Cannot open clipboard");
        session_.emplace(std::move(session));
    }
    ++opens_;
}

void TClipboard::Close() {
    if (opens_ == 0)
        return;
    if (--opens_ == 0)
        session_.reset();
}

std::optional<TClipboardSession> TClipboard::OpenForCall() {
    std::optional<TClipboardSession> session;
    if (opens_ == 0) {
        session.emplace(window_);
        if (!session->Opened())
            throw EClipboardException("Cannot open clipboard");
    }
    return session;
}

bool TClipboard::HasFormat(UINT format) const {
    return IsClipboardFormatAvailable(format) != FALSE;
}

std::string TClipboard::AsText() {
    auto session = OpenForCall();
    TGlobalLock<const char> text(GetClipboardData(CF_TEXT));
    if (!text)
        return {};
    // Up to the first NUL, and never past the block: text without one ends there.
    std::size_t size = text.Size();
    auto* end = static_cast<const char*>(std::memchr(text.Get(), '\0', size));
    return std::string(text.Get(), end ? static_cast<std::size_t>(end - text.Get()) : size);
}

bool TClipboard::GetPicture(TPicture& picture) {
    auto session = OpenForCall();
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
