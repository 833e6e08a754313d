// The application object.
#pragma once

#include "toolkit/Classes.h"

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

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    std::string title_;
};

// The application that a component belongs to, found through its owners.
TApplication& ApplicationOf(const TComponent* component);

} // namespace tk
