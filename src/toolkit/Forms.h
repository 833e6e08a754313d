// Forms and the scroll box.
#pragma once

#include "toolkit/ActnList.h"
#include "toolkit/Application.h"
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

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    // Run OnCreate (after the Loaded step of the form's components) and
    // OnDestroy; the application calls them.
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
