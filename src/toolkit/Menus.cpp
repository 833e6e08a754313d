#include "toolkit/Menus.h"
#include "toolkit/Application.h"
#include "toolkit/ImgList.h"

#include <algorithm>

namespace tk {

// ------------------------------------------------------------ shortcut codes

TShortCut ShortCut(WORD key, TShiftState shift) {
    if (key & 0xFF00)
        return 0;
    TShortCut code = key;
    if (shift & ssShift)
        code |= scShift;
    if (shift & ssCtrl)
        code |= scCtrl;
    if (shift & ssAlt)
        code |= scAlt;
    return code;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) {
    key = shortCut & static_cast<TShortCut>(~(scShift | scCtrl | scAlt));
    shift = 0;
    if (shortCut & scShift)
        shift |= ssShift;
    if (shortCut & scCtrl)
        shift |= ssCtrl;
    if (shortCut & scAlt)
        shift |= ssAlt;
}

namespace {

// The name of a key code; empty when it has none.
std::string KeyName(WORD key) {
    switch (key) {
    case 8:
        return "BkSp";
    case 9:
        return "Tab";
    case 13:
        return "Enter";
    case 27:
        return "Esc";
    case 45:
        return "Ins";
    case 46:
        return "Del";
    default:
        break;
    }
    static const char* const navigation[] = {"Space", "PgUp", "PgDn",  "End", "Home",
                                             "Left",  "Up",   "Right", "Down"};
    if (key >= 32 && key <= 40)
        return navigation[key - 32];
    if (key >= 48 && key <= 57)
        return std::string(1, static_cast<char>(key));
    if (key >= 65 && key <= 90)
        return std::string(1, static_cast<char>(key));
    if (key >= 96 && key <= 105) // the numeric key pad's digits
        return std::string(1, static_cast<char>('0' + key - 96));
    if (key >= 112 && key <= 135)
        return "F" + std::to_string(key - 111);
    // Other keys: the platform's name of the key's scan code.
    UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    if (scan == 0)
        return {};
    char name[64] = {};
    int n = GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof name);
    return n > 0 ? std::string(name, static_cast<std::size_t>(n)) : std::string();
}

bool HasPrefix(const std::string& text, std::size_t at, const char* prefix) {
    std::string p = prefix;
    return text.size() - at >= p.size() && SameText(text.substr(at, p.size()), p);
}

} // namespace

std::string ShortCutToText(TShortCut shortCut) {
    WORD key;
    TShiftState shift;
    ShortCutToKey(shortCut, key, shift);
    std::string name = KeyName(key);
    if (name.empty())
        return {};
    std::string text;
    if (shift & ssShift)
        text += "Shift+";
    if (shift & ssCtrl)
        text += "Ctrl+";
    if (shift & ssAlt)
        text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const std::string& text) {
    TShortCut shift = 0;
    std::size_t at = 0;
    for (;;) {
        if (HasPrefix(text, at, "Shift+")) {
            shift |= scShift;
            at += 6;
        } else if (HasPrefix(text, at, "Ctrl+")) {
            shift |= scCtrl;
            at += 5;
        } else if (HasPrefix(text, at, "^")) {
            shift |= scCtrl;
            at += 1;
        } else if (HasPrefix(text, at, "Alt+")) {
            shift |= scAlt;
            at += 4;
        } else {
            break;
        }
    }
    std::string rest = text.substr(at);
    if (rest.empty())
        return 0;
    for (WORD key = 8; key <= 255; ++key)
        if (SameText(rest, KeyName(key)))
            return static_cast<TShortCut>(key | shift);
    return 0;
}

// ----------------------------------------------------------------- TMenuItem

namespace {

// Commands are numbered per application; an item outside any application
// (the root item of a menu) has none.
UINT commandFor(TComponent* owner) {
    TApplication* application = FindApplication(owner);
    return application ? application->NewMenuCommand() : 0;
}

} // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(commandFor(owner)) {}

TMenuItem::~TMenuItem() {
    if (action_)
        action_->UnregisterClient(this);
    for (TMenuItem* item : items_)
        item->parent_ = nullptr;
    if (parent_)
        parent_->Remove(this);
}

TMenu* TMenuItem::Menu() const {
    const TMenuItem* item = this;
    while (item->parent_)
        item = item->parent_;
    return item->menu_;
}

void TMenuItem::Changed() {
    if (TMenu* menu = Menu())
        menu->ItemChanged(this);
}

void TMenuItem::SetCaption(const std::string& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    if (shortCut_ == shortCut)
        return;
    shortCut_ = shortCut;
    Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    Changed();
}

void TMenuItem::SetVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    Changed();
}

void TMenuItem::SetImageIndex(int index) {
    if (imageIndex_ == index)
        return;
    imageIndex_ = index;
    Changed();
}

void TMenuItem::SetAction(TBasicAction* action) {
    if (action_ == action)
        return;
    if (action_)
        action_->UnregisterClient(this);
    action_ = action;
    if (action_) {
        action_->RegisterClient(this);
        ActionChanged();
    }
}

void TMenuItem::ActionChanged() {
    auto* action = dynamic_cast<TAction*>(action_);
    if (!action)
        return;
    caption_ = action->Caption();
    shortCut_ = action->ShortCut();
    enabled_ = action->Enabled();
    visible_ = action->Visible();
    hint_ = action->Hint();
    imageIndex_ = action->ImageIndex();
    Changed();
}

void TMenuItem::ActionDestroyed() {
    action_ = nullptr;
}

void TMenuItem::Click() {
    if (!enabled_)
        return;
    if (OnClick)
        OnClick(this);
    else if (action_)
        action_->Execute();
}

void TMenuItem::Add(TMenuItem* item) {
    if (item->parent_)
        item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return;
    items_.erase(it);
    item->parent_ = nullptr;
    if (TMenu* menu = Menu())
        menu->ItemChanged(nullptr); // the structure changed
}

// --------------------------------------------------------------------- TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(nullptr) {
    items_.menu_ = this;
}

HMENU TMenu::Handle() {
    if (!handle_ || dirty_)
        Rebuild();
    return handle_.Get();
}

std::string TMenu::ItemText(const TMenuItem& item) const {
    std::string text = item.Caption();
    std::string shortCut = ShortCutToText(item.ShortCut());
    if (!shortCut.empty())
        text += "\t" + shortCut;
    return text;
}

void TMenu::ApplyImage(TMenuItem& item, MENUITEMINFOA& info) {
    item.bitmap_.reset();
    if (!Images || item.ImageIndex() < 0 || item.ImageIndex() >= Images->Count())
        return;
    item.bitmap_ = std::make_unique<TBitmap>();
    Images->GetBitmap(item.ImageIndex(), *item.bitmap_, clMenu);
    info.fMask |= MIIM_BITMAP;
    info.hbmpItem = item.bitmap_->Handle();
}

void TMenu::Fill(HMENU menu, TMenuItem& parent) {
    for (TMenuItem* item : parent.Items()) {
        if (!item->Visible())
            continue;
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        if (item->IsSeparator()) {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
        } else {
            std::string text = ItemText(*item);
            info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
            info.fType = MFT_STRING;
            info.wID = item->Command();
            info.dwTypeData = text.data();
            info.fState = item->Enabled() ? MFS_ENABLED : MFS_GRAYED;
            if (!item->Items().empty()) {
                item->handle_ = CreatePopupMenu();
                Fill(item->handle_, *item);
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = item->handle_;
            }
            ApplyImage(*item, info);
            InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
            continue;
        }
        InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
    }
}

void TMenu::Rebuild() {
    TMenuHandle old = std::move(handle_);
    handle_.Reset(CreateMenuHandle());
    try {
        Fill(handle_.Get(), items_);
        dirty_ = false;
        Rebuilt();
    } catch (...) {
        old.Detach(); // a window may still show it: it stays
        throw;
    }
}

void TMenu::ItemChanged(TMenuItem* item) {
    if (!handle_)
        return;
    // A caption, shortcut, state or image changes in place; anything else
    // makes the menu anew.
    if (item && item->Visible() && !item->IsSeparator() && item->Parent() &&
        (item->Parent() == &items_ || item->Parent()->handle_)) {
        HMENU owner = item->Parent() == &items_ ? handle_.Get() : item->Parent()->handle_;
        MENUITEMINFOA current{};
        current.cbSize = sizeof current;
        current.fMask = MIIM_ID;
        if (GetMenuItemInfoA(owner, item->Command(), FALSE, &current)) {
            std::string text = ItemText(*item);
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STRING | MIIM_STATE;
            info.dwTypeData = text.data();
            info.fState = item->Enabled() ? MFS_ENABLED : MFS_GRAYED;
            ApplyImage(*item, info);
            SetMenuItemInfoA(owner, item->Command(), FALSE, &info);
            Rebuilt();
            return;
        }
    }
    dirty_ = true;
    Rebuild();
}

namespace {

TMenuItem* findIn(TMenuItem& parent, UINT command) {
    for (TMenuItem* item : parent.Items()) {
        if (item->Command() == command)
            return item;
        if (TMenuItem* found = findIn(*item, command))
            return found;
    }
    return nullptr;
}

TMenuItem* findShortCut(TMenuItem& parent, TShortCut shortCut) {
    for (TMenuItem* item : parent.Items()) {
        if (item->ShortCut() == shortCut && item->Items().empty())
            return item;
        if (TMenuItem* found = findShortCut(*item, shortCut))
            return found;
    }
    return nullptr;
}

} // namespace

TMenuItem* TMenu::FindItem(UINT command) {
    return findIn(items_, command);
}

bool TMenu::DispatchCommand(UINT command) {
    TMenuItem* item = FindItem(command);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool TMenu::IsShortCut(TShortCut shortCut) {
    TMenuItem* item = shortCut ? findShortCut(items_, shortCut) : nullptr;
    if (!item || !item->Enabled())
        return false;
    item->Click();
    return true;
}

// ----------------------------------------------------------------- TMainMenu

void TMainMenu::SetWindow(HWND window) {
    if (window_ && IsWindow(window_) && GetMenu(window_) == Handle())
        ::SetMenu(window_, nullptr);
    window_ = window;
    if (window_)
        ::SetMenu(window_, Handle());
}

void TMainMenu::Rebuilt() {
    if (window_ && IsWindow(window_)) {
        if (GetMenu(window_) != Handle())
            ::SetMenu(window_, Handle());
        DrawMenuBar(window_);
    }
}

void TPopupMenu::Popup(int x, int y) {
    // The menu needs a window of this thread to belong to: the owning
    // control's, or the application's.
    HWND window = nullptr;
    if (auto* control = dynamic_cast<TWinControl*>(Owner()))
        window = control->Handle();
    else if (TApplication* application = FindApplication(this))
        window = application->Handle();
    auto command = static_cast<UINT>(TrackPopupMenu(
        Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, window, nullptr));
    if (command)
        DispatchCommand(command);
}

} // namespace tk
