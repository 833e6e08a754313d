// Image lists: same-sized images drawn by index.
#pragma once

#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

#include <string>

#include <functional>
#include <vector>

namespace tk {

class TImageList;

// A listener to an image list's changes: OnChange runs after every change of
// the list it is registered with (Sender). It leaves the list when it goes,
// and Sender becomes null when the list goes first.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TImageList* Sender = nullptr;
    std::function<void()> OnChange;
};

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const;
    // A strip of images side by side; `mask` is the colour that stays transparent.
    void AddMasked(TBitmap& strip, TColor mask);
    void LoadFromResourceName(HINSTANCE instance, const std::string& name, TColor mask);
    // Draws image `index` with its top-left corner at (x, y); a disabled
    // image is drawn greyed. Out-of-range indexes draw nothing.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    // A copy of image `index` as a bitmap of the list's size (transparent
    // pixels in `background`).
    void GetBitmap(int index, TBitmap& bitmap, TColor background = clBtnFace);
    void* Handle() const { return handle_.Get(); } // the HIMAGELIST
    // Image `index` as an icon of its own; false (and the icon left as it
    // was) for an index out of range.
    bool GetIcon(int index, TIcon& icon);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);

protected:
    // Tells the registered links that the images changed.
    void Change();

private:
    std::vector<TChangeLink*> links_;
    int width_;
    int height_;
    TImageListHandle handle_;
};

} // namespace tk
