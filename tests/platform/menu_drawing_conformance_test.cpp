// What the menu's items and side label rely on from GDI: the bevel of two
// edges, solid bands in any colour, text drawn transparently in a colour at
// the edge its flags name, and 32-bit device-independent rows read bottom
// first (the label's quarter turn). The same source runs against the
// simulator and Wine.
#include "conformance_surface.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using conformance::Rgb;
using conformance::Surface;

constexpr std::uint32_t kWhite = 0xFFFFFF;

} // namespace

TEST(MenuDrawingConformance, ARaisedInnerAndLoweredOuterBevelMakeTwoRings) {
    Surface c(8, 8, RGB(255, 255, 255));
    RECT r{0, 0, 8, 8};
    ASSERT_TRUE(DrawEdge(c.dc(), &r, BDR_RAISEDINNER | BDR_SUNKENOUTER, BF_RECT));
    std::uint32_t shadow = Rgb(GetSysColor(COLOR_3DSHADOW));
    std::uint32_t light = Rgb(GetSysColor(COLOR_3DHILIGHT));
    // Outer ring: sunken (shadow left and top, highlight right and bottom).
    EXPECT_EQ(c.at(0, 3), shadow);
    EXPECT_EQ(c.at(3, 0), shadow);
    EXPECT_EQ(c.at(7, 3), light);
    EXPECT_EQ(c.at(3, 7), light);
    // Inner ring: raised (highlight left and top, shadow right and bottom).
    EXPECT_EQ(c.at(1, 3), light);
    EXPECT_EQ(c.at(3, 1), light);
    EXPECT_EQ(c.at(6, 3), shadow);
    EXPECT_EQ(c.at(3, 6), shadow);
    EXPECT_EQ(c.at(3, 3), kWhite); // the middle stays
}

TEST(MenuDrawingConformance, SolidBandsKeepTheirExactColours) {
    // The side label's bands: one- and two-pixel strips of any colour.
    Surface c(6, 3, RGB(0, 0, 0));
    c.Fill(RECT{0, 0, 1, 3}, RGB(128, 128, 128));
    c.Fill(RECT{1, 0, 3, 3}, RGB(129, 129, 127));
    c.Fill(RECT{3, 0, 4, 3}, RGB(189, 189, 168));
    EXPECT_EQ(c.at(0, 1), 0x808080u);
    EXPECT_EQ(c.at(1, 1), 0x81817Fu);
    EXPECT_EQ(c.at(2, 2), 0x81817Fu);
    EXPECT_EQ(c.at(3, 0), 0xBDBDA8u);
    EXPECT_EQ(c.at(4, 0), 0x000000u);
}

TEST(MenuDrawingConformance, TransparentTextTouchesOnlyItsGlyphsInTheTextColour) {
    Surface c(120, 40, RGB(0, 0, 128));
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(c.dc(), GetStockObject(DEFAULT_GUI_FONT));
    RECT r{5, 5, 115, 35};
    DrawTextA(c.dc(), "Stash", -1, &r, DT_LEFT | DT_VCENTER);
    SelectObject(c.dc(), old);
    int ink = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            std::uint32_t p = c.at(x, y);
            EXPECT_TRUE(p == 0x000080u || p == kWhite) << x << "," << y << " " << std::hex << p;
            ink += p == kWhite;
        }
    EXPECT_GT(ink, 10);
}

TEST(MenuDrawingConformance, TextFlagsPlaceTheTextWithoutSingleLineAtTheTop) {
    Surface left(100, 60, RGB(255, 255, 255));
    Surface right(100, 60, RGB(255, 255, 255));
    HDC dcs[2] = {left.dc(), right.dc()};
    for (HDC dc : dcs) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    }
    RECT r{10, 10, 90, 50};
    DrawTextA(left.dc(), "Ab", -1, &r, DT_LEFT | DT_VCENTER);
    r = RECT{10, 10, 90, 50};
    DrawTextA(right.dc(), "Ab", -1, &r, DT_RIGHT | DT_VCENTER);
    std::vector<int> leftColumns = left.InkColumns(kWhite);
    std::vector<int> rightColumns = right.InkColumns(kWhite);
    std::vector<int> rows = left.InkRows(kWhite);
    ASSERT_FALSE(leftColumns.empty());
    ASSERT_FALSE(rightColumns.empty());
    EXPECT_GE(leftColumns.front(), 10);
    EXPECT_LT(leftColumns.front(), 14);
    EXPECT_LT(rightColumns.back(), 90);
    EXPECT_GE(rightColumns.back(), 86);
    // Without DT_SINGLELINE the vertical centring has no effect.
    EXPECT_GE(rows.front(), 10);
    EXPECT_LT(rows.back(), 10 + 20);

    // Measuring leaves the accelerator's "&" out.
    RECT withPrefix{0, 0, 0, 0};
    RECT plain{0, 0, 0, 0};
    DrawTextA(left.dc(), "&Save", -1, &withPrefix, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
    DrawTextA(left.dc(), "Save", -1, &plain, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
    EXPECT_EQ(withPrefix.right, plain.right);
    EXPECT_GT(plain.right, 0);
    EXPECT_GT(plain.bottom, 0);
}

TEST(MenuDrawingConformance, ThirtyTwoBitRowsComeBottomFirstAndGoBackSwapped) {
    // A 3 x 2 picture read as a bottom-up DIB, turned a quarter counterclockwise
    // by moving the bytes, and drawn back as a 2 x 3 DIB.
    Surface source(3, 2, RGB(0, 0, 0));
    const COLORREF colors[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                   {RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            source.Fill(RECT{x, y, x + 1, y + 1}, colors[y][x]);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2; // bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> rows(6);
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(source.dc(), OBJ_BITMAP));
    ASSERT_EQ(GetDIBits(source.dc(), bitmap, 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[0] & 0xFFFFFF, 0xFFFF00u); // the bottom row first
    EXPECT_EQ(rows[3] & 0xFFFFFF, 0xFF0000u);

    std::vector<std::uint32_t> turned(6);
    for (int i = 0; i < 2; ++i)     // source rows from the bottom
        for (int j = 0; j < 3; ++j) // pixels in them
            turned[static_cast<std::size_t>(j * 2 + (2 - 1 - i))] =
                rows[static_cast<std::size_t>(i * 3 + j)];
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 3;
    Surface target(2, 3, RGB(0, 0, 0));
    ASSERT_EQ(StretchDIBits(target.dc(), 0, 0, 2, 3, 0, 0, 2, 3, turned.data(), &info,
                            DIB_RGB_COLORS, SRCCOPY),
              3);
    // The source's top edge is the left edge now, read from the bottom up.
    EXPECT_EQ(target.at(0, 2), 0xFF0000u);
    EXPECT_EQ(target.at(0, 1), 0x00FF00u);
    EXPECT_EQ(target.at(0, 0), 0x0000FFu);
    EXPECT_EQ(target.at(1, 2), 0xFFFF00u);
    EXPECT_EQ(target.at(1, 0), 0xFF00FFu);
}
