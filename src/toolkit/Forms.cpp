#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

#include <algorithm>

namespace tk {

namespace {

constexpr const char* applicationClass = "TApplication";

// Every control of a form and of its windowed children.
template <typename F> void forEachControl(TWinControl& parent, F&& f) {
    for (TControl* c : std::vector<TControl*>(parent.Controls())) {
        f(*c);
        if (auto* w = dynamic_cast<TWinControl*>(c))
            forEachControl(*w, f);
    }
}

} // namespace

// ------------------------------------------------------------- TApplication

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
    DestroyComponents();
    if (handle_)
        DestroyWindow(handle_);
}

LRESULT CALLBACK TApplication::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* application = reinterpret_cast<TApplication*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (application) {
        switch (msg) {
        case WM_CLOSE:
            // The task-bar button's close ends the program through the main form.
            if (application->mainForm_) {
                application->mainForm_->Close();
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_RESTORE) {
                application->Restore();
                return 0;
            }
            break;
        case WM_QUERYENDSESSION:
            return TRUE;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TApplication::Initialize() {
    if (handle_)
        return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls{};
    if (!GetClassInfoA(instance, applicationClass, &cls)) {
        cls.lpfnWndProc = &TApplication::WndProc;
        cls.hInstance = instance;
        cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        cls.lpszClassName = applicationClass;
        RegisterClassA(&cls);
    }
    // A zero-sized window in the middle of the screen: only its task-bar
    // button is ever seen.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExA(0, applicationClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!handle_)
        throw Exception(Format("Cannot create the application window (error %lu)",
                               static_cast<unsigned long>(GetLastError())));
    SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_)
        SetWindowTextA(handle_, title_.c_str());
}

void TApplication::SetMainForm(TCustomForm* form) {
    mainForm_ = form;
    form->HandleNeeded();
}

bool TApplication::IsShortCutMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    UINT key = static_cast<UINT>(msg.wParam) & 0xFF;
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU)
        return false;
    TShortCut shortCut = tk::ShortCut(static_cast<WORD>(key), KeyboardShiftState());
    TCustomForm* form = FormOf(msg.hwnd);
    if (form && form->IsShortCut(shortCut))
        return true;
    return mainForm_ && mainForm_ != form && mainForm_->HandleAllocated() &&
           IsWindowEnabled(mainForm_->Handle()) && mainForm_->IsShortCut(shortCut);
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    try {
        if (IsShortCutMessage(msg))
            return true;
    } catch (const std::exception& error) {
        HandleException(error);
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg))
        WaitMessage();
}

void TApplication::Run() {
    if (mainForm_ && ShowMainWindowOnRun) {
        if (mainForm_->WindowState == TWindowState::wsMinimized)
            Minimize();
        else
            mainForm_->Show();
    }
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::Minimize() {
    if (handle_)
        ShowWindow(handle_, SW_MINIMIZE);
}

void TApplication::Restore() {
    if (handle_ && IsIconic(handle_)) {
        ShowWindow(handle_, SW_RESTORE);
        if (mainForm_ && mainForm_->Visible())
            SetForegroundWindow(mainForm_->Handle());
    }
}

void TApplication::HandleException(const std::exception& error) {
    if (OnException)
        OnException(error);
    else
        ShowException(error);
}

void TApplication::ShowException(const std::exception& error) {
    std::string message = error.what();
    // A message gets a closing full stop when its last character sorts after ".".
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    MessageBoxA(handle_, message.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::SetHint(const std::string& hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    for (TComponent* c : std::vector<TComponent*>(Components()))
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            forEachControl(*form, [&](TControl& control) { control.ApplicationHintChanged(hint_); });
}

void TApplication::NoteMouseOver(TControl* control) {
    if (control == hintControl_)
        return;
    hintControl_ = control;
    std::string hint;
    for (TControl* c = control; c && hint.empty(); c = c->Parent())
        hint = c->Hint;
    SetHint(GetLongHint(hint));
}

void TApplication::ForgetControl(TControl* control) {
    if (hintControl_ == control)
        hintControl_ = nullptr;
}

void TApplication::UpdateTaskbarButton() {
    if (!handle_)
        return;
    bool anyShown = false;
    for (TComponent* c : Components())
        if (auto* form = dynamic_cast<TCustomForm*>(c);
            form && form->HandleAllocated() && IsWindowVisible(form->Handle()))
            anyShown = true;
    bool buttonShown = IsWindowVisible(handle_);
    if (anyShown && !buttonShown)
        ShowWindow(handle_, SW_SHOWNOACTIVATE);
    else if (!anyShown && buttonShown)
        ShowWindow(handle_, SW_HIDE);
}

TCustomForm* TApplication::FormOf(HWND hwnd) const {
    HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    for (TComponent* c : Components())
        if (auto* form = dynamic_cast<TCustomForm*>(c);
            form && form->HandleAllocated() && const_cast<TCustomForm*>(form)->Handle() == root)
            return form;
    return nullptr;
}

TApplication& ApplicationOf(const TComponent* component) {
    for (auto* c = component; c; c = c->Owner())
        if (auto* application = dynamic_cast<const TApplication*>(c))
            return const_cast<TApplication&>(*application);
    throw Exception("The component belongs to no application");
}

namespace {

struct FontSearch {
    std::string face;
    bool found = false;
};

int CALLBACK FontFound(const LOGFONTA* logFont, const TEXTMETRICA*, DWORD, LPARAM data) {
    auto* search = reinterpret_cast<FontSearch*>(data);
    if (SameText(logFont->lfFaceName, search->face))
        search->found = true;
    return search->found ? 0 : 1;
}

} // namespace

bool ScreenFontInstalled(const std::string& face) {
    FontSearch search{face};
    LOGFONTA font{};
    font.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExA(dc, &font, &FontFound, reinterpret_cast<LPARAM>(&search), 0);
    ReleaseDC(nullptr, dc);
    return search.found;
}

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
        ShowWindow(hwnd, WindowState == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
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
    TCloseAction action = application.MainForm() == this ? TCloseAction::caFree
                                                          : TCloseAction::caHide;
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
