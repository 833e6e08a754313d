// The application object, forms and the scroll box.
#pragma once

#include "toolkit/ActnList.h"
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

#include <exception>
#include <functional>
#include <string>

namespace tk {

class TMainMenu;
class TCustomForm;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
using TBorderIcons = std::uint8_t;
constexpr TBorderIcons biSystemMenu = 1;
constexpr TBorderIcons biMinimize = 2;
constexpr TBorderIcons biMaximize = 4;
enum class TPosition { poDesigned, poScreenCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

// One per program instance: the hidden top-level window of class
// "TApplication", captioned with the title, on whose behalf the program uses
// the clipboard, which owns the task-bar button, and by which another
// instance recognises this one.
class TApplication : public TComponent {
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
    // main form. The form's OnCreate runs before this returns.
    template <typename T, typename... Args> T* CreateForm(Args&&... args) {
        auto* form = new T(this, std::forward<Args>(args)...);
        form->AfterConstruction();
        if (!mainForm_)
            SetMainForm(form);
        return form;
    }
    TCustomForm* MainForm() const { return mainForm_; }
    // When the run loop starts, the main form is shown when this is set.
    bool ShowMainWindowOnRun = true;

    // The message loop. ProcessMessages handles what is queued now and
    // returns; HandleMessage handles one message, waiting for one when the
    // queue is empty; Run shows the main form and handles messages until the
    // program is told to end.
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

    // The long hint of the control or menu item under the mouse; status bars
    // with automatic hints show it.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    void NoteMouseOver(TControl* control);
    void ForgetControl(TControl* control);

    // The task-bar button is shown while any of the program's forms is.
    void UpdateTaskbarButton();
    // The form whose window is (or contains) `hwnd`.
    TCustomForm* FormOf(HWND hwnd) const;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(MSG& msg);
    bool IsShortCutMessage(const MSG& msg);
    void SetMainForm(TCustomForm* form);

    HWND handle_ = nullptr;
    std::string title_;
    TIcon icon_;
    bool terminated_ = false;
    TCustomForm* mainForm_ = nullptr;
    std::string hint_;
    TControl* hintControl_ = nullptr;
};

// The application that a component belongs to, found through its owners.
TApplication& ApplicationOf(const TComponent* component);

// Whether the screen fonts include this face (compared without regard to case).
bool ScreenFontInstalled(const std::string& face);

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    // Run OnCreate and OnDestroy; the application calls them.
    void AfterConstruction();
    void BeforeDestruction() override;

    TFormBorderStyle FormBorderStyle() const { return formBorderStyle_; }
    void SetFormBorderStyle(TFormBorderStyle style) { formBorderStyle_ = style; }
    TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition Position = TPosition::poDesigned;
    TWindowState WindowState = TWindowState::wsNormal;
    void SetClientSize(int width, int height);

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    TWinControl* ActiveControl = nullptr;

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    // Shows the form and handles messages until ModalResult is set; the
    // application's other forms are disabled meanwhile.
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    void Close();
    void SetVisible(bool visible) override;

    // Runs the menu item or action with this shortcut.
    virtual bool IsShortCut(TShortCut shortCut);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;
    // The window class of the form (Delphi-style: the form's class name).
    virtual std::string FormClassName() const { return "TForm"; }
    virtual bool CloseQuery();

private:
    TFormBorderStyle formBorderStyle_ = TFormBorderStyle::bsSizeable;
    TMainMenu* menu_ = nullptr;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool created_ = false;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// A bordered container that shows scroll bars when its controls reach past
// its client area.
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
    void AlignControls(RECT& rect) override;
    void WndProc(TMessage& message) override;

private:
    void UpdateScrollRange();
};

} // namespace tk
