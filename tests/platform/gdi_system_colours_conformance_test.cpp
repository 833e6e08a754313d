// What the program's painting of frames, buttons and the status bar relies
// on: the pixels of each DrawEdge it uses, FillRect with the system-colour
// brushes, and the order of pixels in the DIB sections it paints on. The
// same source runs against the simulator and, built for Windows, against Wine.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

namespace {

// A 32-bit DIB section selected into a memory DC; top-down unless asked.
class Canvas {
public:
    Canvas(int width, int height, bool bottomUp = false) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = bottomUp ? height : -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<std::uint32_t*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    std::uint32_t* bits() const {
        GdiFlush();
        return bits_;
    }
    // The picture, one letter per pixel from `legend` ('?' for others), rows joined by '|'.
    std::string Picture(const std::map<COLORREF, char>& legend) const {
        std::string out;
        for (int y = 0; y < height_; ++y) {
            if (y)
                out += '|';
            for (int x = 0; x < width_; ++x) {
                auto it = legend.find(GetPixel(dc_, x, y));
                out += it == legend.end() ? '?' : it->second;
            }
        }
        return out;
    }

private:
    int width_;
    int height_;
    HBITMAP bitmap_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The 3-D colours by letter: L light, H highlight, S shadow, D dark shadow,
// F face, and W for the white that was there.
std::map<COLORREF, char> ThreeD() {
    // Two of them may be one colour in a scheme; the first letter wins then.
    std::map<COLORREF, char> legend;
    legend.emplace(RGB(255, 255, 255), 'W');
    legend.emplace(GetSysColor(COLOR_3DSHADOW), 'S');
    legend.emplace(GetSysColor(COLOR_3DDKSHADOW), 'D');
    legend.emplace(GetSysColor(COLOR_3DFACE), 'F');
    legend.emplace(GetSysColor(COLOR_3DLIGHT), 'L');
    legend.emplace(GetSysColor(COLOR_3DHILIGHT), 'H');
    return legend;
}

std::string Edge(UINT edge, UINT flags, RECT* adjusted = nullptr) {
    Canvas canvas(6, 6);
    RECT r{0, 0, 6, 6};
    EXPECT_TRUE(DrawEdge(canvas.dc(), &r, edge, flags));
    if (adjusted)
        *adjusted = r;
    return canvas.Picture(ThreeD());
}

} // namespace

TEST(GdiSystemColoursConformance, TheSchemeHasDistinctThreeDimensionalColours) {
    // The pictures below tell the colours apart only if the scheme does.
    EXPECT_EQ(ThreeD().size(), 6u);
}

TEST(GdiSystemColoursConformance, RaisedAndSunkenEdges) {
    EXPECT_EQ(Edge(EDGE_RAISED, BF_RECT), "LLLLLD|LHHHSD|LHWWSD|LHWWSD|LSSSSD|DDDDDD");
    EXPECT_EQ(Edge(EDGE_SUNKEN, BF_RECT), "SSSSSH|SDDDLH|SDWWLH|SDWWLH|SLLLLH|HHHHHH");
    EXPECT_EQ(Edge(EDGE_ETCHED, BF_RECT), "SSSSSH|SHHHSH|SHWWSH|SHWWSH|SSSSSH|HHHHHH");
    EXPECT_EQ(Edge(BDR_RAISEDINNER, BF_RECT), "HHHHHS|HWWWWS|HWWWWS|HWWWWS|HWWWWS|SSSSSS");
}

TEST(GdiSystemColoursConformance, EdgeFlagsChooseSidesAndAdjust) {
    RECT r{};
    EXPECT_EQ(Edge(EDGE_RAISED, BF_RECT | BF_ADJUST, &r), "LLLLLD|LHHHSD|LHWWSD|LHWWSD|LSSSSD|DDDDDD");
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 4);
    EXPECT_EQ(r.bottom, 4);
    EXPECT_EQ(Edge(BDR_RAISEDINNER, BF_RECT | BF_ADJUST, &r),
              "HHHHHS|HWWWWS|HWWWWS|HWWWWS|HWWWWS|SSSSSS");
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, 5);
    EXPECT_EQ(Edge(EDGE_SUNKEN, BF_BOTTOM), "WWWWWW|WWWWWW|WWWWWW|WWWWWW|LLLLLL|HHHHHH");
    EXPECT_EQ(Edge(EDGE_SUNKEN, BF_LEFT), "SDWWWW|SDWWWW|SDWWWW|SDWWWW|SDWWWW|SDWWWW");
}

TEST(GdiSystemColoursConformance, FillRectWithSystemColourBrushes) {
    Canvas canvas(4, 2);
    RECT left{0, 0, 2, 2};
    RECT right{2, 0, 4, 2};
    // A class background's way: the colour index plus one stands for its brush.
    ASSERT_TRUE(FillRect(canvas.dc(), &left,
                         reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))));
    ASSERT_TRUE(FillRect(canvas.dc(), &right, GetSysColorBrush(COLOR_WINDOWTEXT)));
    std::map<COLORREF, char> legend{{GetSysColor(COLOR_BTNFACE), 'F'},
                                    {GetSysColor(COLOR_WINDOWTEXT), 'T'}};
    EXPECT_EQ(canvas.Picture(legend), "FFTT|FFTT");
    // The system's brushes are shared: asking again gives the same one.
    EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), GetSysColorBrush(COLOR_WINDOW));
    LOGBRUSH brush{};
    ASSERT_EQ(GetObjectA(GetSysColorBrush(COLOR_HIGHLIGHT), sizeof brush, &brush),
              static_cast<int>(sizeof brush));
    EXPECT_EQ(brush.lbColor, GetSysColor(COLOR_HIGHLIGHT));
}

TEST(GdiSystemColoursConformance, DibSectionPixelsAreBlueGreenRedInRowOrder) {
    // Top-down: the first row first; each pixel 0x00RRGGBB in memory order B, G, R.
    Canvas down(3, 2);
    SetPixel(down.dc(), 1, 0, RGB(0x11, 0x22, 0x33));
    SetPixel(down.dc(), 2, 1, RGB(0xAA, 0xBB, 0xCC));
    EXPECT_EQ(down.bits()[1] & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(down.bits()[3 + 2] & 0xFFFFFF, 0xAABBCCu);
    auto* bytes = reinterpret_cast<const unsigned char*>(down.bits() + 1);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);

    // Bottom-up: the last row comes first in memory.
    Canvas up(3, 2, true);
    SetPixel(up.dc(), 1, 0, RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(up.bits()[3 + 1] & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(up.bits()[1] & 0xFFFFFF, 0xFFFFFFu);

    // Written into memory, read through the DC.
    down.bits()[0] = 0x00405060;
    EXPECT_EQ(GetPixel(down.dc(), 0, 0), RGB(0x40, 0x50, 0x60));
}
