// The GIF image: reads GIF87a and GIF89a data into frames that keep their
// compressed data and are decoded into bitmaps when first needed.
#pragma once

#include "gif/GifDib.h"
#include "gif/GifError.h"
#include "platform/win32.h"
#include "toolkit/Classes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Library-wide tolerance: when true (the default), frames whose data are cut
// short or corrupt are kept as far as they go and marked corrupted; when
// false they raise EInvalidGraphicOperation. The program never changes it.
extern bool GIFLoadCorrupted;

struct TGIFColorItem {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
};

struct TGIFColorTable {
    int Count = 0;
    std::array<TGIFColorItem, 256> Colors{};
};

// Data shared by all frames of one image.
struct TGIFData {
    TGIFColorTable ColorTable; // the global colour table (Count 0: none)
    int BitsPerPixel = 0;      // 1 to 8, from the logical screen descriptor
    int ColorResBits = 0;
    std::uint8_t AspectRatio = 0;
    std::vector<std::string> Comment;
};

// The data of one frame; frames may share it.
struct TGIFItem {
    // The minimum code size byte and the data sub-blocks with their length
    // bytes, exactly as read.
    std::vector<std::uint8_t> ZipData;
    int Width = 0;
    int Height = 0;
    std::uint8_t PackedFields = 0; // of the image descriptor
    int BitsPerPixel = 8;
    TGIFColorTable ColorMap; // the local table, or a copy of the global one
};

enum TExtensionType { etGraphic, etPlainText, etApplication, etComment };

class TExtension {
public:
    TExtensionType ExtType = etGraphic;
    // The fixed bytes of the block, starting with its size byte.
    std::array<std::uint8_t, 13> ExtRec{};
    int ExtRecSize = 0;
    // The data sub-blocks, one string each.
    std::vector<std::string> Data;
};

using TExtensionList = std::vector<std::unique_ptr<TExtension>>;

enum TDisposalMethod {
    dmUndefined = 0,
    dmLeave = 1,
    dmRestoreBackground = 2,
    dmRestorePrevious = 3,
};

class TJvGIFImage;

class TJvGIFFrame {
public:
    explicit TJvGIFFrame(TJvGIFImage& owner);

    TJvGIFImage& Owner() const { return *owner_; }
    const TGIFItem& Item() const { return *item_; }
    std::shared_ptr<TGIFItem> SharedItem() const { return item_; }

    // Position and size on the logical screen.
    POINT Origin() const { return origin_; }
    int Width() const { return item_->Width; }
    int Height() const { return item_->Height; }

    bool LocalColors() const { return localColors_; }
    bool Interlaced() const { return interlaced_; }
    // Set when the data were cut short at load or found corrupt at decode.
    bool Corrupted() const { return corrupted_; }
    // As 0x00BBGGRR (the platform's colour value); none when not transparent.
    std::optional<COLORREF> TransparentColor() const { return transparentColor_; }
    // In milliseconds: the largest delay of the frame's graphic control
    // extensions, times 10.
    int AnimateInterval() const { return animateInterval_; }
    // 0 to 7; see TDisposalMethod for those that matter.
    int DisposalMethod() const { return disposal_; }
    const TExtensionList& Extensions() const { return extensions_; }

    // The decoded bitmap, decoded on the first call and kept. Raises
    // EInvalidGraphicOperation ("Wrong number of colors; must be a power
    // of 2", and with tolerance off the decoder's messages).
    const TGIFDib& Bitmap();
    bool Decoded() const { return !bitmap_.Empty() || decoded_; }

private:
    friend class TJvGIFImage;
    void read(tk::TMemoryStream& stream, const TGIFData& data, int screenWidth, int screenHeight);

    TJvGIFImage* owner_;
    std::shared_ptr<TGIFItem> item_;
    POINT origin_{0, 0};
    bool localColors_ = false;
    bool interlaced_ = false;
    bool corrupted_ = false;
    std::optional<COLORREF> transparentColor_;
    int animateInterval_ = 0;
    int disposal_ = 0;
    TExtensionList extensions_;
    TGIFDib bitmap_;
    bool decoded_ = false;
};

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };

class TJvGIFImage {
public:
    TJvGIFImage();
    TJvGIFImage(const TJvGIFImage&) = delete;
    TJvGIFImage& operator=(const TJvGIFImage&) = delete;

    // Replaces the content with the GIF read from the stream's position to
    // its end; decodes frame 0 and raises OnChange. Raises
    // EInvalidGraphicOperation on malformed data; the image then holds the
    // frames read so far and OnChange is not raised.
    void ReadFromStream(tk::TStream& stream);
    void LoadFromFile(const std::string& fileName);

    int Count() const { return static_cast<int>(frames_.size()); }
    bool Empty() const { return frames_.empty(); }
    TJvGIFFrame& Frames(int index) { return *frames_.at(static_cast<std::size_t>(index)); }
    const TJvGIFFrame& Frames(int index) const {
        return *frames_.at(static_cast<std::size_t>(index));
    }

    int ScreenWidth() const { return screenWidth_; }
    int ScreenHeight() const { return screenHeight_; }
    std::optional<COLORREF> BackgroundColor() const { return backgroundColor_; }
    TGIFVersion Version() const { return version_; }
    bool Looping() const { return looping_; }
    int RepeatCount() const { return repeatCount_; }
    bool Corrupted() const { return corrupted_; }
    // The current frame (-1 when empty); the animator moves it.
    int FrameIndex() const { return frameIndex_; }
    void SetFrameIndex(int index);
    bool PaletteModified() const { return paletteModified_; }
    void SetPaletteModified(bool value) { paletteModified_ = value; }
    const TGIFData& Data() const { return data_; }
    const std::vector<std::string>& Comment() const { return data_.Comment; }
    // Transparent in the sense of a graphic: what lies behind shows through
    // where the picture has no pixels of its own. True from construction.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }

    // Raised after every completed load.
    std::function<void(TJvGIFImage& sender)> OnChange;

private:
    void clear();
    static void copyAll(tk::TStream& source, tk::TMemoryStream& mem);
    void parse(tk::TMemoryStream& mem);
    void readExtension(tk::TMemoryStream& stream, TExtensionList& list);

    std::vector<std::unique_ptr<TJvGIFFrame>> frames_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    std::optional<COLORREF> backgroundColor_;
    TGIFVersion version_ = gvUnknown;
    bool looping_ = false;
    int repeatCount_ = 1;
    bool corrupted_ = false;
    int frameIndex_ = -1;
    bool paletteModified_ = false;
    bool transparent_ = true;
    TGIFData data_;
};
