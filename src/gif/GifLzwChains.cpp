// The plain LZW decoder: every string is made by walking its chain in the
// code table onto a stack, one pixel at a time, into a buffer of one byte per
// pixel that is moved into the bitmap at the end. It is slow and simple on
// purpose: GIFDecodeLZW is held to it.
#include "gif/GifLzw.h"

#include "gif/GifError.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxWidth = 12;
// Longest walk along the prefix chain before the data count as corrupt.
constexpr int kChainLimit = 4096;

// Codes are packed least significant bit first into data sub-blocks: a
// length byte, then that many bytes. A length running past the data is cut
// to what is there; a zero length ends the data.
class BitReader {
public:
    BitReader(const std::uint8_t* data, const std::uint8_t* end) : p_(data), end_(end) {}

    // The next `width` bits as a code. Once the data are used up, the bits
    // still held are completed with zeros; false when none were left at all.
    bool Read(int width, int& code) {
        if (bits_ < width)
            fill();
        if (bits_ == 0)
            return false;
        code = static_cast<int>(acc_ & ((1u << width) - 1));
        const int used = std::min(width, bits_);
        acc_ >>= used;
        bits_ -= used;
        return true;
    }

private:
    // One byte at a time, a sub-block after the other.
    void fill() {
        while (bits_ <= 56) {
            if (blockLeft_ == 0) {
                if (p_ >= end_)
                    return;
                blockLeft_ = *p_++;
                if (blockLeft_ == 0) {
                    p_ = end_;
                    return;
                }
            }
            if (p_ >= end_)
                return;
            acc_ |= static_cast<std::uint64_t>(*p_++) << bits_;
            bits_ += 8;
            --blockLeft_;
        }
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::size_t blockLeft_ = 0;
    std::uint64_t acc_ = 0;
    int bits_ = 0;
};

// The frame's pixels, one byte each, top row first, filled left to right in
// rows top to bottom or in the four interlace passes; `done` once no row is
// left. Moved into the bitmap (packed at depths 1 and 4) at the end.
class Canvas {
public:
    Canvas(int width, int height, bool interlaced)
        : width_(width), height_(height), interlaced_(interlaced) {
        done = width <= 0 || height <= 0;
        if (done)
            return;
        pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        started_.assign(static_cast<std::size_t>(height), false);
        started_[0] = true;
    }

    void Put(std::uint8_t value) {
        pixels_[static_cast<std::size_t>(y_) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x_)] = value;
        if (++x_ == width_)
            nextRow();
    }

    // Rows never reached stay as they are in the bitmap.
    void Store(TGIFDib& dib) const {
        for (int y = 0; y < height_; ++y) {
            if (!started_[static_cast<std::size_t>(y)])
                continue;
            const std::uint8_t* source = pixels_.data() + static_cast<std::size_t>(y) * width_;
            std::uint8_t* target = dib.ScanLine(y);
            for (int x = 0; x < width_; ++x) {
                switch (dib.BitCount()) {
                case 8:
                    target[x] = source[x];
                    break;
                case 4:
                    target[x >> 1] |=
                        static_cast<std::uint8_t>((source[x] & 0x0F) << ((x & 1) ? 0 : 4));
                    break;
                default:
                    target[x >> 3] |= static_cast<std::uint8_t>((source[x] & 1) << (7 - (x & 7)));
                    break;
                }
            }
        }
    }

    bool done = false;

private:
    void nextRow() {
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        x_ = 0;
        if (!interlaced_) {
            ++y_;
            done = y_ >= height_;
        } else {
            y_ += kStep[pass_];
            while (y_ >= height_) {
                if (++pass_ >= 4) {
                    done = true;
                    return;
                }
                y_ = kStart[pass_];
            }
        }
        if (!done)
            started_[static_cast<std::size_t>(y_)] = true;
    }

    int width_;
    int height_;
    bool interlaced_;
    std::vector<std::uint8_t> pixels_;
    std::vector<bool> started_;
    int x_ = 0;
    int y_ = 0;
    int pass_ = 0;
};

bool decode(BitReader& in, int minSize, int mask, bool tolerant, Canvas& out) {
    if (out.done)
        return false;
    std::vector<std::uint16_t> prefix(kMaxCodes, 0);
    std::vector<std::uint8_t> suffix(kMaxCodes, 0);
    std::vector<std::uint8_t> stack(kChainLimit + 4);

    const int clear = 1 << minSize;
    const int end = clear + 1;
    int width = minSize + 1;
    int limit = 1 << width;
    int next = clear + 2;
    bool growing = true;
    int previous = -1; // no code since the start
    std::uint8_t first = 0;

    int code = 0;
    while (!out.done) {
        if (!in.Read(width, code))
            break;
        if (code == clear) {
            width = minSize + 1;
            limit = 1 << width;
            next = clear + 2;
            growing = true;
            do {
                if (!in.Read(width, code))
                    return false;
            } while (code == clear);
            if (code == end)
                break;
            previous = code;
            first = static_cast<std::uint8_t>(code & mask);
            out.Put(first);
            continue;
        }
        if (code == end)
            break;
        if (previous < 0) {
            // Data that do not begin with a clear code: a root stands for
            // itself, anything else has nothing to refer to.
            if (code > end) {
                if (!tolerant)
                    throw EInvalidGraphicOperation(SGIFDecodeError);
                return true;
            }
            previous = code;
            first = static_cast<std::uint8_t>(code & mask);
            out.Put(first);
            continue;
        }

        // Codes below the clear code are the roots.
        int sp = 0;
        int walk = code;
        if (code >= next) {
            stack[static_cast<std::size_t>(sp++)] = first;
            walk = previous;
        }
        while (walk >= clear) {
            if (sp > kChainLimit) {
                if (!tolerant)
                    throw EInvalidGraphicOperation(SGIFDecodeError);
                return true;
            }
            stack[static_cast<std::size_t>(sp++)] = suffix[static_cast<std::size_t>(walk)];
            walk = prefix[static_cast<std::size_t>(walk)];
        }
        first = static_cast<std::uint8_t>(walk & mask);
        stack[static_cast<std::size_t>(sp++)] = first;
        while (sp > 0 && !out.done)
            out.Put(stack[static_cast<std::size_t>(--sp)]);

        if (growing) {
            prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(next)] = first;
            if (++next >= limit) {
                if (width < kMaxWidth) {
                    ++width;
                    limit <<= 1;
                } else {
                    growing = false;
                }
            }
        }
        previous = code;
    }
    return false;
}

} // namespace

bool GIFDecodeLZWByChains(const std::uint8_t* data, std::size_t size, int bitsPerPixel,
                          bool interlaced, bool tolerant, TGIFDib& dib) {
    bool corrupted = false;
    int minSize = size > 0 ? data[0] : 0;
    if (minSize < 2 || minSize > 9) {
        if (!tolerant)
            throw EInvalidGraphicOperation(SGIFCodeSize);
        corrupted = true;
        minSize = std::clamp(minSize, 2, 9);
    }
    const int mask = (1 << std::clamp(bitsPerPixel, 1, 8)) - 1;
    BitReader in(size > 0 ? data + 1 : data, data + size);
    Canvas canvas(dib.Width(), dib.Height(), interlaced);
    const bool broken = decode(in, minSize, mask, tolerant, canvas);
    canvas.Store(dib);
    return corrupted || broken;
}
