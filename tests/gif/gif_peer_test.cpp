// The decoder against peers nobody here wrote: frames pixel for pixel
// against giflib, composed pictures against ImageMagick's coalesced frames
// (kept in tests/data/gif/expected by make_corpus.sh), and giftool's output.
#include "gif/JvGIFCompose.h"
#include "gif_testkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include <gif_lib.h>

using namespace giftest;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> corpus() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(DataDir()))
        if (entry.path().extension() == ".gif")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A PPM (P6) or PAM (P7) file as RGBA; PPM pixels are opaque.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

bool readNetpbm(const fs::path& path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    int depth = 3, maxval = 0;
    if (magic == "P6") {
        in >> picture.width >> picture.height >> maxval;
    } else if (magic == "P7") {
        std::string key;
        while (in >> key && key != "ENDHDR") {
            if (key == "WIDTH")
                in >> picture.width;
            else if (key == "HEIGHT")
                in >> picture.height;
            else if (key == "DEPTH")
                in >> depth;
            else if (key == "MAXVAL")
                in >> maxval;
            else
                in >> key;
        }
    } else {
        return false;
    }
    in.get();
    if (maxval != 255 || (depth != 3 && depth != 4))
        return false;
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
    std::vector<std::uint8_t> raw(count * static_cast<std::size_t>(depth));
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (!in)
        return false;
    picture.rgba.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c)
            picture.rgba[i * 4 + c] = raw[i * depth + c];
        picture.rgba[i * 4 + 3] = depth == 4 ? raw[i * depth + 3] : 255;
    }
    return true;
}

std::vector<fs::path> expectedFrames(const fs::path& gif) {
    std::vector<fs::path> frames;
    for (int i = 0;; ++i) {
        fs::path p =
            DataDir() / "expected" / (gif.stem().string() + "-" + std::to_string(i) + ".pam");
        if (!fs::exists(p))
            return frames;
        frames.push_back(p);
    }
}

// Counts the opaque pixels of `expected` that differ from `got`.
int opaqueMismatches(const Picture& expected, int width, int height,
                     const std::function<std::uint32_t(int, int)>& got) {
    EXPECT_EQ(expected.width, width);
    EXPECT_EQ(expected.height, height);
    if (expected.width != width || expected.height != height)
        return -1;
    int bad = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* e = &expected.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (e[3] != 255)
                continue;
            const std::uint32_t want = (std::uint32_t{e[0]} << 16) | (e[1] << 8) | e[2];
            if (got(x, y) != want)
                ++bad;
        }
    return bad;
}

} // namespace

TEST(GifPeers, CorpusIsThere) {
    const auto files = corpus();
    EXPECT_GE(files.size(), 10u);
    int animations = 0;
    for (const auto& f : files)
        animations += expectedFrames(f).empty() ? 0 : 1;
    EXPECT_GE(animations, 4);
}

TEST(GifPeers, FramesMatchGiflibPixelForPixel) {
    for (const fs::path& file : corpus()) {
        SCOPED_TRACE(file.filename().string());
        int error = 0;
        GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);

        TJvGIFImage image;
        image.LoadFromFile(file.string());
        EXPECT_EQ(image.ScreenWidth(), gif->SWidth);
        EXPECT_EQ(image.ScreenHeight(), gif->SHeight);
        ASSERT_EQ(image.Count(), gif->ImageCount);
        for (int i = 0; i < gif->ImageCount; ++i) {
            SCOPED_TRACE(i);
            const SavedImage& saved = gif->SavedImages[i];
            const GifImageDesc& desc = saved.ImageDesc;
            TJvGIFFrame& frame = image.Frames(i);
            EXPECT_EQ(frame.Origin().x, desc.Left);
            EXPECT_EQ(frame.Origin().y, desc.Top);
            EXPECT_EQ(frame.Interlaced(), desc.Interlace);
            const TGIFDib& dib = frame.Bitmap();
            EXPECT_FALSE(frame.Corrupted());
            ASSERT_EQ(dib.Width(), desc.Width);
            ASSERT_EQ(dib.Height(), desc.Height);
            const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
            ASSERT_NE(map, nullptr);
            int bad = 0;
            for (int y = 0; y < desc.Height; ++y)
                for (int x = 0; x < desc.Width; ++x) {
                    const int index = saved.RasterBits[y * desc.Width + x];
                    const GifColorType c = map->Colors[index];
                    const std::uint32_t want =
                        (std::uint32_t{c.Red} << 16) | (c.Green << 8) | c.Blue;
                    bad += dib.PixelIndex(x, y) != index || dib.PixelRGB(x, y) != want;
                }
            EXPECT_EQ(bad, 0);

            GraphicsControlBlock gcb;
            if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
                EXPECT_EQ(frame.AnimateInterval(), gcb.DelayTime * 10);
                EXPECT_EQ(frame.DisposalMethod(), gcb.DisposalMode);
                if (gcb.TransparentColor == NO_TRANSPARENT_COLOR) {
                    EXPECT_FALSE(frame.TransparentColor());
                } else {
                    const GifColorType c = map->Colors[gcb.TransparentColor];
                    EXPECT_EQ(frame.TransparentColor(), RGB(c.Red, c.Green, c.Blue));
                }
            }
        }
        DGifCloseFile(gif, &error);
    }
}

TEST(GifPeers, CompositionMatchesImageMagickWhereOpaque) {
    for (const fs::path& file : corpus()) {
        const auto expected = expectedFrames(file);
        if (expected.empty())
            continue;
        SCOPED_TRACE(file.filename().string());
        TJvGIFImage image;
        image.LoadFromFile(file.string());
        ASSERT_EQ(static_cast<std::size_t>(image.Count()), expected.size());
        TJvGIFComposer composer(image);
        for (int i = 0; i < image.Count(); ++i) {
            Picture want;
            ASSERT_TRUE(readNetpbm(expected[static_cast<std::size_t>(i)], want));
            const TGIFPicture& got = composer.Compose(i, RGB(255, 255, 255), false);
            EXPECT_EQ(opaqueMismatches(want, got.Width, got.Height,
                                       [&](int x, int y) { return got.Pixel(x, y); }),
                      0)
                << "frame " << i;
        }
    }
}

namespace {

// A GIF file as giflib reads it: the second decoder that giftool's output is
// held against.
class GiflibFile {
public:
    explicit GiflibFile(const fs::path& file) {
        int error = 0;
        gif_ = DGifOpenFileName(file.c_str(), &error);
        ok_ = gif_ && DGifSlurp(gif_) == GIF_OK;
    }
    ~GiflibFile() {
        int error = 0;
        if (gif_)
            DGifCloseFile(gif_, &error);
    }
    GiflibFile(const GiflibFile&) = delete;
    GiflibFile& operator=(const GiflibFile&) = delete;

    bool Ok() const { return ok_; }
    int Count() const { return gif_->ImageCount; }

    // The line giftool prints for frame i: size, place, delay in ms,
    // disposal, transparent colour, interlacing, and no corruption (giflib
    // read the whole file).
    std::string FrameLine(int i) const {
        const GifImageDesc& desc = gif_->SavedImages[i].ImageDesc;
        GraphicsControlBlock gcb{};
        DGifSavedExtensionToGCB(gif_, i, &gcb); // leaves the defaults when there is none
        std::string transparent = "none";
        const ColorMapObject* map = Map(i);
        if (gcb.TransparentColor != NO_TRANSPARENT_COLOR && map &&
            gcb.TransparentColor < map->ColorCount) {
            const GifColorType c = map->Colors[gcb.TransparentColor];
            char text[8];
            std::snprintf(text, sizeof text, "#%02x%02x%02x", c.Red, c.Green, c.Blue);
            transparent = text;
        }
        std::ostringstream line;
        line << "frame " << i << " " << desc.Width << "x" << desc.Height << " at " << desc.Left
             << "," << desc.Top << " delay " << gcb.DelayTime * 10 << " disposal "
             << gcb.DisposalMode << " transparent " << transparent << " interlaced "
             << (desc.Interlace ? 1 : 0) << " corrupted 0";
        return line.str();
    }
    int Width(int i) const { return gif_->SavedImages[i].ImageDesc.Width; }
    int Height(int i) const { return gif_->SavedImages[i].ImageDesc.Height; }
    // Frame i's own pixel at x, y as 0x00RRGGBB.
    std::uint32_t Pixel(int i, int x, int y) const {
        const SavedImage& saved = gif_->SavedImages[i];
        const GifColorType c = Map(i)->Colors[saved.RasterBits[y * saved.ImageDesc.Width + x]];
        return (std::uint32_t{c.Red} << 16) | (c.Green << 8) | c.Blue;
    }

private:
    const ColorMapObject* Map(int i) const {
        const ColorMapObject* local = gif_->SavedImages[i].ImageDesc.ColorMap;
        return local ? local : gif_->SColorMap;
    }

    GifFileType* gif_ = nullptr;
    bool ok_ = false;
};

} // namespace

// giftool, built beside this program by the same preset, run on the
// animations: its frame lines and frame bitmaps against giflib, its composed
// pictures against ImageMagick.
TEST(GifPeers, GiftoolWritesFramesAndComposedPictures) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path tool = self.parent_path().parent_path() / "tools" / "giftool";
    ASSERT_TRUE(fs::exists(tool)) << tool;
    const fs::path out = fs::temp_directory_path() / ("giftool-test-" + std::to_string(::getpid()));
    int animations = 0;
    for (const fs::path& file : corpus()) {
        const auto expected = expectedFrames(file);
        if (expected.empty())
            continue;
        SCOPED_TRACE(file.filename().string());
        ++animations;
        fs::remove_all(out);
        const std::string command = "\"" + tool.string() + "\" \"" + file.string() + "\" \"" +
                                    out.string() + "\" > \"" + out.string() + ".txt\"";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream lines(out.string() + ".txt");
        const GiflibFile gif(file);
        ASSERT_TRUE(gif.Ok());
        ASSERT_EQ(static_cast<std::size_t>(gif.Count()), expected.size());
        std::string line;
        for (int i = 0; i < gif.Count(); ++i) {
            ASSERT_TRUE(std::getline(lines, line));
            EXPECT_EQ(line, gif.FrameLine(i));

            Picture bitmap, composed, reference;
            ASSERT_TRUE(readNetpbm(out / ("frame-" + std::to_string(i) + ".ppm"), bitmap));
            EXPECT_EQ(opaqueMismatches(bitmap, gif.Width(i), gif.Height(i),
                                       [&](int x, int y) { return gif.Pixel(i, x, y); }),
                      0)
                << "frame " << i;
            ASSERT_TRUE(readNetpbm(out / ("composed-" + std::to_string(i) + ".ppm"), composed));
            ASSERT_TRUE(readNetpbm(expected[static_cast<std::size_t>(i)], reference));
            EXPECT_EQ(
                opaqueMismatches(
                    reference, composed.width, composed.height,
                    [&](int x, int y) {
                        const std::uint8_t* p =
                            &composed.rgba[(static_cast<std::size_t>(y) * composed.width + x) * 4];
                        return (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
                    }),
                0)
                << "composed " << i;
        }
        EXPECT_FALSE(std::getline(lines, line));
    }
    EXPECT_GE(animations, 4);
    fs::remove_all(out);
    fs::remove(out.string() + ".txt");
}

TEST(GifPeers, GiftoolReportsALoadError) {
    std::error_code error;
    const fs::path tool =
        fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "tools" / "giftool";
    ASSERT_TRUE(fs::exists(tool));
    const fs::path bad = fs::temp_directory_path() / ("giftool-bad-" + std::to_string(::getpid()));
    std::ofstream(bad) << "GIF90a";
    const std::string command = "\"" + tool.string() + "\" \"" + bad.string() + "\" \"" +
                                bad.string() + ".d\" 2> \"" + bad.string() + ".txt\"";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    std::ifstream text(bad.string() + ".txt");
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line, "giftool: Unknown GIF version");
    fs::remove(bad);
    fs::remove(bad.string() + ".txt");
}
