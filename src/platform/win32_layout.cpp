// The layouts the product relies on in its 32-bit Windows build: structures
// that cross into the platform (and clipboard data that other programs
// read) must have the sizes 32-bit Windows gives them.
#include "platform/win32.h"

#include <cstddef>

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == 4, "the product is a 32-bit program");
static_assert(sizeof(WPARAM) == 4 && sizeof(LPARAM) == 4 && sizeof(HANDLE) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(UINT) == 4);
static_assert(sizeof(MSG) == 28);
static_assert(sizeof(WNDCLASSA) == 40);
static_assert(sizeof(CREATESTRUCTA) == 48);
static_assert(sizeof(METAFILEPICT) == 16);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(MENUITEMINFOA) == 48);
static_assert(sizeof(PAINTSTRUCT) == 64);
// The notification-area record in its first version, which the tray icon sends.
static_assert(NOTIFYICONDATAA_V1_SIZE == 88);
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4 && offsetof(NOTIFYICONDATAA, uID) == 8);
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == 12 &&
              offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20 && offsetof(NOTIFYICONDATAA, szTip) == 24);
#endif
