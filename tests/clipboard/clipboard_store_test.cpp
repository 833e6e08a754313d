// Capture, restore and clear of the whole clipboard.
#include "clipboard/CoolClipboardComponent.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::Int32;
using testing_support::NamedRecord;
using testing_support::NumberRecord;

namespace {

const std::string kText("abc\0", 4);
const std::string kUnicode("a\0b\0c\0\0\0", 8);
const std::string kLocale("\x09\x04\0\0", 4);

class ClipboardStore : public testing_support::AppTest {
protected:
    TCoolClipboardComponent& Store() {
        if (!store_)
            store_ = std::make_unique<TCoolClipboardComponent>(&App());
        return *store_;
    }
    void TearDown() override {
        store_.reset();
        AppTest::TearDown();
    }

    // The formats on the clipboard as (format, bytes), in order.
    static std::vector<std::pair<UINT, std::string>> Clipboard() {
        std::vector<std::pair<UINT, std::string>> out;
        for (auto& f : sim::ReadClipboard())
            out.emplace_back(f.format, f.bytes);
        return out;
    }

    template <typename E> std::string ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const E& e) {
            return e.what();
        }
        return "(no error)";
    }

private:
    std::unique_ptr<TCoolClipboardComponent> store_;
};

TEST_F(ClipboardStore, CaptureWritesARecordForEveryListedMemoryFormat) {
    sim::PutClipboard({{CF_TEXT, "", kText}});
    Store().SaveToFile(Path("text.cbd"));
    EXPECT_EQ(ReadFile("text.cbd"),
              NumberRecord(CF_TEXT, kText) + NumberRecord(CF_LOCALE, kLocale) +
                  NumberRecord(CF_OEMTEXT, kText) + NumberRecord(CF_UNICODETEXT, kUnicode));
    EXPECT_EQ(std::string(ReadFile("text.cbd").substr(0, 16)),
              std::string("\0\0\0\0\x01\0\0\0\x04\0\0\0abc\0", 16));
}

TEST_F(ClipboardStore, RegisteredFormatsAreStoredByName) {
    sim::PutClipboard({{0, "Rich Text Format", "{\\rtf1}"}, {CF_WAVE, "", "RIFF"}});
    Store().SaveToFile(Path("named.cbd"));
    EXPECT_EQ(ReadFile("named.cbd"),
              NamedRecord("Rich Text Format", "{\\rtf1}") + NumberRecord(CF_WAVE, "RIFF"));
}

TEST_F(ClipboardStore, RegisteredNamesAreStoredWholeUpTo127Characters) {
    std::string name127(127, 'n');
    std::string name200 = "L" + std::string(199, 'o');
    sim::PutClipboard({{0, name127, "a"}, {0, name200, "b"}});
    Store().SaveToFile(Path("names.cbd"));
    EXPECT_EQ(ReadFile("names.cbd"),
              NamedRecord(name127, "a") + NamedRecord(name200.substr(0, 127), "b"));
}

TEST_F(ClipboardStore, EmptyClipboardGivesAnEmptyFileAndAnEmptyFileEmptiesTheClipboard) {
    Store().SaveToFile(Path("empty.cbd"));
    EXPECT_TRUE(std::filesystem::exists(Path("empty.cbd")));
    EXPECT_EQ(std::filesystem::file_size(Path("empty.cbd")), 0u);

    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    Store().LoadFromFile(Path("empty.cbd"));
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(GetClipboardOwner(), App().Handle());
}

TEST_F(ClipboardStore, BitmapItselfIsNeverCapturedOnlyItsMemoryForms) {
    DWORD pixels[1] = {0x00123456};
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, pixels);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    Store().SaveToFile(Path("bitmap.cbd"));
    TMemoryStreamEx stream;
    stream.LoadFromFile(Path("bitmap.cbd"));
    std::vector<std::int32_t> formats;
    while (stream.Position() < stream.Size()) {
        ASSERT_FALSE(stream.ReadBoolean());
        formats.push_back(stream.ReadInteger());
        stream.Seek(stream.ReadInteger(), tk::TSeekOrigin::soCurrent);
    }
    EXPECT_EQ(formats, (std::vector<std::int32_t>{CF_DIB, CF_DIBV5}));
}

TEST_F(ClipboardStore, RestoreReturnsRecordsInFileOrderAndRecaptureMatches) {
    WriteFile("in.cbd", NamedRecord("Private A", "1") + NumberRecord(CF_WAVE, "RIFF") +
                            NumberRecord(CF_TEXT, kText) + NamedRecord("Private B", "22"));
    Store().LoadFromFile(Path("in.cbd"));
    UINT a = RegisterClipboardFormatA("private a");
    UINT b = RegisterClipboardFormatA("PRIVATE B");
    auto restored = Clipboard();
    ASSERT_GE(restored.size(), 4u);
    EXPECT_EQ(restored[0], std::make_pair(a, std::string("1")));
    EXPECT_EQ(restored[1], std::make_pair(UINT{CF_WAVE}, std::string("RIFF")));
    EXPECT_EQ(restored[2], std::make_pair(UINT{CF_TEXT}, kText));
    // The text brings its converted forms, closed after it; "Private B" follows them.
    EXPECT_EQ(restored.back(), std::make_pair(b, std::string("22")));
    EXPECT_EQ(GetClipboardOwner(), App().Handle());

    Store().SaveToFile(Path("again.cbd"));
    Store().LoadFromFile(Path("again.cbd"));
    Store().SaveToFile(Path("third.cbd"));
    EXPECT_EQ(ReadFile("again.cbd"), ReadFile("third.cbd"));
}

TEST_F(ClipboardStore, FormatNumbersPassThroughUnchanged) {
    WriteFile("odd.cbd", NumberRecord(0x00010005, "x"));
    Store().LoadFromFile(Path("odd.cbd"));
    EXPECT_TRUE(IsClipboardFormatAvailable(0x00010005));
}

TEST_F(ClipboardStore, MissingFileLeavesTheClipboardAlone) {
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    std::string missing = Path("missing.cbd");
    EXPECT_EQ(ErrorOf<tk::EFOpenError>([&] { Store().LoadFromFile(missing); }),
              "Cannot open file \"" + missing + "\". The system cannot find the file specified.");
    EXPECT_EQ(Clipboard(), (std::vector<std::pair<UINT, std::string>>{{CF_WAVE, "RIFF"}}));
}

// A file cut inside each field of its last record: the records before it are
// restored, then the restore fails with the stream's read error.
TEST_F(ClipboardStore, FileCutInsideAnyFieldFailsAfterTheEarlierRecords) {
    std::string good = NumberRecord(CF_WAVE, "RIFF");
    std::string named = NamedRecord("Cut Format", "0123456789");
    std::string numbered = NumberRecord(CF_DIF, "0123456789");
    struct Cut {
        const char* where;
        std::string tail;
    };
    std::vector<Cut> cuts = {
        {"flag", named.substr(0, 2)},
        {"name length", named.substr(0, 6)},
        {"name", named.substr(0, 12)},
        {"format number", numbered.substr(0, 6)},
        {"size", named.substr(0, 4 + 4 + 10 + 3)},
        {"data", named.substr(0, named.size() - 1)},
        {"data of a numbered record", numbered.substr(0, numbered.size() - 1)},
    };
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.where);
        std::size_t blocks = sim::LiveMemoryBlocks();
        WriteFile("cut.cbd", good + cut.tail);
        EXPECT_EQ(ErrorOf<tk::EReadError>([&] { Store().LoadFromFile(Path("cut.cbd")); }),
                  "Stream read error");
        EXPECT_EQ(Clipboard(), (std::vector<std::pair<UINT, std::string>>{{CF_WAVE, "RIFF"}}));
        EXPECT_EQ(sim::ClipboardOpenTask(), 0);
        EXPECT_LE(sim::LiveMemoryBlocks(), blocks + 1); // the failed block was freed
    }
}

TEST_F(ClipboardStore, NegativeOrOversizedLengthsFailWithoutTakingMemory) {
    std::size_t allocations = 0;
    sim::SetAllocationFault([&](std::size_t bytes) {
        allocations += bytes > 1000000;
        return false;
    });
    for (const std::string& tail :
         {Int32(0) + Int32(CF_WAVE) + Int32(-1), Int32(1) + Int32(-5) + "abc",
          Int32(0) + Int32(CF_WAVE) + Int32(0x7FFFFFF0) + "tiny"}) {
        WriteFile("bad.cbd", NumberRecord(CF_TEXT, kText) + tail);
        EXPECT_EQ(ErrorOf<tk::EReadError>([&] { Store().LoadFromFile(Path("bad.cbd")); }),
                  "Stream read error");
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    }
    EXPECT_EQ(allocations, 0u);
}

TEST_F(ClipboardStore, RefusedRecordsAreSkippedAndTheRestIsRestored) {
    // An empty name cannot be registered; a block without bytes is refused.
    WriteFile("skip.cbd",
              NamedRecord("", "lost") + NumberRecord(CF_DIF, "") + NumberRecord(CF_WAVE, "RIFF"));
    std::size_t blocks = sim::LiveMemoryBlocks();
    Store().LoadFromFile(Path("skip.cbd"));
    EXPECT_EQ(Clipboard(), (std::vector<std::pair<UINT, std::string>>{{CF_WAVE, "RIFF"}}));
    EXPECT_EQ(sim::LiveMemoryBlocks(), blocks + 1); // only the block the clipboard kept
}

TEST_F(ClipboardStore, TrailingBytesAreReadAsAFurtherRecord) {
    WriteFile("trail.cbd", NumberRecord(CF_WAVE, "RIFF") + std::string("\0\0", 2));
    EXPECT_EQ(ErrorOf<tk::EReadError>([&] { Store().LoadFromFile(Path("trail.cbd")); }),
              "Stream read error");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_WAVE));
}

TEST_F(ClipboardStore, AllocationFailureEndsTheRestoreWithoutReadingIntoNothing) {
    WriteFile("big.cbd", NumberRecord(CF_WAVE, "RIFF") +
                             NumberRecord(CF_DIF, std::string(5000, 'd')) +
                             NumberRecord(CF_TIFF, "II*"));
    sim::SetAllocationFault([](std::size_t bytes) { return bytes == 5000; });
    EXPECT_EQ(ErrorOf<tk::EOutOfMemory>([&] { Store().LoadFromFile(Path("big.cbd")); }),
              "Out of memory");
    EXPECT_EQ(Clipboard(), (std::vector<std::pair<UINT, std::string>>{{CF_WAVE, "RIFF"}}));
}

TEST_F(ClipboardStore, CaptureStopsWhenAnotherProgramHoldsTheClipboard) {
    WriteFile("keep.cbd", "previous snapshot");
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    sim::HoldClipboardOpen();
    EXPECT_EQ(ErrorOf<tk::EClipboardException>([&] { Store().SaveToFile(Path("keep.cbd")); }),
              "Cannot open clipboard");
    EXPECT_EQ(ErrorOf<tk::EClipboardException>([&] { Store().SaveToFile(Path("new.cbd")); }),
              "Cannot open clipboard");
    EXPECT_FALSE(Store().Clear());
    sim::ReleaseClipboard();
    EXPECT_EQ(ReadFile("keep.cbd"), "previous snapshot");
    EXPECT_FALSE(std::filesystem::exists(Path("new.cbd")));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_WAVE));
}

TEST_F(ClipboardStore, FormatThatCannotBeReadLeavesNoTrace) {
    // Another program holds the clipboard only while the second format is read.
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}, {CF_DIF, "", "DIF"}, {CF_TIFF, "", "II*"}});
    int opens = 0;
    sim::SetOpenClipboardHook([&] {
        ++opens;
        if (opens == 4) // open 1/2: first format; 3/4: second format
            sim::HoldClipboardOpen();
        if (opens == 5)
            sim::ReleaseClipboard();
    });
    Store().SaveToFile(Path("gap.cbd"));
    sim::SetOpenClipboardHook(nullptr);
    EXPECT_EQ(ReadFile("gap.cbd"), NumberRecord(CF_WAVE, "RIFF") + NumberRecord(CF_TIFF, "II*"));
}

// The count is taken once, and the i-th format is looked up anew each time by
// enumerating from the start, where the call after the last format gives 0
// and 0 starts over. What a capture stores when another program changes the
// clipboard in between follows from those rules alone.
TEST_F(ClipboardStore, FormatsAddedAfterTheCountAreNotCaptured) {
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    sim::SetOpenClipboardHook([] {
        sim::PutClipboard({{CF_SYLK, "", "ID"}, {CF_DIF, "", "DIF"}});
    });
    Store().SaveToFile(Path("grown.cbd"));
    sim::SetOpenClipboardHook(nullptr);
    // One format at the count: one lookup, which finds the new first format.
    EXPECT_EQ(ReadFile("grown.cbd"), NumberRecord(CF_SYLK, "ID"));
}

TEST_F(ClipboardStore, ClipboardThatShrinksDuringCaptureStoresAFormatMetTwiceTwice) {
    // Three formats at the count; before the first lookup another program
    // leaves only one. Lookup 1 finds it; lookup 2 runs past the last format
    // (0: nothing stored); lookup 3 starts over and finds it again.
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}, {CF_DIF, "", "DIF"}, {CF_TIFF, "", "II*"}});
    bool changed = false;
    sim::SetOpenClipboardHook([&] {
        if (!changed)
            sim::PutClipboard({{CF_SYLK, "", "ID"}});
        changed = true;
    });
    Store().SaveToFile(Path("shrunk.cbd"));
    sim::SetOpenClipboardHook(nullptr);
    EXPECT_EQ(ReadFile("shrunk.cbd"), NumberRecord(CF_SYLK, "ID") + NumberRecord(CF_SYLK, "ID"));
}

TEST_F(ClipboardStore, ClearEmptiesAndMakesTheApplicationTheOwner) {
    sim::PutClipboard({{CF_TEXT, "", kText}});
    EXPECT_TRUE(Store().Clear());
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(GetClipboardOwner(), App().Handle());
}

// A failing write leaves the previous snapshot intact and no temporary file.
TEST_F(ClipboardStore, FailedWriteKeepsThePreviousFile) {
    WriteFile("auto.cbd", "previous snapshot");
    sim::PutClipboard({{CF_WAVE, "", std::string(100000, 'w')}});
    sim::SetFileWriteFault([](const std::string&) { return true; });
    EXPECT_EQ(ErrorOf<tk::EWriteError>([&] { Store().SaveToFile(Path("auto.cbd")); }),
              "Stream write error");
    sim::SetFileWriteFault(nullptr);
    EXPECT_EQ(ReadFile("auto.cbd"), "previous snapshot");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir()),
                            std::filesystem::directory_iterator()),
              1);

    Store().SaveToFile(Path("auto.cbd")); // and a good write replaces it
    EXPECT_EQ(ReadFile("auto.cbd"), NumberRecord(CF_WAVE, std::string(100000, 'w')));
}

TEST_F(ClipboardStore, TargetThatCannotBeCreatedNamesTheTarget) {
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    std::string target = Path("no-such-folder/x.cbd");
    EXPECT_EQ(ErrorOf<tk::EFCreateError>([&] { Store().SaveToFile(target); }),
              "Cannot create file \"" + target + "\". The system cannot find the path specified.");
    std::filesystem::create_directory(Path("folder.cbd"));
    EXPECT_EQ(ErrorOf<tk::EFCreateError>([&] { Store().SaveToFile(Path("folder.cbd")); }),
              "Cannot create file \"" + Path("folder.cbd") + "\". Access is denied.");
}

TEST_F(ClipboardStore, ViewerIsToldOfTheEmptyingAndOfEveryRestoredRecord) {
    static int notices;
    notices = 0;
    WNDCLASSA cls{};
    cls.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_DRAWCLIPBOARD)
            ++notices;
        return DefWindowProcA(hwnd, msg, w, l);
    };
    cls.lpszClassName = "NoticeCounter";
    RegisterClassA(&cls);
    HWND viewer =
        CreateWindowExA(0, "NoticeCounter", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetClipboardViewer(viewer);
    notices = 0;
    WriteFile("three.cbd",
              NumberRecord(CF_WAVE, "1") + NumberRecord(CF_DIF, "2") + NumberRecord(CF_TIFF, "3"));
    Store().LoadFromFile(Path("three.cbd"));
    EXPECT_EQ(notices, 4);
    ChangeClipboardChain(viewer, nullptr);
    DestroyWindow(viewer);
}

} // namespace
