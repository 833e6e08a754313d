// Owners of the handles the program takes from the platform. Each gives its
// handle back when it goes, so that every path out of a scope, an exception
// included, lets go of what the scope took. They are move-only and never
// throw; whether the taking worked is asked of them (operator bool, Opened,
// Selected), and what to do when it did not is the caller's.
#pragma once

#include "platform/win32.h"

#include <utility>

namespace tk {

// A handle with one way to let it go. `Traits` names the handle type
// (Handle), its "none" value (None) and the call that lets it go (Close).
template <typename Traits> class TOwnedHandle {
public:
    using Handle = typename Traits::Handle;

    TOwnedHandle() = default;
    explicit TOwnedHandle(Handle handle) : handle_(handle) {}
    ~TOwnedHandle() { Reset(); }
    TOwnedHandle(TOwnedHandle&& other) noexcept : handle_(other.Detach()) {}
    TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::None(); }
    // Gives the handle up without letting it go: another owner has it now
    // (the clipboard took a block, a menu took a submenu).
    Handle Detach() { return std::exchange(handle_, Traits::None()); }
    // Lets the handle held go, and holds `handle` instead.
    void Reset(Handle handle = Traits::None()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::None())
            Traits::Close(old);
    }

private:
    Handle handle_ = Traits::None();
};

namespace handle_traits {

template <typename H, auto close> struct NullIsNone {
    using Handle = H;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { close(handle); }
};

struct File {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};

} // namespace handle_traits

// A pen, brush, font, bitmap, palette or region the program made (DeleteObject).
template <typename H> using TGdiObject = TOwnedHandle<handle_traits::NullIsNone<H, &DeleteObject>>;
// A memory device context (CreateCompatibleDC, DeleteDC).
using TMemoryDC = TOwnedHandle<handle_traits::NullIsNone<HDC, &DeleteDC>>;
// A global memory block the program allocated (GlobalAlloc, GlobalFree);
// Detach once the clipboard has taken it over.
using TGlobalBlock = TOwnedHandle<handle_traits::NullIsNone<HGLOBAL, &GlobalFree>>;
// An open registry key (RegOpenKeyExA, RegCreateKeyExA; RegCloseKey).
using TRegKey = TOwnedHandle<handle_traits::NullIsNone<HKEY, &RegCloseKey>>;
// An open file (CreateFileA, whose failure is INVALID_HANDLE_VALUE; CloseHandle).
using TFileHandle = TOwnedHandle<handle_traits::File>;
// A kernel object other than a file, such as an event (CloseHandle).
using TKernelHandle = TOwnedHandle<handle_traits::NullIsNone<HANDLE, &CloseHandle>>;
// A module loaded at run time (LoadLibraryA, FreeLibrary).
using TLibrary = TOwnedHandle<handle_traits::NullIsNone<HMODULE, &FreeLibrary>>;
// An icon the program made or copied (DestroyIcon).
using TIconHandle = TOwnedHandle<handle_traits::NullIsNone<HICON, &DestroyIcon>>;
// An enhanced metafile (DeleteEnhMetaFile).
using TEnhMetafileHandle =
    TOwnedHandle<handle_traits::NullIsNone<HENHMETAFILE, &DeleteEnhMetaFile>>;
// A menu with its submenus (DestroyMenu).
using TMenuHandle = TOwnedHandle<handle_traits::NullIsNone<HMENU, &DestroyMenu>>;
// A window the program made that no toolkit object stands for, such as a
// platform control it drives by messages (CreateWindowExA, DestroyWindow).
using TWindowHandle = TOwnedHandle<handle_traits::NullIsNone<HWND, &DestroyWindow>>;
// A message hook of a thread (SetWindowsHookExA, UnhookWindowsHookEx).
using THookHandle = TOwnedHandle<handle_traits::NullIsNone<HHOOK, &UnhookWindowsHookEx>>;
// An image list (ImageList_Create, ImageList_Destroy).
using TImageListHandle = TOwnedHandle<handle_traits::NullIsNone<HIMAGELIST, &ImageList_Destroy>>;

// A window's device context (GetDC; a null window gives the screen's),
// released when the object goes.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~TWindowDC() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The painting of a window in answer to WM_PAINT: BeginPaint, and EndPaint
// when the object goes.
class TPaintDC {
public:
    explicit TPaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~TPaintDC() { EndPaint(window_, &paint_); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;

    HDC Get() const { return dc_; }
    const PAINTSTRUCT& Paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// The state of a device context (origin, clipping, selections) saved with
// SaveDC and given back with RestoreDC when the object goes.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~TSavedDC() {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// A GDI object selected into a device context; what the context held before
// is selected back when the object goes. Select puts another object in its
// place and still gives back the first one's predecessor.
class TSelectedObject {
public:
    TSelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~TSelectedObject() {
        if (old_)
            SelectObject(dc_, old_);
    }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

    // False when the context refused the object.
    bool Selected() const { return old_ != nullptr; }
    void Select(HGDIOBJ object) { SelectObject(dc_, object); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A palette selected into a device context (in the background), the one
// before it selected back when the object goes.
class TSelectedPalette {
public:
    TSelectedPalette(HDC dc, HPALETTE palette) : dc_(dc), old_(SelectPalette(dc, palette, FALSE)) {}
    ~TSelectedPalette() {
        if (old_)
            SelectPalette(dc_, old_, FALSE);
    }
    TSelectedPalette(const TSelectedPalette&) = delete;
    TSelectedPalette& operator=(const TSelectedPalette&) = delete;

private:
    HDC dc_;
    HPALETTE old_;
};

// A global memory block locked for the life of the object: its address as
// a T*, null when the block is missing or cannot be locked (drawing objects
// on the clipboard are no memory blocks). Unlocked when the object goes.
template <typename T> class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL block)
        : block_(block), data_(block ? static_cast<T*>(GlobalLock(block)) : nullptr) {}
    ~TGlobalLock() {
        if (data_)
            GlobalUnlock(block_);
    }
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;

    T* Get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    // The size of the block in bytes.
    SIZE_T Size() const { return GlobalSize(block_); }

private:
    HGLOBAL block_;
    T* data_;
};

// The clipboard opened on behalf of a window; closed when the session ends,
// if the open succeeded (it fails while another task has the clipboard open).
class TClipboardSession {
public:
    explicit TClipboardSession(HWND window) : opened_(OpenClipboard(window) != FALSE) {}
    ~TClipboardSession() {
        if (opened_)
            CloseClipboard();
    }
    TClipboardSession(TClipboardSession&& other) noexcept
        : opened_(std::exchange(other.opened_, false)) {}
    TClipboardSession& operator=(TClipboardSession&&) = delete;
    TClipboardSession(const TClipboardSession&) = delete;
    TClipboardSession& operator=(const TClipboardSession&) = delete;

    bool Opened() const { return opened_; }

private:
    bool opened_;
};

} // namespace tk
