// The popup menu window: shown at a point of the screen over everything,
// never activated by the mouse, closed by Escape, by an item's command and
// by input elsewhere, driven by the keyboard.
#pragma once

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "traymenu/CoolWindow.h"

#include <algorithm>
#include <functional>
#include <string>

using TKeyEvent = std::function<void(tk::TComponent* sender, WORD& key, tk::TShiftState shift)>;
using TKeyHandledEvent =
    std::function<void(tk::TComponent* sender, WORD& key, tk::TShiftState shift, bool& handled)>;

class TCoolWindowPopup : public TCoolWindow {
public:
    explicit TCoolWindowPopup(tk::TComponent* owner);
    ~TCoolWindowPopup() override;

    // OnCreate once the window is complete; OnDestroy before it goes. An
    // exception in either goes to the application's handler.
    void AfterConstruction();
    void BeforeDestruction() override;

    // Shows the popup with its top-left corner at (x, y), kept on the desktop.
    void PopupAt(int x, int y);
    // Hides the popup and takes it off the chain of open popups.
    void ClosePopup();
    void ReorderItems() override;
    // Raises OnShowHideBegin, shows or hides the items marked hidden as the
    // hook list's ShowHidden says, raises OnShowHideEnd.
    void ShowHideHidden();
    // The popup's key handling (Enter, Escape, arrows, F1, accelerators).
    void KeyDown(WORD& key, tk::TShiftState shift);

    // The item of another popup that opens this one as its submenu.
    TCoolItem* CoolItem = nullptr;
    // The form whose being active lets the hook hand keys to the popup.
    tk::TCustomForm* ParentForm() const;
    void SetParentForm(tk::TCustomForm* form);
    const std::string& ParentFormName() const { return parentFormName_; }
    void SetParentFormName(const std::string& name);

    bool Shown() const { return shown_; }
    TCoolWindowPopup* PreviousActivePopup() const { return previousActivePopup_; }
    bool CursorInside() const { return cursorInside_; }
    TCoolItem* SelectedItem() const;
    // Sends deselect to every item.
    void DeselectAll();

    // Marks of checked items, when not the platform's; more than 2 glyphs count as 2.
    tk::TBitmap CheckedGlyph;
    tk::TBitmap RadioGlyph;
    int NumCheckedGlyphs() const { return numCheckedGlyphs_; }
    void SetNumCheckedGlyphs(int count) { numCheckedGlyphs_ = std::clamp(count, 1, 2); }
    int NumRadioGlyphs() const { return numRadioGlyphs_; }
    void SetNumRadioGlyphs(int count) { numRadioGlyphs_ = std::clamp(count, 1, 2); }
    bool Dockable = false;
    bool Transparent2k() const { return transparent2k_; }
    void SetTransparent2k(bool transparent);
    int Transparency2kIntense = 128;
    // The timer that keeps a submenu open while its item or the submenu has the mouse.
    tk::TTimer& SubmenuTimer() { return *submenuTimer_; }

    tk::TNotifyEvent OnCreate;
    tk::TNotifyEvent OnDestroy;
    tk::TNotifyEvent OnShow;
    tk::TNotifyEvent OnHide;
    tk::TNotifyEvent OnShowHideBegin;
    tk::TNotifyEvent OnShowHideEnd;
    TKeyEvent OnKeyDown;
    TKeyHandledEvent OnKeyHandled;

    void ProcessHookedMessage(MSG& msg, bool& handled) override;
    void CloseAll() override;
    void WndProc(tk::TMessage& message) override;

protected:
    void CreateParams(tk::TCreateParams& params) override;
    void CreateWindowHandle() override;
    // The window class; the program's own popup names its form.
    virtual std::string WindowClassName() const { return "TCoolWindowPopup"; }
    void MouseEnter() override { cursorInside_ = true; }
    void MouseLeave() override { cursorInside_ = false; }
    // The hook's shortcut test: clicks the first enabled, visible item with
    // this shortcut; true when there was one.
    virtual bool ClickShortCut(WORD key, tk::TShiftState shift);
    void SubmenuTimerTick();

private:
    // Moves the selection to the next (or previous) item.
    void MoveSelection(WORD& key, bool forward);
    void ClickAccelerators(WORD key);
    void ApplyLayered();
    POINT Clamped(int x, int y) const;

    tk::TTimer* submenuTimer_; // owned as a component
    tk::TCustomForm* parentForm_ = nullptr;
    std::string parentFormName_;
    bool shown_ = false;
    TCoolWindowPopup* previousActivePopup_ = nullptr;
    bool cursorInside_ = false;
    int numCheckedGlyphs_ = 1;
    int numRadioGlyphs_ = 1;
    bool transparent2k_ = false;
    bool created_ = false;
    int navigationDepth_ = 0; // selection moves passed on by items under way
};
