// Icons from the program's resources: the image nearest the size asked for,
// 32-bit images blended by their alpha, palette images through their AND
// mask; shared and owned icons; the TIcon graphic.
#include "support/sim_fixture.h"
#include "toolkit/Graphics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace tk;

namespace {

template <typename T> void Append(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// One image of an icon file: header (twice the height), palette, colour rows
// and AND rows, both bottom row first. `color(x, y)` gives 0xAARRGGBB (bits
// 32) or a palette index; `keep(x, y)` the AND bit.
std::string IconImage(int size, int bits, const std::vector<std::uint32_t>& palette,
                      const std::function<std::uint32_t(int, int)>& color,
                      const std::function<bool(int, int)>& keep) {
    std::string out;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = size;
    header.biHeight = 2 * size;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    Append(out, header);
    for (std::uint32_t c : palette)
        Append(out, c);
    int stride = ((size * bits + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < size; ++x) {
            std::uint32_t v = color(x, y);
            if (bits == 32)
                std::memcpy(&row[static_cast<std::size_t>(4 * x)], &v, 4);
            else if (bits == 8)
                row[static_cast<std::size_t>(x)] = static_cast<char>(v);
            else if (bits == 4)
                row[static_cast<std::size_t>(x / 2)] |= static_cast<char>(x % 2 ? v : v << 4);
        }
        out += row;
    }
    int maskStride = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskStride), '\0');
        for (int x = 0; x < size; ++x)
            if (keep(x, y))
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        out += row;
    }
    return out;
}

struct Entry {
    int size;
    int bits;
    std::string image;
};

std::string IconFile(const std::vector<Entry>& entries) {
    std::string out;
    Append(out, WORD{0});
    Append(out, WORD{1});
    Append(out, static_cast<WORD>(entries.size()));
    DWORD offset = static_cast<DWORD>(6 + 16 * entries.size());
    for (const auto& e : entries) {
        out += static_cast<char>(e.size);
        out += static_cast<char>(e.size);
        out += static_cast<char>(e.bits == 4 ? 16 : 0);
        out += '\0';
        Append(out, WORD{1});
        Append(out, static_cast<WORD>(e.bits));
        Append(out, static_cast<DWORD>(e.image.size()));
        Append(out, offset);
        offset += static_cast<DWORD>(e.image.size());
    }
    for (const auto& e : entries)
        out += e.image;
    return out;
}

class IconTest : public testing_support::SimTest {
protected:
    HINSTANCE Module() const { return GetModuleHandleA(nullptr); }

    // The test icon: 16 x 16 with 16 colours, 32 x 32 with 256 colours and
    // 32 x 32 with alpha, in that order in the file.
    void SetUp() override {
        SimTest::SetUp();
        std::vector<std::uint32_t> sixteen(16, 0);
        sixteen[1] = 0xFF0000; // red
        sixteen[2] = 0x00FF00; // green
        auto small = IconImage(
            16, 4, sixteen, [](int x, int y) { return y >= 8  ? 0u
                                                      : x < 8 ? 1u
                                                              : 2u; },
            [](int, int y) { return y >= 8; }); // the bottom half lets the background through
        std::vector<std::uint32_t> palette(256, 0x000000);
        palette[3] = 0x0000FF;
        auto medium = IconImage(
            32, 8, palette, [](int, int) { return 3u; }, [](int, int) { return false; });
        auto large = IconImage(
            32, 32, {}, [](int x, int) { return x < 16 ? 0xFFFF0000u : 0x00000000u; },
            [](int, int) { return false; });
        sim::SetResource("ICON", "TEST_ICON",
                         IconFile({{16, 4, small}, {32, 8, medium}, {32, 32, large}}));
    }

    // Draws the icon at its natural size on a background and reads one pixel.
    static std::uint32_t Drawn(HICON icon, TColor background, int x, int y, int size = 32) {
        TBitmap target;
        target.SetSize(size, size);
        target.Canvas().Brush.SetColor(background);
        target.Canvas().FillRect(RECT{0, 0, size, size});
        DrawIconEx(target.Canvas().Handle(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        return target.ScanLine(y)[x] & 0xFFFFFF;
    }

    static SIZE SizeOf(HICON icon) {
        ICONINFO info{};
        if (!GetIconInfo(icon, &info))
            return SIZE{0, 0};
        BITMAP bm{};
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return SIZE{bm.bmWidth, bm.bmHeight};
    }
};

} // namespace

TEST_F(IconTest, TheDeepestImageOfTheAskedSizeIsTaken) {
    auto icon = static_cast<HICON>(LoadImageA(Module(), "TEST_ICON", IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SizeOf(icon).cx, 32);
    // The 32-bit image: opaque red on the left, fully transparent on the right.
    EXPECT_EQ(Drawn(icon, clBlue, 3, 3), 0xFF0000u);
    EXPECT_EQ(Drawn(icon, clBlue, 20, 3), 0x0000FFu);
    DestroyIcon(icon);
}

TEST_F(IconTest, PaletteImagesGoThroughTheirMask) {
    auto icon = static_cast<HICON>(LoadImageA(Module(), "TEST_ICON", IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SizeOf(icon).cx, 16);
    EXPECT_EQ(Drawn(icon, clBlue, 2, 2, 16), 0xFF0000u);
    EXPECT_EQ(Drawn(icon, clBlue, 12, 2, 16), 0x00FF00u);
    // Where the AND mask keeps the background, the colours (black) change nothing.
    EXPECT_EQ(Drawn(icon, clBlue, 2, 12, 16), 0x0000FFu);
    EXPECT_EQ(Drawn(icon, clYellow, 12, 12, 16), 0xFFFF00u);
    DestroyIcon(icon);
}

TEST_F(IconTest, OtherSizesAreScaledFromTheNearestImage) {
    auto icon = static_cast<HICON>(LoadImageA(Module(), "TEST_ICON", IMAGE_ICON, 64, 64, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SizeOf(icon).cx, 64);
    EXPECT_EQ(Drawn(icon, clBlue, 31, 40, 64), 0xFF0000u);
    EXPECT_EQ(Drawn(icon, clBlue, 32, 40, 64), 0x0000FFu);
    DestroyIcon(icon);
    // DrawIconEx stretches too.
    icon = static_cast<HICON>(LoadImageA(Module(), "TEST_ICON", IMAGE_ICON, 16, 16, 0));
    TBitmap target;
    target.SetSize(32, 32);
    DrawIconEx(target.Canvas().Handle(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(target.ScanLine(0)[15] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.ScanLine(0)[16] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(target.ScanLine(16)[0] & 0xFFFFFF, 0xFFFFFFu);
    DestroyIcon(icon);
}

TEST_F(IconTest, TheProgramsIconsBlendTheirEdges) {
    for (const char* name : {"MAINICON", "SOUND_DATA_ICON", "UNKNOWN_DATA_ICON"}) {
        HICON icon = LoadIconA(Module(), name);
        ASSERT_NE(icon, nullptr) << name;
        EXPECT_EQ(SizeOf(icon).cx, 32) << name;
        EXPECT_EQ(SizeOf(icon).cy, 32) << name;
        int same = 0, different = 0;
        for (int y = 0; y < 32; y += 3)
            for (int x = 0; x < 32; x += 3)
                (Drawn(icon, clWhite, x, y) == Drawn(icon, clBlack, x, y) ? same : different)++;
        EXPECT_GT(same, 0) << name;      // the picture itself
        EXPECT_GT(different, 0) << name; // the background around it
        auto small = static_cast<HICON>(LoadImageA(Module(), name, IMAGE_ICON, 16, 16, 0));
        EXPECT_EQ(SizeOf(small).cx, 16) << name;
        DestroyIcon(small);
    }
}

TEST_F(IconTest, LoadIconSharesItsIconsAndKnowsTheStockOnes) {
    HICON first = LoadIconA(Module(), "SOUND_DATA_ICON");
    HICON second = LoadIconA(Module(), "sound_data_icon");
    EXPECT_EQ(first, second);
    EXPECT_TRUE(DestroyIcon(first)); // a shared icon stays
    EXPECT_EQ(SizeOf(second).cx, 32);

    HICON application = LoadIconA(nullptr, IDI_APPLICATION);
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(SizeOf(application).cx, 32);
    EXPECT_EQ(LoadIconA(Module(), "NO_SUCH_ICON"), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "MAINICON"), nullptr); // the system has no such icon
}

TEST_F(IconTest, TIconLoadsDrawsAndCopies) {
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    icon.LoadFromResourceName(Module(), "TEST_ICON");
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);

    TIcon copy;
    copy.Assign(icon);
    EXPECT_NE(copy.Handle(), icon.Handle());
    icon.SetHandle(nullptr);
    EXPECT_TRUE(icon.Empty());

    TBitmap target;
    target.SetSize(40, 40);
    target.Canvas().Brush.SetColor(clBlue);
    target.Canvas().FillRect(RECT{0, 0, 40, 40});
    target.Canvas().Draw(4, 4, copy); // natural size at the point
    EXPECT_EQ(target.ScanLine(4)[4] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.ScanLine(4)[24] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(target.ScanLine(3)[4] & 0xFFFFFF, 0x0000FFu);

    try {
        icon.LoadFromResourceName(Module(), "NOPE");
        ADD_FAILURE() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), "Resource NOPE not found");
    }
}

TEST_F(IconTest, BrokenIconDataLoadsNothing) {
    std::string good =
        IconFile({{16, 4,
                   IconImage(
                       16, 4, std::vector<std::uint32_t>(16, 0), [](int, int) { return 0u; },
                       [](int, int) { return false; })}});
    for (std::size_t cut : {std::size_t{3}, std::size_t{20}, std::size_t{60}, good.size() - 40}) {
        sim::SetResource("ICON", "CUT_ICON", good.substr(0, cut));
        EXPECT_EQ(LoadImageA(Module(), "CUT_ICON", IMAGE_ICON, 16, 16, 0), nullptr) << cut;
    }
    std::string lying = good;
    lying[6 + 8] = '\x7F'; // the entry claims a far larger image
    lying[6 + 9] = '\x7F';
    sim::SetResource("ICON", "CUT_ICON", lying);
    EXPECT_EQ(LoadImageA(Module(), "CUT_ICON", IMAGE_ICON, 16, 16, 0), nullptr);
}
