#include "traymenu/CoolItem.h"
#include "traymenu/CoolWindowPopup.h"
#include "traymenu/HookList.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Handles.h"
#include "toolkit/ImgList.h"
#include "toolkit/Menus.h"

#include <algorithm>

// ----------------------------------------------------------------- TCoolItem

TCoolItem::TCoolItem(tk::TComponent* owner) : tk::TGraphicControl(owner) {
    SetBounds(0, 0, 126, 18);
    selectedFont_.SetColor(tk::clHighlightText);
    selectedFont_.OnChange = [this] {
        if (!copyingFont_)
            fontsMatch_ = false;
        Remeasure();
    };
    FontChanged(); // the selected font starts as the item's
}

TCoolItem::~TCoolItem() = default;

void TCoolItem::SetParent(tk::TWinControl* parent) {
    tk::TGraphicControl::SetParent(parent);
    if (parent && !dynamic_cast<TCoolWindow*>(parent))
        throw tk::Exception("Parent of " + ClassName() + " must be TCoolWindow or its descendant");
    if (parent)
        Remeasure();
}

TCoolWindow* TCoolItem::CoolWindow() const {
    return dynamic_cast<TCoolWindow*>(Parent());
}

TCoolWindowPopup* TCoolItem::Popup() const {
    return dynamic_cast<TCoolWindowPopup*>(Parent());
}

RECT TCoolItem::ScreenRect() const {
    POINT corner{Left(), Top()};
    if (Parent() && Parent()->HandleAllocated())
        ::ClientToScreen(Parent()->Handle(), &corner);
    return RECT{corner.x, corner.y, corner.x + Width(), corner.y + Height()};
}

bool TCoolItem::CursorOver() const {
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT rect = ScreenRect();
    return PtInRect(&rect, cursor) != FALSE;
}

void TCoolItem::SetTransparent(bool transparent) {
    if (transparent_ == transparent)
        return;
    transparent_ = transparent;
    Remeasure();
}

void TCoolItem::SetImageIndex(int index) {
    if (imageIndex_ == index)
        return;
    imageIndex_ = index;
    Remeasure();
}

void TCoolItem::SetAutoAdjust(bool autoAdjust) {
    parentAutoAdjust_ = false;
    if (autoAdjust_ == autoAdjust)
        return;
    autoAdjust_ = autoAdjust;
    Perform(CM_AUTOADJUSTCHANGED);
}

void TCoolItem::SetParentAutoAdjust(bool value) {
    parentAutoAdjust_ = value;
    if (value)
        Perform(CM_PARENTAUTOADJUSTCHANGED);
}

void TCoolItem::SetParentEnabled(bool value) {
    parentEnabled_ = value;
    if (value)
        Perform(CM_PARENTENABLEDCHANGED);
}

void TCoolItem::SetHidden(bool hidden) {
    if (hidden_ == hidden)
        return;
    hidden_ = hidden;
    Remeasure();
}

bool TCoolItem::IsHidden() const {
    return hidden_ && !Visible();
}

void TCoolItem::SetFontsMatch(bool match) {
    fontsMatch_ = match;
    if (match)
        FontChanged();
}

TCoolWindowPopup* TCoolItem::SubMenu() const {
    if (CoolWindowPopupName.empty())
        return nullptr;
    tk::TApplication* application = tk::FindApplication(this);
    if (!application)
        return nullptr;
    for (tk::TComponent* c : application->Components())
        if (auto* popup = dynamic_cast<TCoolWindowPopup*>(c);
            popup && tk::SameText(popup->Name, CoolWindowPopupName))
            return popup;
    return nullptr;
}

void TCoolItem::SetSelected(bool selected) {
    if (selected_ == selected)
        return;
    selected_ = selected;
    // Chosen from the keyboard: the status bar shows what the item does.
    if (selected && !CursorOver())
        if (tk::TApplication* application = tk::FindApplication(this))
            application->SetHint(tk::GetLongHint(Hint));
    if (!selected)
        if (TCoolWindowPopup* sub = SubMenu(); sub && sub->Shown()) {
            sub->SubmenuTimer().SetEnabled(false);
            sub->SubmenuTimer().SetInterval(400);
            sub->SubmenuTimer().SetEnabled(true);
        }
    Invalidate();
}

void TCoolItem::Remeasure() {
    if (TCoolWindow* window = CoolWindow()) {
        TItemDimensions dimensions{};
        MeasureItem(dimensions);
        measure_ = dimensions;
        window->ItemsChanged();
    }
    Invalidate();
}

void TCoolItem::MeasureItem(TItemDimensions& dimensions) {
    if (OnMeasure)
        OnMeasure(this, dimensions);
}

LRESULT TCoolItem::Perform(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case CM_SELECTITEM:
        SelectByKey(static_cast<WORD>(wParam));
        break;
    case CM_DESELECTITEM:
        SetSelected(false);
        break;
    case CM_PARENTAUTOADJUSTCHANGED:
        if (parentAutoAdjust_ && CoolWindow()) {
            SetAutoAdjust(CoolWindow()->AutoAdjust());
            parentAutoAdjust_ = true;
        }
        break;
    case CM_AUTOADJUSTCHANGED:
        Remeasure();
        break;
    case CM_PARENTENABLEDCHANGED:
        if (parentEnabled_ && CoolWindow())
            SetEnabled(CoolWindow()->Enabled());
        break;
    default:
        break;
    }
    return 0;
}

void TCoolItem::SelectByKey(WORD key) {
    TCoolWindowPopup* popup = Popup();
    if (popup)
        if (TCoolItem* selected = popup->SelectedItem(); selected && selected != this)
            selected->Perform(CM_DESELECTITEM);
    SetSelected(true);
    // The selection never rests here: the key goes on to the next item.
    if (popup && key) {
        WORD next = key;
        popup->KeyDown(next, tk::KeyboardShiftState());
    }
}

void TCoolItem::KeyDown(WORD&, tk::TShiftState) {}

void TCoolItem::UpdateAction() {
    if (Action())
        Action()->Update();
}

void TCoolItem::MouseEnter() {
    if (TCoolWindowPopup* popup = Popup())
        if (TCoolItem* selected = popup->SelectedItem(); selected && selected != this)
            selected->Perform(CM_DESELECTITEM);
    SetSelected(true);
}

void TCoolItem::MouseLeave() {
    SetSelected(false);
    if (OnMouseLeave)
        OnMouseLeave(this, tk::KeyboardShiftState());
}

// The window hears of the mouse on its items, in its own coordinates.
void TCoolItem::MouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    tk::TGraphicControl::MouseDown(button, shift, x, y);
    if (TCoolWindow* window = CoolWindow())
        window->MouseDown(button, shift, x + Left(), y + Top());
}

void TCoolItem::MouseMove(tk::TShiftState shift, int x, int y) {
    tk::TGraphicControl::MouseMove(shift, x, y);
    if (TCoolWindow* window = CoolWindow())
        window->MouseMove(shift, x + Left(), y + Top());
}

void TCoolItem::MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    int left = Left();
    int top = Top();
    TCoolWindow* window = CoolWindow();
    tk::TGraphicControl::MouseUp(button, shift, x, y);
    if (window)
        window->MouseUp(button, shift, x + left, y + top);
}

void TCoolItem::FontChanged() {
    if (fontsMatch_) {
        copyingFont_ = true;
        selectedFont_.Assign(Font());
        selectedFont_.SetColor(tk::clHighlightText);
        copyingFont_ = false;
    }
    Remeasure();
}

void TCoolItem::TextChanged() {
    Remeasure();
}

void TCoolItem::VisibleChanged() {
    Remeasure();
}

// --------------------------------------------------------- TCoolItemStandard

TCoolItemStandard::TCoolItemStandard(tk::TComponent* owner) : TCoolItem(owner) {
    SetParentColor(true);
}

void TCoolItemStandard::SetChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    // A checked radio item unchecks the others of its group in the window.
    if (checked && radioItem_)
        if (TCoolWindow* window = CoolWindow())
            for (TCoolItem* item : window->Items())
                if (auto* other = dynamic_cast<TCoolItemStandard*>(item);
                    other && other != this && other->radioItem_ && other->checked_ &&
                    other->groupIndex_ == groupIndex_)
                    other->SetChecked(false);
    Remeasure();
}

void TCoolItemStandard::SetGroupIndex(int index) {
    if (groupIndex_ == index)
        return;
    groupIndex_ = index;
    Remeasure();
}

void TCoolItemStandard::SetRadioItem(bool radio) {
    if (radioItem_ == radio)
        return;
    radioItem_ = radio;
    Remeasure();
}

void TCoolItemStandard::SetShortCut(tk::TShortCut shortCut) {
    if (shortCut_ == shortCut)
        return;
    shortCut_ = shortCut;
    Remeasure();
}

void TCoolItemStandard::ActionChanged() {
    TCoolItem::ActionChanged();
    auto* action = dynamic_cast<tk::TAction*>(Action());
    if (!action)
        return;
    if (linkedAction_ != action) { // just assigned: everything comes from the action
        linkedAction_ = action;
        linkedImageIndex_ = action->ImageIndex();
        linkedShortCut_ = action->ShortCut();
        SetImageIndex(action->ImageIndex());
        SetShortCut(action->ShortCut());
        return;
    }
    if (ImageIndex() == linkedImageIndex_)
        SetImageIndex(action->ImageIndex());
    linkedImageIndex_ = action->ImageIndex();
    if (shortCut_ == linkedShortCut_)
        SetShortCut(action->ShortCut());
    linkedShortCut_ = action->ShortCut();
}

void TCoolItemStandard::ActionDestroyed() {
    TCoolItem::ActionDestroyed();
    linkedAction_ = nullptr;
    Remeasure();
}

void TCoolItemStandard::OpenSubMenu() {
    TCoolWindowPopup* sub = SubMenu();
    TCoolWindowPopup* popup = Popup();
    if (!sub || !popup || sub == popup)
        return;
    sub->CoolItem = this;
    sub->ShowHideHidden();
    RECT item = ScreenRect();
    int x = item.right;
    int y = item.top;
    // Off the desktop's right edge it opens to the left, over its menu.
    if (x + sub->Width() > GetSystemMetrics(SM_CXVIRTUALSCREEN))
        x -= sub->Width() - popup->ClientWidth();
    if (y + sub->Height() > GetSystemMetrics(SM_CYVIRTUALSCREEN))
        y = GetSystemMetrics(SM_CYVIRTUALSCREEN) - sub->Height();
    sub->PopupAt(std::max(x, 0), std::max(y, 0));
}

void TCoolItemStandard::Click() {
    TCoolWindowPopup* popup = Popup();
    if (Enabled() && popup && popup->Shown()) {
        TCoolWindowPopup* sub = SubMenu();
        if (sub && !sub->Shown()) {
            if (TCoolItem* selected = popup->SelectedItem(); selected && selected != this)
                selected->Perform(CM_DESELECTITEM);
            SetSelected(true);
            OpenSubMenu();
        } else if (!sub) {
            // Every open menu closes (restoring what it took) before the command runs.
            if (THookList* list = popup->HookList())
                list->DispatchCloseAll();
            else
                popup->ClosePopup();
        }
    }
    TCoolItem::Click();
}

void TCoolItemStandard::MouseEnter() {
    TCoolWindowPopup* popup = Popup();
    if (popup)
        if (TCoolItem* selected = popup->SelectedItem(); selected && selected != this)
            selected->Perform(CM_DESELECTITEM);
    if (!Enabled())
        return; // a disabled command is never highlighted by the mouse
    SetSelected(true);
    if (OnMouseEnter)
        OnMouseEnter(this, tk::KeyboardShiftState());
    if (TCoolWindowPopup* sub = SubMenu(); sub && !sub->Shown()) {
        if (!hoverTimer_) {
            auto* timer = new tk::TTimer(this);
            timer->SetEnabled(false);
            timer->SetInterval(500);
            timer->SetOnTimer([this](tk::TComponent*) { HoverTimerTick(); });
            hoverTimer_ = timer;
        }
        auto* timer = static_cast<tk::TTimer*>(hoverTimer_);
        timer->SetEnabled(false);
        timer->SetEnabled(true);
    }
}

void TCoolItemStandard::HoverTimerTick() {
    static_cast<tk::TTimer*>(hoverTimer_)->SetEnabled(false);
    TCoolWindowPopup* popup = Popup();
    if (Selected() && CursorOver() && popup && popup->Shown())
        if (TCoolWindowPopup* sub = SubMenu(); sub && !sub->Shown())
            OpenSubMenu();
}

void TCoolItemStandard::MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    TCoolWindowPopup* popup = Popup();
    // The click (if it was one) has closed the menus or opened the submenu.
    TCoolItem::MouseUp(button, shift, x, y);
    if (button != tk::TMouseButton::mbLeft || !popup || !popup->Shown())
        return;
    TCoolWindowPopup* sub = SubMenu();
    if (!sub || !sub->Shown()) {
        if (THookList* list = popup->HookList())
            list->DispatchCloseAll();
        else
            popup->ClosePopup();
    }
}

void TCoolItemStandard::SelectByKey(WORD key) {
    TCoolWindowPopup* popup = Popup();
    if (popup)
        if (TCoolItem* selected = popup->SelectedItem(); selected && selected != this)
            selected->Perform(CM_DESELECTITEM);
    SetSelected(true);
    // An item that is not shown lets the next one have the selection.
    if (!Visible() && popup && key) {
        WORD next = key;
        popup->KeyDown(next, tk::KeyboardShiftState());
    }
}

// --------------------------------------------------------------- TCoolItem95

TCoolItem95::TCoolItem95(tk::TComponent* owner) : TCoolItemStandard(owner) {
    glyph_.OnChange = [this] {
        Remeasure();
    };
}

void TCoolItem95::SetNumGlyphs(int count) {
    count = std::max(count, 1);
    if (numGlyphs_ == count)
        return;
    numGlyphs_ = count;
    Remeasure();
}

bool TCoolItem95::HasImage() const {
    TCoolWindow* window = CoolWindow();
    tk::TImageList* images = window ? window->Images() : nullptr;
    bool listed = images && ImageIndex() >= 0 && ImageIndex() < images->Count();
    return listed || !glyph_.Empty() || Checked();
}

SIZE TCoolItem95::ImageSize() const {
    TCoolWindow* window = CoolWindow();
    tk::TImageList* images = window ? window->Images() : nullptr;
    SIZE size{0, 0};
    if (images && ImageIndex() >= 0 && ImageIndex() < images->Count())
        size = SIZE{images->Width(), images->Height()};
    else if (!glyph_.Empty())
        size = SIZE{glyph_.Width() / numGlyphs_, glyph_.Height()};
    if (Checked())
        size = SIZE{std::max<LONG>(size.cx, 16), std::max<LONG>(size.cy, 16)};
    return size;
}

void TCoolItem95::MeasureItem(TItemDimensions& d) {
    {
        tk::TMemoryDC dc(CreateCompatibleDC(nullptr));
        tk::TSelectedObject font(dc.Get(), Font().Handle());
        constexpr UINT flags = DT_CALCRECT | DT_SINGLELINE | DT_VCENTER;
        RECT text{0, 0, 0, 0};
        std::string caption = Caption();
        DrawTextA(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &text, flags);
        d.TextWidth = text.right - text.left;
        d.TextHeight = text.bottom - text.top;
        std::string shortCut = tk::ShortCutToText(ShortCut());
        RECT keys{0, 0, 0, 0};
        if (!shortCut.empty()) {
            DrawTextA(dc.Get(), shortCut.c_str(), static_cast<int>(shortCut.size()), &keys,
                      flags | DT_RIGHT);
            d.ShortCutWidth = keys.right - keys.left;
            d.ShortCutHeight = keys.bottom - keys.top;
        }
    }
    TCoolWindow* window = CoolWindow();
    tk::TImageList* images = window ? window->Images() : nullptr;
    if (images && ImageIndex() >= 0 && ImageIndex() < images->Count()) {
        d.ImageWidth = images->Width();
        d.ImageHeight = images->Height();
    } else if (!glyph_.Empty()) {
        d.ImageWidth = glyph_.Width() / numGlyphs_;
        d.ImageHeight = glyph_.Height();
    } else {
        d.ImageWidth = 16;
        d.ImageHeight = 0;
    }
    if (Checked()) {
        d.ImageWidth = std::max(d.ImageWidth, 16);
        d.ImageHeight = std::max(d.ImageHeight, 16);
        if (auto* popup = Popup()) {
            tk::TBitmap& mark = RadioItem() ? popup->RadioGlyph : popup->CheckedGlyph;
            int count = RadioItem() ? popup->NumRadioGlyphs() : popup->NumCheckedGlyphs();
            if (!mark.Empty()) {
                d.ImageWidth = std::max(d.ImageWidth, mark.Width() / count);
                d.ImageHeight = std::max(d.ImageHeight, mark.Height());
            }
        }
    }
    d.TextSpacing = 12;
    d.ShortCutSpacing = 10;
    d.ImageSpacing = 4;
    if (d.ImageHeight > 0 && d.ImageHeight > d.TextHeight) {
        d.VertSpacing = 1;
        d.ItemHeight = d.ImageHeight + 2;
    } else {
        d.VertSpacing = 6;
        d.ItemHeight = std::max(d.TextHeight, d.ImageHeight) + 12;
    }
    if (OnMeasure)
        OnMeasure(this, d);
}
