// The bitmap of one decoded GIF frame: a device-independent bitmap kept as
// the memory image of a ".bmp" file ("BM" file header, 40-byte information
// header, palette, pixel rows padded to 4 bytes and stored bottom row first).
//
// A toolkit bitmap can be made from it either by loading Memory()/MemorySize()
// as a bitmap file, or from Info() and Bits() (a BITMAPINFO with its palette
// and the pixel rows, as CreateDIBitmap and StretchDIBits take them).
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// Frames and composed pictures larger than this many pixels are refused with
// tk::EOutOfMemory rather than attempted: a GIF header can claim 65535 by
// 65535 pixels in a few bytes.
inline constexpr std::uint64_t kGIFMaxPixels = std::uint64_t{1} << 24;

class TGIFDib {
public:
    TGIFDib() = default;
    // Whether the pixel rows start as zeros or are left for the caller to
    // write in full, padding included.
    enum class Rows { Zeroed, Unset };

    // A bitmap of the given size and depth (1, 4 or 8) whose palette has
    // 2^depth entries, all black; its pixels are all 0 unless `rows` is
    // Unset. Raises tk::EOutOfMemory above kGIFMaxPixels.
    TGIFDib(int width, int height, int bitCount, Rows rows = Rows::Zeroed);

    bool Empty() const { return size_ == 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    // Bytes per stored row (a multiple of 4).
    std::size_t RowStride() const { return stride_; }

    int PaletteCount() const { return Empty() ? 0 : 1 << bitCount_; }
    RGBQUAD PaletteEntry(int index) const;
    void SetPaletteEntry(int index, RGBQUAD entry);

    // Row y counted from the top of the picture (stored bottom row first).
    std::uint8_t* ScanLine(int y) {
        return bits() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
    }
    const std::uint8_t* ScanLine(int y) const { return const_cast<TGIFDib*>(this)->ScanLine(y); }
    // The palette index of the pixel at (x, y), y from the top.
    int PixelIndex(int x, int y) const;
    // The colour of that pixel as 0x00RRGGBB.
    std::uint32_t PixelRGB(int x, int y) const;

    // The whole ".bmp" memory image, starting with "BM".
    const std::uint8_t* Memory() const { return buffer_.get() + kLead; }
    std::size_t MemorySize() const { return size_ - kLead; }
    // The information header followed by the palette, and the pixel rows.
    const BITMAPINFO* Info() const {
        return reinterpret_cast<const BITMAPINFO*>(buffer_.get() + kLead + kFileHeaderSize);
    }
    const std::uint8_t* Bits() const { return buffer_.get() + bitsOffset_; }

    // Bytes that may be read, never used, past the last pixel row: a copy in
    // pieces of 16 bytes may run on beyond the end of what it needs.
    static constexpr std::size_t kReadSlack = 16;

private:
    // Two bytes ahead of the file image put the information header, the
    // palette and the rows on 4-byte boundaries.
    static constexpr std::size_t kLead = 2;
    static constexpr std::size_t kFileHeaderSize = 14;
    static constexpr std::size_t kInfoHeaderSize = 40;

    std::uint8_t* bits() { return buffer_.get() + bitsOffset_; }
    std::uint8_t* paletteAt(int index) {
        return buffer_.get() + kLead + kFileHeaderSize + kInfoHeaderSize +
               static_cast<std::size_t>(index) * 4;
    }

    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    // Rows::Zeroed takes it from calloc: a large block comes from the system
    // already zero, so rows a short frame never reaches cost nothing.
    std::unique_ptr<std::uint8_t, Free> buffer_;
    std::size_t size_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    std::size_t stride_ = 0;
    std::size_t bitsOffset_ = 0;
};
