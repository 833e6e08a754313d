#include "gif/JvGIF.h"

#include "gif/GifLzw.h"
#include "toolkit/SysUtils.h"

#include <algorithm>
#include <cstring>

bool GIFLoadCorrupted = true;

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21; // '!'
constexpr std::uint8_t kImageIntroducer = 0x2C;     // ','
constexpr std::uint8_t kTrailer = 0x3B;             // ';'

constexpr std::uint8_t kLabelGraphicControl = 0xF9;
constexpr std::uint8_t kLabelComment = 0xFE;
constexpr std::uint8_t kLabelPlainText = 0x01;
constexpr std::uint8_t kLabelApplication = 0xFF;

constexpr int kMaxRepeatCount = 30000;

// Reads the private copy of the data: strict reads raise "Stream read error".
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    std::uint8_t Byte() {
        need(1);
        return data_[pos_++];
    }
    // The next byte, or `atEnd` when no data remain.
    std::uint8_t ByteOr(std::uint8_t atEnd) { return AtEnd() ? atEnd : data_[pos_++]; }
    void Bytes(void* target, std::size_t count) {
        need(count);
        std::memcpy(target, data_ + pos_, count);
        pos_ += count;
    }
    int Word() {
        need(2);
        const int value = data_[pos_] | (data_[pos_ + 1] << 8);
        pos_ += 2;
        return value;
    }
    const std::uint8_t* Here() const { return data_ + pos_; }
    void Skip(std::size_t count) { pos_ += std::min(count, Remaining()); }
    void SkipToEnd() { pos_ = size_; }

private:
    void need(std::size_t count) const {
        if (Remaining() < count)
            throw EInvalidGraphicOperation(SGIFReadError);
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void readColorTable(Cursor& in, int count, TGIFColorTable& table) {
    std::uint8_t rgb[256 * 3];
    in.Bytes(rgb, static_cast<std::size_t>(count) * 3);
    table.Count = count;
    for (int i = 0; i < count; ++i)
        table.Colors[static_cast<std::size_t>(i)] = {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]};
}

// The bits per pixel a table of `count` entries needs; raises for any count
// that is not a power of 2 from 2 to 256.
int bitsForColorCount(int count) {
    for (int bits = 1; bits <= 8; ++bits)
        if (count == 1 << bits)
            return bits;
    throw EInvalidGraphicOperation(SGIFWrongColors);
}

// Data sub-blocks: length byte, bytes; a zero length or the end of the data
// ends them.
void readSubBlocks(Cursor& in, std::vector<std::string>& blocks) {
    while (!in.AtEnd()) {
        const std::uint8_t length = in.Byte();
        if (length == 0)
            break;
        std::string block(length, '\0');
        in.Bytes(block.data(), length);
        blocks.push_back(std::move(block));
    }
}

COLORREF colorOf(const TGIFColorItem& item) {
    return RGB(item.Red, item.Green, item.Blue);
}

bool isLoopExtension(const TExtension& ext) {
    const int blockSize = std::min<int>(ext.ExtRec[0], 11);
    const char* ids[] = {"NETSCAPE2.0", "ANIMEXTS1.0"};
    bool named = false;
    for (const char* id : ids)
        named = named ||
                std::memcmp(ext.ExtRec.data() + 1, id, static_cast<std::size_t>(blockSize)) == 0;
    return named && !ext.Data.empty() && ext.Data[0].size() >= 3 && ext.Data[0][0] == 1;
}

} // namespace

// ---------------------------------------------------------------- frame

TJvGIFFrame::TJvGIFFrame(TJvGIFImage& owner)
    : owner_(&owner), item_(std::make_shared<TGIFItem>()) {}

void TJvGIFFrame::read(tk::TMemoryStream& stream, const TGIFData& data, int screenWidth,
                       int screenHeight) {
    Cursor in(stream.Memory() + stream.Position(), stream.Remaining());
    TGIFItem& item = *item_;
    origin_.x = in.Word();
    origin_.y = in.Word();
    item.Width = in.Word();
    item.Height = in.Word();
    item.PackedFields = in.Byte();
    interlaced_ = (item.PackedFields & 0x40) != 0;
    localColors_ = (item.PackedFields & 0x80) != 0;
    if (localColors_) {
        item.BitsPerPixel = (item.PackedFields & 7) + 1;
        readColorTable(in, 1 << item.BitsPerPixel, item.ColorMap);
    } else {
        item.ColorMap = data.ColorTable;
    }

    // The compressed data as they stand: code size byte, then sub-blocks up
    // to and including the terminator.
    // Find where they end first, then copy them in one piece.
    const std::uint8_t* begin = in.Here();
    std::size_t size = 0;
    const std::size_t available = in.Remaining();
    if (available > 0) {
        size = 1;
        while (size < available) {
            const std::size_t length = begin[size++];
            if (length == 0)
                break;
            if (length > available - size) {
                corrupted_ = true;
                size = available;
                break;
            }
            size += length;
        }
    }
    item.ZipData.assign(begin, begin + size);
    in.Skip(size);
    stream.Seek(static_cast<std::int64_t>(stream.Remaining() - in.Remaining()),
                tk::TSeekOrigin::soCurrent);
    if (corrupted_ && !GIFLoadCorrupted)
        throw EInvalidGraphicOperation(SGIFReadError);

    if (item.Width == 0)
        item.Width = screenWidth;
    if (item.Height == 0)
        item.Height = screenHeight;

    for (const auto& ext : extensions_) {
        if (ext->ExtType != etGraphic)
            continue;
        const std::uint8_t packed = ext->ExtRec[1];
        const int delay = ext->ExtRec[2] | (ext->ExtRec[3] << 8);
        const int index = ext->ExtRec[4];
        if ((packed & 1) && index < item.ColorMap.Count)
            transparentColor_ = colorOf(item.ColorMap.Colors[static_cast<std::size_t>(index)]);
        else
            transparentColor_.reset();
        animateInterval_ = std::max(animateInterval_, delay * 10);
        disposal_ = (packed >> 2) & 7;
    }
}

const TGIFDib& TJvGIFFrame::Bitmap() {
    if (decoded_)
        return bitmap_;
    const TGIFItem& item = *item_;
    int depth;
    if (item.BitsPerPixel == 1)
        depth = 1;
    else if (item.BitsPerPixel >= 2 && item.BitsPerPixel <= 4)
        depth = 4;
    else if (item.BitsPerPixel >= 5 && item.BitsPerPixel <= 8)
        depth = 8;
    else
        throw EInvalidGraphicOperation(SGIFWrongColors);

    // The decoder writes every pixel: no need to zero them first.
    TGIFDib dib(item.Width, item.Height, depth, TGIFDib::Rows::Unset);
    const TGIFColorTable& table = item.ColorMap;
    for (int i = 0; i < dib.PaletteCount(); ++i) {
        RGBQUAD entry{};
        if (i < table.Count) {
            const TGIFColorItem& c = table.Colors[static_cast<std::size_t>(i)];
            entry = {c.Blue, c.Green, c.Red, 0};
        } else if (table.Count > 0) {
            entry = {128, 128, 128, 128};
        }
        dib.SetPaletteEntry(i, entry);
    }
    if (GIFDecodeLZW(item.ZipData.data(), item.ZipData.size(), item.BitsPerPixel, interlaced_,
                     GIFLoadCorrupted, dib))
        corrupted_ = true;
    bitmap_ = std::move(dib);
    decoded_ = true;
    return bitmap_;
}

// ---------------------------------------------------------------- image

TJvGIFImage::TJvGIFImage() {
    clear();
}

void TJvGIFImage::clear() {
    data_ = TGIFData{};
    frames_.clear();
    screenWidth_ = 0;
    screenHeight_ = 0;
    corrupted_ = false;
    frameIndex_ = -1;
    backgroundColor_.reset();
    repeatCount_ = 1;
    looping_ = false;
    version_ = gvUnknown;
}

void TJvGIFImage::SetFrameIndex(int index) {
    if (index >= 0 && index < Count())
        frameIndex_ = index;
}

void TJvGIFImage::LoadFromFile(const std::string& fileName) {
    tk::TFileStream stream(fileName, tk::TFileStream::fmOpenReadShareDenyWrite);
    ReadFromStream(stream);
}

void TJvGIFImage::readExtension(tk::TMemoryStream& stream, TExtensionList& list) {
    Cursor in(stream.Memory() + stream.Position(), stream.Remaining());
    const std::uint8_t label = in.Byte();
    auto ext = std::make_unique<TExtension>();
    bool keep = false;
    switch (label) {
    case kLabelGraphicControl:
        ext->ExtType = etGraphic;
        ext->ExtRecSize = 6;
        in.Bytes(ext->ExtRec.data(), 6);
        keep = true;
        break;
    case kLabelComment:
        ext->ExtType = etComment;
        readSubBlocks(in, ext->Data);
        keep = true;
        break;
    case kLabelPlainText:
        // Text drawn over the picture is not shown; what was collected for
        // the frame goes with it.
        ext->ExtType = etPlainText;
        ext->ExtRecSize = 13;
        in.Bytes(ext->ExtRec.data(), 13);
        readSubBlocks(in, ext->Data);
        list.clear();
        break;
    case kLabelApplication:
        ext->ExtType = etApplication;
        ext->ExtRecSize = 12;
        in.Bytes(ext->ExtRec.data(), 12);
        readSubBlocks(in, ext->Data);
        if (isLoopExtension(*ext)) {
            const std::string& block = ext->Data[0];
            looping_ = true;
            repeatCount_ =
                std::min(kMaxRepeatCount, static_cast<std::uint8_t>(block[1]) |
                                              (static_cast<std::uint8_t>(block[2]) << 8));
        }
        break;
    default:
        throw EInvalidGraphicOperation(tk::Format(SGIFExtension, label));
    }
    stream.Seek(static_cast<std::int64_t>(stream.Remaining() - in.Remaining()),
                tk::TSeekOrigin::soCurrent);
    if (keep)
        list.push_back(std::move(ext));
}

void TJvGIFImage::ReadFromStream(tk::TStream& source) {
    clear();
    if (auto* inMemory = dynamic_cast<tk::TMemoryStream*>(&source)) {
        // The bytes are in memory already: they are read where they are, and
        // the stream ends up at its end, as if they had been copied.
        try {
            parse(*inMemory);
        } catch (...) {
            inMemory->Seek(0, tk::TSeekOrigin::soEnd);
            throw;
        }
        inMemory->Seek(0, tk::TSeekOrigin::soEnd);
    } else {
        tk::TMemoryStream copy;
        copyAll(source, copy);
        copy.SetPosition(0);
        parse(copy);
    }
    paletteModified_ = true;
    if (OnChange)
        OnChange(*this);
}

// Everything from the source's position to its end.
void TJvGIFImage::copyAll(tk::TStream& source, tk::TMemoryStream& mem) {
    // One allocation when the source knows its size; whatever else it gives
    // comes in chunks.
    const std::int64_t known = source.Size() - source.Position();
    if (known > 0) {
        mem.SetSize(static_cast<std::size_t>(known));
        const std::size_t got = source.Read(mem.Memory(), static_cast<std::size_t>(known));
        mem.SetSize(got);
        mem.SetPosition(static_cast<std::int64_t>(got));
    }
    std::vector<std::uint8_t> chunk(65536);
    for (;;) {
        const std::size_t n = source.Read(chunk.data(), chunk.size());
        if (n == 0)
            break;
        mem.WriteBuffer(chunk.data(), n);
    }
}

// Reads the GIF from the stream's position on, leaving the position after
// what was read.
void TJvGIFImage::parse(tk::TMemoryStream& mem) {
    if (mem.Remaining() > 0) {
        // The reads below work on the copy through cursors; `sync` moves the
        // stream's position along with a cursor.
        auto cursor = [&mem]() {
            return Cursor(mem.Memory() + mem.Position(), mem.Remaining());
        };
        auto sync = [&mem](const Cursor& in) {
            mem.Seek(static_cast<std::int64_t>(mem.Remaining() - in.Remaining()),
                     tk::TSeekOrigin::soCurrent);
        };

        Cursor in = cursor();
        char signature[6] = {};
        const std::size_t got = std::min<std::size_t>(6, in.Remaining());
        in.Bytes(signature, got);
        auto same = [](const char* a, const char* b) {
            return tk::SameText(std::string(a, 3), b);
        };
        if (got < 6 || !same(signature, "GIF"))
            throw EInvalidGraphicOperation(SGIFVersion);
        if (same(signature + 3, "87a"))
            version_ = gv87a;
        else if (same(signature + 3, "89a"))
            version_ = gv89a;
        else
            throw EInvalidGraphicOperation(SGIFVersion);

        screenWidth_ = in.Word();
        screenHeight_ = in.Word();
        const std::uint8_t packed = in.Byte();
        const std::uint8_t background = in.Byte();
        data_.AspectRatio = in.Byte();
        data_.BitsPerPixel = (packed & 7) + 1;
        data_.ColorResBits = ((packed >> 4) & 7) + 1;
        if (packed & 0x80) {
            readColorTable(in, 1 << data_.BitsPerPixel, data_.ColorTable);
            if (background < data_.ColorTable.Count)
                backgroundColor_ = colorOf(data_.ColorTable.Colors[background]);
        }

        std::uint8_t introducer = 0;
        while (!in.AtEnd()) {
            introducer = in.Byte();
            if (introducer != 0)
                break;
        }
        sync(in);

        while (introducer != 0 && introducer != kTrailer && mem.Remaining() > 0) {
            TExtensionList extensions;
            while (introducer == kExtensionIntroducer) {
                readExtension(mem, extensions);
                in = cursor();
                introducer = in.ByteOr(kTrailer);
                sync(in);
            }
            if (introducer == kImageIntroducer) {
                auto frame = std::make_unique<TJvGIFFrame>(*this);
                if (data_.ColorTable.Count > 0)
                    frame->item_->BitsPerPixel = bitsForColorCount(data_.ColorTable.Count);
                frame->extensions_ = std::move(extensions);
                frame->read(mem, data_, screenWidth_, screenHeight_);
                corrupted_ = corrupted_ || frame->Corrupted();
                frames_.push_back(std::move(frame));
                in = cursor();
                introducer = in.ByteOr(kTrailer);
                sync(in);
                if (introducer != kExtensionIntroducer && introducer != kImageIntroducer &&
                    introducer != kTrailer)
                    break;
            } else if (data_.Comment.empty() && !extensions.empty()) {
                bool first = true;
                for (const auto& ext : extensions) {
                    if (ext->ExtType != etComment)
                        continue;
                    if (!first)
                        data_.Comment.emplace_back(); // a blank line between two comments
                    data_.Comment.insert(data_.Comment.end(), ext->Data.begin(), ext->Data.end());
                    first = false;
                }
            } else if (introducer != 0 && introducer != kTrailer) {
                throw EInvalidGraphicOperation(SGIFReadError);
            }
        }

        if (!frames_.empty()) {
            frameIndex_ = 0;
            try {
                frames_.front()->Bitmap();
            } catch (...) {
                frames_.erase(frames_.begin());
                frameIndex_ = frames_.empty() ? -1 : 0;
                throw;
            }
        }
    }
}
