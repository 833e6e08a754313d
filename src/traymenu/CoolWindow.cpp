#include "traymenu/CoolWindow.h"
#include "traymenu/CoolItem.h"
#include "traymenu/CoolWindowPopup.h"
#include "traymenu/HookList.h"

#include <algorithm>

TCoolWindow::TCoolWindow(tk::TComponent* owner) : tk::TCustomControl(owner) {
    SetColor(tk::clMenu);
    SetBorderStyle(tk::TBorderStyle::bsSingle);
    // A list that changes or goes changes what the items measure.
    imagesLink_.OnChange = [this] {
        RemeasureItems();
    };
    disabledImagesLink_.OnChange = [this] {
        RemeasureItems();
    };
    hookList_ = THookList::Join(this);
}

TCoolWindow::~TCoolWindow() {
    if (hookList_)
        std::exchange(hookList_, nullptr)->Leave(this);
}

void TCoolWindow::SetAutoAdjust(bool autoAdjust) {
    if (autoAdjust_ == autoAdjust)
        return;
    autoAdjust_ = autoAdjust;
    for (TCoolItem* item : Items())
        item->Perform(CM_PARENTAUTOADJUSTCHANGED);
    if (autoAdjust_)
        ReorderItems();
}

void TCoolWindow::SetImages(tk::TImageList* images) {
    if (images == Images())
        return;
    if (Images()) {
        Images()->UnRegisterChanges(&imagesLink_);
        Images()->RemoveFreeNotification(this);
    }
    imagesSet_ = images;
    if (images) {
        images->RegisterChanges(&imagesLink_);
        images->FreeNotification(this);
    }
    RemeasureItems();
}

void TCoolWindow::SetDisabledImages(tk::TImageList* images) {
    if (images == DisabledImages())
        return;
    if (DisabledImages()) {
        DisabledImages()->UnRegisterChanges(&disabledImagesLink_);
        DisabledImages()->RemoveFreeNotification(this);
    }
    disabledImagesSet_ = images;
    if (images) {
        images->RegisterChanges(&disabledImagesLink_);
        images->FreeNotification(this);
    }
    RemeasureItems();
}

void TCoolWindow::Notification(tk::TComponent* component, tk::TOperation operation) {
    tk::TCustomControl::Notification(component, operation);
    if (operation != tk::TOperation::opRemove || !component)
        return;
    bool mine = false;
    if (component == imagesSet_) {
        imagesSet_ = nullptr;
        imagesLink_.Sender = nullptr;
        mine = true;
    }
    if (component == disabledImagesSet_) {
        disabledImagesSet_ = nullptr;
        disabledImagesLink_.Sender = nullptr;
        mine = true;
    }
    if (mine)
        RemeasureItems();
}

std::vector<TCoolItem*> TCoolWindow::Items() const {
    std::vector<TCoolItem*> items;
    for (tk::TControl* c : Controls())
        if (auto* item = dynamic_cast<TCoolItem*>(c))
            items.push_back(item);
    return items;
}

void TCoolWindow::RemeasureItems() {
    for (TCoolItem* item : Items())
        item->Remeasure();
}

void TCoolWindow::ItemsChanged() {
    if (autoAdjust_)
        ReorderItems();
    AdjustSize();
}

void TCoolWindow::CollectMaxima() {
    maxima_ = TItemDimensions{};
    for (TCoolItem* item : Items()) {
        if (!item->Visible())
            continue;
        const TItemDimensions& d = item->Measure();
        maxima_.ImageWidth = std::max(maxima_.ImageWidth, d.ImageWidth);
        maxima_.ImageHeight = std::max(maxima_.ImageHeight, d.ImageHeight);
        maxima_.TextWidth = std::max(maxima_.TextWidth, d.TextWidth);
        maxima_.TextHeight = std::max(maxima_.TextHeight, d.TextHeight);
        maxima_.ShortCutWidth = std::max(maxima_.ShortCutWidth, d.ShortCutWidth);
        maxima_.ImageSpacing = std::max(maxima_.ImageSpacing, d.ImageSpacing);
        maxima_.TextSpacing = std::max(maxima_.TextSpacing, d.TextSpacing);
        maxima_.ShortCutSpacing = std::max(maxima_.ShortCutSpacing, d.ShortCutSpacing);
        maxima_.VertSpacing = std::max(maxima_.VertSpacing, d.VertSpacing);
        maxima_.MinWidth = std::max(maxima_.MinWidth, d.MinWidth);
        maxima_.ItemHeight = std::max(maxima_.ItemHeight, d.ItemHeight);
    }
}

RECT TCoolWindow::ClientRect() const {
    if (HandleAllocated())
        return tk::TCustomControl::ClientRect();
    RECT frame{0, 0, 0, 0};
    tk::TCreateParams params;
    const_cast<TCoolWindow*>(this)->CreateParams(params);
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    return RECT{0, 0, std::max<LONG>(Width() - (frame.right - frame.left), 0),
                std::max<LONG>(Height() - (frame.bottom - frame.top), 0)};
}

bool TCoolWindow::CanAutoSize(int& width, int& height) {
    int right = 0;
    int bottom = 0;
    for (tk::TControl* c : Controls()) {
        if (!c->Visible())
            continue;
        tk::TAlign align = c->Align();
        bool across = align == tk::TAlign::alLeft || align == tk::TAlign::alRight;
        bool along = align == tk::TAlign::alTop || align == tk::TAlign::alBottom;
        if (align == tk::TAlign::alClient)
            continue;
        if (!along)
            right = std::max(right, c->Left() + c->Width());
        if (!across)
            bottom = std::max(bottom, c->Top() + c->Height());
    }
    // The frame around the client area.
    RECT frame{0, 0, right, bottom};
    tk::TCreateParams params;
    CreateParams(params);
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
    return true;
}

void TCoolWindow::Paint() {
    tk::TCanvas& canvas = Canvas();
    canvas.Brush.SetColor(Color());
    canvas.Brush.SetStyle(tk::TBrushStyle::bsSolid);
    RECT client = ClientRect();
    canvas.FillRect(client);
    if (!wallpaper_.Empty())
        for (int y = 0; y < client.bottom; y += wallpaper_.Height())
            for (int x = 0; x < client.right; x += wallpaper_.Width())
                canvas.Draw(x, y, wallpaper_);
    if (OnPaint)
        OnPaint(this);
}

void TCoolWindow::EnabledChanged() {
    tk::TCustomControl::EnabledChanged();
    for (TCoolItem* item : Items())
        item->Perform(CM_PARENTENABLEDCHANGED);
}

bool TCoolWindow::IsOwnWindow(const MSG& msg) {
    if (!msg.hwnd || !IsWindow(msg.hwnd))
        return false;
    std::vector<TCoolWindow*> windows{this};
    if (hookList_)
        windows = hookList_->Windows();
    for (TCoolWindow* window : windows) {
        auto* popup = dynamic_cast<TCoolWindowPopup*>(window);
        if (!popup || !popup->HandleAllocated())
            continue;
        HWND handle = popup->Handle();
        if (msg.hwnd == handle || IsChild(handle, msg.hwnd))
            return true;
    }
    return false;
}

bool TCoolWindow::IsCloseMessage(const MSG& msg) {
    char className[32] = {};
    if (msg.hwnd && GetClassNameA(msg.hwnd, className, sizeof className) &&
        tk::SameText(className, "TPUtilWindow"))
        return false; // the framework's utility windows, the tray icon's among them
    if (IsOwnWindow(msg))
        return false;
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case 0x0209: // WM_MBUTTONDBLCLK
    case WM_MOUSEWHEEL:
    case CM_CLOSEALL:
    case WM_SYSKEYDOWN:
    case WM_COMMAND:
    case tk::CM_ACTIVATE:
    case tk::CM_DEACTIVATE:
    case 0xB016: // the application's key-down message
    case 0xB017: // the application's system-command message
        return true;
    default:
        // The non-client mouse messages from WM_NCLBUTTONDOWN to WM_NCMBUTTONDBLCLK.
        return msg.message >= 0x00A1 && msg.message <= 0x00A9;
    }
}

void TCoolWindow::ProcessHookedMessage(MSG&, bool&) {
    // Hover tracking of hosted windows would go here; these windows are never hosted.
}
