// comctl32's hot key control and tab control as state: the hot key with its
// rules applied to typed combinations, the tabs with their selection, image
// list, geometry and the notifications a click sends to the parent.
#include "platform/sim/include/comctl32_controls.h"
#include "platform/sim/state.h"

#include <algorithm>
#include <map>

using namespace sim::detail;

namespace {

// ------------------------------------------------------------ hot key control

struct HotKeyState {
    WORD hotKey = 0; // low byte the key, high byte HOTKEYF_* flags
    WORD invalid = 0;
    WORD replacement = 0;
    HFONT font = nullptr;
};

// The state of each control window of one kind, kept until the window goes.
template <typename State> class PerWindow {
public:
    State Of(HWND hwnd) {
        auto guard = lock();
        return states_[hwnd];
    }
    void Set(HWND hwnd, const State& value) {
        auto guard = lock();
        states_[hwnd] = value;
    }
    void Forget(HWND hwnd) {
        auto guard = lock();
        states_.erase(hwnd);
    }

private:
    std::map<HWND, State> states_;
};

PerWindow<HotKeyState>& hotKeys() {
    static auto* instance = new PerWindow<HotKeyState>;
    return *instance;
}

HotKeyState hotKeyOf(HWND hwnd) {
    return hotKeys().Of(hwnd);
}
void setHotKeyState(HWND hwnd, const HotKeyState& value) {
    hotKeys().Set(hwnd, value);
}

WORD combinationOf(BYTE modifiers) {
    switch (modifiers & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)) {
    case 0:
        return HKCOMB_NONE;
    case HOTKEYF_SHIFT:
        return HKCOMB_S;
    case HOTKEYF_CONTROL:
        return HKCOMB_C;
    case HOTKEYF_ALT:
        return HKCOMB_A;
    case HOTKEYF_SHIFT | HOTKEYF_CONTROL:
        return HKCOMB_SC;
    case HOTKEYF_SHIFT | HOTKEYF_ALT:
        return HKCOMB_SA;
    case HOTKEYF_CONTROL | HOTKEYF_ALT:
        return HKCOMB_CA;
    default:
        return HKCOMB_SCA;
    }
}

void notifyParent(HWND hwnd, WORD code) {
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetWindowLongPtrA(hwnd, GWLP_ID)), code),
                     reinterpret_cast<LPARAM>(hwnd));
}

std::string keyName(UINT vk, bool extended) {
    LONG lParam = static_cast<LONG>((MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16) |
                                    (extended ? (1u << 24) : 0u));
    char name[64] = {};
    if (GetKeyNameTextA(lParam, name, sizeof name) > 0)
        return name;
    return vk >= '0' && vk <= 'Z' ? std::string(1, static_cast<char>(vk)) : std::string();
}

// "Ctrl + Alt + C", or "None".
std::string hotKeyText(WORD hotKey) {
    BYTE vk = LOBYTE(hotKey);
    BYTE flags = HIBYTE(hotKey);
    std::string text;
    if (flags & HOTKEYF_CONTROL)
        text += "Ctrl + ";
    if (flags & HOTKEYF_SHIFT)
        text += "Shift + ";
    if (flags & HOTKEYF_ALT)
        text += "Alt + ";
    if (vk)
        text += keyName(vk, (flags & HOTKEYF_EXT) != 0);
    return text.empty() ? "None" : text;
}

void paintText(HWND hwnd, const std::string& text, int background) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT r{};
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, GetSysColorBrush(background));
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT inner{r.left + 2, r.top, r.right, r.bottom};
    DrawTextA(dc, text.c_str(), -1, &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (old)
        SelectObject(dc, old);
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK HotKeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCDESTROY:
        hotKeys().Forget(hwnd);
        break;
    case HKM_SETHOTKEY: {
        HotKeyState s = hotKeyOf(hwnd);
        s.hotKey = LOWORD(wParam);
        setHotKeyState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case HKM_GETHOTKEY:
        return hotKeyOf(hwnd).hotKey;
    case HKM_SETRULES: {
        HotKeyState s = hotKeyOf(hwnd);
        s.invalid = LOWORD(wParam);
        s.replacement = LOWORD(lParam);
        setHotKeyState(hwnd, s);
        return 0;
    }
    case WM_SETFONT: {
        HotKeyState s = hotKeyOf(hwnd);
        s.font = reinterpret_cast<HFONT>(wParam);
        setHotKeyState(hwnd, s);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(hotKeyOf(hwnd).font);
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        UINT vk = static_cast<UINT>(wParam) & 0xFF;
        if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
            return 0; // a combination is taken with its key
        BYTE flags = 0;
        if (GetKeyState(VK_SHIFT) < 0)
            flags |= HOTKEYF_SHIFT;
        if (GetKeyState(VK_CONTROL) < 0)
            flags |= HOTKEYF_CONTROL;
        if (GetKeyState(VK_MENU) < 0)
            flags |= HOTKEYF_ALT;
        HotKeyState s = hotKeyOf(hwnd);
        if (flags == 0 && (vk == VK_BACK || vk == VK_DELETE || vk == VK_SPACE)) {
            s.hotKey = 0; // these keys alone clear the field
        } else {
            if (s.invalid & combinationOf(flags))
                flags = static_cast<BYTE>(s.replacement & 0xFF);
            if ((static_cast<DWORD>(lParam) >> 24) & 1)
                flags |= HOTKEYF_EXT;
            s.hotKey = MAKEWORD(vk, flags);
        }
        setHotKeyState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        notifyParent(hwnd, 0x0300); // EN_CHANGE
        return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        return 0;
    case WM_PAINT:
        paintText(hwnd, hotKeyText(hotKeyOf(hwnd).hotKey), COLOR_WINDOW);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- tab control

struct TabItem {
    std::string text;
    int image = -1;
    LPARAM param = 0;
    bool pressed = false; // drawn as the chosen one (TCIS_BUTTONPRESSED)
};

struct TabState {
    std::vector<TabItem> items;
    int selected = -1;
    HIMAGELIST images = nullptr;
    HFONT font = nullptr;
};

PerWindow<TabState>& tabs() {
    static auto* instance = new PerWindow<TabState>;
    return *instance;
}

TabState tabOf(HWND hwnd) {
    return tabs().Of(hwnd);
}
void setTabState(HWND hwnd, const TabState& value) {
    tabs().Set(hwnd, value);
}

int rowHeight(const TabState& s) {
    int cx = 0;
    int cy = 0;
    if (s.images)
        ImageList_GetIconSize(s.images, &cx, &cy);
    return std::max(13, cy) + 6;
}

int textWidth(HWND hwnd, const std::string& text) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return r.right - r.left;
}

// The tabs lie in one row along the top, each as wide as its image and text.
std::vector<RECT> itemRects(HWND hwnd, const TabState& s) {
    std::vector<RECT> rects;
    int cx = 0;
    int cy = 0;
    if (s.images)
        ImageList_GetIconSize(s.images, &cx, &cy);
    int x = 2;
    int height = rowHeight(s);
    for (const auto& item : s.items) {
        int width = 12 + textWidth(hwnd, item.text) + (s.images && item.image >= 0 ? cx + 4 : 0);
        rects.push_back(RECT{x, 2, x + width, 2 + height});
        x += width;
    }
    return rects;
}

int hitTest(HWND hwnd, const TabState& s, POINT at) {
    auto rects = itemRects(hwnd, s);
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (at.x >= rects[i].left && at.x < rects[i].right && at.y >= rects[i].top &&
            at.y < rects[i].bottom)
            return static_cast<int>(i);
    return -1;
}

// The selection as the program sets it: the tab chosen before lets go.
void setSelection(TabState& s, int index) {
    if (index == s.selected)
        return;
    if (s.selected >= 0 && s.selected < static_cast<int>(s.items.size()))
        s.items[static_cast<std::size_t>(s.selected)].pressed = false;
    if (index >= 0)
        s.items[static_cast<std::size_t>(index)].pressed = true;
    s.selected = index;
}

// Asks the parent, then moves the selection and tells the parent. As under
// Wine, the arrow keys move the selection alone, and a click while another
// tab than the selected one is still held chosen changes nothing (the
// parent is asked and told all the same).
void selectByUser(HWND hwnd, int index, bool byKey) {
    TabState s = tabOf(hwnd);
    if (index < 0 || index >= static_cast<int>(s.items.size()) || index == s.selected)
        return;
    HWND parent = GetParent(hwnd);
    auto id = static_cast<UINT_PTR>(GetWindowLongPtrA(hwnd, GWLP_ID));
    NMHDR changing{hwnd, id, TCN_SELCHANGING};
    if (parent && SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&changing)))
        return; // the parent keeps the page
    s = tabOf(hwnd);
    if (byKey) {
        s.selected = index;
    } else {
        bool held = false;
        for (std::size_t i = 0; i < s.items.size(); ++i)
            held = held || (s.items[i].pressed && static_cast<int>(i) != s.selected);
        if (!held)
            setSelection(s, index);
    }
    setTabState(hwnd, s);
    InvalidateRect(hwnd, nullptr, TRUE);
    NMHDR change{hwnd, id, TCN_SELCHANGE};
    if (parent)
        SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
}

void paintTabs(HWND hwnd) {
    TabState s = tabOf(hwnd);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT frame{client.left, client.top + 2 + rowHeight(s), client.right, client.bottom};
    DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    auto rects = itemRects(hwnd, s);
    int cx = 0;
    int cy = 0;
    if (s.images)
        ImageList_GetIconSize(s.images, &cx, &cy);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        RECT r = rects[i];
        if (static_cast<int>(i) == s.selected)
            r.bottom += 2; // the selected tab joins its page
        DrawEdge(dc, &r, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
        int x = r.left + 6;
        if (s.images && s.items[i].image >= 0) {
            ImageList_Draw(s.images, s.items[i].image, dc, x, r.top + (rowHeight(s) - cy) / 2,
                           ILD_TRANSPARENT);
            x += cx + 4;
        }
        RECT text{x, r.top, r.right, rects[i].bottom};
        DrawTextA(dc, s.items[i].text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER);
    }
    if (old)
        SelectObject(dc, old);
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK TabControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCDESTROY:
        tabs().Forget(hwnd);
        break;
    case TCM_GETITEMCOUNT:
        return static_cast<LRESULT>(tabOf(hwnd).items.size());
    case TCM_INSERTITEMA: {
        auto* item = reinterpret_cast<const TCITEMA*>(lParam);
        if (!item)
            return -1;
        TabState s = tabOf(hwnd);
        int index = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(s.items.size()));
        TabItem made;
        if ((item->mask & TCIF_TEXT) && item->pszText)
            made.text = item->pszText;
        if (item->mask & TCIF_IMAGE)
            made.image = item->iImage;
        if (item->mask & TCIF_PARAM)
            made.param = item->lParam;
        s.items.insert(s.items.begin() + index, made);
        if (s.selected < 0)
            s.selected = 0;
        else if (index <= s.selected)
            ++s.selected;
        setTabState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return index;
    }
    case TCM_SETITEMA:
    case TCM_GETITEMA: {
        auto* item = reinterpret_cast<TCITEMA*>(lParam);
        TabState s = tabOf(hwnd);
        auto index = static_cast<std::size_t>(wParam);
        if (!item || index >= s.items.size())
            return FALSE;
        TabItem& it = s.items[index];
        if (msg == TCM_GETITEMA) {
            if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
                std::string text =
                    it.text.substr(0, static_cast<std::size_t>(item->cchTextMax - 1));
                std::copy(text.begin(), text.end(), item->pszText);
                item->pszText[text.size()] = '\0';
            }
            if (item->mask & TCIF_IMAGE)
                item->iImage = it.image;
            if (item->mask & TCIF_PARAM)
                item->lParam = it.param;
            return TRUE;
        }
        if ((item->mask & TCIF_TEXT) && item->pszText)
            it.text = item->pszText;
        if (item->mask & TCIF_IMAGE)
            it.image = item->iImage;
        if (item->mask & TCIF_PARAM)
            it.param = item->lParam;
        setTabState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEITEM: {
        TabState s = tabOf(hwnd);
        auto index = static_cast<int>(wParam);
        if (index < 0 || index >= static_cast<int>(s.items.size()))
            return FALSE;
        s.items.erase(s.items.begin() + index);
        if (index == s.selected)
            s.selected = -1;
        else if (index < s.selected)
            --s.selected;
        setTabState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEALLITEMS: {
        TabState s = tabOf(hwnd);
        s.items.clear();
        s.selected = -1;
        setTabState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case TCM_GETCURSEL:
        return tabOf(hwnd).selected;
    case TCM_SETCURSEL: {
        TabState s = tabOf(hwnd);
        auto index = static_cast<int>(wParam);
        if (index < 0 || index >= static_cast<int>(s.items.size()))
            return -1;
        int previous = s.selected;
        setSelection(s, index);
        setTabState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return previous;
    }
    case TCM_GETITEMRECT: {
        TabState s = tabOf(hwnd);
        auto rects = itemRects(hwnd, s);
        auto index = static_cast<std::size_t>(wParam);
        if (!lParam || index >= rects.size())
            return FALSE;
        *reinterpret_cast<RECT*>(lParam) = rects[index];
        return TRUE;
    }
    case TCM_HITTEST: {
        auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        int index = hitTest(hwnd, tabOf(hwnd), info->pt);
        info->flags = index < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
        return index;
    }
    case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return 0;
        int top = 2 + rowHeight(tabOf(hwnd)) + 4;
        if (wParam) { // display rectangle -> window rectangle
            r->left -= 4;
            r->top -= top;
            r->right += 4;
            r->bottom += 4;
        } else {
            r->left += 4;
            r->top += top;
            r->right -= 4;
            r->bottom -= 4;
        }
        return 0;
    }
    case TCM_SETIMAGELIST: {
        TabState s = tabOf(hwnd);
        HIMAGELIST previous = s.images;
        s.images = reinterpret_cast<HIMAGELIST>(lParam);
        setTabState(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(previous);
    }
    case TCM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(tabOf(hwnd).images);
    case WM_SETFONT: {
        TabState s = tabOf(hwnd);
        s.font = reinterpret_cast<HFONT>(wParam);
        setTabState(hwnd, s);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(tabOf(hwnd).font);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        int index = hitTest(hwnd, tabOf(hwnd), at);
        if (index >= 0) {
            if (!(GetWindowLongA(hwnd, GWL_STYLE) & TCS_FOCUSNEVER))
                SetFocus(hwnd);
            selectByUser(hwnd, index, false);
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT) {
            int selected = tabOf(hwnd).selected;
            selectByUser(hwnd, selected + (wParam == VK_LEFT ? -1 : 1), true);
            return 0;
        }
        break;
    case WM_PAINT:
        paintTabs(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

namespace sim::detail {

WNDPROC hotKeyControlProc() {
    return &HotKeyProc;
}
WNDPROC tabControlProc() {
    return &TabControlProc;
}

} // namespace sim::detail
