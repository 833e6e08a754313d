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
                blockLeft_ = std::min<std::size_t>(blockLeft_, static_cast<std::size_t>(end_ - p_));
                if (blockLeft_ == 0)
                    return;
            }
            // Take as many whole bytes of this sub-block as the buffer holds.
            std::size_t take = std::min<std::size_t>(blockLeft_, (64 - bits_) / 8);
            blockLeft_ -= take;
            while (take-- > 0) {
                acc_ |= static_cast<std::uint64_t>(*p_++) << bits_;
                bits_ += 8;
            }
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
        total_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        pixels_.reset(static_cast<std::uint8_t*>(std::calloc(total_, 1)));
        if (!pixels_)
            throw tk::EOutOfMemory("Out of memory");
        row_ = pixels_.get();
        if (interlaced)
            started_.assign(static_cast<std::size_t>(height), false);
        markStarted();
    }

    std::uint8_t* Here() { return row_ + x_; }
    // Pixels that can be written from Here() on in one piece.
    std::size_t Room() const {
        return interlaced_ ? static_cast<std::size_t>(width_ - x_)
                           : total_ - static_cast<std::size_t>(row_ + x_ - pixels_.get());
    }
    // After `count` (at most Room()) pixels were written at Here().
    void Advance(std::size_t count) {
        if (!interlaced_) {
            x_ += static_cast<int>(count); // the position runs on through the rows
            if (static_cast<std::size_t>(row_ + x_ - pixels_.get()) == total_)
                done = true;
            return;
        }
        x_ += static_cast<int>(count);
        if (x_ == width_)
            nextRow();
    }
    void Put(std::uint8_t value) {
        *Here() = value;
        Advance(1);
    }

    // Rows never reached stay as they are in the bitmap: zero.
    void Store(TGIFDib& dib) const {
        if (total_ == 0)
            return;
        const std::size_t written = static_cast<std::size_t>(row_ + x_ - pixels_.get());
        const int reached = interlaced_ ? height_
                                        : static_cast<int>(std::min<std::size_t>(
                                              (written + static_cast<std::size_t>(width_) - 1) /
                                                  static_cast<std::size_t>(width_),
                                              static_cast<std::size_t>(height_)));
        for (int y = 0; y < reached; ++y) {
            if (interlaced_ && !started_[static_cast<std::size_t>(y)])
                continue;
            const std::uint8_t* source = pixels_.get() + static_cast<std::size_t>(y) * width_;
            std::uint8_t* target = dib.ScanLine(y);
            if (dib.BitCount() == 8) {
                std::memcpy(target, source, static_cast<std::size_t>(width_));
            } else if (dib.BitCount() == 4) {
                for (int i = 0; i < width_; i += 2)
                    target[i >> 1] = static_cast<std::uint8_t>(
                        (source[i] << 4) | (i + 1 < width_ ? source[i + 1] & 0x0F : 0));
            } else {
                for (int i = 0; i < width_; i += 8) {
                    std::uint8_t b = 0;
                    for (int j = 0; j < 8 && i + j < width_; ++j)
                        b = static_cast<std::uint8_t>(b | ((source[i + j] & 1) << (7 - j)));
                    target[i >> 3] = b;
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
        y_ += kStep[pass_];
        while (y_ >= height_) {
            if (++pass_ >= 4) {
                done = true;
                return;
            }
            y_ = kStart[pass_];
        }
        row_ = pixels_.get() + static_cast<std::size_t>(y_) * width_;
        markStarted();
    }

    void markStarted() {
        if (interlaced_)
            started_[static_cast<std::size_t>(y_)] = true;
    }

    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    int width_;
    int height_;
    bool interlaced_;
    std::size_t total_ = 0;
    std::unique_ptr<std::uint8_t, Free> pixels_; // zeroed by calloc, pages on first use
    std::vector<bool> started_;                  // interlaced: the rows begun
    std::uint8_t* row_ = nullptr;
    int x_ = 0;
    int y_ = 0;
    int pass_ = 0;
};

// Where one code's string went.
struct Emission {
    const std::uint8_t* start = nullptr;
    int length = 0;
    bool whole = false; // in one piece, so that it can be copied again
};

struct Tables {
    std::uint16_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes];
    // A code's string as it lies in the canvas already, when it does in one
    // piece: the string of the code before it followed by the first pixel
    // of the code after it.
    const std::uint8_t* where[kMaxCodes];
    std::int32_t whereLength[kMaxCodes];
    // Set for codes whose chain reaches codes that were not in the table
    // when they came (corrupt data): those are always walked, so that they
    // read exactly what the table holds at the time.
    bool tainted[kMaxCodes];
    // A chain of kChainLimit suffixes, the pixel of a code not yet in the
    // table, and the root.
    std::uint8_t stack[kChainLimit + 4];
};

// The stack, last pixel first, into the canvas.
Emission putReversed(Canvas& out, const std::uint8_t* stack, int count) {
    Emission e{out.Here(), count, static_cast<std::size_t>(count) <= out.Room()};
    if (e.whole) {
        std::uint8_t* dst = out.Here();
        for (int i = 0; i < count; ++i)
            dst[i] = stack[count - 1 - i];
        out.Advance(static_cast<std::size_t>(count));
    } else {
        while (count > 0 && !out.done)
            out.Put(stack[--count]);
    }
    return e;
}

// `length` pixels from earlier in the canvas, then `last` when it is 0..255.
Emission putCopy(Canvas& out, const std::uint8_t* source, int length, int last) {
    const int count = length + (last >= 0 ? 1 : 0);
    Emission e{out.Here(), count, static_cast<std::size_t>(count) <= out.Room()};
    if (e.whole) {
        // The source lies wholly before the position: no overlap.
        std::uint8_t* dst = out.Here();
        std::memcpy(dst, source, static_cast<std::size_t>(length));
        if (last >= 0)
            dst[length] = static_cast<std::uint8_t>(last);
        out.Advance(static_cast<std::size_t>(count));
    } else {
        for (int i = 0; i < length && !out.done; ++i)
            out.Put(source[i]);
        if (last >= 0 && !out.done)
            out.Put(static_cast<std::uint8_t>(last));
    }
    return e;
}

// Decodes the codes into the canvas. With `copies` off every string is made
// by walking its chain (the plain method, kept as the reference); with it on,
// strings that already lie in the canvas are copied from there.
bool decode(BitReader& in, int minSize, int mask, bool tolerant, bool copies, Canvas& out) {
    if (out.done)
        return false;
    auto tables = std::make_unique<Tables>();
    std::uint16_t* prefix = tables->prefix;
    std::uint8_t* suffix = tables->suffix;
    const std::uint8_t** where = tables->where;
    std::int32_t* whereLength = tables->whereLength;
    bool* tainted = tables->tainted;
    std::uint8_t* stack = tables->stack;
    std::fill(prefix, prefix + kMaxCodes, 0);
    std::fill(suffix, suffix + kMaxCodes, 0);
    std::fill(where, where + kMaxCodes, nullptr);
    std::fill(whereLength, whereLength + kMaxCodes, 0);
    std::fill(tainted, tainted + kMaxCodes, false);

    const int clear = 1 << minSize;
    const int end = clear + 1;
    int width = minSize + 1;
    int limit = 1 << width;
    int next = clear + 2;
    bool growing = true;
    int previous = -1; // no code since the start
    bool previousTainted = false;
    Emission last;
    std::uint8_t first = 0;

    auto corrupt = [&]() {
        if (!tolerant)
            throw EInvalidGraphicOperation(SGIFDecodeError);
        return true;
    };

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
            previousTainted = code > end; // a table code right after a clear
            first = static_cast<std::uint8_t>(code & mask);
            last = Emission{out.Here(), 1, true};
            out.Put(first);
            continue;
        }
        if (code == end)
            break;
        if (previous < 0) {
            // Data that do not begin with a clear code: a root stands for
            // itself, anything else has nothing to refer to.
            if (code > end)
                return corrupt();
            previous = code;
            previousTainted = false;
            first = static_cast<std::uint8_t>(code & mask);
            last = Emission{out.Here(), 1, true};
            out.Put(first);
            continue;
        }

        // Codes below the clear code are the roots. (Testing against the
        // colour table's size instead would read table codes as pixels
        // whenever the table is larger than the code size says.)
        Emission now;
        bool codeTainted;
        if (code < clear) {
            first = static_cast<std::uint8_t>(code & mask);
            now = Emission{out.Here(), 1, true};
            out.Put(first);
            codeTainted = false;
        } else if (copies && code < next && !tainted[code] && where[code]) {
            first = where[code][0];
            now = putCopy(out, where[code], whereLength[code], -1);
            codeTainted = false;
        } else if (copies && code == next && !previousTainted && last.whole) {
            // The code being defined right now: the previous string and its
            // own first pixel.
            now = putCopy(out, last.start, last.length, first);
            codeTainted = false;
        } else {
            int sp = 0;
            int walk = code;
            if (code >= next) {
                stack[sp++] = first;
                walk = previous;
            }
            while (walk >= clear) {
                if (sp > kChainLimit)
                    return corrupt();
                stack[sp++] = suffix[walk];
                walk = prefix[walk];
            }
            first = static_cast<std::uint8_t>(walk & mask);
            stack[sp++] = first;
            now = putReversed(out, stack, sp);
            codeTainted = code > next || (code == next ? previousTainted : tainted[code]);
        }

        if (growing) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = first;
            tainted[next] = previousTainted;
            // The previous string and this code's first pixel lie side by
            // side when both went out in one piece, one right after the other.
            const bool adjacent =
                last.whole && now.start == last.start + last.length && now.length > 0;
            where[next] = !previousTainted && adjacent ? last.start : nullptr;
            whereLength[next] = last.length + 1;
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
        previousTainted = codeTainted;
        last = now;
    }
    return false;
}

bool decodeFrame(const std::uint8_t* data, std::size_t size, int bitsPerPixel, bool interlaced,
                 bool tolerant, bool copies, TGIFDib& dib) {
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
    const bool broken = decode(in, minSize, mask, tolerant, copies, canvas);
    canvas.Store(dib);
    return corrupted || broken;
}

} // namespace

bool GIFDecodeLZW(const std::uint8_t* data, std::size_t size, int bitsPerPixel, bool interlaced,
                  bool tolerant, TGIFDib& dib) {
    return decodeFrame(data, size, bitsPerPixel, interlaced, tolerant, true, dib);
}

bool GIFDecodeLZWByChains(const std::uint8_t* data, std::size_t size, int bitsPerPixel,
                          bool interlaced, bool tolerant, TGIFDib& dib) {
    return decodeFrame(data, size, bitsPerPixel, interlaced, tolerant, false, dib);
}
