// Standard controls: the memo, and the dialog controls (labels, buttons,
// check boxes, radio buttons and groups, group boxes, one-line edits) with
// the keys a form's controls share: Enter and Esc press the default and
// cancel buttons, Tab moves the focus, Alt and a letter finds a caption's
// accelerator.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"

#include <string>
#include <vector>

namespace tk {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line text control.
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);

    TScrollStyle ScrollBars = TScrollStyle::ssNone;
    bool WordWrap = true;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    // The memo's own paste: the clipboard's text replaces the selection, and
    // the caret stays after it (in view).
    void PasteFromClipboard();
    // Puts the caret at character `start`, nothing selected, and scrolls the
    // memo so that the caret shows.
    void SetSelStart(int start);

protected:
    void CreateParams(TCreateParams& params) override;

private:
    bool readOnly_ = false;
};

// ------------------------------------------------------------- dialog keys

// The character that a caption's single "&" marks, in upper case; 0 when
// there is none ("&&" is a plain "&").
char AccelChar(const std::string& caption);

// A control whose caption can carry an accelerator acts on it here: true
// when `key` (upper case) is its accelerator and it acted.
class TAccelTarget {
public:
    virtual ~TAccelTarget() = default;
    virtual bool DialogChar(char key) = 0;
};

// The form that a control lies on, or null.
TCustomForm* GetParentForm(TControl* control);

// A key that a form's control hands to its form first (WM_KEYDOWN,
// WM_SYSKEYDOWN): Enter clicks the focused button or else the default
// button, Esc the cancel button, Tab and Shift+Tab move the focus along the
// controls that take it, Alt with a letter or digit finds the accelerator.
// True when the key was used; the message is then done.
bool DialogKey(TWinControl& control, TMessage& message);

// The form's controls that Tab visits now, in their order.
std::vector<TWinControl*> TabOrderOf(TCustomForm& form);

// --------------------------------------------------------------- controls

// A caption painted on its parent. With AutoSize (on by default) it takes
// the size of its text; its accelerator focuses FocusControl.
class TLabel : public TGraphicControl, public TAccelTarget {
public:
    explicit TLabel(TComponent* owner);

    TWinControl* FocusControl = nullptr;
    bool ShowAccelChar = true;
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    bool DialogChar(char key) override;

protected:
    void Paint() override;
    bool CanAutoSize(int& width, int& height) override;
    void FontChanged() override;

private:
    UINT TextFormat() const;
    bool transparent_ = false;
};

// Push buttons, check boxes and radio buttons: the platform's BUTTON.
class TButtonControl : public TWinControl, public TAccelTarget {
public:
    explicit TButtonControl(TComponent* owner);
    void WndProc(TMessage& message) override;

protected:
    void CNCommand(TMessage& message) override;
    // The platform's BN_CLICKED is the click: the mouse only tells its events.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
};

// A push button. Default: Enter in its form presses it; Cancel: Esc does.
// A click hands ModalResult to the form (ending a modal showing), then runs
// OnClick or the action.
class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel = false;
    TModalResult ModalResult = mrNone;

    void Click() override;
    bool DialogChar(char key) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    bool default_ = false;
};

// A button that holds a check: a check box or a radio button.
class TCheckableButton : public TButtonControl {
public:
    bool Checked() const;
    virtual void SetChecked(bool checked);
    // Its accelerator focuses and clicks it, which toggles and tells OnClick.
    bool DialogChar(char key) override;

protected:
    TCheckableButton(TComponent* owner, const char* className, DWORD style);
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;

    bool checked_ = false;

private:
    const char* className_;
    DWORD style_;
};

class TCheckBox : public TCheckableButton {
public:
    explicit TCheckBox(TComponent* owner);
};

// A radio button; checking one clears the other radio buttons of its parent.
class TRadioButton : public TCheckableButton {
public:
    explicit TRadioButton(TComponent* owner);

    void SetChecked(bool checked) override;

protected:
    void CNCommand(TMessage& message) override;
};

// A frame with a caption around other controls; its accelerator focuses the
// first of them that takes the focus.
class TGroupBox : public TCustomControl, public TAccelTarget {
public:
    explicit TGroupBox(TComponent* owner);
    bool DialogChar(char key) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
};

// A group box of radio buttons, one per item, in one column. ItemIndex is the
// checked item; setting it keeps it to the items (-1: none checked).
class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TComponent* owner);

    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(const std::vector<std::string>& items);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    const std::vector<TRadioButton*>& Buttons() const { return buttons_; }

protected:
    void BoundsChanged() override;
    void FontChanged() override;

private:
    void ArrangeButtons();
    void ButtonClicked(TRadioButton* button);

    std::vector<std::string> items_;
    std::vector<TRadioButton*> buttons_;
    int itemIndex_ = -1;
};

// A one-line text field. OnChange follows every change of its text.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);

    TNotifyEvent OnChange;
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    void SelectAll();

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;
    void CNCommand(TMessage& message) override;

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
};

} // namespace tk
