// The application object: one per program instance.
#pragma once

#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"
#include "toolkit/WndProc.h"

#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace tk {

class TControl;
class TCustomForm;

// What the application window posts to itself when the program gains or
// loses activation, so that whoever watches the message queue hears of it.
constexpr UINT CM_ACTIVATE = 0xB000;
constexpr UINT CM_DEACTIVATE = 0xB001;

// One per program instance: the hidden top-level window of class
// "TApplication", captioned with the title, on whose behalf the program uses
// the clipboard, which owns the task-bar button, and by which another
// instance recognises this one.
class TApplication : public TComponent, public TWindowTarget {
public:
    TApplication();
    ~TApplication() override;

    // Creates the application window.
    void Initialize();
    HWND Handle() const { return handle_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    TIcon& Icon() { return icon_; }

    // Creates a form owned by the application; the first one becomes the
    // main form. The form's OnCreate runs before this returns. Windows that
    // are no forms (a popup menu window) are made the same way and never
    // become the main form.
    template <typename T, typename... Args> T* CreateForm(Args&&... args) {
        auto* form = new T(this, std::forward<Args>(args)...);
        form->AfterConstruction();
        if constexpr (std::is_base_of_v<TCustomForm, T>)
            if (!mainForm_)
                SetMainForm(form);
        return form;
    }
    TCustomForm* MainForm() const { return mainForm_; }
    // When the run loop starts, the main form is shown when this is set.
    bool ShowMainWindowOnRun = true;

    // The message loop. ProcessMessages handles what is queued now and
    // returns; HandleMessage handles one message, waiting for one when the
    // queue is empty; Run shows the main form (unless the program was told
    // to end already) and handles messages until the program is told to end.
    void ProcessMessages();
    void HandleMessage();
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    void Minimize();
    void Restore();

    // Where exceptions that escape an event handler end: OnException when
    // set, otherwise the error box under the application's title.
    std::function<void(const std::exception&)> OnException;
    void HandleException(const std::exception& error);
    void ShowException(const std::exception& error);
    // A message box modal to the program's forms: owned by the form the user
    // works in (the active one, else the main form when it is shown), in
    // front of it, with every form disabled until it is answered. Returns the
    // answer (IDOK, IDYES, ...).
    int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

    // The long hint of the control or menu item under the mouse; status bars
    // with automatic hints show it.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    // The control under the mouse: its long hint (or its parents') goes to
    // the status bars, and its own short hint becomes the tool tip that the
    // platform's tool tip control shows after its delay, near the cursor.
    void NoteMouseOver(TControl* control);
    void ForgetControl(TControl* control);
    // Every mouse message of the toolkit's windows passes here, so that the
    // tip knows where the mouse is (a button press hides the tip).
    void RelayToolTipMessage(HWND window, const TMessage& message);
    // Tool tips are shown while this is set.
    bool ShowHint = true;
    // The tool tip control, once a tip was needed (null before).
    HWND ToolTipHandle() const { return toolTip_.Get(); }

    // The task-bar button is shown while any of the program's forms is.
    void UpdateTaskbarButton();
    // The form whose window is (or contains) `hwnd`.
    TCustomForm* FormOf(HWND hwnd) const;
    // A WM_COMMAND number for a new menu item, unique within the application.
    UINT NewMenuCommand() { return nextMenuCommand_++; }

private:
    // The application window's messages.
    void WindowMessage(HWND window, TMessage& message) override;
    bool ProcessMessage(MSG& msg);
    bool IsShortCutMessage(const MSG& msg);
    void SetMainForm(TCustomForm* form);
    void UpdateToolTip(TControl* control);

    HWND handle_ = nullptr;
    std::string title_;
    TIcon icon_;
    bool terminated_ = false;
    bool terminateRequested_ = false; // Terminate was called: Run shows nothing
    TCustomForm* mainForm_ = nullptr;
    std::string hint_;
    TControl* hintControl_ = nullptr;
    TWindowHandle toolTip_; // one tool: the hinted control
    HWND toolWindow_ = nullptr;
    UINT nextMenuCommand_ = 100;
};

// The program's forms that are enabled now, disabled for the life of the
// object (while a modal form or a message box is up), all but `except`; the
// object enables again the windows it disabled, those gone meanwhile aside.
class TDisabledForms {
public:
    TDisabledForms(const TApplication& application, HWND except);
    ~TDisabledForms();
    TDisabledForms(const TDisabledForms&) = delete;
    TDisabledForms& operator=(const TDisabledForms&) = delete;

private:
    std::vector<HWND> disabled_;
};

// The application that a component belongs to, found through its owners.
TApplication& ApplicationOf(const TComponent* component);
// The same, or null when the component belongs to no application.
TApplication* FindApplication(const TComponent* component);
// Hands an exception that escaped an event handler to the application of
// the component, whose handler reports it; without an application, or when
// the handler fails in turn, the exception ends here. Where a window
// procedure catches, so that no exception crosses the platform's code.
void ReportException(const TComponent* component, const std::exception& error) noexcept;

// Whether the screen fonts include this face (compared without regard to case).
bool ScreenFontInstalled(const std::string& face);

} // namespace tk
