// The application object.
#pragma once

#include "toolkit/Classes.h"

#include <exception>
#include <functional>
#include <string>

namespace tk {

// One per program instance: the hidden top-level window of class
// "TApplication", captioned with the title, on whose behalf the program uses
// the clipboard and by which another instance recognises this one.
class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Creates the application window.
    void Initialize();
    HWND Handle() const { return handle_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // The message loop. ProcessMessages handles what is queued now and
    // returns; HandleMessage handles one message, waiting for one when the
    // queue is empty; Run handles messages until the program is told to end.
    void ProcessMessages();
    void HandleMessage();
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Where exceptions that escape an event handler end: OnException when
    // set, otherwise the error box under the application's title.
    std::function<void(const std::exception&)> OnException;
    void HandleException(const std::exception& error);
    void ShowException(const std::exception& error);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(MSG& msg);

    HWND handle_ = nullptr;
    std::string title_;
    bool terminated_ = false;
};

// The application that a component belongs to, found through its owners.
TApplication& ApplicationOf(const TComponent* component);

} // namespace tk
