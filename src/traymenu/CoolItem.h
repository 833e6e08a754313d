// The entries of a menu window: windowless controls that measure and paint
// themselves. TCoolItem is the base (selection, measuring, the window's
// messages); TCoolItemStandard a command bound to an action; TCoolItem95 a
// command with an image.
#pragma once

#include "toolkit/ActnList.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "traymenu/CoolWindow.h"

#include <functional>
#include <string>

class TCoolWindowPopup;

using TMeasureEvent = std::function<void(tk::TComponent* sender, TItemDimensions& dimensions)>;
using TItemPaintEvent = std::function<void(tk::TComponent* sender, tk::TCanvas& canvas)>;
using TItemMouseEvent = std::function<void(tk::TComponent* sender, tk::TShiftState shift)>;

class TCoolItem : public tk::TGraphicControl {
public:
    explicit TCoolItem(tk::TComponent* owner);
    ~TCoolItem() override;

    virtual std::string ClassName() const { return "TCoolItem"; }
    // An item lives in a TCoolWindow; another parent is taken, then refused
    // with an error.
    void SetParent(tk::TWinControl* parent) override;
    TCoolWindow* CoolWindow() const;
    TCoolWindowPopup* Popup() const;
    // The item's rectangle on the screen.
    RECT ScreenRect() const;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    int ImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int index);
    int HelpContext = 0;
    bool AutoAdjust() const { return autoAdjust_; }
    void SetAutoAdjust(bool autoAdjust);
    bool ParentAutoAdjust() const { return parentAutoAdjust_; }
    void SetParentAutoAdjust(bool value);
    bool ParentEnabled() const { return parentEnabled_; }
    void SetParentEnabled(bool value);
    // Marked hidden: shown only while the hook list's ShowHidden is set.
    bool Hidden() const { return hidden_; }
    void SetHidden(bool hidden);
    bool Selected() const { return selected_; }
    void SetSelected(bool selected);

    tk::TColor SelectedColor = tk::clHighlight;
    // The font of the highlighted item. While FontsMatch holds it follows the
    // item's font (in the highlight text colour); setting it ends that.
    tk::TFont& SelectedFont() { return selectedFont_; }
    bool FontsMatch() const { return fontsMatch_; }
    void SetFontsMatch(bool match);
    tk::TColor SelectedFrameColor = 0x997070;
    bool XPEffect = false;
    bool HideUnused = false;
    unsigned HideDelay = 259200000; // 72 hours
    // The popup this item opens as its submenu, found by name.
    std::string CoolWindowPopupName;
    TCoolWindowPopup* SubMenu() const;

    // What the last measuring found.
    const TItemDimensions& Measure() const { return measure_; }
    TMeasureEvent OnMeasure;
    TItemPaintEvent OnPaint;
    TItemMouseEvent OnMouseEnter;
    TItemMouseEvent OnMouseLeave;

    // Measures anew and tells the window, then repaints.
    virtual void Remeasure();
    // The window's messages to its items (select, deselect, auto-adjust and
    // enabled changes); 0 for others.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // The item's own key handling while selected; setting key to 0 takes it.
    virtual void KeyDown(WORD& key, tk::TShiftState shift);
    virtual tk::TShortCut ShortCut() const { return 0; }
    virtual bool Checked() const { return false; }
    // Runs the update handler of the action, so that its state is current.
    void UpdateAction();
    // Whether the item is left out (hidden and not shown now).
    virtual bool IsHidden() const;

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;
    void MouseMove(tk::TShiftState shift, int x, int y) override;
    void MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;

protected:
    // Fills the record (zeroed before) with what the item needs.
    virtual void MeasureItem(TItemDimensions& dimensions);
    // Selected by the keyboard (the key that moved the selection).
    virtual void SelectByKey(WORD key);
    // Whether the cursor is over the item now.
    bool CursorOver() const;
    void FontChanged() override;
    void TextChanged() override;
    void VisibleChanged() override;

private:
    bool transparent_ = false;
    int imageIndex_ = -1;
    bool autoAdjust_ = true;
    bool parentAutoAdjust_ = true;
    bool parentEnabled_ = true;
    bool hidden_ = false;
    bool selected_ = false;
    tk::TFont selectedFont_;
    bool fontsMatch_ = true;
    bool copyingFont_ = false;
    TItemDimensions measure_;
};

// A menu command: caption, image index, shortcut, enabled state and
// visibility from its action, check and radio state, and the click that
// closes the menus before the command runs.
class TCoolItemStandard : public TCoolItem {
public:
    explicit TCoolItemStandard(tk::TComponent* owner);
    std::string ClassName() const override { return "TCoolItemStandard"; }

    bool Checked() const override { return checked_; }
    void SetChecked(bool checked);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool radio);
    tk::TShortCut ShortCut() const override { return shortCut_; }
    void SetShortCut(tk::TShortCut shortCut);
    std::string Id;

    void Click() override;
    void ActionChanged() override;
    void ActionDestroyed() override;
    void MouseEnter() override;
    void MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;

protected:
    void SelectByKey(WORD key) override;
    // Opens the submenu at the item's right edge, kept on the desktop.
    void OpenSubMenu();

private:
    // A submenu opens when the mouse rests on its item for half a second.
    void HoverTimerTick();
    tk::TComponent* hoverTimer_ = nullptr; // a TTimer, made for items with a submenu
    bool checked_ = false;
    int groupIndex_ = 0;
    bool radioItem_ = false;
    tk::TShortCut shortCut_ = 0;
    // What the action gave last: the item follows a change of the action
    // only while it still holds that value.
    int linkedImageIndex_ = -1;
    tk::TShortCut linkedShortCut_ = 0;
    tk::TBasicAction* linkedAction_ = nullptr;
};

// A command with an image from the window's image list or a glyph strip.
class TCoolItem95 : public TCoolItemStandard {
public:
    explicit TCoolItem95(tk::TComponent* owner);
    std::string ClassName() const override { return "TCoolItem95"; }

    tk::TBitmap& Glyph() { return glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    // An image from the list, a glyph, or the check mark of a checked item.
    bool HasImage() const;
    // The size of the image the item shows (0 x 0 when none).
    SIZE ImageSize() const;

protected:
    void MeasureItem(TItemDimensions& dimensions) override;

private:
    tk::TBitmap glyph_;
    int numGlyphs_ = 1;
};
