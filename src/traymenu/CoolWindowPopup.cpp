#include "traymenu/CoolWindowPopup.h"
#include "traymenu/CoolItem.h"
#include "traymenu/HookList.h"
#include "toolkit/Menus.h"

#include <cctype>

namespace {

// The character after the caption's "&" ("&&" is a plain "&"), 0 when none.
char AcceleratorOf(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i)
        if (caption[i] == '&') {
            if (caption[i + 1] != '&')
                return caption[i + 1];
            ++i;
        }
    return 0;
}

bool IsLetterOrDigitKey(WORD key) {
    return (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
}

} // namespace

TCoolWindowPopup::TCoolWindowPopup(tk::TComponent* owner) : TCoolWindow(owner) {
    SetVisible(false);
    submenuTimer_ = new tk::TTimer(this);
    submenuTimer_->SetEnabled(false);
    submenuTimer_->SetInterval(400);
    submenuTimer_->SetOnTimer([this](tk::TComponent*) { SubmenuTimerTick(); });
}

TCoolWindowPopup::~TCoolWindowPopup() {
    if (THookList* list = HookList(); list && list->ActivePopup == this)
        list->ActivePopup = previousActivePopup_;
    // Popups that opened after this one no longer point at it.
    if (THookList* list = HookList())
        for (TCoolWindow* window : list->Windows())
            if (auto* popup = dynamic_cast<TCoolWindowPopup*>(window);
                popup && popup->previousActivePopup_ == this)
                popup->previousActivePopup_ = previousActivePopup_;
}

void TCoolWindowPopup::AfterConstruction() {
    if (created_)
        return;
    created_ = true;
    try {
        if (OnCreate)
            OnCreate(this);
    } catch (const std::exception& error) {
        tk::ReportException(this, error);
    }
}

void TCoolWindowPopup::BeforeDestruction() {
    try {
        if (OnDestroy)
            OnDestroy(this);
    } catch (const std::exception& error) {
        tk::ReportException(this, error);
    }
}

void TCoolWindowPopup::CreateParams(tk::TCreateParams& params) {
    TCoolWindow::CreateParams(params);
    params.WinClassName = WindowClassName();
    params.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    if (BorderStyle() == tk::TBorderStyle::bsSingle)
        params.ExStyle |= WS_EX_DLGMODALFRAME;
    params.WndParent = nullptr;
}

void TCoolWindowPopup::CreateWindowHandle() {
    TCoolWindow::CreateWindowHandle();
    // A top-level window of its own, owned by nobody: not hidden with, nor
    // disabled by, any form of the program.
    if (Parent())
        SetParent(nullptr);
    ::SetParent(Handle(), GetDesktopWindow());
    ApplyLayered();
}

void TCoolWindowPopup::SetTransparent2k(bool transparent) {
    if (transparent2k_ == transparent)
        return;
    transparent2k_ = transparent;
    if (HandleAllocated())
        ApplyLayered();
}

void TCoolWindowPopup::ApplyLayered() {
    LONG ex = GetWindowLongA(Handle(), GWL_EXSTYLE);
    if (!transparent2k_) {
        SetWindowLongA(Handle(), GWL_EXSTYLE, ex & ~static_cast<LONG>(WS_EX_LAYERED));
        return;
    }
    // Layered windows came late to user32: the call is looked up when needed.
    using SetLayered = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    tk::TLibrary user32(LoadLibraryA("user32.dll"));
    auto set = user32 ? reinterpret_cast<SetLayered>(reinterpret_cast<void*>(
                            GetProcAddress(user32.Get(), "SetLayeredWindowAttributes")))
                      : nullptr;
    if (!set)
        return;
    SetWindowLongA(Handle(), GWL_EXSTYLE, ex | static_cast<LONG>(WS_EX_LAYERED));
    set(Handle(), 0, static_cast<BYTE>(std::clamp(Transparency2kIntense, 0, 255)),
        2 /* LWA_ALPHA */);
}

tk::TCustomForm* TCoolWindowPopup::ParentForm() const {
    if (!parentForm_)
        return nullptr;
    // A form that went is no parent form any more.
    tk::TApplication* application = tk::FindApplication(this);
    if (application) {
        const auto& components = application->Components();
        if (std::find(components.begin(), components.end(), parentForm_) == components.end())
            const_cast<TCoolWindowPopup*>(this)->parentForm_ = nullptr;
    }
    return parentForm_;
}

void TCoolWindowPopup::SetParentForm(tk::TCustomForm* form) {
    parentForm_ = form;
    parentFormName_ = form ? form->Name : std::string();
}

void TCoolWindowPopup::SetParentFormName(const std::string& name) {
    parentFormName_ = name;
    parentForm_ = nullptr;
    if (tk::TApplication* application = tk::FindApplication(this))
        for (tk::TComponent* c : application->Components())
            if (auto* form = dynamic_cast<tk::TCustomForm*>(c); form && tk::SameText(c->Name, name))
                parentForm_ = form;
}

TCoolItem* TCoolWindowPopup::SelectedItem() const {
    for (TCoolItem* item : Items())
        if (item->Selected())
            return item;
    return nullptr;
}

void TCoolWindowPopup::DeselectAll() {
    for (TCoolItem* item : Items())
        item->Perform(CM_DESELECTITEM);
}

void TCoolWindowPopup::ShowHideHidden() {
    if (OnShowHideBegin)
        OnShowHideBegin(this);
    bool showHidden = HookList() && HookList()->ShowHidden;
    for (TCoolItem* item : Items())
        if (item->Hidden())
            item->SetVisible(showHidden);
    if (OnShowHideEnd)
        OnShowHideEnd(this);
}

POINT TCoolWindowPopup::Clamped(int x, int y) const {
    // The whole virtual desktop, taken from (0, 0).
    int desktopWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int desktopHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (x + Width() > desktopWidth)
        x = desktopWidth - Width();
    if (x < 0)
        x = 0;
    if (y + Height() > desktopHeight)
        y = desktopHeight - Height();
    if (y < 0)
        y = 0;
    return POINT{x, y};
}

void TCoolWindowPopup::PopupAt(int x, int y) {
    constexpr UINT showFlags = SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (shown_ && HandleAllocated() && IsWindowVisible(Handle())) {
        // Already open (a second right click): it only moves. Opening it
        // again would make it its own predecessor in the chain.
        POINT at = Clamped(x, y);
        SetWindowPos(Handle(), HWND_TOPMOST, at.x, at.y, 0, 0, showFlags);
        return;
    }
    if (OnShow)
        OnShow(this);
    ShowHideHidden();
    POINT at = Clamped(x, y);
    DeselectAll();
    for (TCoolItem* item : Items())
        if (item->Action())
            item->UpdateAction();
    if (CoolItem) {
        // A submenu opened from the keyboard starts with its first item selected.
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT itemRect = CoolItem->ScreenRect();
        RECT ownRect{at.x, at.y, at.x + Width(), at.y + Height()};
        if (!PtInRect(&itemRect, cursor) && !PtInRect(&ownRect, cursor))
            for (TCoolItem* item : Items())
                if (item->Visible() && item->Top() >= 0) {
                    item->Perform(CM_SELECTITEM, 0);
                    break;
                }
    }
    HWND handle = Handle();
    SetWindowPos(handle, HWND_TOPMOST, at.x, at.y, 0, 0, showFlags);
    for (tk::TControl* c : Controls())
        if (auto* windowed = dynamic_cast<tk::TWinControl*>(c);
            windowed && windowed->Visible() && windowed->HandleAllocated())
            SetWindowPos(windowed->Handle(), HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    shown_ = IsWindowVisible(handle) != FALSE;
    if (THookList* list = HookList()) {
        previousActivePopup_ = list->ActivePopup;
        list->ActivePopup = this;
    }
}

void TCoolWindowPopup::ClosePopup() {
    if (OnHide)
        OnHide(this); // still visible
    THookList* list = HookList();
    if (!CoolItem && list)
        list->ShowHidden = false;
    if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
        shown_ = IsWindowVisible(Handle()) != FALSE;
    } else {
        shown_ = false;
    }
    submenuTimer_->SetEnabled(false);
    if (list && list->ActivePopup == this) {
        list->ActivePopup = previousActivePopup_;
        previousActivePopup_ = nullptr;
    }
}

void TCoolWindowPopup::CloseAll() {
    if (shown_)
        ClosePopup();
}

void TCoolWindowPopup::ReorderItems() {
    CollectMaxima();
    const TItemDimensions& m = maxima_;
    int width = std::max(m.TextWidth + m.ShortCutWidth + m.ImageWidth, m.MinWidth);
    if (m.TextWidth != 0)
        width += 2 * m.TextSpacing;
    if (m.ShortCutWidth != 0)
        width += m.ShortCutSpacing;
    if (m.ImageWidth != 0)
        width += 2 * m.ImageSpacing;
    int top = 0;
    for (TCoolItem* item : Items()) {
        if (!item->Visible())
            continue;
        if (item->AutoAdjust()) {
            int height = item->Measure().ItemHeight;
            if (height == 0)
                height = item->Height();
            item->SetBounds(item->Left(), top, width, height);
            top += height;
        } else {
            top += std::abs(item->Top() + item->Height() - top);
        }
    }
    if (AutoSize())
        AdjustSize();
}

void TCoolWindowPopup::WndProc(tk::TMessage& message) {
    switch (message.Msg) {
    case WM_MOUSEACTIVATE:
        message.Result = MA_NOACTIVATE; // a click never activates the popup
        return;
    case WM_KEYDOWN: {
        WORD key = static_cast<WORD>(message.WParam);
        KeyDown(key, tk::KeyboardShiftState());
        message.Result = 0;
        return;
    }
    default:
        break;
    }
    TCoolWindow::WndProc(message);
}

void TCoolWindowPopup::KeyDown(WORD& key, tk::TShiftState shift) {
    if (OnKeyDown) {
        OnKeyDown(this, key, shift);
        if (key == 0)
            return;
    }
    TCoolItem* selected = SelectedItem();
    if (selected) {
        selected->KeyDown(key, shift);
        if (key == 0)
            return;
    }
    switch (key) {
    case VK_RETURN:
        // Nothing selected: nothing to run.
        if (selected && selected->Enabled())
            selected->Click();
        return;
    case VK_ESCAPE:
        ClosePopup();
        return;
    case VK_DOWN:
        MoveSelection(key, true);
        return;
    case VK_UP:
        MoveSelection(key, false);
        return;
    case VK_RIGHT:
        if (selected && selected->SubMenu())
            selected->Click();
        return;
    case VK_LEFT:
        if (CoolItem)
            ClosePopup();
        return;
    case VK_F1:
        if (selected && selected->HelpContext != 0) {
            std::string helpFile = tk::ChangeFileExt(tk::ModuleFileName(), ".hlp");
            WinHelpA(Handle(), helpFile.c_str(), HELP_CONTEXT,
                     static_cast<ULONG_PTR>(selected->HelpContext));
        }
        return;
    default:
        break;
    }
    // Accelerators are letters and digits only: other keys (F9, the number
    // pad) have codes that read as letters.
    if (IsLetterOrDigitKey(key))
        ClickAccelerators(key);
}

void TCoolWindowPopup::MoveSelection(WORD& key, bool forward) {
    std::vector<TCoolItem*> items = Items();
    if (items.empty())
        return;
    // Items that cannot keep the selection pass the key on; after a whole
    // round nothing can, and the moving stops.
    if (navigationDepth_ > static_cast<int>(items.size()))
        return;
    ++navigationDepth_;
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } depth{navigationDepth_};
    TCoolItem* selected = SelectedItem();
    auto n = static_cast<std::ptrdiff_t>(items.size());
    std::ptrdiff_t index = forward ? 0 : n - 1;
    if (selected) {
        auto at = std::find(items.begin(), items.end(), selected) - items.begin();
        index = forward ? (at + 1) % n : (at - 1 + n) % n;
    }
    TCoolItem* next = items[static_cast<std::size_t>(index)];
    if (selected && selected != next)
        selected->Perform(CM_DESELECTITEM);
    next->Perform(CM_SELECTITEM, key);
}

void TCoolWindowPopup::ClickAccelerators(WORD key) {
    if (TCoolItem* selected = SelectedItem())
        selected->Perform(CM_DESELECTITEM);
    for (TCoolItem* item : Items()) {
        if (item->Parent() != this || !item->Visible())
            continue;
        char accelerator = AcceleratorOf(item->Caption());
        if (accelerator &&
            std::toupper(static_cast<unsigned char>(accelerator)) == static_cast<int>(key))
            item->Click();
    }
}

bool TCoolWindowPopup::ClickShortCut(WORD key, tk::TShiftState shift) {
    tk::TShortCut shortCut = tk::ShortCut(key, shift);
    if (shortCut == 0)
        return false;
    for (TCoolItem* item : Items())
        if (item->ShortCut() == shortCut && item->Enabled() && item->Visible()) {
            item->Click();
            return true;
        }
    return false;
}

void TCoolWindowPopup::ProcessHookedMessage(MSG& msg, bool& handled) {
    if (shown_ && HandleAllocated() && IsWindowVisible(Handle()) && IsCloseMessage(msg)) {
        // At once: letting queued messages run first would hand a queued
        // button release to its window before this press. The message itself
        // goes on to its window.
        ClosePopup();
        return;
    }
    if (msg.message == WM_KEYDOWN) {
        tk::TCustomForm* form = ParentForm();
        bool formActive = !form || (form->HandleAllocated() && GetActiveWindow() == form->Handle());
        if (formActive && !IsOwnWindow(msg)) {
            WORD key = static_cast<WORD>(msg.wParam);
            tk::TShiftState shift = tk::KeyboardShiftState() & (tk::ssShift | tk::ssCtrl);
            if (ClickShortCut(key, shift)) {
                handled = true;
                return;
            }
            if (shown_ && HandleAllocated() && IsWindowVisible(Handle())) {
                SendMessageA(Handle(), WM_KEYDOWN, msg.wParam, msg.lParam);
                handled = true;
            }
            if (OnKeyHandled)
                OnKeyHandled(this, key, tk::KeyboardShiftState(), handled);
        }
    }
    TCoolWindow::ProcessHookedMessage(msg, handled);
}

void TCoolWindowPopup::SubmenuTimerTick() {
    if (!shown_) {
        submenuTimer_->SetEnabled(false);
        return;
    }
    if (!CoolItem)
        return;
    if (cursorInside_ || CoolItem->Selected()) {
        CoolItem->Perform(CM_SELECTITEM, 0);
        return;
    }
    // Neither the item nor the submenu has the mouse: the submenu and what
    // it opened close.
    submenuTimer_->SetEnabled(false);
    for (TCoolItem* item : Items())
        if (TCoolWindowPopup* sub = item->SubMenu(); sub && sub != this && sub->Shown())
            sub->ClosePopup();
    ClosePopup();
}
