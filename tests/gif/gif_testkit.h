// Small GIF writer for the tests: an LZW encoder, a code packer that follows
// the decoder's code-width rule, and a builder for whole files.
#pragma once

#include "gif/JvGIF.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace giftest {

using Bytes = std::vector<std::uint8_t>;

inline std::filesystem::path DataDir() {
    if (const char* env = std::getenv("STASHWELL_TEST_DATA"))
        return std::filesystem::path(env) / "gif";
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "gif";
}

inline constexpr int kClear = -1; // stand-ins in code lists
inline constexpr int kEnd = -2;

// Packs codes least significant bit first with the width the decoder will
// expect at each point, into sub-blocks of `blockSize` bytes, after the
// minimum code size byte and before the terminator.
inline Bytes PackCodes(const std::vector<int>& codes, int minSize, int blockSize = 255,
                       bool terminator = true) {
    const int clear = 1 << minSize;
    int width = minSize + 1, next = clear + 2;
    bool firstAfterClear = true;
    Bytes stream;
    std::uint32_t acc = 0;
    int bits = 0;
    for (int c : codes) {
        const int value = c == kClear ? clear : c == kEnd ? clear + 1 : c;
        acc |= static_cast<std::uint32_t>(value) << bits;
        bits += width;
        while (bits >= 8) {
            stream.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
        if (c == kClear) {
            width = minSize + 1;
            next = clear + 2;
            firstAfterClear = true;
        } else if (firstAfterClear) {
            firstAfterClear = false;
        } else if (next < 4096) {
            if (++next == (1 << width) && width < 12)
                ++width;
        }
    }
    if (bits > 0)
        stream.push_back(static_cast<std::uint8_t>(acc));
    Bytes out{static_cast<std::uint8_t>(minSize)};
    for (std::size_t i = 0; i < stream.size(); i += static_cast<std::size_t>(blockSize)) {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(blockSize), stream.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), stream.begin() + static_cast<long>(i),
                   stream.begin() + static_cast<long>(i + n));
    }
    if (terminator)
        out.push_back(0);
    return out;
}

// Plain LZW over pixel indices. `clearEvery` > 0 sends a clear code after
// that many codes; otherwise a clear code goes out only when the table is
// full and `clearWhenFull` is set (else the encoder goes on with a full table).
inline std::vector<int> EncodeCodes(const Bytes& pixels, int minSize, int clearEvery = 0,
                                    bool clearWhenFull = true) {
    const int clear = 1 << minSize;
    std::vector<int> codes{kClear};
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    int current = -1, sinceClear = 0;
    for (std::uint8_t p : pixels) {
        if (current < 0) {
            current = p;
            continue;
        }
        auto found = table.find({current, p});
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        codes.push_back(current);
        ++sinceClear;
        if (next < 4096)
            table[{current, p}] = next++;
        current = p;
        if ((clearEvery > 0 && sinceClear >= clearEvery) || (clearWhenFull && next >= 4096)) {
            codes.push_back(kClear);
            table.clear();
            next = clear + 2;
            sinceClear = 0;
        }
    }
    if (current >= 0)
        codes.push_back(current);
    codes.push_back(kEnd);
    return codes;
}

inline Bytes Encode(const Bytes& pixels, int minSize, int clearEvery = 0) {
    return PackCodes(EncodeCodes(pixels, minSize, clearEvery), minSize);
}

inline void Put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A whole GIF, written piece by piece.
class Builder {
public:
    // `globalBits` 0: no global colour table; otherwise a table of
    // 2^globalBits entries where entry i is (i, 255 - i, i * 7).
    Builder(int width, int height, int globalBits = 2, const char* version = "GIF89a",
            int background = 0) {
        for (int i = 0; i < 6; ++i)
            out.push_back(static_cast<std::uint8_t>(version[i]));
        Put16(out, width);
        Put16(out, height);
        out.push_back(static_cast<std::uint8_t>(globalBits ? 0x80 | (globalBits - 1) : 0));
        out.push_back(static_cast<std::uint8_t>(background));
        out.push_back(0);
        Table(globalBits);
    }
    static std::uint8_t R(int i) { return static_cast<std::uint8_t>(i); }
    static std::uint8_t G(int i) { return static_cast<std::uint8_t>(255 - i); }
    static std::uint8_t B(int i) { return static_cast<std::uint8_t>(i * 7); }
    static COLORREF Color(int i) { return RGB(R(i), G(i), B(i)); }

    Builder& Table(int bits) {
        for (int i = 0; bits && i < (1 << bits); ++i)
            out.insert(out.end(), {R(i), G(i), B(i)});
        return *this;
    }
    Builder& Control(int delay, int disposal = 0, int transparent = -1) {
        out.insert(out.end(), {0x21, 0xF9, 4});
        out.push_back(static_cast<std::uint8_t>((disposal << 2) | (transparent >= 0 ? 1 : 0)));
        Put16(out, delay);
        out.push_back(static_cast<std::uint8_t>(transparent >= 0 ? transparent : 0));
        out.push_back(0);
        return *this;
    }
    Builder& Comment(const std::vector<std::string>& blocks) {
        out.insert(out.end(), {0x21, 0xFE});
        for (const auto& s : blocks) {
            out.push_back(static_cast<std::uint8_t>(s.size()));
            out.insert(out.end(), s.begin(), s.end());
        }
        out.push_back(0);
        return *this;
    }
    Builder& Loop(int count, const char* id = "NETSCAPE2.0") {
        out.insert(out.end(), {0x21, 0xFF, 11});
        out.insert(out.end(), id, id + 11);
        out.insert(out.end(), {3, 1});
        Put16(out, count);
        out.push_back(0);
        return *this;
    }
    Builder& PlainText() {
        out.insert(out.end(), {0x21, 0x01, 12});
        out.insert(out.end(), 12, 0);
        out.insert(out.end(), {2, 'h', 'i', 0});
        return *this;
    }
    // An image descriptor, an optional local table, then compressed data:
    // `data` as given, or the pixels encoded with `minSize`.
    Builder& Frame(int left, int top, int width, int height, const Bytes& data, int localBits = 0,
                   bool interlaced = false) {
        out.push_back(0x2C);
        Put16(out, left);
        Put16(out, top);
        Put16(out, width);
        Put16(out, height);
        out.push_back(static_cast<std::uint8_t>((localBits ? 0x80 | (localBits - 1) : 0) |
                                                (interlaced ? 0x40 : 0)));
        Table(localBits);
        out.insert(out.end(), data.begin(), data.end());
        return *this;
    }
    Builder& Pixels(int left, int top, int width, int height, const Bytes& pixels, int minSize = 2,
                    int localBits = 0, bool interlaced = false) {
        return Frame(left, top, width, height, Encode(pixels, minSize), localBits, interlaced);
    }
    Builder& Raw(const Bytes& bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes Done() {
        out.push_back(0x3B);
        return out;
    }

    Bytes out;
};

// Loads bytes into an image through a memory stream.
inline void Load(TJvGIFImage& image, const Bytes& bytes) {
    tk::TMemoryStream stream;
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    image.ReadFromStream(stream);
}

// Every pixel index of a decoded frame, top row first.
inline Bytes Indices(const TGIFDib& dib) {
    Bytes result;
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            result.push_back(static_cast<std::uint8_t>(dib.PixelIndex(x, y)));
    return result;
}

// Keeps the tolerance switch as it was when the test leaves.
struct Strict {
    Strict() { GIFLoadCorrupted = false; }
    ~Strict() { GIFLoadCorrupted = true; }
};

} // namespace giftest
