// Menus and shortcut codes.
#pragma once

#include "toolkit/ActnList.h"
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

#include <memory>
#include <string>
#include <vector>

namespace tk {

class TMenu;
class TImageList;

// A shortcut code: the virtual-key code in the low bits, 0x2000 Shift,
// 0x4000 Ctrl, 0x8000 Alt.
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(WORD key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift);
// "Shift+", "Ctrl+", "Alt+" in this order, then the key's name; empty when
// the key has no name.
std::string ShortCutToText(TShortCut shortCut);
// Prefixes in any order and case ("Shift+", "Ctrl+" or "^", "Alt+"), then a
// key name compared without regard to case; 0 when nothing matches.
TShortCut TextToShortCut(const std::string& text);

class TMenuItem : public TComponent, public TActionClient {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    bool IsSeparator() const { return caption_ == "-"; }

    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* action);
    TNotifyEvent OnClick;
    // Runs OnClick, or the action.
    virtual void Click();

    // Sub-items, in order. Adding makes this item the parent.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    const std::vector<TMenuItem*>& Items() const { return items_; }
    TMenuItem* Parent() const { return parent_; }
    UINT Command() const { return command_; }

    void ActionChanged() override;
    void ActionDestroyed() override;

private:
    friend class TMenu;
    void Changed();
    TMenu* Menu() const;

    std::string caption_;
    TShortCut shortCut_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    int imageIndex_ = -1;
    TBasicAction* action_ = nullptr;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;
    UINT command_;
    HMENU handle_ = nullptr;          // the submenu, for an item with items
    std::unique_ptr<TBitmap> bitmap_; // the image shown beside the caption
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);

    TMenuItem* Items() { return &items_; }
    TImageList* Images = nullptr;
    HMENU Handle();
    TMenuItem* FindItem(UINT command);
    // Runs the item with this command; false when there is none.
    bool DispatchCommand(UINT command);
    // Runs the enabled item with this shortcut; false when there is none.
    bool IsShortCut(TShortCut shortCut);
    // The menu follows its items' changes.
    void ItemChanged(TMenuItem* item);

protected:
    virtual HMENU CreateMenuHandle() = 0;
    virtual void Rebuilt() {}
    void Rebuild();

private:
    void Fill(HMENU menu, TMenuItem& parent);
    std::string ItemText(const TMenuItem& item) const;
    void ApplyImage(TMenuItem& item, MENUITEMINFOA& info);

    TMenuItem items_;
    TMenuHandle handle_;
    bool dirty_ = true;
};

// The menu bar of a form.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
    // Attaches the menu bar to a form's window (null: detaches it).
    void SetWindow(HWND window);

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
    void Rebuilt() override;

private:
    HWND window_ = nullptr;
};

// A menu that pops up where it is asked to.
class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
    // Shows the menu with its top-left corner at the screen point (x, y),
    // returns when it has closed, and runs the item chosen, if any.
    virtual void Popup(int x, int y);

protected:
    HMENU CreateMenuHandle() override { return CreatePopupMenu(); }
};

} // namespace tk
