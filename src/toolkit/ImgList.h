// Image lists: same-sized images drawn by index.
#pragma once

#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

#include <functional>
#include <string>
#include <vector>

namespace tk {

class TImageList;

// Tells its holder when an image list it registered with changes, and when
// the list goes (Sender() is null then). Unregisters itself when it goes.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TImageList* Sender() const { return sender_; }
    std::function<void()> OnChange;

private:
    friend class TImageList;
    TImageList* sender_ = nullptr;
};

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;

    // The link hears of every change of the images until it is unregistered.
    void RegisterChanges(TChangeLink& link);
    void UnRegisterChanges(TChangeLink& link);

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

private:
    void Change();

    int width_;
    int height_;
    TImageListHandle handle_;
    std::vector<TChangeLink*> links_;
};

} // namespace tk
