// What the program's drawing relies on from GDI, user32's drawing helpers and
// image lists, checked pixel by pixel on 32-bit DIB sections. The same source
// runs against the simulator and, built for Windows, against Wine.
#include "conformance_surface.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using conformance::Rgb;
using conformance::Surface;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;

} // namespace

TEST(GdiConformance, FillRectCoversLeftAndTopButNotRightAndBottom) {
    Surface s(6, 5);
    s.Fill(RECT{1, 1, 4, 3}, RGB(255, 0, 0));
    EXPECT_EQ(s.Picture({{kWhite, '.'}, {kRed, 'R'}}), "......|.RRR..|.RRR..|......|......");
    EXPECT_EQ(GetPixel(s.dc(), 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(s.dc(), 4, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(s.dc(), 6, 0), CLR_INVALID); // outside the bitmap
}

TEST(GdiConformance, FrameRectRectangleAndLines) {
    Surface s(7, 6);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT frame{0, 0, 4, 4};
    FrameRect(s.dc(), &frame, red);
    EXPECT_EQ(s.Picture({{kWhite, '.'}, {kRed, 'R'}}),
              "RRRR...|R..R...|R..R...|RRRR...|.......|.......");

    // Rectangle: outline with the pen, inside with the brush; the right and
    // bottom edges are the last pixels inside the given rectangle.
    s.Fill(RECT{0, 0, 7, 6}, RGB(255, 255, 255));
    HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HGDIOBJ oldPen = SelectObject(s.dc(), blue);
    HGDIOBJ oldBrush = SelectObject(s.dc(), red);
    Rectangle(s.dc(), 1, 1, 5, 4);
    EXPECT_EQ(s.Picture({{kWhite, '.'}, {kRed, 'R'}, {kBlue, 'B'}}),
              ".......|.BBBB..|.BRRB..|.BBBB..|.......|.......");

    // A null pen fills one pixel less to the right and below.
    s.Fill(RECT{0, 0, 7, 6}, RGB(255, 255, 255));
    SelectObject(s.dc(), GetStockObject(NULL_PEN));
    Rectangle(s.dc(), 1, 1, 5, 4);
    EXPECT_EQ(s.Picture({{kWhite, '.'}, {kRed, 'R'}}),
              ".......|.RRR...|.RRR...|.......|.......|.......");

    // A line leaves out its end point.
    s.Fill(RECT{0, 0, 7, 6}, RGB(255, 255, 255));
    SelectObject(s.dc(), blue);
    MoveToEx(s.dc(), 1, 5, nullptr);
    LineTo(s.dc(), 6, 5);
    LineTo(s.dc(), 6, 2);
    EXPECT_EQ(s.Picture({{kWhite, '.'}, {kBlue, 'B'}}),
              ".......|.......|.......|......B|......B|.BBBBBB");
    SelectObject(s.dc(), oldPen);
    SelectObject(s.dc(), oldBrush);
    DeleteObject(blue);
    DeleteObject(red);
}

TEST(GdiConformance, OriginsAndClippingMoveAndLimitDrawing) {
    Surface s(6, 4);
    int saved = SaveDC(s.dc());
    SetViewportOrgEx(s.dc(), 2, 1, nullptr);
    IntersectClipRect(s.dc(), 0, 0, 2, 2); // logical: device (2,1)-(4,3)
    s.Fill(RECT{-5, -5, 10, 10}, RGB(255, 0, 0));
    RestoreDC(s.dc(), saved);
    EXPECT_EQ(s.Picture({{kWhite, '.'}, {kRed, 'R'}}), "......|..RR..|..RR..|......");
    // The saved state had neither: everything is reachable again.
    s.Fill(RECT{0, 3, 1, 4}, RGB(0, 0, 255));
    EXPECT_EQ(s.at(0, 3), kBlue);
}

TEST(GdiConformance, BitBltCopiesAndCombines) {
    Surface source(3, 2), target(4, 3);
    source.set(0, 0, 0xFF0000);
    source.set(1, 0, 0x00FF00);
    source.set(2, 0, 0x0000FF);
    source.set(0, 1, 0x000000);
    source.set(1, 1, 0xFFFFFF);
    source.set(2, 1, 0x808080);
    ASSERT_TRUE(BitBlt(target.dc(), 1, 1, 3, 2, source.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(target.at(1, 1), 0xFF0000u);
    EXPECT_EQ(target.at(3, 1), 0x0000FFu);
    EXPECT_EQ(target.at(3, 2), 0x808080u);
    EXPECT_EQ(target.at(0, 0), kWhite);

    target.Fill(RECT{0, 0, 4, 3}, RGB(0x0F, 0xF0, 0x33));
    BitBlt(target.dc(), 0, 0, 3, 2, source.dc(), 0, 0, SRCINVERT);
    EXPECT_EQ(target.at(0, 0), 0x0FF033u ^ 0xFF0000u);
    BitBlt(target.dc(), 0, 0, 3, 2, source.dc(), 0, 0, SRCAND);
    EXPECT_EQ(target.at(1, 1), (0x0FF033u ^ 0xFFFFFFu) & 0xFFFFFFu);
    PatBlt(target.dc(), 0, 2, 4, 1, DSTINVERT);
    EXPECT_EQ(target.at(3, 2), 0x0FF033u ^ 0xFFFFFFu);
}

TEST(GdiConformance, StretchBltDoublesEachPixel) {
    Surface source(2, 2), target(4, 4);
    source.set(0, 0, 0xFF0000);
    source.set(1, 0, 0x00FF00);
    source.set(0, 1, 0x0000FF);
    source.set(1, 1, 0x000000);
    SetStretchBltMode(target.dc(), COLORONCOLOR);
    StretchBlt(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(target.Picture({{0xFF0000, 'R'}, {0x00FF00, 'G'}, {0x0000FF, 'B'}, {0, 'K'}}),
              "RRGG|RRGG|BBKK|BBKK");
}

// A monochrome mask made from the key colour, then invert, mask, invert:
// the pixels of the key colour leave the target as it was.
TEST(GdiConformance, MonochromeMaskDrawsTransparently) {
    Surface source(3, 1), target(3, 1, RGB(0, 0, 255));
    source.set(0, 0, 0xFF00FF); // the key
    source.set(1, 0, 0xFF0000);
    source.set(2, 0, 0xFF00FF);
    HDC maskDC = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateBitmap(3, 1, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(maskDC, mask);
    SetBkColor(source.dc(), RGB(255, 0, 255));
    BitBlt(maskDC, 0, 0, 3, 1, source.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(maskDC, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(maskDC, 1, 0), RGB(0, 0, 0));

    SetTextColor(target.dc(), RGB(0, 0, 0));
    SetBkColor(target.dc(), RGB(255, 255, 255));
    BitBlt(target.dc(), 0, 0, 3, 1, source.dc(), 0, 0, SRCINVERT);
    BitBlt(target.dc(), 0, 0, 3, 1, maskDC, 0, 0, SRCAND);
    BitBlt(target.dc(), 0, 0, 3, 1, source.dc(), 0, 0, SRCINVERT);
    EXPECT_EQ(target.Picture({{kBlue, 'B'}, {kRed, 'R'}}), "BRB");

    // A monochrome source paints its 0 bits in the text colour, its 1 bits in
    // the background colour.
    SetTextColor(target.dc(), RGB(255, 0, 0));
    SetBkColor(target.dc(), RGB(0, 0, 255));
    BitBlt(target.dc(), 0, 0, 3, 1, maskDC, 0, 0, SRCCOPY);
    EXPECT_EQ(target.Picture({{kBlue, 'B'}, {kRed, 'R'}}), "BRB");
    SelectObject(maskDC, old);
    DeleteObject(mask);
    DeleteDC(maskDC);
}

TEST(GdiConformance, DibBitsComeBackThroughGetDIBits) {
    Surface s(3, 2);
    s.set(0, 0, 0x112233);
    s.set(2, 1, 0x445566);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2; // bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> bits(2 * 12);
    HDC screen = GetDC(nullptr);
    // The bitmap must not be selected into a DC meanwhile.
    HBITMAP detached = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ was = SelectObject(s.dc(), detached);
    EXPECT_EQ(GetDIBits(screen, s.bitmap(), 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
    SelectObject(s.dc(), was);
    DeleteObject(detached);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(bits[12 + 0], 0x33); // top row, first pixel: blue, green, red
    EXPECT_EQ(bits[12 + 2], 0x11);
    EXPECT_EQ(bits[6], 0x66); // bottom row, third pixel
    EXPECT_EQ(bits[8], 0x44);
}

TEST(GdiConformance, StretchDibitsReadsABottomUpDib) {
    Surface s(2, 2);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = 2;
    info.header.biHeight = 2;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colors[0] = RGBQUAD{0, 0, 255, 0};                // red
    info.colors[1] = RGBQUAD{255, 0, 0, 0};                // blue
    std::uint8_t bits[8] = {0x80, 0, 0, 0, 0x40, 0, 0, 0}; // bottom row: 1 0, top row: 0 1
    EXPECT_EQ(StretchDIBits(s.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits,
                            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(s.Picture({{kRed, 'R'}, {kBlue, 'B'}}), "RB|BR");
}

TEST(GdiConformance, TextExtentGrowsWithTheText) {
    Surface s(4, 4);
    SIZE empty{}, one{}, two{}, many{};
    ASSERT_TRUE(GetTextExtentPoint32A(s.dc(), "", 0, &empty));
    GetTextExtentPoint32A(s.dc(), "W", 1, &one);
    GetTextExtentPoint32A(s.dc(), "WW", 2, &two);
    GetTextExtentPoint32A(s.dc(), "WWWWWWWWWW", 10, &many);
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(s.dc(), &metrics));
    EXPECT_EQ(empty.cx, 0);
    EXPECT_GT(one.cx, 0);
    EXPECT_GT(two.cx, one.cx);
    EXPECT_GT(many.cx, two.cx);
    EXPECT_EQ(one.cy, metrics.tmHeight);
    EXPECT_GT(metrics.tmHeight, 0);

    RECT r{10, 20, 10, 20};
    int height = DrawTextA(s.dc(), "WW", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(height, metrics.tmHeight);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right - r.left, two.cx);
    EXPECT_EQ(r.bottom - r.top, metrics.tmHeight);
    // Empty text measures nothing.
    RECT none{10, 20, 10, 20};
    EXPECT_EQ(DrawTextA(s.dc(), "", 0, &none, DT_CALCRECT | DT_SINGLELINE), 0);
    EXPECT_EQ(none.right, 10);
    EXPECT_EQ(none.bottom, 20);
    // Two lines: as wide as the wider, twice as high.
    RECT lines{0, 0, 0, 0};
    EXPECT_EQ(DrawTextA(s.dc(), "W\r\nWW", -1, &lines, DT_CALCRECT), 2 * metrics.tmHeight);
    EXPECT_EQ(lines.right, two.cx);
    // Centred vertically, the result is where the text ends below the top.
    RECT box{0, 0, 100, 50};
    EXPECT_EQ(DrawTextA(s.dc(), "W", -1, &box, DT_SINGLELINE | DT_VCENTER),
              (50 - metrics.tmHeight) / 2 + metrics.tmHeight);
    // An accelerator's ampersand takes no room.
    RECT withPrefix{0, 0, 0, 0};
    DrawTextA(s.dc(), "W&W", -1, &withPrefix, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(withPrefix.right, two.cx);
}

TEST(GdiConformance, TextPaintsInTheTextColourOnlyInsideItsCell) {
    Surface s(40, 30);
    SetBkMode(s.dc(), TRANSPARENT);
    SetTextColor(s.dc(), RGB(255, 0, 0));
    TextOutA(s.dc(), 5, 5, "H", 1);
    SIZE size{};
    GetTextExtentPoint32A(s.dc(), "H", 1, &size);
    // Edges may be smoothed on Windows: inside the cell any shade of red goes.
    int red = 0, outside = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            if (s.at(x, y) == kWhite)
                continue;
            bool inside = x >= 5 && x < 5 + size.cx && y >= 5 && y < 5 + size.cy;
            if (!inside)
                ++outside;
            else if (s.at(x, y) == kRed)
                ++red;
        }
    EXPECT_GT(red, 4);
    EXPECT_EQ(outside, 0);

    // Opaque: the cell's background is painted too.
    Surface o(20, 20);
    SetBkMode(o.dc(), OPAQUE);
    SetBkColor(o.dc(), RGB(0, 0, 255));
    TextOutA(o.dc(), 0, 0, " ", 1);
    SIZE space{};
    GetTextExtentPoint32A(o.dc(), " ", 1, &space);
    EXPECT_EQ(o.at(0, 0), kBlue);
    EXPECT_EQ(o.at(space.cx / 2, space.cy / 2), kBlue);
    EXPECT_EQ(o.at(space.cx - 1, space.cy - 1), kBlue);
    EXPECT_EQ(o.at(space.cx, 0), kWhite);
    EXPECT_EQ(o.at(0, space.cy), kWhite);
}

TEST(GdiConformance, DrawEdgeUsesTheThreeDimensionalColours) {
    Surface s(6, 6);
    RECT r{0, 0, 6, 6};
    ASSERT_TRUE(DrawEdge(s.dc(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.right, 4);
    std::uint32_t light = Rgb(GetSysColor(COLOR_3DLIGHT));
    std::uint32_t hilight = Rgb(GetSysColor(COLOR_3DHILIGHT));
    std::uint32_t shadow = Rgb(GetSysColor(COLOR_3DSHADOW));
    std::uint32_t dark = Rgb(GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(s.at(0, 0), light);
    EXPECT_EQ(s.at(1, 1), hilight);
    EXPECT_EQ(s.at(5, 5), dark);
    EXPECT_EQ(s.at(4, 4), shadow);
    EXPECT_EQ(s.at(3, 0), light);
    EXPECT_EQ(s.at(5, 3), dark);
    EXPECT_EQ(s.at(2, 2), kWhite); // the middle is left alone

    // A sunken outer edge alone takes the border.
    Surface t(4, 4);
    RECT q{0, 0, 4, 4};
    DrawEdge(t.dc(), &q, BDR_SUNKENOUTER, BF_RECT);
    EXPECT_EQ(t.at(0, 1), shadow);
    EXPECT_EQ(t.at(3, 2), hilight);
    EXPECT_EQ(t.at(1, 1), kWhite);
    // So does an inner edge without an outer one.
    Surface u(4, 4);
    RECT v{0, 0, 4, 4};
    DrawEdge(u.dc(), &v, BDR_RAISEDINNER, BF_RECT);
    EXPECT_EQ(u.at(1, 0), hilight);
    EXPECT_EQ(u.at(2, 3), shadow);
    EXPECT_EQ(u.at(1, 1), kWhite);
}

TEST(GdiConformance, DrawFocusRectTwiceLeavesNoTrace) {
    Surface s(6, 5, RGB(10, 20, 30));
    RECT r{0, 0, 6, 5};
    DrawFocusRect(s.dc(), &r);
    int changed = 0;
    for (int x = 0; x < 6; ++x)
        changed += s.at(x, 0) != 0x0A141Eu;
    EXPECT_GT(changed, 0);
    EXPECT_EQ(s.at(2, 2), 0x0A141Eu);
    DrawFocusRect(s.dc(), &r);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(s.at(x, y), 0x0A141Eu) << x << "," << y;
}

TEST(GdiConformance, MenuMarksComeBlackOnWhite) {
    for (UINT mark : {DFCS_MENUCHECK, DFCS_MENUBULLET, DFCS_MENUARROW}) {
        Surface s(16, 16, RGB(0, 0, 255));
        RECT r{0, 0, 16, 16};
        ASSERT_TRUE(DrawFrameControl(s.dc(), &r, DFC_MENU, mark));
        std::string picture = s.Picture({{kBlack, '#'}, {kWhite, '.'}});
        auto black = std::count(picture.begin(), picture.end(), '#');
        auto white = std::count(picture.begin(), picture.end(), '.');
        EXPECT_GT(black, 3) << mark;
        EXPECT_GT(white, black) << mark;
        EXPECT_EQ(black + white, 16 * 16) << mark << " " << picture;
    }
}

namespace {

// A 32-bit icon: each pixel 0xAARRGGBB; the AND mask all 0.
HICON AlphaIcon(int size, const std::vector<std::uint32_t>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    std::vector<std::uint8_t> zeros(static_cast<std::size_t>(size) * 4, 0);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, zeros.data());
    ICONINFO ii{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

} // namespace

TEST(GdiConformance, DrawIconExBlendsA32BitIconByItsAlpha) {
    std::vector<std::uint32_t> pixels(4 * 4, 0x00000000);
    pixels[0] = 0xFFFF0000; // opaque red
    pixels[1] = 0x00000000; // fully transparent
    pixels[2] = 0x80FF0000; // red at half opacity (icons keep straight alpha)
    HICON icon = AlphaIcon(4, pixels);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 4);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    Surface s(4, 4, RGB(0, 0, 255));
    ASSERT_TRUE(DrawIconEx(s.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(s.at(0, 0), kRed);
    EXPECT_EQ(s.at(1, 0), kBlue);
    std::uint32_t half = s.at(2, 0);
    EXPECT_NEAR(static_cast<int>(half >> 16), 128, 2);
    EXPECT_NEAR(static_cast<int>(half & 0xFF), 127, 2);
    DestroyIcon(icon);
}

TEST(GdiConformance, DrawIconExOfAMaskedIconKeepsTheBackground) {
    // 2 x 2: the AND mask keeps the right column; the colours paint the left.
    std::uint8_t andBits[4] = {0x40, 0, 0x40, 0}; // rows padded to 16 bits
    HBITMAP mask = CreateBitmap(2, 2, 1, 1, andBits);
    Surface color(2, 2, RGB(0, 0, 0));
    color.set(0, 0, 0xFF0000);
    color.set(0, 1, 0xFF0000);
    HGDIOBJ none = SelectObject(color.dc(), CreateCompatibleBitmap(color.dc(), 1, 1));
    ICONINFO ii{TRUE, 0, 0, mask, color.bitmap()};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(SelectObject(color.dc(), none));
    ASSERT_NE(icon, nullptr);
    Surface s(2, 2, RGB(0, 0, 255));
    DrawIconEx(s.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(s.Picture({{kRed, 'R'}, {kBlue, 'B'}}), "RB|RB");
    DestroyIcon(icon);
    DeleteObject(mask);
}

TEST(GdiConformance, ImageListDrawsMaskedImagesTransparently) {
    HIMAGELIST list = ImageList_Create(2, 2, ILC_COLOR32 | ILC_MASK, 0, 4);
    ASSERT_NE(list, nullptr);
    // A strip of two images; magenta is the mask colour.
    Surface strip(4, 2, RGB(255, 0, 255));
    strip.set(0, 0, 0xFF0000);
    strip.set(3, 1, 0x00FF00);
    HGDIOBJ none = SelectObject(strip.dc(), CreateCompatibleBitmap(strip.dc(), 1, 1));
    EXPECT_EQ(ImageList_AddMasked(list, strip.bitmap(), RGB(255, 0, 255)), 0);
    DeleteObject(SelectObject(strip.dc(), none));
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    EXPECT_EQ(cx, 2);
    EXPECT_EQ(cy, 2);

    Surface s(4, 2, RGB(0, 0, 255));
    EXPECT_TRUE(ImageList_Draw(list, 0, s.dc(), 0, 0, ILD_TRANSPARENT));
    EXPECT_TRUE(ImageList_Draw(list, 1, s.dc(), 2, 0, ILD_TRANSPARENT));
    EXPECT_EQ(s.Picture({{kRed, 'R'}, {kBlue, 'B'}, {0x00FF00, 'G'}}), "RBBB|BBBG");
    EXPECT_FALSE(ImageList_Draw(list, 2, s.dc(), 0, 0, ILD_TRANSPARENT));
    ImageList_Destroy(list);
}

TEST(GdiConformance, ScreenDeviceHasThirtyTwoBitsAndNinetySixDots) {
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
    ReleaseDC(nullptr, screen);
    // A memory DC starts with a 1 x 1 monochrome bitmap.
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAP bm{};
    GetObjectA(GetCurrentObject(memory, OBJ_BITMAP), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteDC(memory);
}
