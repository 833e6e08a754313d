#include "gif/GifDib.h"

#include "toolkit/SysUtils.h"

#include <cstring>

namespace {

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

} // namespace

TGIFDib::TGIFDib(int width, int height, int bitCount, Rows rows)
    : width_(width), height_(height), bitCount_(bitCount) {
    if (width < 0 || height < 0 || (bitCount != 1 && bitCount != 4 && bitCount != 8))
        throw tk::EOutOfMemory("Out of memory");
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kGIFMaxPixels)
        throw tk::EOutOfMemory("Out of memory");
    stride_ =
        ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
    const std::size_t paletteSize = std::size_t{4} << bitCount;
    const std::size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteSize;
    const std::size_t imageSize = stride_ * static_cast<std::size_t>(height);
    const std::size_t fileSize = pixelOffset + imageSize;
    size_ = kLead + fileSize;
    const std::size_t allocated = size_ + kReadSlack;
    buffer_.reset(static_cast<std::uint8_t*>(rows == Rows::Zeroed ? std::calloc(allocated, 1)
                                                                  : std::malloc(allocated)));
    if (!buffer_) {
        size_ = 0;
        throw tk::EOutOfMemory("Out of memory");
    }
    bitsOffset_ = kLead + pixelOffset;
    if (rows == Rows::Unset) {
        // The headers and the palette are still zeroed, and so is the slack,
        // so that nothing undefined is ever read.
        std::memset(buffer_.get(), 0, bitsOffset_);
        std::memset(buffer_.get() + size_, 0, kReadSlack);
    }

    std::uint8_t* file = buffer_.get() + kLead;
    file[0] = 'B';
    file[1] = 'M';
    put32(file + 2, static_cast<std::uint32_t>(fileSize));
    put32(file + 10, static_cast<std::uint32_t>(pixelOffset));
    std::uint8_t* info = file + kFileHeaderSize;
    put32(info + 0, kInfoHeaderSize);
    put32(info + 4, static_cast<std::uint32_t>(width));
    put32(info + 8, static_cast<std::uint32_t>(height));
    put16(info + 12, 1);
    put16(info + 14, static_cast<std::uint32_t>(bitCount));
    put32(info + 16, BI_RGB);
    put32(info + 20, static_cast<std::uint32_t>(imageSize));
}

RGBQUAD TGIFDib::PaletteEntry(int index) const {
    RGBQUAD entry{};
    if (index < 0 || index >= PaletteCount())
        return entry;
    const std::uint8_t* p = const_cast<TGIFDib*>(this)->paletteAt(index);
    entry.rgbBlue = p[0];
    entry.rgbGreen = p[1];
    entry.rgbRed = p[2];
    entry.rgbReserved = p[3];
    return entry;
}

void TGIFDib::SetPaletteEntry(int index, RGBQUAD entry) {
    if (index < 0 || index >= PaletteCount())
        return;
    std::uint8_t* p = paletteAt(index);
    p[0] = entry.rgbBlue;
    p[1] = entry.rgbGreen;
    p[2] = entry.rgbRed;
    p[3] = entry.rgbReserved;
}

int TGIFDib::PixelIndex(int x, int y) const {
    const std::uint8_t* row = ScanLine(y);
    switch (bitCount_) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default:
        return row[x];
    }
}

std::uint32_t TGIFDib::PixelRGB(int x, int y) const {
    const RGBQUAD c = PaletteEntry(PixelIndex(x, y));
    return (std::uint32_t{c.rgbRed} << 16) | (std::uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
}
