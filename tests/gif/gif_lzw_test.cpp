// The LZW decoder: round trips through the test's own encoder, and the
// corner cases of the code stream.
#include "gif/GifLzw.h"
#include "gif_testkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace giftest;

namespace {

Bytes randomPixels(std::size_t count, int colors, unsigned seed, int run = 1) {
    std::mt19937 rng(seed);
    Bytes pixels;
    while (pixels.size() < count) {
        const auto value = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colors));
        const int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(run));
        for (int i = 0; i < n && pixels.size() < count; ++i)
            pixels.push_back(value);
    }
    return pixels;
}

int depthOf(int bpp) {
    return bpp == 1 ? 1 : bpp <= 4 ? 4 : 8;
}

// A bitmap whose rows, padding included, hold junk: the decoder must write
// every byte of them.
TGIFDib junkBitmap(int width, int height, int depth) {
    TGIFDib dib(width, height, depth, TGIFDib::Rows::Unset);
    for (int y = 0; y < height; ++y)
        std::memset(dib.ScanLine(y), 0xA5, dib.RowStride());
    return dib;
}

// Decodes into a fresh bitmap of junk; returns the corrupted flag.
bool decode(const Bytes& data, int width, int height, int bpp, TGIFDib& dib,
            bool interlaced = false, bool tolerant = true) {
    dib = junkBitmap(width, height, depthOf(bpp));
    return GIFDecodeLZW(data.data(), data.size(), bpp, interlaced, tolerant, dib);
}

// The rows from top to bottom in the order they are sent.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < height; y += step)
            rows.push_back(y);
    return rows;
}

// The stored rows, padding included.
Bytes rowBytes(const TGIFDib& dib) {
    Bytes bytes;
    for (int y = 0; y < dib.Height(); ++y)
        bytes.insert(bytes.end(), dib.ScanLine(y), dib.ScanLine(y) + dib.RowStride());
    return bytes;
}

// The fast decoder, into junk, gives the same rows and corrupted flag as the
// plain one into zeros.
void expectSameAsChains(const Bytes& data, int width, int height, int bpp, bool interlaced,
                        const std::string& what) {
    TGIFDib fast = junkBitmap(width, height, depthOf(bpp));
    TGIFDib plain(width, height, depthOf(bpp));
    const bool fastCorrupt = GIFDecodeLZW(data.data(), data.size(), bpp, interlaced, true, fast);
    const bool plainCorrupt =
        GIFDecodeLZWByChains(data.data(), data.size(), bpp, interlaced, true, plain);
    EXPECT_EQ(fastCorrupt, plainCorrupt) << what;
    EXPECT_EQ(rowBytes(fast), rowBytes(plain)) << what;
}

} // namespace

TEST(GifLzw, RoundTripsAtEveryDepthAndCodeSize) {
    struct Case {
        int bpp, minSize, width, height, run;
    };
    // Widths that leave padding in the rows of every depth.
    for (Case c : {Case{1, 2, 37, 11, 5}, Case{2, 2, 13, 7, 1}, Case{3, 3, 33, 9, 3},
                   Case{4, 4, 31, 17, 2}, Case{5, 5, 17, 5, 1}, Case{7, 7, 29, 23, 4},
                   Case{8, 8, 61, 19, 1}, Case{8, 9, 20, 20, 1}}) {
        SCOPED_TRACE(testing::Message() << "bpp " << c.bpp << " code size " << c.minSize);
        const Bytes pixels = randomPixels(static_cast<std::size_t>(c.width * c.height), 1 << c.bpp,
                                          static_cast<unsigned>(c.width), c.run);
        TGIFDib dib;
        EXPECT_FALSE(decode(Encode(pixels, c.minSize), c.width, c.height, c.bpp, dib));
        EXPECT_EQ(Indices(dib), pixels);
    }
}

TEST(GifLzw, CodeWidthGrowsTo12AndAFullTableKeepsDecoding) {
    // Random 8-bit noise fills 4096 entries quickly; one stream sends a
    // clear code whenever the table is full, the other goes on without.
    const int w = 200, h = 150;
    const Bytes pixels = randomPixels(w * h, 256, 42);
    for (bool clearWhenFull : {true, false}) {
        SCOPED_TRACE(clearWhenFull ? "clear when full" : "full table kept");
        const std::vector<int> codes = EncodeCodes(pixels, 8, 0, clearWhenFull);
        int maxCode = 0, clears = 0;
        for (int c : codes) {
            maxCode = std::max(maxCode, c);
            clears += c == kClear;
        }
        ASSERT_GE(maxCode, 2048); // 12-bit codes were sent
        EXPECT_EQ(clears > 1, clearWhenFull);
        TGIFDib dib;
        EXPECT_FALSE(decode(PackCodes(codes, 8), w, h, 8, dib));
        EXPECT_EQ(Indices(dib), pixels);
    }
}

TEST(GifLzw, ClearCodesAnywhereInTheStream) {
    const Bytes pixels = randomPixels(40 * 30, 16, 3, 6);
    for (int every : {1, 2, 7, 100}) {
        TGIFDib dib;
        decode(PackCodes(EncodeCodes(pixels, 4, every), 4, 17), 40, 30, 4, dib);
        EXPECT_EQ(Indices(dib), pixels) << "clear every " << every;
    }
    // Several clear codes in a row, and data that do not start with one.
    TGIFDib dib;
    decode(PackCodes({1, kClear, kClear, 2, 2, 6, kEnd}, 2), 6, 1, 2, dib);
    EXPECT_EQ(Indices(dib), (Bytes{1, 2, 2, 2, 2, 0}));
}

TEST(GifLzw, KwKwKCodeRefersToTheEntryBeingMade) {
    // 4 = clear, 5 = end, 6 is first defined by the code that uses it: 0 then
    // 6 means "0", "0 0"; 7 then is "0 0 0".
    TGIFDib dib;
    EXPECT_FALSE(decode(PackCodes({kClear, 0, 6, 7, kEnd}, 2), 6, 1, 2, dib));
    EXPECT_EQ(Indices(dib), (Bytes{0, 0, 0, 0, 0, 0}));
    // A long run of one value is nothing but such codes.
    const Bytes run(5000, 3);
    decode(Encode(run, 2), 100, 50, 2, dib);
    EXPECT_EQ(Indices(dib), run);
}

TEST(GifLzw, TableCodesBelowTheColorTableSizeAreNotPixels) {
    // A 256-colour frame may be encoded with a small code size when it uses
    // only the first colours: codes 6, 7, ... are table entries, not colours.
    const Bytes pixels = randomPixels(30 * 10, 4, 9, 4);
    TGIFDib dib;
    decode(Encode(pixels, 2), 30, 10, 8, dib);
    EXPECT_EQ(Indices(dib), pixels);
}

TEST(GifLzw, EndCodeStopsAndTheRestStaysZero) {
    TGIFDib dib;
    EXPECT_FALSE(decode(PackCodes({kClear, 3, 2, kEnd, 1, 1, 1}, 2), 4, 2, 2, dib));
    EXPECT_EQ(Indices(dib), (Bytes{3, 2, 0, 0, 0, 0, 0, 0}));
    // An end code straight after a clear code.
    decode(PackCodes({kClear, kEnd, 3}, 2), 2, 1, 2, dib);
    EXPECT_EQ(Indices(dib), (Bytes{0, 0}));
}

TEST(GifLzw, RunningOutOfDataKeepsWhatWasDecoded) {
    const Bytes pixels = randomPixels(64 * 32, 256, 5);
    Bytes data = Encode(pixels, 8);
    data.resize(data.size() / 2); // cut inside a sub-block, no terminator
    TGIFDib dib;
    EXPECT_FALSE(decode(data, 64, 32, 8, dib));
    const Bytes got = Indices(dib);
    std::size_t same = 0;
    while (same < got.size() && got[same] == pixels[same])
        ++same;
    EXPECT_GT(same, 100u);
    EXPECT_LT(same, pixels.size());
    // The last pixel was never reached.
    EXPECT_EQ(got.back(), 0);
    // No data at all, and no code size byte either.
    EXPECT_FALSE(decode(Bytes{8}, 4, 4, 8, dib));
    EXPECT_TRUE(decode(Bytes{}, 4, 4, 8, dib)); // a missing code size counts as out of range
}

TEST(GifLzw, PixelsBeyondTheLastRowAreIgnored) {
    const Bytes pixels = randomPixels(10 * 10, 4, 11);
    TGIFDib dib;
    decode(Encode(pixels, 2), 10, 3, 2, dib);
    EXPECT_EQ(Indices(dib), Bytes(pixels.begin(), pixels.begin() + 30));
    // A frame without pixels reads nothing.
    decode(Encode(pixels, 2), 0, 5, 2, dib);
    EXPECT_EQ(dib.Width(), 0);
}

TEST(GifLzw, InterlacedRowsComeInFourPasses) {
    // Row r of the transmission holds the value r everywhere.
    auto order = [](int height) {
        return rowOrder(height, true);
    };
    for (int height = 1; height <= 20; ++height) {
        Bytes pixels;
        for (int i = 0; i < height; ++i)
            pixels.insert(pixels.end(), 3, static_cast<std::uint8_t>(i));
        TGIFDib dib;
        decode(Encode(pixels, 5), 3, height, 5, dib, true);
        const std::vector<int> rows = order(height);
        for (int i = 0; i < height; ++i)
            EXPECT_EQ(dib.PixelIndex(1, rows[static_cast<std::size_t>(i)]), i)
                << "height " << height << " transmitted row " << i;
    }
    // Height 5 spelled out: rows 0, 4, 2, 1, 3.
    TGIFDib dib;
    decode(Encode(Bytes{10, 11, 12, 13, 14}, 4), 1, 5, 4, dib, true);
    EXPECT_EQ(Indices(dib), (Bytes{10, 13, 12, 14, 11}));
}

TEST(GifLzw, ChainsThatNeverEndAreCorrupt) {
    // 7 lies beyond the table when it comes; the entry made for it then points
    // at itself, and the next 7 would walk for ever.
    const Bytes loop = PackCodes({kClear, 0, 7, 7, 7, 7}, 2);
    TGIFDib dib;
    EXPECT_TRUE(decode(loop, 50, 1, 2, dib));
    {
        Strict strict;
        try {
            decode(loop, 50, 1, 2, dib, false, false);
            FAIL() << "no exception";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_STREQ(e.what(), "GIF encoded data is corrupt");
        }
    }
    // A first code that refers to a table entry has nothing to refer to.
    EXPECT_TRUE(decode(PackCodes({7, 1, 1}, 2), 5, 1, 2, dib));
}

TEST(GifLzw, CodeSizeOutsideTwoToNine) {
    const Bytes pixels{1, 0, 1, 1};
    for (int size : {0, 1, 10, 12, 255}) {
        Bytes data = Encode(pixels, size < 2 ? 2 : 9);
        data[0] = static_cast<std::uint8_t>(size);
        TGIFDib dib;
        EXPECT_TRUE(decode(data, 4, 1, 1, dib)) << size;
        try {
            decode(data, 4, 1, 1, dib, false, false);
            ADD_FAILURE() << "no exception for " << size;
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_STREQ(e.what(), "GIF code size not in range 2 to 9");
        }
    }
    // Clamped, the data still decode when they were written at the bound.
    Bytes data = Encode(pixels, 2);
    data[0] = 1;
    TGIFDib dib;
    decode(data, 4, 1, 1, dib);
    EXPECT_EQ(Indices(dib), pixels);
}

TEST(GifLzw, CopyingStringsGivesWhatWalkingTheChainsGives) {
    // Valid streams, and streams of random codes and bytes that are anything
    // but valid: the fast decoder and the plain one agree on every pixel and
    // on the corrupted flag.
    std::mt19937 rng(2024);
    for (int round = 0; round < 400; ++round) {
        const int minSize = 2 + static_cast<int>(rng() % 8);
        const int bpp = 1 + static_cast<int>(rng() % 8);
        const int width = 1 + static_cast<int>(rng() % 40);
        const int height = 1 + static_cast<int>(rng() % 30);
        const bool interlaced = rng() % 2 == 0;
        Bytes data;
        switch (round % 3) {
        case 0:
            data = Encode(randomPixels(static_cast<std::size_t>(width * height),
                                       1 << std::min(bpp, minSize), static_cast<unsigned>(round),
                                       1 + round % 9),
                          minSize, round % 5 == 0 ? 30 : 0);
            break;
        case 1: {
            std::vector<int> codes{kClear};
            for (int i = 0; i < 300; ++i) {
                const int r = static_cast<int>(rng() % 100);
                codes.push_back(r < 3 ? kClear : static_cast<int>(rng() % ((1u << minSize) + 60)));
            }
            data = PackCodes(codes, minSize);
            break;
        }
        default:
            data.push_back(static_cast<std::uint8_t>(minSize));
            for (int i = 0; i < 200; ++i)
                data.push_back(static_cast<std::uint8_t>(i % 50 == 0 ? 40 : rng()));
            break;
        }
        expectSameAsChains(data, width, height, bpp, interlaced, "round " + std::to_string(round));
        if (testing::Test::HasFailure())
            return;
    }
}

TEST(GifLzw, StringsRunningPastRowEndsAtEveryDepth) {
    // Long runs and repeated stretches make strings of up to hundreds of
    // pixels; narrow rows make most of them run on into the next row, or
    // into a row of a later interlace pass. Widths of a multiple of 4 pixels
    // at depth 8 leave no padding, so some rows lie right after each other.
    int cases = 0;
    for (int bpp : {1, 3, 8})
        for (int width : {1, 3, 7, 8, 16, 33, 64})
            for (int height : {2, 5, 6, 19})
                for (bool interlaced : {false, true}) {
                    const auto count = static_cast<std::size_t>(width * height);
                    Bytes pixels = randomPixels(count / 2, 1 << bpp,
                                                static_cast<unsigned>(width * 31 + height), 40);
                    while (pixels.size() < count) // the first half again, then a run
                        pixels.push_back(
                            pixels.size() < count * 3 / 4 ? pixels[pixels.size() - count / 2] : 1);
                    const std::string what = "bpp " + std::to_string(bpp) + ", " +
                                             std::to_string(width) + "x" + std::to_string(height) +
                                             (interlaced ? " interlaced" : "");
                    const Bytes data = Encode(pixels, std::max(2, bpp));
                    TGIFDib dib;
                    EXPECT_FALSE(decode(data, width, height, bpp, dib, interlaced)) << what;
                    // Transmitted rows land where the interlace order puts them.
                    Bytes expected(count);
                    int sent = 0;
                    for (int y : rowOrder(height, interlaced))
                        std::copy_n(pixels.begin() + sent++ * width, width,
                                    expected.begin() + y * width);
                    EXPECT_EQ(Indices(dib), expected) << what;
                    expectSameAsChains(data, width, height, bpp, interlaced, what);
                    ++cases;
                }
    EXPECT_EQ(cases, 3 * 7 * 4 * 2);
}

TEST(GifLzw, UnreachedPixelsAndPaddingAreZeroInABitmapOfJunk) {
    // Data cut short at every depth and in both orders: whatever decoding
    // did not reach, and the padding of every row, is 0.
    for (int bpp : {1, 4, 8})
        for (bool interlaced : {false, true}) {
            const int width = 13, height = 11;
            const Bytes pixels =
                randomPixels(static_cast<std::size_t>(width * height), 1 << bpp, 7, 3);
            Bytes data = Encode(pixels, std::max(2, bpp));
            data.resize(data.size() / 3);
            TGIFDib dib;
            decode(data, width, height, bpp, dib, interlaced);
            const Bytes got = Indices(dib);
            EXPECT_EQ(got.back(), 0) << bpp;
            const std::size_t used = (static_cast<std::size_t>(width * depthOf(bpp)) + 7) / 8;
            for (int y = 0; y < height; ++y)
                for (std::size_t i = used; i < dib.RowStride(); ++i)
                    ASSERT_EQ(dib.ScanLine(y)[i], 0) << "padding, bpp " << bpp << " row " << y;
            expectSameAsChains(data, width, height, bpp, interlaced,
                               "cut, bpp " + std::to_string(bpp));
        }
}
