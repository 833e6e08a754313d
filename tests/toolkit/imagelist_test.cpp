// Image lists: the program's strip loaded by resource name, drawn with its
// mask colour left out, greyed when disabled, and copied out as bitmaps.
#include "support/sim_fixture.h"
#include "toolkit/ImgList.h"

#include <gtest/gtest.h>

#include <set>

using namespace tk;

namespace {

class ImageListTest : public testing_support::SimTest {
protected:
    HINSTANCE Module() const { return GetModuleHandleA(nullptr); }

    static std::uint32_t Pixel(TColor color) {
        COLORREF c = ColorToRGB(color);
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
};

constexpr std::uint32_t kMagenta = 0xFF00FF;

} // namespace

TEST_F(ImageListTest, DrawsTheProgramStripWithItsMaskColourLeftOut) {
    TImageList list(nullptr, 16, 16);
    list.LoadFromResourceName(Module(), "MAIN_IMAGES", clFuchsia);
    ASSERT_EQ(list.Count(), 16); // a 256 x 16 strip
    TBitmap strip;
    strip.LoadFromResourceName(Module(), "MAIN_IMAGES");
    ASSERT_EQ(strip.Width(), 256);

    TBitmap target;
    target.SetSize(20, 20);
    target.Canvas().Brush.SetColor(clTeal);
    target.Canvas().FillRect(RECT{0, 0, 20, 20});
    list.Draw(target.Canvas(), 2, 3, 7);
    int masked = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            std::uint32_t source = strip.ScanLine(y)[7 * 16 + x] & 0xFFFFFF;
            std::uint32_t drawn = target.ScanLine(3 + y)[2 + x] & 0xFFFFFF;
            if (source == kMagenta) {
                ++masked;
                EXPECT_EQ(drawn, Pixel(clTeal)) << x << "," << y;
            } else {
                EXPECT_EQ(drawn, source) << x << "," << y;
            }
        }
    EXPECT_GT(masked, 0); // every image leaves at least its bottom-left pixel out
    EXPECT_EQ(target.ScanLine(2)[2] & 0xFFFFFF, Pixel(clTeal)); // nothing outside
    EXPECT_EQ(target.ScanLine(19)[18] & 0xFFFFFF, Pixel(clTeal));
}

TEST_F(ImageListTest, DisabledImagesAreEmbossedInTheButtonColours) {
    TImageList list(nullptr, 16, 16);
    list.LoadFromResourceName(Module(), "MAIN_IMAGES", clFuchsia);
    TBitmap strip;
    strip.LoadFromResourceName(Module(), "MAIN_IMAGES");
    TBitmap target;
    target.SetSize(18, 18);
    target.Canvas().Brush.SetColor(clBtnFace);
    target.Canvas().FillRect(RECT{0, 0, 18, 18});
    list.Draw(target.Canvas(), 0, 0, 5, false);

    // The image's shape in the shadow colour in place, and in the highlight
    // colour one pixel right and down where the shape does not cover it.
    auto opaque = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 16 && y < 16 &&
               (strip.ScanLine(y)[5 * 16 + x] & 0xFFFFFF) != kMagenta;
    };
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x) {
            std::uint32_t expected = Pixel(clBtnFace);
            if (opaque(x, y))
                expected = Pixel(clBtnShadow);
            else if (opaque(x - 1, y - 1))
                expected = Pixel(clBtnHighlight);
            EXPECT_EQ(target.ScanLine(y)[x] & 0xFFFFFF, expected) << x << "," << y;
        }
}

TEST_F(ImageListTest, CopiesAnImageOntoABackground) {
    TImageList list(nullptr, 16, 16);
    list.LoadFromResourceName(Module(), "MAIN_IMAGES", clFuchsia);
    TBitmap copy;
    list.GetBitmap(8, copy, clMenu);
    EXPECT_EQ(copy.Width(), 16);
    EXPECT_EQ(copy.Height(), 16);
    EXPECT_EQ(copy.ScanLine(15)[0] & 0xFFFFFF, Pixel(clMenu)); // the transparent corner
    // The copy can be handed on (to a menu, another list): it is selected nowhere.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy.Handle());
    EXPECT_NE(old, nullptr);
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST_F(ImageListTest, AddsStripsAndIgnoresIndexesOutOfRange) {
    TImageList list(nullptr, 2, 2);
    TBitmap strip;
    strip.SetSize(5, 2); // two whole images; the odd column is left over
    strip.Canvas().Brush.SetColor(clRed);
    strip.Canvas().FillRect(RECT{0, 0, 5, 2});
    list.AddMasked(strip, clFuchsia);
    EXPECT_EQ(list.Count(), 2);
    list.AddMasked(strip, clFuchsia);
    EXPECT_EQ(list.Count(), 4);

    TBitmap target;
    target.SetSize(3, 3);
    list.Draw(target.Canvas(), 0, 0, 4);
    list.Draw(target.Canvas(), 0, 0, -1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(target.ScanLine(y)[x] & 0xFFFFFF, 0xFFFFFFu);
    list.Draw(target.Canvas(), 1, 1, 3);
    EXPECT_EQ(target.ScanLine(2)[2] & 0xFFFFFF, 0xFF0000u);

    TBitmap tooSmall;
    tooSmall.SetSize(1, 2);
    EXPECT_THROW(list.AddMasked(tooSmall, clFuchsia), EInvalidGraphic);
    EXPECT_THROW(list.LoadFromResourceName(Module(), "NO_SUCH_STRIP", clFuchsia), EResNotFound);
}

TEST_F(ImageListTest, TheProgramsOtherStripsLoad) {
    TBitmap tabs, glyph;
    tabs.LoadFromResourceName(Module(), "OPTIONS_TABS");
    glyph.LoadFromResourceName(Module(), "BROWSE_GLYPH");
    EXPECT_EQ(tabs.Width(), 32);
    EXPECT_EQ(tabs.Height(), 16);
    EXPECT_EQ(glyph.Width(), 16);
    // Glyphs take their bottom-left pixel as the transparent colour.
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
}
