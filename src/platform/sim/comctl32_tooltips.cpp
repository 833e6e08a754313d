// comctl32's tool tip control: tools (a window, and a rectangle in it or the
// whole window), the mouse messages relayed to it, and the tip it shows near
// the cursor once the mouse has rested on a tool for the initial delay. A
// button press hides the tip, and so does the mouse leaving the tool, seen in
// a relayed move or by the control's own look at the cursor.
#include "platform/sim/state.h"
#include "platform/sim/include/comctl32_tooltips.h"

#include <algorithm>
#include <cstring>
#include <map>

using namespace sim::detail;

namespace {

// The control's timers, as the platform's control numbers them.
constexpr UINT_PTR showTimer = 1;
constexpr UINT_PTR popTimer = 2;
constexpr UINT_PTR leaveTimer = 3;
constexpr UINT leaveCheck = 100;
// The tip lies this far below the cursor's hot spot, clear of the cursor.
constexpr int belowCursor = 20;

struct Tool {
    UINT flags = 0;
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    RECT rect{};
    std::string text;
};

struct TipState {
    std::vector<Tool> tools;
    int underMouse = -1; // the tool the mouse was last seen on
    int shown = -1;      // the tool whose tip shows
    bool active = true;
    UINT initial = 500; // the platform's double-click time
    UINT reshow = 100;
    UINT autopop = 5000;
    HFONT font = nullptr;
};

std::map<HWND, TipState>& tips() {
    static auto* instance = new std::map<HWND, TipState>;
    return *instance;
}

TipState tipOf(HWND hwnd) {
    auto guard = lock();
    return tips()[hwnd];
}

void setTip(HWND hwnd, const TipState& value) {
    auto guard = lock();
    tips()[hwnd] = value;
}

int findTool(const TipState& s, HWND hwnd, UINT_PTR id) {
    for (std::size_t i = 0; i < s.tools.size(); ++i)
        if (s.tools[i].hwnd == hwnd && s.tools[i].id == id)
            return static_cast<int>(i);
    return -1;
}

// The tool at a point of a window: a rectangle tool of that window first,
// then a tool that is the window itself.
int toolAt(const TipState& s, HWND hwnd, POINT at) {
    for (std::size_t i = 0; i < s.tools.size(); ++i) {
        const Tool& t = s.tools[i];
        if (!(t.flags & TTF_IDISHWND) && t.hwnd == hwnd && at.x >= t.rect.left &&
            at.x < t.rect.right && at.y >= t.rect.top && at.y < t.rect.bottom)
            return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < s.tools.size(); ++i)
        if ((s.tools[i].flags & TTF_IDISHWND) && reinterpret_cast<HWND>(s.tools[i].id) == hwnd)
            return static_cast<int>(i);
    return -1;
}

// The tool under the cursor now, as the control looks for itself.
int toolUnderCursor(const TipState& s) {
    POINT cursor{};
    GetCursorPos(&cursor);
    HWND hwnd = WindowFromPoint(cursor);
    if (!hwnd)
        return -1;
    ScreenToClient(hwnd, &cursor);
    return toolAt(s, hwnd, cursor);
}

SIZE tipSize(HWND hwnd, const std::string& text, HFONT font) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT r{0, 0, 0, 0};
    UINT format = DT_SINGLELINE | DT_CALCRECT;
    if (GetWindowLongA(hwnd, GWL_STYLE) & TTS_NOPREFIX)
        format |= DT_NOPREFIX;
    DrawTextA(dc, text.c_str(), -1, &r, format);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    // A margin and a one-pixel frame around the text.
    return SIZE{r.right - r.left + 8, r.bottom - r.top + 4};
}

void hide(HWND hwnd) {
    TipState s = tipOf(hwnd);
    if (s.shown < 0)
        return;
    s.shown = -1;
    setTip(hwnd, s);
    KillTimer(hwnd, popTimer);
    KillTimer(hwnd, leaveTimer);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void show(HWND hwnd, int index) {
    TipState s = tipOf(hwnd);
    if (index < 0 || index >= static_cast<int>(s.tools.size()))
        return;
    s.shown = index;
    setTip(hwnd, s);
    POINT cursor{};
    GetCursorPos(&cursor);
    SIZE size = tipSize(hwnd, s.tools[static_cast<std::size_t>(index)].text, s.font);
    // Below the cursor, kept on the screen.
    int x = std::clamp<int>(cursor.x, 0, std::max<int>(0, GetSystemMetrics(SM_CXSCREEN) - size.cx));
    int y = cursor.y + belowCursor;
    if (y + size.cy > GetSystemMetrics(SM_CYSCREEN))
        y = cursor.y - size.cy;
    SetWindowPos(hwnd, HWND_TOPMOST, x, y, size.cx, size.cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
    SetTimer(hwnd, popTimer, s.autopop, nullptr);
    SetTimer(hwnd, leaveTimer, leaveCheck, nullptr);
}

// The mouse moved in a window: from nothing onto a tool the tip waits the
// initial delay, from one tool to another the reshow delay; off every tool
// it hides.
void mouseMoved(HWND hwnd, HWND window, POINT at) {
    TipState s = tipOf(hwnd);
    int before = s.underMouse;
    s.underMouse = toolAt(s, window, at);
    setTip(hwnd, s);
    if (s.underMouse != before) {
        if (s.underMouse < 0) {
            hide(hwnd);
            KillTimer(hwnd, showTimer);
        } else if (before < 0) {
            if (s.active)
                SetTimer(hwnd, showTimer, s.initial, nullptr);
        } else {
            hide(hwnd);
            if (s.active)
                SetTimer(hwnd, showTimer, s.reshow, nullptr);
        }
    } else if (s.shown >= 0) {
        SetTimer(hwnd, popTimer, s.autopop, nullptr); // the tip stays its full time again
    } else if (s.underMouse >= 0 && s.active) {
        SetTimer(hwnd, showTimer, s.initial, nullptr); // a tip hidden by a press comes back
    }
}

void relay(HWND hwnd, const MSG* msg) {
    if (!msg)
        return;
    switch (msg->message) {
    case WM_MOUSEMOVE:
        mouseMoved(hwnd, msg->hwnd,
                   POINT{static_cast<short>(LOWORD(msg->lParam)),
                         static_cast<short>(HIWORD(msg->lParam))});
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        hide(hwnd);
        KillTimer(hwnd, showTimer);
        break;
    default:
        break;
    }
}

void timerFired(HWND hwnd, UINT_PTR id) {
    TipState s = tipOf(hwnd);
    switch (id) {
    case showTimer: {
        KillTimer(hwnd, showTimer);
        int before = s.underMouse;
        s.underMouse = toolUnderCursor(s);
        setTip(hwnd, s);
        if (s.underMouse >= 0 && s.underMouse == before)
            show(hwnd, s.underMouse);
        break;
    }
    case popTimer:
        hide(hwnd);
        break;
    case leaveTimer: {
        int before = s.underMouse;
        s.underMouse = toolUnderCursor(s);
        setTip(hwnd, s);
        if (s.underMouse != before) {
            hide(hwnd);
            KillTimer(hwnd, leaveTimer);
            if (s.underMouse >= 0 && s.active)
                SetTimer(hwnd, showTimer, s.reshow, nullptr);
        }
        break;
    }
    default:
        break;
    }
}

void paintTip(HWND hwnd) {
    TipState s = tipOf(hwnd);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT r{};
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    if (s.shown >= 0) {
        HGDIOBJ old = s.font ? SelectObject(dc, s.font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        RECT text{r.left + 4, r.top + 2, r.right - 4, r.bottom - 2};
        UINT format = DT_SINGLELINE;
        if (GetWindowLongA(hwnd, GWL_STYLE) & TTS_NOPREFIX)
            format |= DT_NOPREFIX;
        DrawTextA(dc, s.tools[static_cast<std::size_t>(s.shown)].text.c_str(), -1, &text, format);
        if (old)
            SelectObject(dc, old);
    }
    EndPaint(hwnd, &paint);
}

// Copies a tool into the caller's description; its text only where the
// caller gave room for it.
void describe(const Tool& tool, TTTOOLINFOA& info) {
    info.uFlags = tool.flags;
    info.hwnd = tool.hwnd;
    info.uId = tool.id;
    info.rect = tool.rect;
    if (info.lpszText)
        std::strcpy(info.lpszText, tool.text.c_str());
}

Tool toolFrom(const TTTOOLINFOA& info) {
    Tool tool;
    tool.flags = info.uFlags;
    tool.hwnd = info.hwnd;
    tool.id = info.uId;
    tool.rect = info.rect;
    if (info.lpszText && !IS_INTRESOURCE(info.lpszText))
        tool.text = info.lpszText;
    return tool;
}

LRESULT CALLBACK ToolTipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* info = reinterpret_cast<TTTOOLINFOA*>(lParam);
    switch (msg) {
    case WM_NCDESTROY: {
        auto guard = lock();
        tips().erase(hwnd);
        break;
    }
    case TTM_ADDTOOLA: {
        if (!info)
            return FALSE;
        TipState s = tipOf(hwnd);
        s.tools.push_back(toolFrom(*info));
        setTip(hwnd, s);
        return TRUE;
    }
    case TTM_DELTOOLA: {
        TipState s = tipOf(hwnd);
        int index = info ? findTool(s, info->hwnd, info->uId) : -1;
        if (index < 0)
            return 0;
        if (s.shown == index)
            hide(hwnd);
        s = tipOf(hwnd);
        s.tools.erase(s.tools.begin() + index);
        auto after = [index](int& i) {
            if (i == index)
                i = -1;
            else if (i > index)
                --i;
        };
        after(s.shown);
        after(s.underMouse);
        setTip(hwnd, s);
        return 0;
    }
    case TTM_SETTOOLINFOA:
    case TTM_NEWTOOLRECTA:
    case TTM_UPDATETIPTEXTA: {
        TipState s = tipOf(hwnd);
        int index = info ? findTool(s, info->hwnd, info->uId) : -1;
        if (index < 0)
            return 0;
        Tool& tool = s.tools[static_cast<std::size_t>(index)];
        if (msg == TTM_SETTOOLINFOA)
            tool = toolFrom(*info);
        else if (msg == TTM_NEWTOOLRECTA)
            tool.rect = info->rect;
        else
            tool.text = toolFrom(*info).text;
        setTip(hwnd, s);
        if (s.shown == index)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case TTM_GETTOOLINFOA:
    case TTM_GETTEXTA: {
        TipState s = tipOf(hwnd);
        int index = info ? findTool(s, info->hwnd, info->uId) : -1;
        if (index < 0)
            return FALSE;
        describe(s.tools[static_cast<std::size_t>(index)], *info);
        return TRUE;
    }
    case TTM_GETCURRENTTOOLA: {
        TipState s = tipOf(hwnd);
        if (s.shown < 0)
            return FALSE;
        if (info)
            describe(s.tools[static_cast<std::size_t>(s.shown)], *info);
        return TRUE;
    }
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(tipOf(hwnd).tools.size());
    case TTM_RELAYEVENT:
        relay(hwnd, reinterpret_cast<const MSG*>(lParam));
        return 0;
    case TTM_ACTIVATE: {
        TipState s = tipOf(hwnd);
        s.active = wParam != 0;
        setTip(hwnd, s);
        if (!s.active) {
            hide(hwnd);
            KillTimer(hwnd, showTimer);
        }
        return 0;
    }
    case TTM_POP:
        hide(hwnd);
        return 0;
    case TTM_SETDELAYTIME: {
        TipState s = tipOf(hwnd);
        int time = static_cast<short>(LOWORD(lParam));
        auto value = [time](UINT standard) {
            return time < 0 ? standard : static_cast<UINT>(time);
        };
        switch (wParam) {
        case TTDT_RESHOW:
            s.reshow = value(100);
            break;
        case TTDT_AUTOPOP:
            s.autopop = value(5000);
            break;
        case TTDT_INITIAL:
            s.initial = value(500);
            break;
        default: // all three from the initial delay
            s.initial = value(500);
            s.reshow = s.initial / 5;
            s.autopop = s.initial * 10;
            break;
        }
        setTip(hwnd, s);
        return 0;
    }
    case TTM_GETDELAYTIME: {
        TipState s = tipOf(hwnd);
        switch (wParam) {
        case TTDT_RESHOW:
            return s.reshow;
        case TTDT_AUTOPOP:
            return s.autopop;
        default:
            return s.initial;
        }
    }
    case WM_TIMER:
        timerFired(hwnd, wParam);
        return 0;
    case WM_SETFONT: {
        TipState s = tipOf(hwnd);
        s.font = reinterpret_cast<HFONT>(wParam);
        setTip(hwnd, s);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(tipOf(hwnd).font);
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEMOVE:
        hide(hwnd); // a tip the mouse reaches goes
        return 0;
    case WM_PAINT:
        paintTip(hwnd);
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

WNDPROC toolTipProc() {
    return &ToolTipProc;
}

} // namespace sim::detail
