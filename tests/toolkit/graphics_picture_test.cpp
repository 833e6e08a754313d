// Colours, and pictures made from clipboard data: the graphic class chosen
// by format, bitmaps read from DIBs (and refused when their data lies).
#include "support/sim_fixture.h"
#include "toolkit/Graphics.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tk;

namespace {

class PictureTest : public testing_support::SimTest {
protected:
    static HGLOBAL Block(const std::string& bytes) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        return block;
    }

    // A 3 x 2 DIB with 8 bits per pixel, bottom row first: top row red,
    // green, blue; bottom row black, white, red.
    static std::string PaletteDib() {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = 3;
        header.biHeight = 2;
        header.biPlanes = 1;
        header.biBitCount = 8;
        header.biClrUsed = 4;
        std::string dib(reinterpret_cast<const char*>(&header), sizeof header);
        RGBQUAD colors[4] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};
        dib.append(reinterpret_cast<const char*>(colors), sizeof colors);
        dib += std::string("\x00\x03\x00\x00", 4) + std::string("\x00\x01\x02\x00", 4);
        dib[sizeof header + sizeof colors] = '\x04'; // index 4 lies past the table: the last colour
        return dib;
    }
};

} // namespace

TEST_F(PictureTest, SystemColoursFollowTheDesktopScheme) {
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(ColorToRGB(static_cast<TColor>(RGB(191, 191, 170))), RGB(191, 191, 170));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clWindowText), RGB(0, 0, 0));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
    EXPECT_EQ(ColorToRGB(clHighlightText), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clBtnShadow), RGB(128, 128, 128));
    EXPECT_EQ(ColorToRGB(clBtnHighlight), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(cl3DDkShadow), RGB(64, 64, 64));
    EXPECT_EQ(ColorToRGB(clInfoBk), RGB(255, 255, 225));
    EXPECT_EQ(ColorToRGB(clMenu), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clGradientActiveCaption), RGB(166, 202, 240));
    for (int index = 0; index <= 30; ++index)
        EXPECT_EQ(ColorToRGB(SystemColor(index)), GetSysColor(index)) << index;

    // A system colour brush paints its colour and outlives DeleteObject.
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    DeleteObject(face);
    TBitmap bitmap;
    bitmap.SetSize(1, 1);
    RECT all{0, 0, 1, 1};
    FillRect(bitmap.Canvas().Handle(), &all, face);
    EXPECT_EQ(bitmap.ScanLine(0)[0] & 0xFFFFFF, 0xD4D0C8u);
}

TEST_F(PictureTest, FontSizeAndHeightConvertAtNinetySixDots) {
    TFont font;
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -16);
    int changes = 0;
    font.OnChange = [&] {
        ++changes;
    };
    font.SetName("Tahoma");
    font.SetName("Tahoma");
    EXPECT_EQ(changes, 1);
    LOGFONTA logical{};
    ASSERT_TRUE(GetObjectA(font.Handle(), sizeof logical, &logical));
    EXPECT_STREQ(logical.lfFaceName, "Tahoma");
    EXPECT_EQ(logical.lfHeight, -16);
}

TEST_F(PictureTest, ThePictureClassFollowsTheClipboardFormat) {
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_METAFILEPICT));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_ENHMETAFILE));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(CF_DIB));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(CF_TEXT));

    TPicture picture;
    std::uint32_t pixels[1] = {0x123456};
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, pixels);
    picture.LoadFromClipboardFormat(CF_BITMAP, bitmap, nullptr);
    DeleteObject(bitmap); // the picture keeps a copy
    auto* loaded = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ScanLine(0)[0] & 0xFFFFFF, 0x123456u);

    RECT frame{0, 0, 254, 254};
    HENHMETAFILE emf = CloseEnhMetaFile(CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr));
    picture.LoadFromClipboardFormat(CF_ENHMETAFILE, emf, nullptr);
    DeleteEnhMetaFile(emf);
    ASSERT_NE(dynamic_cast<TMetafile*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 10); // a tenth of an inch

    try {
        picture.LoadFromClipboardFormat(CF_WAVE, nullptr, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unsupported clipboard format");
    }
    EXPECT_NE(dynamic_cast<TMetafile*>(picture.Graphic()), nullptr); // unchanged
}

TEST_F(PictureTest, BitmapsReadPaletteDibs) {
    HGLOBAL block = Block(PaletteDib());
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(CF_DIB, block, nullptr);
    GlobalFree(block);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.ScanLine(0)[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bitmap.ScanLine(0)[1] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(bitmap.ScanLine(0)[2] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(bitmap.ScanLine(1)[0] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(bitmap.ScanLine(1)[1] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(bitmap.ScanLine(1)[2] & 0xFFFFFF, 0xFF0000u);
}

TEST_F(PictureTest, BitmapsRefuseDibsThatClaimMoreThanTheyHold) {
    std::string good = PaletteDib();
    auto refuse = [&](std::string dib, const char* what) {
        HGLOBAL block = Block(dib);
        TBitmap bitmap;
        EXPECT_THROW(bitmap.LoadFromClipboardFormat(CF_DIB, block, nullptr), EInvalidGraphic)
            << what;
        EXPECT_TRUE(bitmap.Empty()) << what;
        EXPECT_EQ(sim::LockCount(block), 0) << what;
        GlobalFree(block);
    };
    refuse(good.substr(0, good.size() - 1), "a row cut short");
    refuse(good.substr(0, 30), "a header cut short");
    std::string tall = good;
    tall[8] = '\x00';
    tall[9] = '\x70'; // 28672 rows
    refuse(tall, "far more rows");
    std::string colors = good;
    colors[32] = '\x00';
    colors[33] = '\x01'; // 256 colours
    refuse(colors, "more colours than the block holds");
    std::string depth = good;
    depth[14] = 7;
    refuse(depth, "7 bits per pixel");
    std::string rle = good;
    rle[16] = BI_RLE8;
    refuse(rle, "compressed");
}
