// What the animator paints, pixel by pixel on its parent's surface: the
// parent under an empty or transparent image, Stretch, Center, Transparent,
// AutoSize, and for every frame of the corpus animations the picture that
// giftool composes for it.
#include "gif/animator_fixture.h"
#include "toolkit/ExtCtrls.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

using namespace animtest;
namespace fs = std::filesystem;

namespace {

class AnimatorPaint : public AnimatorTest {
protected:
    void SetUp() override {
        AnimatorTest::SetUp();
        ShowForm();
    }
};

// 4 x 2: top row colours 1 2 3 0, bottom row 0 3 2 1; colour 0 is the
// transparent one when `transparent` is set.
Bytes Pattern(bool transparent) {
    Builder gif(4, 2);
    if (transparent)
        gif.Control(0, 0, 0);
    gif.Pixels(0, 0, 4, 2, Bytes{1, 2, 3, 0, 0, 3, 2, 1});
    return gif.Done();
}

constexpr std::uint32_t kForm = kFormRgb;

} // namespace

TEST_F(AnimatorPaint, AnEmptyImageShowsTheParent) {
    animator->SetAutoSize(false);
    const auto area = Area(105, 105);
    for (std::uint32_t p : area)
        ASSERT_EQ(p, kForm);
}

TEST_F(AnimatorPaint, AutoSizeTakesTheScreenSizeOfTheImage) {
    Builder gif(468, 60);
    gif.Pixels(0, 0, 468, 60, Bytes(468 * 60, 1));
    Load(gif.Done());
    EXPECT_EQ(animator->Width(), 468);
    EXPECT_EQ(animator->Height(), 60);
    EXPECT_EQ(At(467, 59), Rgb(1));
    // An empty image keeps the size; without AutoSize the size stays put.
    Load({});
    EXPECT_EQ(animator->Width(), 468);
    animator->SetAutoSize(false);
    animator->SetBounds(10, 20, 30, 30);
    Load(Pattern(false));
    EXPECT_EQ(animator->Width(), 30);
    EXPECT_EQ(animator->Height(), 30);
    animator->SetAutoSize(true);
    EXPECT_EQ(animator->Width(), 4);
    EXPECT_EQ(animator->Height(), 2);
}

TEST_F(AnimatorPaint, TheFrameAtTheTopLeftWithTheParentAroundIt) {
    animator->SetAutoSize(false);
    Load(Pattern(false));
    const auto area = Area(6, 3);
    const std::uint32_t F = kForm;
    EXPECT_EQ(area, (std::vector<std::uint32_t>{Rgb(1), Rgb(2), Rgb(3), Rgb(0), F, F, //
                                                Rgb(0), Rgb(3), Rgb(2), Rgb(1), F, F, //
                                                F, F, F, F, F, F}));
}

TEST_F(AnimatorPaint, TransparentPixelsShowTheParentOnlyWhileTransparentIsSet) {
    Load(Pattern(true));
    ASSERT_EQ(animator->Width(), 4);
    const std::uint32_t F = kForm;
    EXPECT_EQ(Area(4, 2), (std::vector<std::uint32_t>{Rgb(1), Rgb(2), Rgb(3), F, //
                                                      F, Rgb(3), Rgb(2), Rgb(1)}));
    // Opaque, the transparent colour is painted as it is.
    animator->SetTransparent(false);
    EXPECT_EQ(Area(4, 2), (std::vector<std::uint32_t>{Rgb(1), Rgb(2), Rgb(3), Rgb(0), //
                                                      Rgb(0), Rgb(3), Rgb(2), Rgb(1)}));
    animator->SetTransparent(true);
    EXPECT_EQ(At(3, 0), F);
}

TEST_F(AnimatorPaint, TransparentPixelsShowTheGraphicControlsBelow) {
    // A red image under the animator (the animator goes on top again).
    auto* below = new tk::TImage(form);
    auto bitmap = std::make_unique<tk::TBitmap>();
    bitmap->SetSize(4, 2);
    bitmap->Canvas().Brush.SetColor(static_cast<tk::TColor>(RGB(255, 0, 0)));
    bitmap->Canvas().FillRect(RECT{0, 0, 4, 2});
    below->Picture().SetGraphic(std::move(bitmap));
    below->SetBounds(10, 20, 4, 2);
    below->SetParent(form);
    animator->SetParent(nullptr);
    animator->SetParent(form);
    Load(Pattern(true));
    EXPECT_EQ(At(3, 0), 0xFF0000u);
    EXPECT_EQ(At(0, 1), 0xFF0000u);
    EXPECT_EQ(At(1, 1), Rgb(3));
    // While animating, each step repaints with what lies below as well.
    Builder gif(4, 2);
    for (int i : {1, 2}) {
        gif.Control(0, 0, 0);
        gif.Pixels(0, 0, 4, 2, Bytes{static_cast<std::uint8_t>(i), 0, 0, 0, 0, 0, 0, 0});
    }
    Load(gif.Done());
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(timertest::Sleeping(1));
    sim::AdvanceClock(50);
    ASSERT_TRUE(timertest::PumpUntil(App(), [&] { return animator->FrameIndex() == 1; }));
    HDC dc = GetDC(form->Handle());
    EXPECT_EQ(GetPixel(dc, animator->Left(), animator->Top()), Builder::Color(2));
    EXPECT_EQ(GetPixel(dc, animator->Left() + 1, animator->Top()), RGB(255, 0, 0));
    ReleaseDC(form->Handle(), dc);
    ASSERT_TRUE(timertest::Sleeping(1));
}

TEST_F(AnimatorPaint, StretchFillsTheClientArea) {
    animator->SetAutoSize(false);
    animator->SetBounds(10, 20, 8, 6);
    Load(Pattern(false));
    animator->SetStretch(true);
    const auto area = Area(8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint8_t pattern[2][4] = {{1, 2, 3, 0}, {0, 3, 2, 1}};
            ASSERT_EQ(area[static_cast<std::size_t>(y * 8 + x)], Rgb(pattern[y / 3][x / 2]))
                << x << "," << y;
        }
}

TEST_F(AnimatorPaint, CenterPlacesTheFrameInTheMiddle) {
    animator->SetAutoSize(false);
    animator->SetBounds(10, 20, 9, 7);
    Load(Pattern(false));
    animator->SetCenter(true);
    // Offsets (9 - 4) / 2 = 2 and (7 - 2) / 2 = 2.
    const auto area = Area(9, 7);
    auto at = [&](int x, int y) {
        return area[static_cast<std::size_t>(y * 9 + x)];
    };
    EXPECT_EQ(at(2, 2), Rgb(1));
    EXPECT_EQ(at(5, 3), Rgb(1));
    EXPECT_EQ(at(1, 2), kForm);
    EXPECT_EQ(at(2, 1), kForm);
    EXPECT_EQ(at(6, 4), kForm);
    // A control smaller than the frame: negative offsets, rounded toward zero.
    animator->SetBounds(10, 20, 1, 1);
    // (1 - 4) / 2 = -1 and (1 - 2) / 2 = 0: the pixel shown is (1, 0).
    EXPECT_EQ(At(0, 0), Rgb(2));
    // Stretch wins over Center.
    animator->SetBounds(10, 20, 8, 4);
    animator->SetStretch(true);
    EXPECT_EQ(At(0, 0), Rgb(1));
    EXPECT_EQ(At(7, 3), Rgb(1));
}

TEST_F(AnimatorPaint, AFrameThatFailsToDecodeIsReportedOnceAndShowsTheParent) {
    giftest::Strict strict; // with tolerance off, a bad code size raises
    Builder gif(4, 2);
    gif.Pixels(0, 0, 4, 2, Bytes(8, 1));
    gif.Frame(0, 0, 4, 2, Bytes{12, 1, 0xFF, 0});
    Load(gif.Done()); // frame 1 is decoded only when first shown
    std::vector<std::string> reported;
    App().OnException = [&](const std::exception& e) {
        reported.push_back(e.what());
    };
    animator->SetFrameIndex(1);
    EXPECT_EQ(At(0, 0), kForm);
    EXPECT_EQ(At(3, 1), kForm);
    EXPECT_EQ(reported, std::vector<std::string>{"GIF code size not in range 2 to 9"});
    // A new image is composed again.
    Load(Pattern(false));
    EXPECT_EQ(At(0, 0), Rgb(1));
    EXPECT_EQ(reported.size(), 1u);
}

namespace {

struct Ppm {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB
};

bool ReadPpm(const fs::path& path, Ppm& out) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> out.width >> out.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || out.width <= 0 || out.height <= 0)
        return false;
    std::vector<unsigned char> raw(static_cast<std::size_t>(out.width) * out.height * 3);
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (!in)
        return false;
    for (std::size_t i = 0; i < raw.size(); i += 3)
        out.pixels.push_back((std::uint32_t{raw[i]} << 16) | (std::uint32_t{raw[i + 1]} << 8) |
                             raw[i + 2]);
    return true;
}

} // namespace

// For each frame of the corpus animations, what the animator shows (opaque,
// as the banner sets it) is the picture giftool composes for that frame.
// The frames are visited forwards (each step composed onto the last) and
// then backwards (each picture rebuilt from its start frame).
TEST_F(AnimatorPaint, EachFrameOfTheCorpusAnimationsMatchesGiftool) {
    std::error_code error;
    const fs::path tool =
        fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "tools" / "giftool";
    ASSERT_TRUE(fs::exists(tool)) << tool;
    const fs::path out =
        fs::temp_directory_path() / ("animator-giftool-" + std::to_string(::getpid()));
    animator->SetTransparent(false);
    int animations = 0;
    for (const auto& entry : fs::directory_iterator(giftest::DataDir())) {
        const fs::path file = entry.path();
        if (file.extension() != ".gif" || file.filename().string().rfind("anim-", 0) != 0)
            continue;
        SCOPED_TRACE(file.filename().string());
        fs::remove_all(out);
        const std::string command = "\"" + tool.string() + "\" \"" + file.string() + "\" \"" +
                                    out.string() + "\" > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        animator->Image().LoadFromFile(file.string());
        const int count = animator->Image().Count();
        ASSERT_GE(count, 2);
        ++animations;
        std::vector<int> order;
        for (int i = 0; i < count; ++i)
            order.push_back(i);
        for (int i = count - 1; i >= 0; --i)
            order.push_back(i);
        for (int i : order) {
            animator->SetFrameIndex(i);
            ASSERT_EQ(animator->FrameIndex(), i);
            Ppm want;
            ASSERT_TRUE(ReadPpm(out / ("composed-" + std::to_string(i) + ".ppm"), want));
            ASSERT_EQ(animator->Width(), want.width);
            ASSERT_EQ(animator->Height(), want.height);
            EXPECT_EQ(Area(want.width, want.height), want.pixels) << "frame " << i;
        }
    }
    EXPECT_GE(animations, 4);
    fs::remove_all(out);
}
