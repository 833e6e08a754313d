// The GIF image as a picture: drawn as its current frame, loaded from a
// stream or from a "GIF Image" clipboard block, and shown by the clipboard
// viewer once its format is registered (the unknown-data icon before).
#include "gif/GifPicture.h"
#include "gif/gif_testkit.h"
#include "clipboard/CoolClipboardViewer.h"
#include "support/sim_fixture.h"
#include "toolkit/ExtCtrls.h"

#include <gtest/gtest.h>

using giftest::Builder;
using giftest::Bytes;

namespace {

std::uint32_t Rgb(int index) {
    return (std::uint32_t{Builder::R(index)} << 16) | (std::uint32_t{Builder::G(index)} << 8) |
           Builder::B(index);
}

// 3 x 2, two frames. Frame 0: colours 1 2 3 / 3 0 1 with colour 0
// transparent; frame 1: all colour 2.
Bytes TwoFrames() {
    Builder gif(3, 2);
    gif.Control(10, 0, 0);
    gif.Pixels(0, 0, 3, 2, Bytes{1, 2, 3, 3, 0, 1});
    gif.Control(10);
    gif.Pixels(0, 0, 3, 2, Bytes(6, 2));
    return gif.Done();
}

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::uint32_t WindowRgb() {
    const COLORREF c = GetSysColor(COLOR_WINDOW);
    return (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

class GifPicture : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = new tk::TForm(&App());
        form->SetBounds(0, 0, 600, 400);
        viewer = new TCoolClipboardViewer(form);
        viewer->SetBounds(0, 0, 533, 206);
        viewer->OnChange = [this](tk::TComponent*) {
            ++changes;
        };
        viewer->SetParent(form);
    }
    void TearDown() override {
        tk::TPicture::UnregisterClipboardFormat(GIFImageClipboardFormat());
        tk::Free(form);
        AppTest::TearDown();
    }

    void Show() {
        form->HandleNeeded();
        form->Show();
    }
    tk::TImage* View() { return dynamic_cast<tk::TImage*>(viewer->View()); }

    tk::TForm* form = nullptr;
    TCoolClipboardViewer* viewer = nullptr;
    int changes = 0;
};

} // namespace

TEST_F(GifPicture, TheViewerShowsARegisteredGifAsItsFirstFrame) {
    RegisterGIFImageFormat();
    ASSERT_TRUE(tk::TPicture::SupportsClipboardFormat(GIFImageClipboardFormat()));
    Show();
    sim::PutClipboard({{0, "GIF Image", Text(TwoFrames())}});
    tk::TImage* image = View();
    ASSERT_NE(image, nullptr);
    auto* graphic = dynamic_cast<TGIFGraphic*>(image->Picture().Graphic());
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(graphic->Image().Count(), 2);
    EXPECT_EQ(image->Width(), 3);
    EXPECT_EQ(image->Height(), 2);
    EXPECT_EQ(image->Left(), 265); // (533 - 3) div 2
    EXPECT_EQ(image->Top(), 102);  // (206 - 2) div 2

    const sim::Pixels pixels = sim::WindowPixels(viewer->Handle());
    auto at = [&](int x, int y) {
        return pixels.at(image->Left() + x, image->Top() + y);
    };
    EXPECT_EQ(at(0, 0), Rgb(1));
    EXPECT_EQ(at(1, 0), Rgb(2));
    EXPECT_EQ(at(2, 0), Rgb(3));
    EXPECT_EQ(at(0, 1), Rgb(3));
    EXPECT_EQ(at(1, 1), WindowRgb()); // transparent: the viewer's background
    EXPECT_EQ(at(2, 1), Rgb(1));
    EXPECT_EQ(at(3, 1), WindowRgb());
    EXPECT_EQ(changes, 2);
}

namespace {

// The pixels of a 32 x 32 icon drawn on white.
std::vector<std::uint32_t> IconPixels(tk::TGraphic& icon) {
    tk::TBitmap bitmap;
    bitmap.SetSize(32, 32);
    icon.Draw(bitmap.Canvas(), RECT{0, 0, 32, 32});
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 32; ++y)
        pixels.insert(pixels.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + 32);
    return pixels;
}

std::vector<std::uint32_t> ResourceIconPixels(const char* name) {
    tk::TIcon icon;
    icon.LoadFromResourceName(GetModuleHandleA(nullptr), name);
    return IconPixels(icon);
}

} // namespace

TEST_F(GifPicture, WithoutTheGifClassTheViewerShowsTheUnknownDataIcon) {
    Show();
    sim::PutClipboard({{0, "GIF Image", Text(TwoFrames())}});
    ASSERT_NE(View(), nullptr);
    auto* icon = dynamic_cast<tk::TIcon*>(View()->Picture().Graphic());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(View()->Width(), 32);
    const auto shown = IconPixels(*icon);
    ASSERT_NE(ResourceIconPixels("UNKNOWN_DATA_ICON"), ResourceIconPixels("SOUND_DATA_ICON"));
    EXPECT_EQ(shown, ResourceIconPixels("UNKNOWN_DATA_ICON"));
}

TEST_F(GifPicture, ABrokenGifOnTheClipboardIsReportedAndNothingIsShown) {
    RegisterGIFImageFormat();
    Show();
    sim::ClearMessageBoxes();
    const int before = changes;
    sim::PutClipboard({{0, "GIF Image", "GIF90a and nothing else"}});
    EXPECT_EQ(viewer->View(), nullptr);
    EXPECT_EQ(changes, before); // no OnChange for a failed refresh
    const auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unknown GIF version.");
}

TEST(GifGraphic, SizeEmptinessAndTheCurrentFrame) {
    sim::Reset();
    TGIFGraphic graphic;
    EXPECT_TRUE(graphic.Empty());
    EXPECT_EQ(graphic.Width(), 0);
    EXPECT_TRUE(graphic.Transparent());
    int changes = 0;
    graphic.OnChange = [&] {
        ++changes;
    };

    const Bytes bytes = TwoFrames();
    tk::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    graphic.LoadFromStream(stream);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(graphic.Empty());
    EXPECT_EQ(graphic.Width(), 3);
    EXPECT_EQ(graphic.Height(), 2);

    // Drawn opaque, the transparent colour is the fill (colour 0).
    graphic.SetTransparent(false);
    tk::TBitmap target;
    target.SetSize(3, 2);
    graphic.Draw(target.Canvas(), RECT{0, 0, 3, 2});
    EXPECT_EQ(target.ScanLine(0)[0], Rgb(1));
    EXPECT_EQ(target.ScanLine(1)[1], Rgb(0));
    // The image's current frame is the one drawn.
    graphic.Image().SetFrameIndex(1);
    graphic.Draw(target.Canvas(), RECT{0, 0, 3, 2});
    EXPECT_EQ(target.ScanLine(0)[0], Rgb(2));
    EXPECT_EQ(target.ScanLine(1)[1], Rgb(2));

    // A failed load raises without a change notice.
    const int before = changes;
    tk::TMemoryStream bad;
    bad.WriteBuffer("GIF87b", 6);
    bad.SetPosition(0);
    EXPECT_THROW(graphic.LoadFromStream(bad), tk::Exception);
    EXPECT_EQ(changes, before);
}

TEST(GifGraphic, RefusesOtherClipboardFormats) {
    sim::Reset();
    TGIFGraphic graphic;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    EXPECT_THROW(graphic.LoadFromClipboardFormat(CF_TEXT, block, nullptr), tk::Exception);
    EXPECT_THROW(graphic.LoadFromClipboardFormat(GIFImageClipboardFormat(), nullptr, nullptr),
                 tk::Exception);
    GlobalFree(block);
}
