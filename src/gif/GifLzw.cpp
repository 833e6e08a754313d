// The LZW decoder of GIF image data, writing straight into the frame bitmap.
//
// Every string the code table holds is either walked along its chain of
// prefixes or, when it already lies in one piece in the picture, copied from
// there. A string is written at once into its row when it fits in what is
// left of the row; one that would run past the row's end goes through a
// slower path that splits it over the rows.
#include "gif/GifLzw.h"

#include "gif/GifError.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

static_assert(std::endian::native == std::endian::little,
              "codes are read eight bytes at a time, least significant byte first");

constexpr int kMaxCodes = 4096;
constexpr int kMaxWidth = 12;
// Longest walk along the prefix chain before the data count as corrupt.
constexpr int kChainLimit = 4096;
// Pieces in which strings are copied; reads and writes may run this far
// beyond what a string needs.
constexpr int kChunk = 16;

struct FreeBytes {
    void operator()(std::uint8_t* p) const { std::free(p); }
};
using Block = std::unique_ptr<std::uint8_t, FreeBytes>;

Block allocate(std::size_t size) {
    Block block(static_cast<std::uint8_t*>(std::malloc(size)));
    if (!block)
        throw tk::EOutOfMemory("Out of memory");
    return block;
}

// The bytes of the data sub-blocks joined together, followed by 8 zero bytes,
// so that each code is read with one unaligned load. A length running past
// the data is cut to what is there; a zero length ends the data.
class Codes {
public:
    Codes(const std::uint8_t* p, const std::uint8_t* end)
        : bytes_(allocate(static_cast<std::size_t>(end - p) + 8)) {
        std::uint8_t* out = bytes_.get();
        while (p < end) {
            const std::size_t given = *p++;
            const std::size_t length = std::min(given, static_cast<std::size_t>(end - p));
            if (length == 0)
                break;
            std::memcpy(out, p, length);
            out += length;
            p += length;
        }
        bits_ = static_cast<std::uint64_t>(out - bytes_.get()) * 8;
        std::memset(out, 0, 8);
    }

    const std::uint8_t* Bytes() const { return bytes_.get(); }
    std::uint64_t Bits() const { return bits_; }

private:
    Block bytes_;
    std::uint64_t bits_ = 0;
};

// Where the pixels go: rows of `width` bytes at `base` + y * `stride`, filled
// left to right, top to bottom or in the four interlace passes. `dst` is the
// next pixel and `rowEnd` the end of its row; `done` once no row is left.
struct Rows {
    std::uint8_t* base;
    std::ptrdiff_t stride;
    int width;
    int height;
    bool interlaced;

    std::uint8_t* dst = nullptr;
    std::uint8_t* rowEnd = nullptr;
    bool done = false;
    int y = 0;
    int pass = 0;

    void Start() {
        done = width <= 0 || height <= 0;
        if (!done)
            begin();
    }
    std::size_t Room() const { return static_cast<std::size_t>(rowEnd - dst); }

    // After the current row is full.
    void NextRow() {
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        if (!interlaced) {
            done = ++y >= height;
        } else {
            y += kStep[pass];
            while (y >= height) {
                if (++pass >= 4) {
                    done = true;
                    return;
                }
                y = kStart[pass];
            }
        }
        if (!done)
            begin();
    }

    // `count` pixels of `source` in order, over as many rows as they need;
    // those beyond the last row are dropped.
    void Put(const std::uint8_t* source, std::size_t count) {
        while (count > 0 && !done) {
            const std::size_t n = std::min(count, Room());
            std::memcpy(dst, source, n);
            dst += n;
            source += n;
            count -= n;
            if (dst == rowEnd)
                NextRow();
        }
    }

    // Rows and pixels that decoding did not reach become 0.
    void ZeroTheRest() {
        if (done)
            return;
        std::memset(dst, 0, Room());
        for (NextRow(); !done; NextRow())
            std::memset(dst, 0, Room());
    }

private:
    void begin() {
        dst = base + static_cast<std::ptrdiff_t>(y) * stride;
        rowEnd = dst + width;
    }
};

// `count` bytes from `source` to `target`, in pieces of kChunk bytes: up to
// kChunk - 1 bytes past the end of both are read and written. The bytes the
// string needs lie apart from those written, so overlap in the rest is fine.
inline void copyChunks(std::uint8_t* target, const std::uint8_t* source, std::size_t count) {
    for (;;) {
        std::uint8_t piece[kChunk];
        std::memcpy(piece, source, kChunk);
        std::memcpy(target, piece, kChunk);
        if (count <= static_cast<std::size_t>(kChunk))
            return;
        target += kChunk;
        source += kChunk;
        count -= kChunk;
    }
}

inline std::size_t roundUpToChunk(std::size_t count) {
    return (count + kChunk - 1) & ~static_cast<std::size_t>(kChunk - 1);
}

// One entry of the code table.
struct Entry {
    // The string in the picture when it lies there in one piece: the string
    // of the code before, followed by the first pixel of the code after it.
    const std::uint8_t* where;
    std::uint16_t length;
    std::uint16_t prefix;
    std::uint8_t suffix;
    // Whether the chain reaches codes that were not in the table when they
    // came (corrupt data): such codes are always walked, with the guard on
    // the chain's length, so that they read what the table holds then.
    bool tainted;
};

// A chain of kChainLimit suffixes, the pixel of a code not yet in the table,
// and the root.
constexpr int kStackSize = kChainLimit + 4;

struct Tables {
    Entry entry[kMaxCodes];
    std::uint8_t stack[kStackSize]; // filled from its end
};

struct Context {
    Entry* entry;
    std::uint8_t* stack;
    int clear;
    int mask;
};

// The code before the one being decoded, and its string.
struct Previous {
    int code;
    bool tainted;
    std::uint8_t first;        // its first pixel
    const std::uint8_t* where; // where it went in one piece; null when tainted
    std::size_t length;
};

// A code's string as it went out.
struct Emitted {
    std::uint8_t first;
    const std::uint8_t* where; // null when it was split over rows
    std::size_t length;
    bool tainted;
    bool corrupt; // nothing went out
};

// The string of the well-formed chain from `walk` pushed onto the stack
// below `sp`, last pixel first; returns the new top.
int pushChain(const Context& c, int sp, int walk) {
    while (walk >= c.clear) {
        const Entry& w = c.entry[walk];
        c.stack[--sp] = w.suffix;
        walk = w.prefix;
    }
    c.stack[--sp] = static_cast<std::uint8_t>(walk & c.mask);
    return sp;
}

Emitted putStack(Rows& out, const std::uint8_t* stack, int sp) {
    const std::size_t count = static_cast<std::size_t>(kStackSize - sp);
    const Emitted e{stack[sp], count <= out.Room() ? out.dst : nullptr, count, false, false};
    out.Put(stack + sp, count);
    return e;
}

// The string of a code that the quick paths of `decode` leave: one that
// would run past the row's end, one not in the picture in one piece, and
// those of corrupt data.
Emitted putSlowly(const Context& c, Rows& out, int code, int next, int everDefined,
                  const Previous& previous) {
    const int end = c.clear + 1;
    std::uint8_t* const stack = c.stack;
    int sp = kStackSize;
    if (code > end && code < next && !c.entry[code].tainted) {
        const Entry& e = c.entry[code];
        const std::size_t length = e.length;
        if (e.where) {
            const Emitted r{e.where[0], length <= out.Room() ? out.dst : nullptr, length, false,
                            false};
            out.Put(e.where, length);
            return r;
        }
        int walk = code;
        if (length <= out.Room()) {
            // Backwards from the string's end, straight into the row.
            std::uint8_t* p = out.dst + length;
            while (walk >= c.clear) {
                const Entry& w = c.entry[walk];
                *--p = w.suffix;
                walk = w.prefix;
            }
            *--p = static_cast<std::uint8_t>(walk & c.mask);
            const Emitted r{*p, out.dst, length, false, false};
            out.dst += length;
            if (out.dst == out.rowEnd)
                out.NextRow();
            return r;
        }
        return putStack(out, stack, pushChain(c, sp, walk));
    }
    if (code == next && !previous.tainted) {
        // The code being defined right now: the previous string and its own
        // first pixel.
        if (previous.where) {
            const std::size_t length = previous.length + 1;
            const Emitted r{previous.first, length <= out.Room() ? out.dst : nullptr, length, false,
                            false};
            out.Put(previous.where, previous.length);
            out.Put(&previous.first, 1);
            return r;
        }
        stack[--sp] = previous.first;
        return putStack(out, stack, pushChain(c, sp, previous.code));
    }
    // Corrupt data: a code beyond the table, or one whose chain may change
    // under it. Walked with the guard against endless chains; entries never
    // defined in this frame read as zero.
    int walk = code;
    if (code >= next) {
        stack[--sp] = previous.first;
        walk = previous.code;
    }
    while (walk >= c.clear) {
        if (kStackSize - sp > kChainLimit)
            return Emitted{0, nullptr, 0, true, true};
        const bool defined = walk < everDefined;
        stack[--sp] = defined ? c.entry[walk].suffix : std::uint8_t{0};
        walk = defined ? c.entry[walk].prefix : 0;
    }
    stack[--sp] = static_cast<std::uint8_t>(walk & c.mask);
    Emitted r = putStack(out, stack, sp);
    r.where = nullptr;
    r.tainted = code > next || (code == next ? previous.tainted : c.entry[code].tainted);
    return r;
}

// Decodes the codes into `out`. True when the data were found corrupt.
bool decode(const Codes& in, int minSize, int mask, bool tolerant, Rows& out) {
    // Entries are written as codes are defined, and read only once defined;
    // the clear and end codes' entries read as empty for walks of corrupt
    // chains that reach them.
    std::unique_ptr<Tables> tables(new Tables);
    Entry* const entry = tables->entry;
    const int clear = 1 << minSize;
    const int end = clear + 1;
    entry[clear] = Entry{nullptr, 0, 0, 0, false};
    entry[end] = entry[clear];
    const Context context{entry, tables->stack, clear, mask};

    const std::uint8_t* const bytes = in.Bytes();
    const std::uint64_t bitEnd = in.Bits();
    std::uint64_t bitPos = 0;
    int width = minSize + 1;
    std::uint32_t codeMask = (1u << width) - 1;
    int limit = 1 << width;
    int next = clear + 2;
    int everDefined = next; // the entries below it were defined in this frame
    bool growing = true;

    std::uint8_t* dst = out.dst;
    std::uint8_t* rowEnd = out.rowEnd;
    // The code before and its string: the first pixel, where it went in one
    // piece (null when split or tainted), its length and where it ends.
    int previous = 0;
    bool previousTainted = false;
    std::uint8_t first = 0;
    const std::uint8_t* last = nullptr;
    std::size_t lastLength = 0;
    const std::uint8_t* lastEnd = nullptr;
    bool startOfData = true;
    bool broken = false;
    int code = 0;

    auto read = [&]() {
        if (bitPos >= bitEnd)
            return false;
        std::uint64_t word;
        std::memcpy(&word, bytes + (bitPos >> 3), 8);
        code = static_cast<int>((word >> (bitPos & 7)) & codeMask);
        bitPos += static_cast<std::uint64_t>(width);
        return true;
    };
    // After the row is full: false when no row is left.
    auto nextRow = [&]() {
        out.dst = dst;
        out.NextRow();
        dst = out.dst;
        rowEnd = out.rowEnd;
        return !out.done;
    };
    // The table entry that the string just begun at `start`, whose first
    // pixel is `pixel`, makes: the previous string and that pixel.
    auto define = [&](std::uint8_t pixel, const std::uint8_t* start) {
        if (!growing)
            return;
        Entry& e = entry[next];
        e.where = start == lastEnd ? last : nullptr;
        e.length = static_cast<std::uint16_t>(lastLength + 1);
        e.prefix = static_cast<std::uint16_t>(previous);
        e.suffix = pixel;
        e.tainted = previousTainted;
        if (++next >= limit) {
            if (width < kMaxWidth) {
                ++width;
                limit <<= 1;
                codeMask = static_cast<std::uint32_t>(limit - 1);
            } else {
                growing = false;
            }
        }
    };

    // At a clear code: the table starts again.
    auto restart = [&]() {
        everDefined = std::max(everDefined, next);
        width = minSize + 1;
        codeMask = (1u << width) - 1;
        limit = 1 << width;
        next = clear + 2;
        growing = true;
    };

    for (;;) {
        // The first code of the data, and the first after a clear code,
        // stand for themselves.
        if (!read())
            break;
        if (code == clear) {
            restart();
            startOfData = false;
            continue;
        }
        if (code == end)
            break;
        if (code > end && startOfData) {
            // Data that do not begin with a clear code: a table code has
            // nothing to refer to.
            broken = true;
            break;
        }
        startOfData = false;
        // A table code straight after a clear code stands for its own value,
        // but its entry is left over from before.
        previous = code;
        previousTainted = code > end;
        first = static_cast<std::uint8_t>(code & mask);
        *dst = first;
        last = previousTainted ? nullptr : dst;
        lastLength = 1;
        lastEnd = last ? dst + 1 : nullptr;
        if (++dst == rowEnd && !nextRow())
            goto finish;

        for (;;) {
            if (!read())
                goto finish;
            if (code < clear) {
                // A root.
                const auto pixel = static_cast<std::uint8_t>(code & mask);
                *dst = pixel;
                define(pixel, dst);
                previous = code;
                previousTainted = false;
                first = pixel;
                last = dst;
                lastLength = 1;
                lastEnd = ++dst;
                if (dst == rowEnd && !nextRow())
                    goto finish;
                continue;
            }
            if (code > end && code < next) {
                const Entry& e = entry[code];
                const std::size_t length = e.length;
                if (e.where && roundUpToChunk(length) <= static_cast<std::size_t>(rowEnd - dst)) {
                    // A string that lies in the picture already.
                    const std::uint8_t pixel = e.where[0];
                    copyChunks(dst, e.where, length);
                    define(pixel, dst);
                    previous = code;
                    previousTainted = false;
                    first = pixel;
                    last = dst;
                    lastLength = length;
                    lastEnd = dst += length;
                    if (dst == rowEnd && !nextRow())
                        goto finish;
                    continue;
                }
            } else if (code == clear) {
                break;
            } else if (code == end) {
                goto finish;
            } else if (code == next && last &&
                       roundUpToChunk(lastLength + 1) <= static_cast<std::size_t>(rowEnd - dst)) {
                // The code being defined right now: the previous string, which
                // went out in one piece, and its own first pixel.
                copyChunks(dst, last, lastLength);
                dst[lastLength] = first;
                define(first, dst);
                previous = code;
                previousTainted = false;
                last = dst;
                lastLength += 1;
                lastEnd = dst += lastLength;
                if (dst == rowEnd && !nextRow())
                    goto finish;
                continue;
            }

            std::uint8_t* const start = dst;
            out.dst = dst;
            const Emitted r =
                putSlowly(context, out, code, next, std::max(everDefined, next),
                          Previous{previous, previousTainted, first, last, lastLength});
            if (r.corrupt) {
                broken = true;
                goto finish;
            }
            define(r.first, start);
            previous = code;
            previousTainted = r.tainted;
            first = r.first;
            last = r.tainted ? nullptr : r.where;
            lastLength = r.length;
            lastEnd = last ? last + lastLength : nullptr;
            if (out.done)
                goto finish;
            dst = out.dst;
            rowEnd = out.rowEnd;
        }
        // A clear code.
        restart();
    }
finish:
    if (!out.done)
        out.dst = dst;
    if (broken && !tolerant)
        throw EInvalidGraphicOperation(SGIFDecodeError);
    return broken;
}

int codeSize(const std::uint8_t* data, std::size_t size, bool tolerant, bool& corrupted) {
    int minSize = size > 0 ? data[0] : 0;
    if (minSize < 2 || minSize > 9) {
        if (!tolerant)
            throw EInvalidGraphicOperation(SGIFCodeSize);
        corrupted = true;
        minSize = std::clamp(minSize, 2, 9);
    }
    return minSize;
}

// Depths 1 and 4: the row of bytes `source` packed into `target`, with the
// rest of the stored row (its padding) zeroed.
void packRow(const std::uint8_t* source, int width, int depth, std::uint8_t* target,
             std::size_t stride) {
    std::memset(target, 0, stride);
    if (depth == 4) {
        for (int x = 0; x + 1 < width; x += 2)
            target[x >> 1] = static_cast<std::uint8_t>((source[x] << 4) | (source[x + 1] & 0x0F));
        if (width & 1)
            target[width >> 1] = static_cast<std::uint8_t>(source[width - 1] << 4);
    } else {
        for (int x = 0; x < width; ++x)
            target[x >> 3] =
                static_cast<std::uint8_t>(target[x >> 3] | ((source[x] & 1) << (7 - (x & 7))));
    }
}

} // namespace

bool GIFDecodeLZW(const std::uint8_t* data, std::size_t size, int bitsPerPixel, bool interlaced,
                  bool tolerant, TGIFDib& dib) {
    bool corrupted = false;
    const int minSize = codeSize(data, size, tolerant, corrupted);
    const int mask = (1 << std::clamp(bitsPerPixel, 1, 8)) - 1;
    const int width = dib.Width();
    const int height = dib.Height();
    const std::size_t stride = dib.RowStride();
    if (width <= 0 || height <= 0)
        return corrupted;

    Codes in(size > 0 ? data + 1 : data, data + size);
    bool broken;
    if (dib.BitCount() == 8) {
        // Straight into the bitmap, whose rows are stored bottom row first.
        Rows out{dib.ScanLine(0), -static_cast<std::ptrdiff_t>(stride), width, height, interlaced};
        out.Start();
        broken = decode(in, minSize, mask, tolerant, out);
        out.ZeroTheRest();
        if (stride > static_cast<std::size_t>(width))
            for (int y = 0; y < height; ++y)
                std::memset(dib.ScanLine(y) + width, 0, stride - static_cast<std::size_t>(width));
    } else {
        // Pixels narrower than a byte: one byte each first, packed after.
        const std::size_t w = static_cast<std::size_t>(width);
        Block bytes = allocate(w * static_cast<std::size_t>(height) + TGIFDib::kReadSlack);
        std::memset(bytes.get() + w * static_cast<std::size_t>(height), 0, TGIFDib::kReadSlack);
        Rows out{bytes.get(), static_cast<std::ptrdiff_t>(w), width, height, interlaced};
        out.Start();
        broken = decode(in, minSize, mask, tolerant, out);
        out.ZeroTheRest();
        for (int y = 0; y < height; ++y)
            packRow(bytes.get() + static_cast<std::size_t>(y) * w, width, dib.BitCount(),
                    dib.ScanLine(y), stride);
    }
    return corrupted || broken;
}
