#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

#include <algorithm>

namespace tk {

// -------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    SetVisibleSilently(false);
}

TCustomForm::~TCustomForm() {
    if (menu_)
        menu_->SetWindow(nullptr);
}

void TCustomForm::AfterConstruction() {
    if (created_)
        return;
    created_ = true;
    // The components are set up as the form made them: they take their final
    // settings now, before the form's handler runs.
    for (TComponent* component : std::vector<TComponent*>(Components()))
        component->Loaded();
    try {
        if (OnCreate)
            OnCreate(this);
    } catch (const std::exception& error) {
        ApplicationOf(this).HandleException(error);
    }
}

void TCustomForm::BeforeDestruction() {
    try {
        if (OnDestroy)
            OnDestroy(this);
    } catch (const std::exception& error) {
        ApplicationOf(this).HandleException(error);
    }
}

void TCustomForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = FormClassName();
    params.Style = WS_CLIPCHILDREN;
    params.ExStyle = 0;
    params.WndParent = ApplicationOf(this).Handle();
    switch (formBorderStyle_) {
    case TFormBorderStyle::bsNone:
        params.Style |= WS_POPUP;
        break;
    case TFormBorderStyle::bsSingle:
        params.Style |= WS_CAPTION;
        break;
    case TFormBorderStyle::bsSizeable:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case TFormBorderStyle::bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case TFormBorderStyle::bsToolWindow:
        params.Style |= WS_CAPTION;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (formBorderStyle_ != TFormBorderStyle::bsNone && (BorderIcons & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (formBorderStyle_ != TFormBorderStyle::bsDialog &&
            formBorderStyle_ != TFormBorderStyle::bsToolWindow) {
            if (BorderIcons & biMinimize)
                params.Style |= WS_MINIMIZEBOX;
            if (BorderIcons & biMaximize)
                params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (Position == TPosition::poScreenCenter) {
        params.X = (GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
        params.Y = (GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
    }
}

void TCustomForm::CreateWindowHandle() {
    if (menu_)
        menu_->SetWindow(Handle());
}

void TCustomForm::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    TCreateParams params;
    CreateParams(params);
    AdjustWindowRectEx(&r, params.Style, menu_ != nullptr, params.ExStyle);
    SetBounds(left_, top_, r.right - r.left, r.bottom - r.top);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu_)
        menu_->SetWindow(nullptr);
    menu_ = menu;
    if (menu_ && HandleAllocated())
        menu_->SetWindow(Handle());
}

void TCustomForm::SetVisible(bool visible) {
    bool wasVisible = Visible();
    SetVisibleSilently(visible);
    HWND hwnd = Handle();
    if (menu_ && !GetMenu(hwnd))
        menu_->SetWindow(hwnd);
    if (visible) {
        if (!wasVisible && OnShow)
            OnShow(this);
        ShowWindow(hwnd, WindowState == TWindowState::wsMaximized   ? SW_SHOWMAXIMIZED
                         : WindowState == TWindowState::wsMinimized ? SW_SHOWMINIMIZED
                                                                    : SW_SHOWNORMAL);
        SetForegroundWindow(hwnd);
    } else {
        if (wasVisible && OnHide)
            OnHide(this);
        ShowWindow(hwnd, SW_HIDE);
    }
    ApplicationOf(this).UpdateTaskbarButton();
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TApplication& application = ApplicationOf(this);
    TCloseAction action =
        application.MainForm() == this ? TCloseAction::caFree : TCloseAction::caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == TCloseAction::caNone)
        return;
    if (application.MainForm() == this)
        application.Terminate();
    else if (action == TCloseAction::caMinimize)
        ShowWindow(Handle(), SW_MINIMIZE);
    else
        Hide();
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || modal_)
        throw Exception("Cannot make a visible window modal");
    TApplication& application = ApplicationOf(this);
    // Every other window of the program is disabled while the form is up.
    std::vector<HWND> disabled;
    for (TComponent* c : application.Components())
        if (auto* form = dynamic_cast<TCustomForm*>(c);
            form && form != this && form->HandleAllocated() && IsWindowEnabled(form->Handle())) {
            EnableWindow(form->Handle(), FALSE);
            disabled.push_back(form->Handle());
        }
    modal_ = true;
    modalResult_ = mrNone;
    auto restore = [&] {
        modal_ = false;
        for (HWND hwnd : disabled)
            if (IsWindow(hwnd))
                EnableWindow(hwnd, TRUE);
        if (HandleAllocated() && Visible())
            Hide();
    };
    try {
        Show();
        while (modalResult_ == mrNone) {
            application.HandleMessage();
            if (application.Terminated())
                modalResult_ = mrCancel;
            else if (modalResult_ != mrNone && !CloseQuery())
                modalResult_ = mrNone;
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return modalResult_;
}

bool TCustomForm::IsShortCut(TShortCut shortCut) {
    if (shortCut == 0)
        return false;
    if (menu_ && menu_->IsShortCut(shortCut))
        return true;
    for (TComponent* c : std::vector<TComponent*>(Components()))
        if (auto* list = dynamic_cast<TActionList*>(c); list && list->IsShortCut(shortCut))
            return true;
    return false;
}

void TCustomForm::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_ACTIVATE:
        DefaultHandler(message);
        if (LOWORD(message.WParam) != WA_INACTIVE) {
            if (ActiveControl && ActiveControl->CanFocus())
                ActiveControl->SetFocus();
            if (OnActivate)
                OnActivate(this);
        } else if (OnDeactivate) {
            OnDeactivate(this);
        }
        return;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && ApplicationOf(this).MainForm() == this) {
            ApplicationOf(this).Minimize();
            return;
        }
        break;
    case WM_COMMAND:
        if (message.LParam == 0 && HIWORD(message.WParam) == 0 && menu_ &&
            menu_->DispatchCommand(LOWORD(message.WParam)))
            return;
        break;
    case WM_MENUSELECT: {
        UINT flags = HIWORD(message.WParam);
        TMenuItem* item = nullptr;
        if (menu_ && !(flags & MF_POPUP) && !(flags == 0xFFFF && message.LParam == 0))
            item = menu_->FindItem(LOWORD(message.WParam));
        ApplicationOf(this).SetHint(item ? GetLongHint(item->Hint()) : std::string());
        break;
    }
    case WM_QUERYENDSESSION:
        message.Result = CloseQuery() ? TRUE : FALSE;
        return;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

// ---------------------------------------------------------------- TScrollBox

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
    SetBorderStyle(TBorderStyle::bsSingle);
}

void TScrollBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TScrollBox";
}

void TScrollBox::AlignControls(RECT& rect) {
    TWinControl::AlignControls(rect);
    UpdateScrollRange();
}

void TScrollBox::UpdateScrollRange() {
    if (!HandleAllocated())
        return;
    int right = 0;
    int bottom = 0;
    for (TControl* c : Controls())
        if (c->Visible() && c->Align() == TAlign::alNone) {
            right = std::max(right, c->Left() + c->Width());
            bottom = std::max(bottom, c->Top() + c->Height());
        }
    RECT client{};
    GetClientRect(Handle(), &client);
    ShowScrollBar(Handle(), SB_HORZ, right > client.right);
    ShowScrollBar(Handle(), SB_VERT, bottom > client.bottom);
    SetScrollRange(Handle(), SB_HORZ, 0, std::max<int>(right - client.right, 0), TRUE);
    SetScrollRange(Handle(), SB_VERT, 0, std::max<int>(bottom - client.bottom, 0), TRUE);
}

void TScrollBox::WndProc(TMessage& message) {
    if (message.Msg == WM_HSCROLL || message.Msg == WM_VSCROLL) {
        int bar = message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        int position = GetScrollPos(Handle(), bar);
        int low = 0;
        int high = 0;
        GetScrollRange(Handle(), bar, &low, &high);
        int next = position;
        switch (LOWORD(message.WParam)) {
        case SB_LINEUP:
            next -= 8;
            break;
        case SB_LINEDOWN:
            next += 8;
            break;
        case SB_PAGEUP:
            next -= 64;
            break;
        case SB_PAGEDOWN:
            next += 64;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            next = static_cast<short>(HIWORD(message.WParam));
            break;
        default:
            break;
        }
        next = std::clamp(next, low, high);
        if (next != position) {
            SetScrollPos(Handle(), bar, next, TRUE);
            for (TControl* c : Controls())
                if (c->Align() == TAlign::alNone) {
                    if (bar == SB_HORZ)
                        c->SetLeft(c->Left() - (next - position));
                    else
                        c->SetTop(c->Top() - (next - position));
                }
            Invalidate();
        }
        return;
    }
    TWinControl::WndProc(message);
}

} // namespace tk
