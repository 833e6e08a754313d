// The container of owner-painted menu items: the window that measures its
// items together, lays them out and paints its background; and the
// messages between such windows and their items.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/ImgList.h"

#include <vector>

class TCoolItem;
class THookList;

// Messages between the menu windows and their items (above WM_USER).
constexpr UINT CM_CLOSEALL = 0x05F5;                // every shown popup closes
constexpr UINT CM_SELECTITEM = 0x05F6;              // wParam: the key that moved the selection
constexpr UINT CM_DESELECTITEM = 0x05F7;            //
constexpr UINT CM_PARENTAUTOADJUSTCHANGED = 0x05F9; // window to items
constexpr UINT CM_AUTOADJUSTCHANGED = 0x05FB;       // a control to itself
constexpr UINT CM_PARENTENABLEDCHANGED = 0x05FC;    // window to items

// What an item needs, column by column; the window keeps the maxima over
// its visible items so that all items line up.
struct TItemDimensions {
    int ImageWidth = 0;
    int ImageHeight = 0;
    int TextWidth = 0;
    int TextHeight = 0;
    int ShortCutWidth = 0;
    int ShortCutHeight = 0;
    int ImageSpacing = 0;    // on each side of the image
    int TextSpacing = 0;     // on each side of the caption
    int ShortCutSpacing = 0; // before the shortcut
    int VertSpacing = 0;     // above and below
    int MinWidth = 0;
    int ItemHeight = 0; // what the layout gives the item
};

class TCoolWindow : public tk::TCustomControl {
public:
    explicit TCoolWindow(tk::TComponent* owner);
    ~TCoolWindow() override;

    bool AutoAdjust() const { return autoAdjust_; }
    void SetAutoAdjust(bool autoAdjust);
    bool ForcedActiveX = false;
    tk::TImageList* Images() const { return imagesLink_.Sender; }
    void SetImages(tk::TImageList* images);
    tk::TImageList* DisabledImages() const { return disabledImagesLink_.Sender; }
    void SetDisabledImages(tk::TImageList* images);
    // Tiled over the client area at every paint when not empty.
    tk::TBitmap& Wallpaper() { return wallpaper_; }
    // The column maxima over the visible items, as the last layout found them.
    const TItemDimensions& Maxima() const { return maxima_; }
    // The items among the children, in child order (top to bottom).
    std::vector<TCoolItem*> Items() const;
    // The hook list of the window's application; null when it has none.
    THookList* HookList() const { return hookList_; }

    // Raised after the background (and wallpaper) is painted.
    std::function<void(tk::TComponent* sender)> OnPaint;

    // Whether a message retrieved by the thread closes popups: a button
    // press, a system key, a command or an activation change of the
    // program, unless it is meant for a popup or a utility window.
    virtual bool IsCloseMessage(const MSG& msg);
    // Whether the message is for a popup of the hook list or for a window
    // inside one.
    virtual bool IsOwnWindow(const MSG& msg);
    virtual void ReorderItems() = 0;
    // A message the thread retrieved, handed over by the hook list.
    virtual void ProcessHookedMessage(MSG& msg, bool& handled);
    // An item measured itself anew: lay the items out again while
    // auto-adjusting, then take the size of the children.
    virtual void ItemsChanged();
    // Every item measures itself anew (the image lists changed or went).
    void RemeasureItems();
    // The close-all message, from the hook list's dispatcher.
    virtual void CloseAll() {}

    // Before the window exists: the size inside the frame its styles give.
    RECT ClientRect() const override;

protected:
    void Paint() override;
    void EnabledChanged() override;
    // An image list that goes leaves the items to measure themselves without it.
    void Notification(tk::TComponent* component, tk::TOperation operation) override;
    // The size that holds the children; aligned children count only across
    // their alignment (a label aligned left adds its width, not its height).
    bool CanAutoSize(int& width, int& height) override;
    // Takes the column maxima over the visible items (ShortCutHeight aside).
    void CollectMaxima();

    TItemDimensions maxima_;

private:
    friend class THookList;
    bool autoAdjust_ = true;
    tk::TChangeLink imagesLink_;
    tk::TChangeLink disabledImagesLink_;
    // The lists as they were set, to know them when they go.
    tk::TComponent* imagesSet_ = nullptr;
    tk::TComponent* disabledImagesSet_ = nullptr;
    tk::TBitmap wallpaper_;
    THookList* hookList_ = nullptr;
};
