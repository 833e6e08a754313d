// What the program's painting of frames, buttons and the status bar relies
// on: the pixels of each DrawEdge it uses, FillRect with the system-colour
// brushes, and the order of pixels in the DIB sections it paints on. The
// same source runs against the simulator and, built for Windows, against Wine.
#include "conformance_surface.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr COLORREF kPaper = RGB(10, 200, 30); // in no colour scheme

using conformance::Surface;

// The colour a letter of a picture stands for: '.' the paper, L light,
// H highlight, S shadow, D dark shadow, F face, T window text.
COLORREF ColourOf(char letter) {
    switch (letter) {
    case 'L':
        return GetSysColor(COLOR_3DLIGHT);
    case 'H':
        return GetSysColor(COLOR_3DHILIGHT);
    case 'S':
        return GetSysColor(COLOR_3DSHADOW);
    case 'D':
        return GetSysColor(COLOR_3DDKSHADOW);
    case 'F':
        return GetSysColor(COLOR_3DFACE);
    case 'T':
        return GetSysColor(COLOR_WINDOWTEXT);
    default:
        return kPaper;
    }
}

// The canvas as the picture `expected` draws it: each pixel whose colour is
// the one its letter stands for shows that letter, any other the letter of
// its colour ('?' for none). Two letters of one colour in a scheme (light
// and face in the classic one) both match.
std::string Seen(const Surface& canvas, const std::string& expected) {
    std::string out;
    for (int y = 0; y < canvas.height(); ++y) {
        if (y)
            out += '|';
        for (int x = 0; x < canvas.width(); ++x) {
            char want = expected.size() > out.size() ? expected[out.size()] : '?';
            COLORREF pixel = GetPixel(canvas.dc(), x, y);
            char seen = '?';
            if (pixel == ColourOf(want))
                seen = want;
            else
                for (char letter : std::string(".LHSDFT"))
                    if (pixel == ColourOf(letter)) {
                        seen = letter;
                        break;
                    }
            out += seen;
        }
    }
    return out;
}

// DrawEdge on a 6 by 6 canvas, compared with the expected picture.
std::string Edge(UINT edge, UINT flags, const std::string& expected, RECT* adjusted = nullptr) {
    Surface canvas(6, 6, kPaper);
    RECT r{0, 0, 6, 6};
    EXPECT_TRUE(DrawEdge(canvas.dc(), &r, edge, flags));
    if (adjusted)
        *adjusted = r;
    return Seen(canvas, expected);
}

#define EXPECT_EDGE(edge, flags, picture) EXPECT_EQ(Edge(edge, flags, picture), picture)

} // namespace

TEST(GdiSystemColoursConformance, RaisedSunkenEtchedAndInnerEdges) {
    EXPECT_EDGE(EDGE_RAISED, BF_RECT, "LLLLLD|LHHHSD|LH..SD|LH..SD|LSSSSD|DDDDDD");
    EXPECT_EDGE(EDGE_SUNKEN, BF_RECT, "SSSSSH|SDDDLH|SD..LH|SD..LH|SLLLLH|HHHHHH");
    EXPECT_EDGE(EDGE_ETCHED, BF_RECT, "SSSSSH|SHHHSH|SH..SH|SH..SH|SSSSSH|HHHHHH");
    EXPECT_EDGE(BDR_RAISEDINNER, BF_RECT, "HHHHHS|H....S|H....S|H....S|H....S|SSSSSS");
    EXPECT_EDGE(BDR_SUNKENOUTER, BF_RECT, "SSSSSH|S....H|S....H|S....H|S....H|HHHHHH");
}

TEST(GdiSystemColoursConformance, EdgeFlagsChooseSidesAndAdjust) {
    RECT r{};
    const std::string raised = "LLLLLD|LHHHSD|LH..SD|LH..SD|LSSSSD|DDDDDD";
    EXPECT_EQ(Edge(EDGE_RAISED, BF_RECT | BF_ADJUST, raised, &r), raised);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 4);
    EXPECT_EQ(r.bottom, 4);
    const std::string inner = "HHHHHS|H....S|H....S|H....S|H....S|SSSSSS";
    EXPECT_EQ(Edge(BDR_RAISEDINNER, BF_RECT | BF_ADJUST, inner, &r), inner);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, 5);
    EXPECT_EDGE(EDGE_SUNKEN, BF_BOTTOM, "......|......|......|......|LLLLLL|HHHHHH");
    EXPECT_EDGE(EDGE_SUNKEN, BF_LEFT, "SD....|SD....|SD....|SD....|SD....|SD....");
    EXPECT_EDGE(EDGE_RAISED, BF_TOP | BF_RIGHT, "LLLLLD|HHHHSD|....SD|....SD|....SD|....SD");
}

TEST(GdiSystemColoursConformance, FillRectWithSystemColourBrushes) {
    Surface canvas(4, 2, kPaper);
    RECT left{0, 0, 2, 2};
    RECT right{2, 0, 4, 2};
    // A class background's way: the colour index plus one stands for its brush.
    ASSERT_TRUE(FillRect(canvas.dc(), &left,
                         reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))));
    ASSERT_TRUE(FillRect(canvas.dc(), &right, GetSysColorBrush(COLOR_WINDOWTEXT)));
    EXPECT_EQ(Seen(canvas, "FFTT|FFTT"), "FFTT|FFTT");
    // The system's brushes are shared: asking again gives the same one.
    EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), GetSysColorBrush(COLOR_WINDOW));
    LOGBRUSH brush{};
    ASSERT_EQ(GetObjectA(GetSysColorBrush(COLOR_HIGHLIGHT), sizeof brush, &brush),
              static_cast<int>(sizeof brush));
    EXPECT_EQ(brush.lbColor, GetSysColor(COLOR_HIGHLIGHT));
}

TEST(GdiSystemColoursConformance, DibSectionPixelsAreBlueGreenRedInRowOrder) {
    // Top-down: the first row first; each pixel 0x00RRGGBB in memory order B, G, R.
    Surface down(3, 2, kPaper);
    SetPixel(down.dc(), 1, 0, RGB(0x11, 0x22, 0x33));
    SetPixel(down.dc(), 2, 1, RGB(0xAA, 0xBB, 0xCC));
    EXPECT_EQ(down.bits()[1] & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(down.bits()[3 + 2] & 0xFFFFFF, 0xAABBCCu);
    auto* bytes = reinterpret_cast<const unsigned char*>(down.bits() + 1);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);

    // Bottom-up: the last row comes first in memory.
    Surface up(3, 2, kPaper, true);
    SetPixel(up.dc(), 1, 0, RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(up.bits()[3 + 1] & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(GetPixel(up.dc(), 1, 1), kPaper);
    EXPECT_EQ(up.bits()[1] & 0xFFFFFF,
              static_cast<std::uint32_t>(GetRValue(kPaper) << 16 | GetGValue(kPaper) << 8 |
                                         GetBValue(kPaper)));

    // Written into memory, read through the DC.
    down.bits()[0] = 0x00405060;
    EXPECT_EQ(GetPixel(down.dc(), 0, 0), RGB(0x40, 0x50, 0x60));
}
