#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"
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
    toolTip_.Reset();
    if (handle_)
        DestroyWindow(handle_);
}

void TApplication::WindowMessage(HWND window, TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        // The task-bar button's close ends the program through the main form.
        if (mainForm_) {
            try {
                mainForm_->Close();
            } catch (const std::exception& error) {
                ReportException(this, error);
            }
            return;
        }
        break;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_RESTORE) {
            Restore();
            return;
        }
        break;
    case WM_QUERYENDSESSION:
        message.Result = TRUE;
        return;
    case WM_ACTIVATEAPP:
        PostMessageA(window, message.WParam ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
        break;
    default:
        break;
    }
    message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
}

void TApplication::Initialize() {
    if (handle_)
        return;
    WNDCLASSA cls{};
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    RegisterTargetClass(applicationClass, cls);
    // A zero-sized window in the middle of the screen: only its task-bar
    // button is ever seen.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExA(0, applicationClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!handle_)
        throw Exception(Format("Cannot create the application window (error %lu)",
                               static_cast<unsigned long>(GetLastError())));
    AttachTarget(handle_, this);
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
    // A program told to end during its start-up (another instance runs) ends
    // without showing its window.
    if (mainForm_ && ShowMainWindowOnRun && !terminateRequested_) {
        if (mainForm_->WindowState == TWindowState::wsMinimized)
            Minimize();
        else
            mainForm_->Show();
    }
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate() {
    terminateRequested_ = true;
    PostQuitMessage(0);
}

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
    ShowMessageBox(message, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
    // The box belongs to the form in use: the active one, when it is one of
    // ours with a caption (a popup menu window owns no box), else the main
    // form when it shows; the hidden application window only when no form does.
    HWND owner = nullptr;
    if (TCustomForm* active = FormOf(GetActiveWindow());
        active && IsWindowVisible(active->Handle()) &&
        (GetWindowLongA(active->Handle(), GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
        owner = active->Handle();
    else if (mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->Handle()))
        owner = mainForm_->Handle();
    else
        owner = handle_;
    // The platform disables the owner while the box is up and activates it
    // again after; the other forms are ours to disable.
    TDisabledForms others(*this, owner);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::SetHint(const std::string& hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    for (TComponent* c : std::vector<TComponent*>(Components()))
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            forEachControl(*form,
                           [&](TControl& control) { control.ApplicationHintChanged(hint_); });
}

void TApplication::NoteMouseOver(TControl* control) {
    if (control == hintControl_)
        return;
    hintControl_ = control;
    std::string hint;
    for (TControl* c = control; c && hint.empty(); c = c->Parent())
        hint = c->Hint;
    SetHint(GetLongHint(hint));
    UpdateToolTip(control);
}

void TApplication::ForgetControl(TControl* control) {
    if (hintControl_ == control) {
        hintControl_ = nullptr;
        UpdateToolTip(nullptr);
    }
}

void TApplication::UpdateToolTip(TControl* control) {
    // The one tool is the hinted control: a windowed control's whole window,
    // a graphic control's place in its parent's window. Taking the tool away
    // hides a tip that shows.
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uId = 1;
    if (toolTip_ && toolWindow_) {
        tool.hwnd = toolWindow_;
        SendMessageA(toolTip_.Get(), TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        toolWindow_ = nullptr;
    }
    std::string text = control && ShowHint ? GetShortHint(control->Hint) : std::string();
    if (text.empty())
        return;
    auto* windowed = dynamic_cast<TWinControl*>(control);
    TWinControl* host = windowed ? windowed : control->Parent();
    if (!host || !host->HandleAllocated())
        return;
    if (!toolTip_) {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
        // Shown whether or not the program is active; "&" stays as it is.
        toolTip_.Reset(CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_,
                                       nullptr, GetModuleHandleA(nullptr), nullptr));
        if (!toolTip_)
            return;
    }
    tool.hwnd = host->Handle();
    tool.rect = windowed ? windowed->ClientRect() : control->BoundsRect();
    tool.lpszText = text.data();
    if (SendMessageA(toolTip_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)))
        toolWindow_ = tool.hwnd;
}

void TApplication::RelayToolTipMessage(HWND window, const TMessage& message) {
    if (!toolTip_)
        return;
    MSG msg{};
    msg.hwnd = window;
    msg.message = message.Msg;
    msg.wParam = message.WParam;
    msg.lParam = message.LParam;
    GetCursorPos(&msg.pt);
    SendMessageA(toolTip_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
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

// ------------------------------------------------------------ TDisabledForms

TDisabledForms::TDisabledForms(const TApplication& application, HWND except) {
    for (TComponent* c : application.Components())
        if (auto* form = dynamic_cast<TCustomForm*>(c); form && form->HandleAllocated()) {
            HWND hwnd = form->Handle();
            if (hwnd != except && IsWindowEnabled(hwnd)) {
                EnableWindow(hwnd, FALSE);
                disabled_.push_back(hwnd);
            }
        }
}

TDisabledForms::~TDisabledForms() {
    for (HWND hwnd : disabled_)
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
}

TApplication* FindApplication(const TComponent* component) {
    for (auto* c = component; c; c = c->Owner())
        if (auto* application = dynamic_cast<const TApplication*>(c))
            return const_cast<TApplication*>(application);
    return nullptr;
}

TApplication& ApplicationOf(const TComponent* component) {
    if (TApplication* application = FindApplication(component))
        return *application;
    throw Exception("The component belongs to no application");
}

void ReportException(const TComponent* component, const std::exception& error) noexcept {
    try {
        if (TApplication* application = FindApplication(component))
            application->HandleException(error);
    } catch (...) {
    }
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
    TWindowDC screen(nullptr);
    EnumFontFamiliesExA(screen.Get(), &font, &FontFound, reinterpret_cast<LPARAM>(&search), 0);
    return search.found;
}

} // namespace tk
