// The canvas and the bitmap: drawing on a bitmap's canvas, read back pixel by
// pixel through the bitmap's scan lines.
#include "support/sim_fixture.h"
#include "toolkit/Graphics.h"

#include <gtest/gtest.h>

#include <string>

using namespace tk;

namespace {

class CanvasTest : public testing_support::SimTest {};

// The bitmap as text: one character per pixel from the legend, '?' otherwise.
std::string Picture(TBitmap& bitmap, const std::vector<std::pair<std::uint32_t, char>>& legend) {
    std::string out;
    for (int y = 0; y < bitmap.Height(); ++y) {
        if (y)
            out += '|';
        for (int x = 0; x < bitmap.Width(); ++x) {
            char c = '?';
            for (auto& [value, ch] : legend)
                if ((bitmap.ScanLine(y)[x] & 0xFFFFFF) == value)
                    c = ch;
            out += c;
        }
    }
    return out;
}

constexpr std::uint32_t W = 0xFFFFFF, R = 0xFF0000, B = 0x0000FF, G = 0x00FF00, K = 0x000000;

} // namespace

TEST_F(CanvasTest, NewBitmapIsWhiteAndThirtyTwoBits) {
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetSize(3, 2);
    EXPECT_FALSE(bitmap.Empty());
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(Picture(bitmap, {{W, '.'}}), "...|...");
    BITMAP info{};
    ASSERT_TRUE(GetObjectA(bitmap.Handle(), sizeof info, &info));
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmWidth, 3);
}

TEST_F(CanvasTest, FillFrameAndRectangleUseBrushAndPen) {
    TBitmap bitmap;
    bitmap.SetSize(6, 5);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.SetColor(clRed);
    canvas.FillRect(RECT{1, 1, 3, 3});
    canvas.Brush.SetColor(clBlue);
    canvas.FrameRect(RECT{3, 0, 6, 5});
    EXPECT_EQ(Picture(bitmap, {{W, '.'}, {R, 'R'}, {B, 'B'}}),
              "...BBB|.RRB.B|.RRB.B|...B.B|...BBB");

    canvas.Brush.SetColor(clWhite);
    canvas.FillRect(RECT{0, 0, 6, 5});
    canvas.Pen.SetColor(clBlue);
    canvas.Brush.SetColor(clLime);
    canvas.Rectangle(0, 0, 4, 4);
    EXPECT_EQ(Picture(bitmap, {{W, '.'}, {G, 'G'}, {B, 'B'}}),
              "BBBB..|BGGB..|BGGB..|BBBB..|......");

    // A clear brush leaves the inside alone.
    canvas.Brush.SetStyle(TBrushStyle::bsClear);
    canvas.Pen.SetColor(clRed);
    canvas.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(Picture(bitmap, {{W, '.'}, {G, 'G'}, {B, 'B'}, {R, 'R'}}),
              "BBBB..|BRRRRR|BRGB.R|BRBB.R|.RRRRR");
}

TEST_F(CanvasTest, LinesAndPolygons) {
    TBitmap bitmap;
    bitmap.SetSize(5, 5);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen.SetColor(clBlack);
    canvas.MoveTo(0, 0);
    canvas.LineTo(4, 4); // the end point stays out
    canvas.LineTo(4, 0);
    EXPECT_EQ(Picture(bitmap, {{W, '.'}, {K, '#'}}), "#....|.#..#|..#.#|...##|....#");

    canvas.Brush.SetColor(clWhite);
    canvas.FillRect(RECT{0, 0, 5, 5});
    canvas.Pen.SetStyle(TPenStyle::psClear);
    canvas.Brush.SetColor(clRed);
    canvas.Polygon({POINT{0, 0}, POINT{4, 0}, POINT{4, 4}, POINT{0, 4}});
    EXPECT_EQ(Picture(bitmap, {{W, '.'}, {R, 'R'}}), "RRRR.|RRRR.|RRRR.|RRRR.|.....");
}

TEST_F(CanvasTest, TextIsMeasuredAndDrawnInTheFontColour) {
    TBitmap bitmap;
    bitmap.SetSize(40, 20);
    TCanvas& canvas = bitmap.Canvas();
    SIZE one = canvas.TextExtent("A");
    EXPECT_EQ(one.cx, 6); // the simulator's fixed font: 6 x 13 cells
    EXPECT_EQ(one.cy, 13);
    EXPECT_EQ(canvas.TextWidth("Open"), 24);
    EXPECT_EQ(canvas.TextWidth(""), 0);

    canvas.Font.SetColor(clRed);
    canvas.Brush.SetStyle(TBrushStyle::bsClear);
    canvas.TextOut(2, 3, "I");
    // "I": a bar of three across the top and bottom of the capital, a stem between.
    std::string cell;
    for (int y = 3 + 3; y < 3 + 10; ++y) {
        for (int x = 2; x < 2 + 5; ++x)
            cell += (bitmap.ScanLine(y)[x] & 0xFFFFFF) == R ? '#' : '.';
        cell += '|';
    }
    EXPECT_EQ(cell, ".###.|..#..|..#..|..#..|..#..|..#..|.###.|");

    // Opaque text paints its cells in the brush colour.
    canvas.Brush.SetColor(clBlue);
    canvas.TextOut(20, 0, " ");
    EXPECT_EQ(bitmap.ScanLine(0)[20] & 0xFFFFFF, B);
    EXPECT_EQ(bitmap.ScanLine(12)[25] & 0xFFFFFF, B);
    EXPECT_EQ(bitmap.ScanLine(13)[25] & 0xFFFFFF, W);
}

TEST_F(CanvasTest, DrawTextAlignsAndMeasures) {
    TBitmap bitmap;
    bitmap.SetSize(60, 30);
    TCanvas& canvas = bitmap.Canvas();
    RECT calc{0, 0, 0, 0};
    canvas.DrawText("&Open", calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(calc.right, 24);
    EXPECT_EQ(calc.bottom, 13);

    // Centred in 60 x 30: a 24 x 13 text starts at (18, 8).
    canvas.Font.SetColor(clBlack);
    canvas.Brush.SetColor(clRed);
    RECT box{0, 0, 60, 30};
    canvas.DrawText("Open", box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(bitmap.ScanLine(8)[18] & 0xFFFFFF, R);
    EXPECT_EQ(bitmap.ScanLine(7)[18] & 0xFFFFFF, W);
    EXPECT_EQ(bitmap.ScanLine(8)[17] & 0xFFFFFF, W);
    EXPECT_EQ(bitmap.ScanLine(20)[41] & 0xFFFFFF, R);
    EXPECT_EQ(bitmap.ScanLine(20)[42] & 0xFFFFFF, W);

    // Too long for its box: cut, with an ellipsis, inside the box.
    canvas.Brush.SetColor(clWhite);
    canvas.FillRect(box);
    canvas.Brush.SetColor(clBlue);
    RECT narrow{0, 0, 30, 13};
    canvas.DrawText("Preferences", narrow, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(bitmap.ScanLine(0)[29] & 0xFFFFFF, B);
    EXPECT_EQ(bitmap.ScanLine(0)[30] & 0xFFFFFF, W);
}

TEST_F(CanvasTest, CopyRectStretchesAndPixelsReadBack) {
    TBitmap source, target;
    source.SetSize(2, 1);
    source.Canvas().SetPixel(0, 0, clRed);
    source.Canvas().SetPixel(1, 0, clBlue);
    EXPECT_EQ(source.Canvas().Pixel(0, 0), RGB(255, 0, 0));
    target.SetSize(4, 2);
    target.Canvas().CopyRect(RECT{0, 0, 4, 2}, source.Canvas(), RECT{0, 0, 2, 1});
    EXPECT_EQ(Picture(target, {{R, 'R'}, {B, 'B'}}), "RRBB|RRBB");
}

TEST_F(CanvasTest, TransparentBitmapLeavesItsKeyColourOut) {
    TBitmap glyph;
    glyph.SetSize(3, 2);
    glyph.Canvas().Brush.SetColor(clFuchsia);
    glyph.Canvas().FillRect(RECT{0, 0, 3, 2});
    glyph.Canvas().SetPixel(1, 0, clRed);
    glyph.Canvas().SetPixel(2, 0, clLime);
    // The bottom-left pixel names the transparent colour by default.
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
    glyph.SetTransparent(true);

    TBitmap target;
    target.SetSize(5, 3);
    target.Canvas().Brush.SetColor(clBlue);
    target.Canvas().FillRect(RECT{0, 0, 5, 3});
    target.Canvas().Draw(1, 1, glyph);
    EXPECT_EQ(Picture(target, {{B, 'B'}, {R, 'R'}, {G, 'G'}}), "BBBBB|BBRGB|BBBBB");

    // Stretched, the same pixels stay out.
    target.Canvas().FillRect(RECT{0, 0, 5, 3});
    RECT wide{0, 0, 6, 2};
    TBitmap big;
    big.SetSize(6, 2);
    big.Canvas().Brush.SetColor(clBlue);
    big.Canvas().FillRect(wide);
    big.Canvas().StretchDraw(wide, glyph);
    EXPECT_EQ(Picture(big, {{B, 'B'}, {R, 'R'}, {G, 'G'}}), "BBRRGG|BBBBBB");

    // Opaque drawing copies the key colour too.
    glyph.SetTransparent(false);
    target.Canvas().Draw(0, 0, glyph);
    EXPECT_EQ(target.ScanLine(0)[0] & 0xFFFFFF, 0xFF00FFu);
}

TEST_F(CanvasTest, ChangingTheFontWhileSelectedKeepsDrawing) {
    TBitmap bitmap;
    bitmap.SetSize(30, 30);
    TCanvas& canvas = bitmap.Canvas();
    canvas.TextOut(0, 0, "a");                // the font is now selected
    canvas.Font.SetHeight(-30);               // a new handle; the old one leaves the context first
    EXPECT_EQ(canvas.TextExtent("a").cx, 12); // the simulator's font drawn twice the size
    canvas.Font.SetStyle(fsBold);
    EXPECT_EQ(canvas.TextHeight("a"), 26);
}

TEST_F(CanvasTest, BitmapsSurviveResizeAssignAndStreams) {
    TBitmap bitmap;
    bitmap.SetSize(2, 2);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPixel(1, 1, clRed);
    bitmap.SetSize(3, 1); // the same canvas goes on with the new bitmap
    canvas.SetPixel(2, 0, clBlue);
    EXPECT_EQ(Picture(bitmap, {{W, '.'}, {B, 'B'}}), "..B");

    TBitmap copy;
    copy.Assign(bitmap);
    EXPECT_EQ(Picture(copy, {{W, '.'}, {B, 'B'}}), "..B");

    TMemoryStream stream;
    copy.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 14 + 40 + 3 * 4);
    stream.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.Width(), 3);
    EXPECT_EQ(Picture(loaded, {{W, '.'}, {B, 'B'}}), "..B");

    // The bitmap can leave its canvas (for a menu or an image list) and come back.
    bitmap.Dormant();
    HDC other = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(other, bitmap.Handle());
    EXPECT_NE(old, nullptr);
    SelectObject(other, old);
    DeleteDC(other);
    bitmap.Canvas().SetPixel(0, 0, clRed);
    EXPECT_EQ(bitmap.ScanLine(0)[0] & 0xFFFFFF, R);
}

TEST_F(CanvasTest, DrawingWithoutAContextIsRefused) {
    TCanvas canvas;
    EXPECT_THROW(canvas.FillRect(RECT{0, 0, 1, 1}), EInvalidGraphic);
    EXPECT_THROW(canvas.TextOut(0, 0, "x"), EInvalidGraphic);
}

TEST_F(CanvasTest, DrawTextBreaksLinesAndUnderlinesTheAccelerator) {
    TBitmap bitmap;
    bitmap.SetSize(40, 40);
    TCanvas& canvas = bitmap.Canvas();
    RECT box{0, 0, 40, 0};
    // Lines break at line ends, and at spaces when asked to wrap.
    EXPECT_EQ(canvas.DrawText("ab\r\ncdef", box, DT_CALCRECT), 26);
    EXPECT_EQ(box.right, 24);
    box = RECT{0, 0, 30, 0};
    EXPECT_EQ(canvas.DrawText("one two three", box, DT_CALCRECT | DT_WORDBREAK), 39);
    EXPECT_EQ(box.right, 30);
    box = RECT{0, 0, 30, 0};
    EXPECT_EQ(canvas.DrawText("one two three", box, DT_CALCRECT | DT_SINGLELINE), 13);
    EXPECT_EQ(box.right, 78);

    // "&x" draws x with a line under its cell; "&&" is one ampersand.
    canvas.Brush.SetStyle(TBrushStyle::bsClear);
    canvas.Font.SetColor(clRed);
    RECT line{0, 0, 40, 13};
    canvas.DrawText("a&b", line, DT_SINGLELINE);
    auto underlined = [&](int cell) {
        for (int x = cell * 6; x < cell * 6 + 6; ++x)
            if ((bitmap.ScanLine(11)[x] & 0xFFFFFF) != R)
                return false;
        return true;
    };
    EXPECT_FALSE(underlined(0));
    EXPECT_TRUE(underlined(1));
    EXPECT_FALSE(underlined(2));
    RECT calc{0, 0, 0, 0};
    canvas.DrawText("a&&b", calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(calc.right, 18);
}

TEST_F(CanvasTest, EllipsesStayInsideTheirBox) {
    TBitmap round;
    round.SetSize(11, 11);
    TCanvas& canvas = round.Canvas();
    canvas.Pen.SetColor(clBlue);
    canvas.Brush.SetColor(clRed);
    canvas.Rectangle(-5, -5, -4, -4); // selects the pen and brush for the call below
    Ellipse(canvas.Handle(), 0, 0, 11, 11);
    EXPECT_EQ(round.ScanLine(5)[5] & 0xFFFFFF, R);
    EXPECT_EQ(round.ScanLine(0)[5] & 0xFFFFFF, B);
    EXPECT_EQ(round.ScanLine(5)[10] & 0xFFFFFF, B);
    EXPECT_EQ(round.ScanLine(0)[0] & 0xFFFFFF, W);
    EXPECT_EQ(round.ScanLine(10)[10] & 0xFFFFFF, W);
}
