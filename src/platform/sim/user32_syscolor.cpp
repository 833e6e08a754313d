// System colours of the simulated desktop: the classic Windows 2000 scheme,
// and the brushes that paint them.
#include "platform/sim/gdi32_internal.h"

namespace {

// By COLOR_* index; 25 has no meaning and reads as black.
constexpr COLORREF schemeColors[] = {
    RGB(212, 208, 200), // COLOR_SCROLLBAR
    RGB(58, 110, 165),  // COLOR_BACKGROUND
    RGB(10, 36, 106),   // COLOR_ACTIVECAPTION
    RGB(128, 128, 128), // COLOR_INACTIVECAPTION
    RGB(212, 208, 200), // COLOR_MENU
    RGB(255, 255, 255), // COLOR_WINDOW
    RGB(0, 0, 0),       // COLOR_WINDOWFRAME
    RGB(0, 0, 0),       // COLOR_MENUTEXT
    RGB(0, 0, 0),       // COLOR_WINDOWTEXT
    RGB(255, 255, 255), // COLOR_CAPTIONTEXT
    RGB(212, 208, 200), // COLOR_ACTIVEBORDER
    RGB(212, 208, 200), // COLOR_INACTIVEBORDER
    RGB(128, 128, 128), // COLOR_APPWORKSPACE
    RGB(10, 36, 106),   // COLOR_HIGHLIGHT
    RGB(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200), // COLOR_BTNFACE
    RGB(128, 128, 128), // COLOR_BTNSHADOW
    RGB(128, 128, 128), // COLOR_GRAYTEXT
    RGB(0, 0, 0),       // COLOR_BTNTEXT
    RGB(212, 208, 200), // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),    // COLOR_3DDKSHADOW
    RGB(212, 208, 200), // COLOR_3DLIGHT
    RGB(0, 0, 0),       // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
    RGB(0, 0, 0),       // (unused)
    RGB(0, 0, 128),     // COLOR_HOTLIGHT
    RGB(166, 202, 240), // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192), // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),   // COLOR_MENUHILIGHT
    RGB(212, 208, 200), // COLOR_MENUBAR
};
constexpr int schemeSize = static_cast<int>(sizeof schemeColors / sizeof schemeColors[0]);

} // namespace

DWORD GetSysColor(int index) {
    return index >= 0 && index < schemeSize ? schemeColors[index] : 0;
}

// One brush per system colour, made on first request; like Windows' own they
// belong to the system, and DeleteObject leaves them alone.
HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= schemeSize)
        return nullptr;
    auto guard = sim::detail::lock();
    auto handle = reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x900 + 4 * index));
    return sim::detail::findGdi(handle) ? static_cast<HBRUSH>(handle) : nullptr;
}
