// The platform's standard controls as state: edit (text, selection,
// read-only, paste), button (check state, clicks), static, status bar.
#include "platform/sim/state.h"
#include "platform/sim/include/user32_controls.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace sim::detail;

namespace {

struct EditState {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t limit = 0x7FFFFFFE;
    int firstLine = 0; // the first line shown by a multi-line edit
    HFONT font = nullptr;
};

struct ButtonState {
    int check = BST_UNCHECKED;
    bool pushed = false;
};

// A status bar: the texts of its parts, and the one text of its simple mode.
struct StatusState {
    std::vector<std::string> parts = {""};
    std::vector<int> edges = {-1};
    bool simple = false;
    std::string simpleText;
};

std::map<HWND, EditState> edits;
std::map<HWND, ButtonState> buttons;
std::map<HWND, StatusState> statusBars;

std::string textOf(HWND hwnd) {
    int length = static_cast<int>(DefWindowProcA(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    DefWindowProcA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

DWORD styleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

void notifyParent(HWND hwnd, WORD code) {
    HWND parent = GetParent(hwnd);
    if (parent && (styleOf(hwnd) & WS_CHILD))
        SendMessageA(parent, WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetWindowLongPtrA(hwnd, GWLP_ID)), code),
                     reinterpret_cast<LPARAM>(hwnd));
}

// The line (counted from 0) that the character at `at` lies on. Lines are
// the text's own: the model does not wrap them at the window's width.
int lineOf(const std::string& text, std::size_t at) {
    auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(at, text.size()));
    return static_cast<int>(std::count(text.begin(), end, '\n'));
}

// How many whole lines the window shows (at least one).
int visibleLines(HWND hwnd, HFONT font) {
    RECT client{};
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return std::max<int>(1, client.bottom / std::max<LONG>(1, metrics.tmHeight));
}

// Scrolls a multi-line edit so that the line of the caret (the end of the
// selection) shows, as the platform's edit does after typing and pasting.
void scrollCaretIntoView(HWND hwnd) {
    if (!(styleOf(hwnd) & ES_MULTILINE))
        return;
    EditState& state = edits[hwnd];
    int caret = lineOf(textOf(hwnd), state.end);
    int shown = visibleLines(hwnd, state.font);
    if (caret < state.firstLine)
        state.firstLine = caret;
    else if (caret >= state.firstLine + shown)
        state.firstLine = caret - shown + 1;
}

void replaceSelection(HWND hwnd, const std::string& with) {
    auto& state = edits[hwnd];
    std::string text = textOf(hwnd);
    std::size_t from = std::min({state.start, state.end, text.size()});
    std::size_t to = std::min(std::max(state.start, state.end), text.size());
    std::string inserted =
        with.substr(0, state.limit - std::min(state.limit, text.size() - (to - from)));
    text.replace(from, to - from, inserted);
    DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    state.start = state.end = from + inserted.size();
    scrollCaretIntoView(hwnd);
    notifyParent(hwnd, EN_CHANGE);
}

// The clipboard's text as an edit control pastes it.
std::string clipboardText(HWND hwnd) {
    if (!OpenClipboard(hwnd))
        return {};
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT))
        if (auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCDESTROY:
        edits.erase(hwnd);
        break;
    case WM_SETTEXT: {
        // New text shows from its beginning, the caret before it.
        LRESULT result = DefWindowProcA(hwnd, msg, wParam, lParam);
        EditState& state = edits[hwnd];
        state.start = state.end = 0;
        state.firstLine = 0;
        notifyParent(hwnd, EN_CHANGE);
        return result;
    }
    case WM_SETFONT:
        edits[hwnd].font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(edits[hwnd].font);
    case EM_SCROLLCARET:
        scrollCaretIntoView(hwnd);
        return TRUE;
    case EM_GETFIRSTVISIBLELINE:
        return (styleOf(hwnd) & ES_MULTILINE) ? edits[hwnd].firstLine : 0;
    case WM_VSCROLL:
        if (LOWORD(wParam) == SB_TOP)
            edits[hwnd].firstLine = 0;
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_WANTARROWS |
               ((styleOf(hwnd) & ES_MULTILINE) ? DLGC_WANTALLKEYS : 0);
    case WM_CHAR: {
        if (styleOf(hwnd) & ES_READONLY)
            return 0;
        char c = static_cast<char>(wParam);
        auto& state = edits[hwnd];
        if (c == '\b') {
            if (state.start == state.end && state.start > 0)
                --state.start;
            replaceSelection(hwnd, "");
        } else if (c == '\r') {
            if (styleOf(hwnd) & ES_MULTILINE)
                replaceSelection(hwnd, "\r\n");
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            replaceSelection(hwnd, std::string(1, c));
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_DELETE && !(styleOf(hwnd) & ES_READONLY)) {
            auto& state = edits[hwnd];
            if (state.start == state.end)
                ++state.end;
            replaceSelection(hwnd, "");
        }
        return 0;
    case EM_GETSEL: { // in order, whichever way it was set
        auto& state = edits[hwnd];
        auto from = std::min(state.start, state.end);
        auto to = std::max(state.start, state.end);
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(from);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(to);
        return MAKELONG(from, to);
    }
    case EM_SETSEL: {
        auto size = textOf(hwnd).size();
        auto& state = edits[hwnd];
        if (static_cast<int>(wParam) == -1) { // no selection; the caret stays
            state.start = state.end;
            return 0;
        }
        auto clip = [size](LONG_PTR at) {
            return at < 0 ? size : std::min(static_cast<std::size_t>(at), size);
        };
        state.start = clip(static_cast<LONG_PTR>(static_cast<int>(wParam)));
        state.end = clip(static_cast<int>(lParam));
        scrollCaretIntoView(hwnd); // the platform's edit shows the new caret
        return 0;
    }
    case EM_REPLACESEL:
        replaceSelection(hwnd, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return 0;
    case EM_SETREADONLY: {
        DWORD style = styleOf(hwnd);
        SetWindowLongA(hwnd, GWL_STYLE,
                       static_cast<LONG>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
        return TRUE;
    }
    case EM_LIMITTEXT:
        edits[hwnd].limit = wParam ? wParam : 0x7FFFFFFE;
        return 0;
    case EM_GETLINECOUNT: {
        std::string text = textOf(hwnd);
        return 1 + std::count(text.begin(), text.end(), '\n');
    }
    case WM_PASTE:
        if (!(styleOf(hwnd) & ES_READONLY))
            replaceSelection(hwnd, clipboardText(hwnd));
        return 0;
    case WM_CLEAR:
    case WM_CUT:
        if (!(styleOf(hwnd) & ES_READONLY))
            replaceSelection(hwnd, "");
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void clickButton(HWND hwnd) {
    DWORD type = styleOf(hwnd) & BS_TYPEMASK;
    auto& state = buttons[hwnd];
    if (type == BS_AUTOCHECKBOX)
        state.check = state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    if (type == BS_AUTORADIOBUTTON) {
        // The other automatic radio buttons of the parent go out.
        if (HWND parent = GetParent(hwnd))
            for (HWND sibling = GetWindow(parent, GW_CHILD); sibling;
                 sibling = GetWindow(sibling, GW_HWNDNEXT))
                if (sibling != hwnd && buttons.count(sibling) &&
                    (styleOf(sibling) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                    buttons[sibling].check = BST_UNCHECKED;
        state.check = BST_CHECKED;
    }
    notifyParent(hwnd, BN_CLICKED);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        buttons[hwnd] = ButtonState{};
        break;
    case WM_NCDESTROY:
        buttons.erase(hwnd);
        break;
    case BM_GETCHECK:
        return buttons[hwnd].check;
    case BM_SETCHECK:
        buttons[hwnd].check = static_cast<int>(wParam);
        return 0;
    case BM_GETSTATE:
        return buttons[hwnd].check | (buttons[hwnd].pushed ? 0x0004 : 0);
    case BM_SETSTATE:
        buttons[hwnd].pushed = wParam != 0;
        return 0;
    case BM_SETSTYLE: {
        DWORD style = (styleOf(hwnd) & ~static_cast<DWORD>(BS_TYPEMASK)) | (wParam & BS_TYPEMASK);
        SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style));
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(hwnd))
            clickButton(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
        buttons[hwnd].pushed = true;
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP:
        if (buttons[hwnd].pushed) {
            buttons[hwnd].pushed = false;
            ReleaseCapture();
            clickButton(hwnd);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE)
            clickButton(hwnd);
        return 0;
    case WM_GETDLGCODE: {
        DWORD type = styleOf(hwnd) & BS_TYPEMASK;
        if (type == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCHITTEST && !(styleOf(hwnd) & SS_NOTIFY))
        return HTTRANSPARENT;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The text a status bar message names: the simple one in simple mode,
// else that of a part; null for a part that does not exist.
std::string* statusText(StatusState& bar, WPARAM which) {
    auto part = static_cast<std::size_t>(LOBYTE(LOWORD(which)));
    if (bar.simple)
        return &bar.simpleText;
    return part < bar.parts.size() ? &bar.parts[part] : nullptr;
}

LRESULT CALLBACK StatusBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCDESTROY:
        statusBars.erase(hwnd);
        break;
    case SB_SIMPLE:
        statusBars[hwnd].simple = wParam != 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case SB_ISSIMPLE:
        return statusBars[hwnd].simple;
    case SB_SETPARTS: {
        auto count = static_cast<std::size_t>(wParam);
        auto* edges = reinterpret_cast<const int*>(lParam);
        if (count == 0 || count > 256 || !edges)
            return FALSE;
        auto& bar = statusBars[hwnd];
        bar.edges.assign(edges, edges + count);
        bar.parts.resize(count);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case SB_SETTEXTA: {
        auto& bar = statusBars[hwnd];
        // The simple text is set by its own number only while the bar is simple.
        bool simpleId = LOBYTE(LOWORD(wParam)) == SB_SIMPLEID;
        if (simpleId != bar.simple)
            return FALSE;
        std::string* text = statusText(bar, wParam);
        if (!text)
            return FALSE;
        *text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case SB_GETTEXTLENGTHA: {
        std::string* text = statusText(statusBars[hwnd], wParam);
        return text ? static_cast<LRESULT>(text->size()) : 0;
    }
    case SB_GETTEXTA: {
        std::string* text = statusText(statusBars[hwnd], wParam);
        if (!text)
            return 0;
        if (lParam)
            std::memcpy(reinterpret_cast<LPSTR>(lParam), text->c_str(), text->size() + 1);
        return static_cast<LRESULT>(text->size());
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

namespace sim::detail {

WNDPROC hotKeyControlProc(); // comctl32_controls.cpp
WNDPROC tabControlProc();    // comctl32_controls.cpp
WNDPROC dialogClassProc();   // user32_dialogs.cpp
WNDPROC toolTipProc();       // comctl32_tooltips.cpp

std::vector<std::pair<std::string, WNDPROC>> systemClassProcs() {
    return {
        {"EDIT", &EditProc},
        {"BUTTON", &ButtonProc},
        {"STATIC", &StaticProc},
        {STATUSCLASSNAMEA, &StatusBarProc},
        {HOTKEY_CLASSA, hotKeyControlProc()},
        {WC_TABCONTROLA, tabControlProc()},
        {"#32770", dialogClassProc()},
        {TOOLTIPS_CLASSA, toolTipProc()},
    };
}

} // namespace sim::detail
