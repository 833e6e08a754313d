#include "toolkit/Forms.h"

namespace tk {

namespace {

constexpr const char* applicationClass = "TApplication";

} // namespace

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
    DestroyComponents();
    if (handle_)
        DestroyWindow(handle_);
}

LRESULT CALLBACK TApplication::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
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
        cls.lpszClassName = applicationClass;
        RegisterClassA(&cls);
    }
    handle_ = CreateWindowExA(0, applicationClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
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

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
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
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

void TApplication::HandleException(const std::exception& error) {
    if (OnException)
        OnException(error);
    else
        ShowException(error);
}

void TApplication::ShowException(const std::exception& error) {
    std::string message = error.what();
    // A message gets a closing full stop unless it ends in one (or in a
    // character that sorts before it).
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    MessageBoxA(handle_, message.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

TApplication& ApplicationOf(const TComponent* component) {
    for (auto* c = component; c; c = c->Owner())
        if (auto* application = dynamic_cast<const TApplication*>(c))
            return const_cast<TApplication&>(*application);
    throw Exception("The component belongs to no application");
}

} // namespace tk
