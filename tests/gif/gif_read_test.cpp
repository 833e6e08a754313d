// Reading GIF files into frames: header, blocks, extensions, tolerance, and
// the frame bitmaps.
#include "gif_testkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace giftest;

namespace {

std::string loadError(const Bytes& bytes) {
    TJvGIFImage image;
    try {
        Load(image, bytes);
    } catch (const EInvalidGraphicOperation& e) {
        return e.what();
    }
    return "";
}

const Bytes kFour{0, 1, 2, 3};

} // namespace

TEST(GifRead, SignatureAndVersionIgnoreCase) {
    for (const char* v : {"GIF89a", "gif89a", "GiF89A", "GIF87a", "gif87A"}) {
        TJvGIFImage image;
        Load(image, Builder(2, 2, 2, v).Pixels(0, 0, 2, 2, kFour).Done());
        EXPECT_EQ(image.Version(), v[4] == '9' ? gv89a : gv87a) << v;
        EXPECT_EQ(image.Count(), 1) << v;
    }
    for (const char* v : {"GIF90a", "GIF88a", "JIF89a", "GIF89b"})
        EXPECT_EQ(loadError(Builder(2, 2, 2, v).Pixels(0, 0, 2, 2, kFour).Done()),
                  "Unknown GIF version")
            << v;
    EXPECT_EQ(loadError(Bytes{'G', 'I', 'F', '8'}), "Unknown GIF version");
    EXPECT_EQ(loadError(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0}), "Stream read error");
}

TEST(GifRead, EmptySourceLeavesAnEmptyImage) {
    TJvGIFImage image;
    Load(image, Builder(2, 2).Pixels(0, 0, 2, 2, kFour).Done());
    int changes = 0;
    image.OnChange = [&](TJvGIFImage&) {
        ++changes;
    };
    Load(image, Bytes{});
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.FrameIndex(), -1);
    EXPECT_EQ(changes, 1);
}

TEST(GifRead, StreamsAreReadFromTheirPositionToTheirEnd) {
    // A memory stream is read where its bytes lie, any other stream through
    // a copy; either way reading starts at the position and the stream is
    // left at its end, also when the data are malformed.
    const Bytes gif = Builder(4, 2, 2).Pixels(0, 0, 4, 2, Bytes{0, 1, 2, 3, 3, 2, 1, 0}).Done();
    Bytes junk{'x', 'y', 'z'};
    Bytes bytes = junk;
    bytes.insert(bytes.end(), gif.begin(), gif.end());
    const auto path = std::filesystem::temp_directory_path() / "stashwell-gif-read-test.gif";
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    tk::TMemoryStream memory;
    memory.WriteBuffer(bytes.data(), bytes.size());
    tk::TFileStream file(path.string(), tk::TFileStream::fmOpenReadShareDenyWrite);
    for (tk::TStream* stream :
         {static_cast<tk::TStream*>(&memory), static_cast<tk::TStream*>(&file)}) {
        stream->SetPosition(3);
        TJvGIFImage image;
        image.ReadFromStream(*stream);
        ASSERT_EQ(image.Count(), 1);
        EXPECT_EQ(Indices(image.Frames(0).Bitmap()), (Bytes{0, 1, 2, 3, 3, 2, 1, 0}));
        EXPECT_EQ(stream->Position(), stream->Size());

        stream->SetPosition(1); // "yzGIF89a..." is no GIF
        EXPECT_THROW(image.ReadFromStream(*stream), EInvalidGraphicOperation);
        EXPECT_EQ(stream->Position(), stream->Size());
    }
    std::filesystem::remove(path);
}

TEST(GifRead, ScreenFramesAndLazyDecoding) {
    const Bytes gif = Builder(8, 6, 3, "GIF89a", 5)
                          .Pixels(0, 0, 8, 6, Bytes(48, 4), 3)
                          .Pixels(2, 1, 3, 2, Bytes{1, 2, 3, 4, 5, 6}, 3)
                          .Done();
    TJvGIFImage image;
    int changes = 0;
    image.OnChange = [&](TJvGIFImage& sender) {
        EXPECT_EQ(&sender, &image);
        ++changes;
    };
    tk::TMemoryStream stream;
    stream.WriteBuffer("junk", 4); // reading starts at the stream's position
    stream.WriteBuffer(gif.data(), gif.size());
    stream.SetPosition(4);
    image.ReadFromStream(stream);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(image.ScreenWidth(), 8);
    EXPECT_EQ(image.ScreenHeight(), 6);
    EXPECT_EQ(image.BackgroundColor(), Builder::Color(5));
    ASSERT_EQ(image.Count(), 2);
    EXPECT_EQ(image.FrameIndex(), 0);
    EXPECT_TRUE(image.Frames(0).Decoded());
    EXPECT_FALSE(image.Frames(1).Decoded());
    EXPECT_EQ(image.Frames(1).Origin().x, 2);
    EXPECT_EQ(image.Frames(1).Origin().y, 1);
    EXPECT_EQ(Indices(image.Frames(1).Bitmap()), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(image.Frames(1).Decoded());
    EXPECT_FALSE(image.Looping());
    EXPECT_EQ(image.RepeatCount(), 1);
    EXPECT_TRUE(image.Transparent());
}

TEST(GifRead, DelayDisposalAndTransparency) {
    const Bytes gif = Builder(2, 1, 2)
                          .Control(7, 2, 3) // 70 ms
                          .Control(20, 3)   // 200 ms, no transparency: the last one counts
                          .Pixels(0, 0, 2, 1, Bytes{0, 1})
                          .Control(5000, 1, 2)
                          .Pixels(0, 0, 2, 1, Bytes{0, 1})
                          .Control(4, 0, 9) // index beyond the 4-entry table
                          .Pixels(0, 0, 2, 1, Bytes{0, 1})
                          .Pixels(0, 0, 2, 1, Bytes{0, 1})
                          .Done();
    TJvGIFImage image;
    Load(image, gif);
    ASSERT_EQ(image.Count(), 4);
    EXPECT_EQ(image.Frames(0).AnimateInterval(), 200);
    EXPECT_EQ(image.Frames(0).DisposalMethod(), 3);
    EXPECT_FALSE(image.Frames(0).TransparentColor());
    EXPECT_EQ(image.Frames(1).AnimateInterval(), 50000);
    EXPECT_EQ(image.Frames(1).DisposalMethod(), 1);
    EXPECT_EQ(image.Frames(1).TransparentColor(), Builder::Color(2));
    EXPECT_EQ(image.Frames(2).AnimateInterval(), 40);
    EXPECT_FALSE(image.Frames(2).TransparentColor());
    EXPECT_EQ(image.Frames(3).AnimateInterval(), 0);
    EXPECT_EQ(image.Frames(3).DisposalMethod(), 0);
    EXPECT_EQ(image.Frames(0).Extensions().size(), 2u);
}

TEST(GifRead, PlainTextDropsTheExtensionsBeforeIt) {
    TJvGIFImage image;
    Load(image, Builder(2, 1).Control(30, 2, 1).PlainText().Pixels(0, 0, 2, 1, Bytes{0, 1}).Done());
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.Frames(0).AnimateInterval(), 0);
    EXPECT_FALSE(image.Frames(0).TransparentColor());
    EXPECT_TRUE(image.Frames(0).Extensions().empty());
}

TEST(GifRead, LoopExtensions) {
    struct Case {
        int count;
        const char* id;
        int expected;
    };
    for (Case c : {Case{3, "NETSCAPE2.0", 3}, Case{0, "NETSCAPE2.0", 0},
                   Case{65535, "NETSCAPE2.0", 30000}, Case{7, "ANIMEXTS1.0", 7}}) {
        TJvGIFImage image;
        Load(image, Builder(2, 1).Loop(c.count, c.id).Pixels(0, 0, 2, 1, Bytes{0, 1}).Done());
        EXPECT_TRUE(image.Looping()) << c.id;
        EXPECT_EQ(image.RepeatCount(), c.expected) << c.count;
    }
    TJvGIFImage image;
    Load(image, Builder(2, 1).Loop(3, "XMPDataXMP3").Pixels(0, 0, 2, 1, Bytes{0, 1}).Done());
    EXPECT_FALSE(image.Looping());
    EXPECT_EQ(image.RepeatCount(), 1);
}

TEST(GifRead, CommentsBeforeTheTrailerBecomeTheImageComment) {
    TJvGIFImage image;
    Load(image, Builder(2, 1)
                    .Comment({"in the frame"})
                    .Pixels(0, 0, 2, 1, Bytes{0, 1})
                    .Comment({"one", "two"})
                    .Control(1)
                    .Comment({"three"})
                    .Done());
    EXPECT_EQ(image.Comment(), (std::vector<std::string>{"one", "two", "", "three"}));
    EXPECT_EQ(image.Frames(0).Extensions().size(), 1u);
}

TEST(GifRead, MalformedBlocks) {
    const Bytes frame = Builder(2, 1).Pixels(0, 0, 2, 1, Bytes{0, 1}).out;
    auto with = [&](const Bytes& tail) {
        Bytes b = frame;
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    EXPECT_EQ(loadError(with({0x21, 0x4A, 0})), "Unrecognized extension block: 4a");
    EXPECT_EQ(loadError(with({0x21, 0xF9, 4, 0})), "Stream read error");
    // Extensions followed by neither an image nor the trailer.
    EXPECT_EQ(loadError(with({0x21, 0xF9, 4, 0, 0, 0, 0, 0, 0x55, 0x3B})), "Stream read error");
    // Anything else after a frame ends the reading quietly.
    TJvGIFImage image;
    Load(image, with({0x55, 0x21, 0x4A}));
    EXPECT_EQ(image.Count(), 1);
    // Zero bytes before the first block are skipped.
    Load(image, Builder(2, 1).Raw({0, 0, 0}).Pixels(0, 0, 2, 1, Bytes{0, 1}).Done());
    EXPECT_EQ(image.Count(), 1);
}

TEST(GifRead, ExceptionKeepsTheFramesReadSoFar) {
    const Bytes gif = Builder(2, 1)
                          .Pixels(0, 0, 2, 1, Bytes{0, 1})
                          .Pixels(0, 0, 2, 1, Bytes{1, 0})
                          .Raw({0x21, 0x02})
                          .Done();
    TJvGIFImage image;
    int changes = 0;
    image.OnChange = [&](TJvGIFImage&) {
        ++changes;
    };
    EXPECT_THROW(Load(image, gif), EInvalidGraphicOperation);
    EXPECT_EQ(image.Count(), 2);
    EXPECT_EQ(changes, 0);
}

TEST(GifRead, ZeroWidthOrHeightTakesTheScreenSize) {
    TJvGIFImage image;
    Load(image,
         Builder(5, 3).Pixels(0, 0, 0, 3, Bytes(15, 2)).Pixels(0, 0, 5, 0, Bytes(15, 1)).Done());
    EXPECT_EQ(image.Frames(0).Width(), 5);
    EXPECT_EQ(image.Frames(0).Bitmap().Width(), 5);
    EXPECT_EQ(image.Frames(1).Height(), 3);
    EXPECT_EQ(Indices(image.Frames(1).Bitmap()), Bytes(15, 1));
}

TEST(GifRead, CutSubBlockIsToleratedAndMarked) {
    const Bytes pixels(400, 0);
    Bytes gif = Builder(20, 20).Pixels(0, 0, 20, 20, pixels).out;
    gif.resize(gif.size() - 3); // inside the last sub-block
    {
        TJvGIFImage image;
        Load(image, gif);
        ASSERT_EQ(image.Count(), 1);
        EXPECT_TRUE(image.Frames(0).Corrupted());
        EXPECT_TRUE(image.Corrupted());
        EXPECT_EQ(image.Frames(0).Bitmap().Height(), 20);
    }
    {
        Strict strict;
        EXPECT_EQ(loadError(gif), "Stream read error");
    }
    // Data that end exactly after a whole sub-block, without terminator or
    // trailer, are not corrupt.
    Bytes whole = Builder(20, 20).Pixels(0, 0, 20, 20, pixels).out;
    whole.pop_back();
    TJvGIFImage image;
    Load(image, whole);
    EXPECT_FALSE(image.Frames(0).Corrupted());
    EXPECT_EQ(Indices(image.Frames(0).Bitmap()), pixels);
}

TEST(GifRead, FrameZeroThatCannotBeDecodedIsRemoved) {
    Bytes data = Encode(Bytes{0, 1}, 2);
    data[0] = 12;
    const Bytes gif = Builder(2, 1).Frame(0, 0, 2, 1, data).Pixels(0, 0, 2, 1, Bytes{1, 1}).Done();
    Strict strict;
    TJvGIFImage image;
    int changes = 0;
    image.OnChange = [&](TJvGIFImage&) {
        ++changes;
    };
    EXPECT_THROW(Load(image, gif), EInvalidGraphicOperation);
    EXPECT_EQ(image.Count(), 1);
    EXPECT_EQ(changes, 0);
}

TEST(GifRead, BitmapDepthPaletteAndLayout) {
    struct Case {
        int globalBits, localBits, depth;
    };
    for (Case c : {Case{1, 0, 1}, Case{2, 0, 4}, Case{4, 0, 4}, Case{5, 0, 8}, Case{8, 0, 8},
                   Case{8, 1, 1}, Case{1, 3, 4}, Case{0, 6, 8}, Case{0, 0, 8}}) {
        SCOPED_TRACE(testing::Message() << c.globalBits << "/" << c.localBits);
        const Bytes pixels{1, 0, 1, 1, 0, 0};
        TJvGIFImage image;
        Load(image, Builder(3, 2, c.globalBits).Pixels(0, 0, 3, 2, pixels, 2, c.localBits).Done());
        const TGIFDib& dib = image.Frames(0).Bitmap();
        EXPECT_EQ(dib.BitCount(), c.depth);
        EXPECT_EQ(image.Frames(0).LocalColors(), c.localBits != 0);
        EXPECT_EQ(Indices(dib), pixels);
        const int tableSize = c.localBits ? 1 << c.localBits : c.globalBits ? 1 << c.globalBits : 0;
        ASSERT_EQ(dib.PaletteCount(), 1 << c.depth);
        for (int i = 0; i < dib.PaletteCount(); ++i) {
            const RGBQUAD q = dib.PaletteEntry(i);
            if (tableSize == 0)
                EXPECT_EQ(q.rgbRed | q.rgbGreen | q.rgbBlue | q.rgbReserved, 0);
            else if (i < tableSize)
                EXPECT_TRUE(q.rgbRed == Builder::R(i) && q.rgbGreen == Builder::G(i) &&
                            q.rgbBlue == Builder::B(i) && q.rgbReserved == 0)
                    << i;
            else
                EXPECT_TRUE(q.rgbRed == 128 && q.rgbGreen == 128 && q.rgbBlue == 128 &&
                            q.rgbReserved == 128)
                    << i;
        }
        // The memory image: "BM", size, pixel offset, 40-byte header, rows
        // padded to 4 bytes, bottom row first.
        const std::uint8_t* m = dib.Memory();
        auto u32 = [&](std::size_t at) {
            return m[at] | (m[at + 1] << 8) | (m[at + 2] << 16) | (std::uint32_t{m[at + 3]} << 24);
        };
        EXPECT_EQ(m[0], 'B');
        EXPECT_EQ(m[1], 'M');
        EXPECT_EQ(u32(2), dib.MemorySize());
        EXPECT_EQ(u32(10), 54u + 4u * (1u << c.depth));
        EXPECT_EQ(dib.Info()->bmiHeader.biSize, 40u);
        EXPECT_EQ(dib.Info()->bmiHeader.biWidth, 3);
        EXPECT_EQ(dib.Info()->bmiHeader.biHeight, 2);
        EXPECT_EQ(dib.Info()->bmiHeader.biBitCount, c.depth);
        EXPECT_EQ(dib.RowStride(), 4u);
        EXPECT_EQ(dib.Bits(), m + u32(10));
        EXPECT_EQ(dib.ScanLine(1), dib.Bits());
        EXPECT_EQ(dib.MemorySize(), u32(10) + 8);
    }
}
