// The side label and its drawing steps: the gradient's bands and colours,
// the quarter turn, the menu's vertical label read back from the screen,
// and what switches the shadow and the captions.
#include "menu_fixture.h"

#include <cmath>

using namespace tk;
using testing_support::MenuTest;
using testing_support::PixelOf;

namespace {

// a * b / c rounded half away from zero, worked out apart from MulDiv.
int Scaled(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

// White pixels inside the label's bevel (whose highlight is white too).
int WhitePixels(const sim::Pixels& pixels, const TControl& label) {
    int count = 0;
    for (int y = label.Top() + 1; y < label.Top() + label.Height() - 1; ++y)
        for (int x = label.Left() + 1; x < label.Left() + label.Width() - 1; ++x)
            count += pixels.at(x, y) == 0xFFFFFFu;
    return count;
}

} // namespace

TEST(LabelDrawing, GradientBandsFollowMulDivAndNeverReachTheEndColour) {
    TBitmap bitmap;
    bitmap.SetSize(100, 3);
    RECT all{0, 0, 100, 3};
    GradientFill(bitmap.Canvas().Handle(), all, clBlack, true, 64, clWhite);
    GdiFlush();
    for (int x = 0; x < 100; ++x) {
        int band = 0;
        while (Scaled(band + 1, 100, 64) <= x)
            ++band;
        int grey = Scaled(band, 255, 64);
        ASSERT_EQ(bitmap.ScanLine(1)[x], Rgb(grey, grey, grey)) << "x " << x;
    }
    EXPECT_EQ(bitmap.ScanLine(0)[99], Rgb(251, 251, 251)); // 255 * 63/64, not white

    // Along y, from a lighter to a darker colour: the differences are negative.
    TBitmap column;
    column.SetSize(2, 10);
    RECT tall{0, 0, 2, 10};
    GradientFill(column.Canvas().Handle(), tall, clWhite, false, 4, clBlack);
    GdiFlush();
    EXPECT_EQ(column.ScanLine(0)[0], Rgb(255, 255, 255));
    EXPECT_EQ(column.ScanLine(9)[1], Rgb(255 - 191, 255 - 191, 255 - 191));

    // No steps: nothing is painted.
    TBitmap untouched;
    untouched.SetSize(4, 4);
    RECT small{0, 0, 4, 4};
    GradientFill(untouched.Canvas().Handle(), small, clBlack, true, 0, clBlack);
    GdiFlush();
    EXPECT_EQ(untouched.ScanLine(2)[2], 0xFFFFFFu);
}

TEST(LabelDrawing, AQuarterTurnTakesTheTopEdgeToTheLeft) {
    TBitmap bitmap;
    bitmap.SetSize(3, 2); // width 3: the row of a 32-bit bitmap needs no padding
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bitmap.ScanLine(y)[x] = static_cast<std::uint32_t>(0x100 * (y + 1) + x);
    RotateBitmap(bitmap);
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 3);
    // (x, y) lands at (y, old width - 1 - x).
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bitmap.ScanLine(2 - x)[y] & 0xFFFFFFu,
                      static_cast<std::uint32_t>(0x100 * (y + 1) + x))
                << x << "," << y;
}

TEST_F(MenuTest, TheSideLabelRunsFromGreyAtTheBottomTowardsItsEndColourAtTheTop) {
    Open();
    TCoolMenuLabel* label = menu->CoolMenuLabel;
    ASSERT_EQ(label->Width(), 25);
    ASSERT_EQ(label->Height(), menu->ClientHeight());
    sim::Pixels pixels = sim::WindowPixels(menu->Handle());
    int h = label->Height();
    // Column 2 lies between the bevel and the text. The bitmap was drawn
    // lying: its x axis runs from the label's bottom (x = 0) upwards.
    for (int y = 1; y < h - 1; ++y) {
        int along = (h - 1 - y) - 1; // from the start of the gradient rectangle
        int band = 0;
        while (Scaled(band + 1, h - 2, 64) <= along)
            ++band;
        std::uint32_t expected =
            Rgb(128 + Scaled(band, 191 - 128, 64), 128 + Scaled(band, 191 - 128, 64),
                128 + Scaled(band, 170 - 128, 64));
        ASSERT_EQ(pixels.at(2, y), expected) << "y " << y;
    }
    // The lowered outer bevel, turned with the rest: the bitmap's top and
    // left edges (shadow) are the label's left and bottom edges.
    EXPECT_EQ(pixels.at(0, h / 2), PixelOf(clBtnShadow));
    EXPECT_EQ(pixels.at(12, h - 1), PixelOf(clBtnShadow));
    EXPECT_EQ(pixels.at(24, h / 2), PixelOf(clBtnHighlight));
    EXPECT_EQ(pixels.at(12, 0), PixelOf(clBtnHighlight));
    // The caption in white, with its black shadow.
    EXPECT_GT(WhitePixels(pixels, *label), 20);
}

TEST_F(MenuTest, OneColourLabelsCaptionItemsAndShadowSwitches) {
    TCoolMenuLabel* label = menu->CoolMenuLabel;
    label->SetBackTo(label->BackFrom());
    Open();
    sim::Pixels pixels = sim::WindowPixels(menu->Handle());
    for (int y = 1; y < label->Height() - 1; ++y)
        ASSERT_EQ(pixels.at(2, y), Rgb(128, 128, 128)) << "y " << y;
    ASSERT_GT(WhitePixels(pixels, *label), 20);

    // One caption item (even an empty one) replaces the caption.
    int changes = 0;
    label->OnChanged = [&](TComponent*) {
        ++changes;
    };
    TCaptionItem& item = label->Captions().Add();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(WhitePixels(sim::WindowPixels(menu->Handle()), *label), 0);
    item.SetCaption("Menu");
    EXPECT_EQ(changes, 2);
    EXPECT_GT(WhitePixels(sim::WindowPixels(menu->Handle()), *label), 10);
    label->Captions().Clear();

    // Setting a shadow property, even to its value, shows the shadow again.
    label->SetSimpleView(true);
    label->SetShadowColor(label->ShadowColor());
    EXPECT_FALSE(label->SimpleView());
    label->SetSimpleView(true);
    label->SetShadowSize(300); // a byte
    EXPECT_EQ(label->ShadowSize(), 300 & 0xFF);
    EXPECT_FALSE(label->SimpleView());
    EXPECT_EQ(changes, 3); // shadow settings repaint without OnChanged
}

TEST_F(MenuTest, ALabelWithoutHeightPaintsNothing) {
    TCoolMenuLabel* label = menu->CoolMenuLabel;
    Open();
    label->SetAlign(TAlign::alNone); // aligned left it would take the client height again
    label->SetHeight(0);
    ASSERT_EQ(label->Height(), 0);
    sim::Pixels pixels = sim::WindowPixels(menu->Handle());
    EXPECT_EQ(pixels.at(2, 5), PixelOf(clMenu));
    EXPECT_EQ(pixels.at(12, menu->ClientHeight() - 3), PixelOf(clMenu));
}
