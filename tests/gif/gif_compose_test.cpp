// Composition of frames into the animator's picture: disposal methods, the
// fill colour, transparency, the cache and the start frame.
#include "gif/JvGIFCompose.h"
#include "gif_testkit.h"

#include <gtest/gtest.h>

using namespace giftest;

namespace {

constexpr COLORREF kWindow = RGB(250, 240, 230);

std::uint32_t px(int colorIndex) {
    return GIFColorToPixel(Builder::Color(colorIndex));
}

// The picture as colour indices of the builder's table (-1 for the window
// colour, -2 for anything else), row by row.
std::vector<std::vector<int>> indices(const TGIFPicture& p) {
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(p.Height));
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            int v = -2;
            if (p.Pixel(x, y) == GIFColorToPixel(kWindow))
                v = -1;
            for (int i = 0; i < 4; ++i)
                if (p.Pixel(x, y) == px(i))
                    v = i;
            rows[static_cast<std::size_t>(y)].push_back(v);
        }
    return rows;
}

using Rows = std::vector<std::vector<int>>;

// Composes every frame in order with one composer (the animator's path) and
// checks that a fresh composer (a rebuild) gives the same pictures.
std::vector<Rows> playAndRebuild(TJvGIFImage& image) {
    std::vector<Rows> played;
    TJvGIFComposer composer(image);
    for (int i = 0; i < image.Count(); ++i) {
        played.push_back(indices(composer.Compose(i, kWindow, false)));
        EXPECT_EQ(composer.CachedIndex(), i);
        TJvGIFComposer fresh(image);
        EXPECT_EQ(indices(fresh.Compose(i, kWindow, false)), played.back()) << "frame " << i;
    }
    return played;
}

} // namespace

TEST(GifCompose, RestorePreviousShowsThePictureFromBeforeTheFrame) {
    TJvGIFImage image;
    Load(image, Builder(4, 2)
                    .Control(0, 1)
                    .Pixels(0, 0, 4, 2, Bytes(8, 1))
                    .Control(0, 3)
                    .Pixels(1, 0, 2, 2, Bytes(4, 2))
                    .Pixels(3, 1, 1, 1, Bytes{3})
                    .Done());
    const auto pictures = playAndRebuild(image);
    EXPECT_EQ(pictures[1], (Rows{{1, 2, 2, 1}, {1, 2, 2, 1}}));
    EXPECT_EQ(pictures[2], (Rows{{1, 1, 1, 1}, {1, 1, 1, 3}}));
}

TEST(GifCompose, FullScreenFrameThatRestoresPreviousIsNoStart) {
    TJvGIFImage image;
    Load(image, Builder(3, 1)
                    .Pixels(0, 0, 3, 1, Bytes(3, 1))
                    .Control(0, 3)
                    .Pixels(0, 0, 3, 1, Bytes(3, 2))
                    .Pixels(2, 0, 1, 1, Bytes{3})
                    .Done());
    const auto pictures = playAndRebuild(image);
    EXPECT_EQ(pictures[2], (Rows{{1, 1, 3}}));
}

TEST(GifCompose, RestoreBackgroundFillsWithTheChosenColour) {
    const Bytes gif = Builder(4, 1, 2, "GIF89a", 3)
                          .Pixels(0, 0, 4, 1, Bytes(4, 1))
                          .Control(0, 2)
                          .Pixels(0, 0, 2, 1, Bytes(2, 2))
                          .Pixels(3, 0, 1, 1, Bytes{0})
                          .Done();
    TJvGIFImage image;
    Load(image, gif);
    // A transparent image with a background colour fills with it ...
    EXPECT_EQ(playAndRebuild(image)[2], (Rows{{3, 3, 1, 0}}));
    // ... an opaque one with the window colour.
    image.SetTransparent(false);
    EXPECT_EQ(playAndRebuild(image)[2], (Rows{{-1, -1, 1, 0}}));
}

TEST(GifCompose, TransparentColourOfTheCurrentFrameIsTheFill) {
    // Frame 0 has index 2 transparent: its pixels of that colour show the
    // fill, which is then that same colour, and the picture is marked
    // transparent in it only when asked for.
    const Bytes gif = Builder(3, 1, 2, "GIF89a", 3)
                          .Control(0, 0, 2)
                          .Pixels(0, 0, 3, 1, Bytes{1, 2, 1})
                          .Control(0, 2, 0)
                          .Pixels(0, 0, 2, 1, Bytes{0, 3})
                          .Done();
    TJvGIFImage image;
    Load(image, gif);
    TJvGIFComposer composer(image);
    const TGIFPicture& marked = composer.Compose(0, kWindow, true);
    EXPECT_EQ(indices(marked), (Rows{{1, 2, 1}}));
    EXPECT_EQ(marked.TransparentColor, Builder::Color(2));
    EXPECT_EQ(composer.CachedTransparentColor(), Builder::Color(2));
    // Frame 1's own transparent index 0 leaves frame 0's pixel in place.
    EXPECT_EQ(indices(composer.Compose(1, kWindow, true)), (Rows{{1, 3, 1}}));
    composer.Reset();
    EXPECT_EQ(composer.CachedIndex(), -1);
    EXPECT_FALSE(composer.Compose(0, kWindow, false).TransparentColor);
    // A display with fewer colours gets the nearest one as the fill.
    composer.Reset();
    composer.NearestColor = [](COLORREF) {
        return RGB(0, 0, 0);
    };
    EXPECT_EQ(composer.Compose(0, kWindow, true).TransparentColor, RGB(0, 0, 0));
}

TEST(GifCompose, TransparencyGoesByColourNotByIndex) {
    // Entries 1 and 2 of the local table hold the same colour; with index 1
    // transparent, pixels of index 2 are transparent as well.
    Bytes local{0x2C, 0, 0, 0, 0, 3, 0, 1, 0, 0x81, 9, 9, 9, 5, 5, 5, 5, 5, 5, 0, 0, 0};
    Builder b(3, 1);
    b.Pixels(0, 0, 3, 1, Bytes{3, 3, 3}).Control(0, 0, 1).Raw(local);
    const Bytes data = Encode(Bytes{0, 1, 2}, 2);
    TJvGIFImage image;
    Load(image, b.Raw(data).Done());
    TJvGIFComposer composer(image);
    const TGIFPicture& p = composer.Compose(1, kWindow, false);
    EXPECT_EQ(p.Pixel(0, 0), 0x090909u);
    EXPECT_EQ(p.Pixel(1, 0), px(3));
    EXPECT_EQ(p.Pixel(2, 0), px(3));
}

TEST(GifCompose, RebuildStartsAtTheLastOpaqueFullFrame) {
    TJvGIFImage image;
    Load(image, Builder(3, 2)
                    .Pixels(0, 0, 3, 2, Bytes(6, 0))
                    .Pixels(1, 1, 1, 1, Bytes{2})
                    .Pixels(0, 0, 3, 2, Bytes(6, 1))
                    .Pixels(0, 0, 1, 1, Bytes{3})
                    .Done());
    TJvGIFComposer composer(image);
    EXPECT_EQ(indices(composer.Compose(3, kWindow, false)), (Rows{{3, 1, 1}, {1, 1, 1}}));
    EXPECT_FALSE(image.Frames(1).Decoded()); // hidden behind frame 2, never drawn
    EXPECT_TRUE(image.Frames(2).Decoded());
}

TEST(GifCompose, UndefinedDisposalsLeaveTheFrameLikeTheIncrementalStep) {
    TJvGIFImage image;
    Load(image, Builder(3, 1)
                    .Pixels(0, 0, 3, 1, Bytes(3, 1))
                    .Control(0, 5)
                    .Pixels(0, 0, 1, 1, Bytes{2})
                    .Pixels(2, 0, 1, 1, Bytes{3})
                    .Done());
    EXPECT_EQ(playAndRebuild(image)[2], (Rows{{2, 1, 3}}));
}

TEST(GifCompose, IndexIsLimitedAndFramesAreClippedToTheScreen) {
    TJvGIFImage image;
    Load(image, Builder(3, 2)
                    .Pixels(0, 0, 3, 2, Bytes(6, 1))
                    .Pixels(2, 1, 4, 3, Bytes(12, 2))
                    .Pixels(60000, 60000, 2, 2, Bytes(4, 3))
                    .Control(0, 2)
                    .Pixels(5, 0, 2, 2, Bytes(4, 3)) // off the screen, then disposed of
                    .Pixels(0, 0, 1, 1, Bytes{0})
                    .Done());
    TJvGIFComposer composer(image);
    EXPECT_EQ(indices(composer.Compose(2, kWindow, false)), (Rows{{1, 1, 1}, {1, 1, 2}}));
    EXPECT_EQ(indices(composer.Compose(3, kWindow, false)), (Rows{{1, 1, 1}, {1, 1, 2}}));
    const TGIFPicture& p = composer.Compose(99, kWindow, false);
    EXPECT_EQ(composer.CachedIndex(), 4);
    EXPECT_EQ(indices(p), (Rows{{0, 1, 1}, {1, 1, 2}}));

    TJvGIFImage empty;
    TJvGIFComposer none(empty);
    EXPECT_TRUE(none.Compose(0, kWindow, false).Pixels.empty());
    EXPECT_EQ(none.CachedIndex(), -1);
}

TEST(GifCompose, AnimationDelayKeepsWithin50And10000) {
    TJvGIFImage still;
    Load(still, Builder(1, 1).Control(0).Pixels(0, 0, 1, 1, Bytes{0}).Done());
    EXPECT_EQ(GIFAnimationDelay(still, 0), 0);

    TJvGIFImage image;
    Load(image, Builder(1, 1)
                    .Control(0)
                    .Pixels(0, 0, 1, 1, Bytes{0})
                    .Control(200)
                    .Pixels(0, 0, 1, 1, Bytes{0})
                    .Control(5000)
                    .Pixels(0, 0, 1, 1, Bytes{0})
                    .Pixels(0, 0, 1, 1, Bytes{0})
                    .Done());
    EXPECT_EQ(GIFAnimationDelay(image, 0), 50);
    EXPECT_EQ(GIFAnimationDelay(image, 1), 2000);
    EXPECT_EQ(GIFAnimationDelay(image, 2), 10000);
    EXPECT_EQ(GIFAnimationDelay(image, 3), 50); // no graphic control at all
    EXPECT_EQ(GIFAnimationDelay(image, 4), 0);
    EXPECT_EQ(GIFAnimationDelay(image, -1), 0);
}
