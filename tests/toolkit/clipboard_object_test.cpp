// The clipboard object: counted opening, text up to its first NUL, and the
// picture made from the first picture format in the clipboard's order.
#include "support/sim_fixture.h"
#include "toolkit/Clipbrd.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tk;

namespace {

// A graphic of a registered format that only records what it was given.
struct RecordingGraphic : TGraphic {
    static inline UINT loadedFormat = 0;
    static inline HPALETTE loadedPalette = nullptr;
    int Width() const override { return 7; }
    int Height() const override { return 5; }
    bool Empty() const override { return false; }
    void Draw(TCanvas&, const RECT&) override {}
    void LoadFromClipboardFormat(UINT format, HANDLE, HPALETTE palette) override {
        loadedFormat = format;
        loadedPalette = palette;
    }
};

class ClipboardObjectTest : public testing_support::AppTest {
protected:
    void TearDown() override {
        for (UINT format : registered_)
            TPicture::UnregisterClipboardFormat(format);
        AppTest::TearDown();
    }

    UINT RegisterPictureFormat(const char* name) {
        UINT format = RegisterClipboardFormatA(name);
        TPicture::RegisterClipboardFormat(format,
                                          [] { return std::make_unique<RecordingGraphic>(); });
        registered_.push_back(format);
        return format;
    }

    // A 2 x 1 bitmap: red, blue.
    static HBITMAP SmallBitmap() {
        std::uint32_t pixels[2] = {0xFF0000, 0x0000FF};
        return CreateBitmap(2, 1, 1, 32, pixels);
    }

    static HGLOBAL Block(const std::string& bytes) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        return block;
    }

    // Puts (format, handle) pairs on the clipboard as the program, in this order.
    void Put(const std::vector<std::pair<UINT, HANDLE>>& formats) {
        ASSERT_TRUE(OpenClipboard(App().Handle()));
        EmptyClipboard();
        for (auto& [format, data] : formats)
            SetClipboardData(format, data);
        CloseClipboard();
    }

private:
    std::vector<UINT> registered_;
};

} // namespace

TEST_F(ClipboardObjectTest, TextEndsAtTheFirstNul) {
    sim::PutClipboard({{CF_TEXT, "", std::string("first\0second\0", 13)}});
    TClipboard clipboard(App().Handle());
    EXPECT_EQ(clipboard.AsText(), "first");
    EXPECT_TRUE(clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);

    // Text without any NUL ends with its block.
    sim::PutClipboard({{CF_TEXT, "", "no terminator"}});
    EXPECT_EQ(clipboard.AsText(), "no terminator");

    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    EXPECT_EQ(clipboard.AsText(), "");
    EXPECT_FALSE(clipboard.HasFormat(CF_TEXT));
}

TEST_F(ClipboardObjectTest, OpensAreCounted) {
    TClipboard clipboard(App().Handle());
    clipboard.Open();
    clipboard.Open();
    EXPECT_EQ(sim::ClipboardOpenTask(), 1);
    EXPECT_EQ(clipboard.AsText(), ""); // nested: stays open afterwards
    clipboard.Close();
    EXPECT_EQ(sim::ClipboardOpenTask(), 1);
    clipboard.Close();
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);
    clipboard.Close(); // one close too many does nothing
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);
}

TEST_F(ClipboardObjectTest, AnotherProgramHoldingTheClipboardShutsItOut) {
    sim::PutClipboard({{CF_TEXT, "", std::string("held\0", 5)}});
    sim::HoldClipboardOpen();
    TClipboard clipboard(App().Handle());
    TPicture picture;
    try {
        clipboard.AsText();
        ADD_FAILURE() << "no exception";
    } catch (const EClipboardException& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    EXPECT_THROW(clipboard.GetPicture(picture), EClipboardException);
    EXPECT_THROW(clipboard.Open(), EClipboardException);
    sim::ReleaseClipboard();
    EXPECT_EQ(clipboard.AsText(), "held");
}

TEST_F(ClipboardObjectTest, PictureComesFromTheFirstPictureFormat) {
    // Text first, then a bitmap: the bitmap makes the picture.
    Put({{CF_TEXT, Block(std::string("t\0", 2))}, {CF_BITMAP, SmallBitmap()}});
    TClipboard clipboard(App().Handle());
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] {
        ++changes;
    };
    ASSERT_TRUE(clipboard.GetPicture(picture));
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 1);
    EXPECT_EQ(bitmap->ScanLine(0)[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bitmap->ScanLine(0)[1] & 0xFFFFFF, 0x0000FFu);
    EXPECT_GE(changes, 1);
}

TEST_F(ClipboardObjectTest, FormatsThatMakeNoPictureAreSkipped) {
    // A private format of another program comes first; it is no picture.
    UINT privateFormat = RegisterClipboardFormatA("Some Private Format");
    Put({{privateFormat, Block("xyz")}, {CF_BITMAP, SmallBitmap()}});
    TClipboard clipboard(App().Handle());
    TPicture picture;
    ASSERT_TRUE(clipboard.GetPicture(picture));
    EXPECT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);

    // Without any picture format there is no picture.
    sim::PutClipboard({{CF_TEXT, "", std::string("t\0", 2)}, {CF_WAVE, "", "RIFF"}});
    TPicture none;
    EXPECT_FALSE(clipboard.GetPicture(none));
    EXPECT_EQ(none.Graphic(), nullptr);
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);
}

TEST_F(ClipboardObjectTest, RegisteredPictureFormatsCountInTheirPlace) {
    UINT gif = RegisterPictureFormat("GIF Image");
    // The registered format before the bitmap wins, with the palette.
    LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
    Put({{gif, Block("GIF89a")},
         {CF_BITMAP, SmallBitmap()},
         {CF_PALETTE, CreatePalette(&palette)}});
    TClipboard clipboard(App().Handle());
    TPicture picture;
    RecordingGraphic::loadedFormat = 0;
    ASSERT_TRUE(clipboard.GetPicture(picture));
    EXPECT_EQ(RecordingGraphic::loadedFormat, gif);
    EXPECT_NE(RecordingGraphic::loadedPalette, nullptr);
    EXPECT_EQ(picture.Width(), 7);

    // After the bitmap it is too late: the bitmap is first, without a palette.
    Put({{CF_BITMAP, SmallBitmap()}, {gif, Block("GIF89a")}});
    RecordingGraphic::loadedFormat = 0;
    ASSERT_TRUE(clipboard.GetPicture(picture));
    EXPECT_EQ(RecordingGraphic::loadedFormat, 0u);
    EXPECT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
}

TEST_F(ClipboardObjectTest, MetafilesTakeTheirSizeFromTheirFrameOrExtents) {
    RECT frame{0, 0, 2540, 1270}; // 1 x 0.5 inches
    HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    Put({{CF_ENHMETAFILE, CloseEnhMetaFile(recorder)}});
    TClipboard clipboard(App().Handle());
    TPicture picture;
    ASSERT_TRUE(clipboard.GetPicture(picture));
    auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(metafile->Width(), 96);
    EXPECT_EQ(metafile->Height(), 48);

    // Drawn, it fills its rectangle (the simulator draws a placeholder).
    TBitmap target;
    target.SetSize(100, 50);
    target.Canvas().Draw(0, 0, *metafile);
    EXPECT_EQ(target.Canvas().Pixel(95, 47), sim::MetafilePlaceholderColor);
    EXPECT_EQ(target.Canvas().Pixel(96, 47), RGB(255, 255, 255));

    // A metafile picture's extents, in hundredths of a millimetre, give its size.
    std::string wmf("\x01\x00\x09\x00", 4); // the bits are only carried here
    METAFILEPICT mfp{MM_ANISOTROPIC, 5080, 2540,
                     SetMetaFileBitsEx(static_cast<UINT>(wmf.size()),
                                       reinterpret_cast<const BYTE*>(wmf.data()))};
    Put({{CF_METAFILEPICT, Block(std::string(reinterpret_cast<const char*>(&mfp), sizeof mfp))}});
    ASSERT_TRUE(clipboard.GetPicture(picture));
    ASSERT_NE(dynamic_cast<TMetafile*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 192);
    EXPECT_EQ(picture.Height(), 96);
}

TEST_F(ClipboardObjectTest, UnreadablePictureDataFailsWithAnExceptionAndClosesTheClipboard) {
    // A metafile picture too short for its record, and a DIB whose header
    // promises far more rows than its block holds.
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 4;
    header.biHeight = 4000;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::string dib(reinterpret_cast<const char*>(&header), sizeof header);
    dib += std::string(16, '\0');
    sim::PutClipboard({{CF_METAFILEPICT, "", std::string(4, '\0')}});
    TClipboard clipboard(App().Handle());
    TPicture picture;
    EXPECT_THROW(clipboard.GetPicture(picture), EInvalidGraphic);
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);
    EXPECT_EQ(picture.Graphic(), nullptr);

    TBitmap bitmap;
    HGLOBAL block = Block(dib);
    EXPECT_THROW(bitmap.LoadFromClipboardFormat(CF_DIB, block, nullptr), EInvalidGraphic);
    EXPECT_EQ(sim::LockCount(block), 0);
    GlobalFree(block);
}
