// The file commands and the automatic saves of the main window: Open, Save,
// Save As with its overwrite prompt, Delete, the load at start, the autosave
// timer and the saves at exit and at the session's end.
#include "settings_fixture.h"
#include "string_ids.h"

#include <gtest/gtest.h>

using namespace tk;
using testing_support::NumberRecord;

namespace {

class FileCommands : public testing_support::ProgramTest {
protected:
    // The program running with its window up and a text on the clipboard.
    void StartShown(const std::string& text = "hello") {
        Start();
        main->Show();
        application->ProcessMessages();
        PutText(text);
    }
    void PutText(const std::string& text) {
        sim::PutClipboard({{CF_TEXT, "", text + std::string(1, '\0')}});
        if (application)
            application->ProcessMessages();
    }
    static std::string ClipboardText() {
        for (const auto& f : sim::ReadClipboard())
            if (f.format == CF_TEXT)
                return f.bytes.substr(0, f.bytes.find('\0'));
        return "<none>";
    }
    // A content file that holds one text.
    void WriteTextFile(const std::string& name, const std::string& text) {
        WriteFile(name, NumberRecord(CF_TEXT, text + std::string(1, '\0')));
    }
    bool Holds(const std::string& name, const std::string& text) {
        return ReadFile(name).find(text + std::string(1, '\0')) != std::string::npos;
    }
    // Runs a command as the user does: by its shortcut, or through the menu.
    void Press(const std::vector<UINT>& keys) {
        sim::PressKeys(keys);
        application->ProcessMessages();
    }
    void Choose(tk::TAction* action) {
        for (TMenuItem* top : main->MainMenu1->Items()->Items())
            for (TMenuItem* item : top->Items())
                if (item->Action() == action) {
                    ASSERT_TRUE(sim::ChooseMenuItem(main->Handle(), item->Command()));
                    application->ProcessMessages();
                    return;
                }
        FAIL() << "no menu item";
    }
    static std::vector<sim::MessageBoxRecord> ErrorBoxes() {
        std::vector<sim::MessageBoxRecord> found;
        for (const auto& box : sim::MessageBoxes())
            if ((box.type & 0xF0) == MB_ICONSTOP)
                found.push_back(box);
        return found;
    }
};

TEST_F(FileCommands, FirstSaveAsksForANameAndTheNextSavesThereDirectly) {
    StartShown("first");
    EXPECT_EQ(main->CurrentFileName, "UNTITLED");
    sim::ScriptFileDialog(Path("kept"));
    Press({VK_CONTROL, 'S'});
    auto calls = sim::FileDialogs();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].save);
    EXPECT_EQ(calls[0].defaultExt, "cbd");
    EXPECT_EQ(calls[0].filter, "Clipboard content (*.cbd)|*.cbd");
    // The platform's default options: the dialog itself asks nothing.
    EXPECT_EQ(calls[0].flags,
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER));
    EXPECT_EQ(calls[0].owner, main->Handle());
    EXPECT_EQ(main->CurrentFileName, Path("kept.cbd"));
    EXPECT_TRUE(Holds("kept.cbd", "first"));

    PutText("second");
    Press({VK_CONTROL, 'S'}); // no dialog, no prompt, although the file exists
    EXPECT_EQ(sim::FileDialogs().size(), 1u);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(Holds("kept.cbd", "second"));
}

TEST_F(FileCommands, SaveAsAsksBeforeOverwritingAndOnlyYesGoesOn) {
    StartShown("new");
    WriteTextFile("old.cbd", "old");
    for (int answer : {IDNO, IDCANCEL}) {
        sim::ClearMessageBoxes();
        sim::ScriptFileDialog(Path("old.cbd"));
        sim::ScriptMessageBoxAnswer(answer);
        Choose(main->FileSaveAs1);
        auto boxes = sim::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "Confirm");
        EXPECT_EQ(boxes[0].text, "OK to overwrite " + Path("old.cbd"));
        EXPECT_EQ(boxes[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));
        EXPECT_EQ(boxes[0].type & 0xF0, static_cast<UINT>(MB_ICONQUESTION));
        EXPECT_TRUE(Holds("old.cbd", "old"));
        EXPECT_EQ(main->CurrentFileName, "UNTITLED");
    }
    sim::ScriptFileDialog(Path("old.cbd"));
    sim::ScriptMessageBoxAnswer(IDYES);
    Choose(main->FileSaveAs1);
    EXPECT_TRUE(Holds("old.cbd", "new"));
    EXPECT_EQ(main->CurrentFileName, Path("old.cbd"));

    // A new name is saved without a question; a cancelled dialog does nothing.
    sim::ClearMessageBoxes();
    sim::ScriptFileDialog(Path("fresh.cbd"));
    Choose(main->FileSaveAs1);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(Holds("fresh.cbd", "new"));
    sim::ScriptFileDialogCancel();
    Choose(main->FileSaveAs1);
    EXPECT_EQ(main->CurrentFileName, Path("fresh.cbd"));
}

TEST_F(FileCommands, AFailedSaveAsIsReportedAndKeepsTheName) {
    StartShown();
    sim::SetFileWriteFault([](const std::string&) { return true; });
    sim::ScriptFileDialog(Path("full.cbd"));
    Choose(main->FileSaveAs1);
    sim::SetFileWriteFault(nullptr);
    ASSERT_EQ(ErrorBoxes().size(), 1u);
    EXPECT_EQ(ErrorBoxes()[0].caption, "Stashwell v. 2.0.1");
    EXPECT_EQ(main->CurrentFileName, "UNTITLED");
}

TEST_F(FileCommands, OpenLoadsTheChosenFileAndTheNextSaveWritesIt) {
    StartShown("current");
    WriteTextFile("stored.cbd", "stored");
    sim::ScriptFileDialog(Path("stored"));
    Press({VK_CONTROL, 'O'});
    auto calls = sim::FileDialogs();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].save);
    EXPECT_EQ(calls[0].defaultExt, "cbd");
    EXPECT_EQ(calls[0].filter, "Clipboard content (*.cbd)|*.cbd");
    EXPECT_EQ(ClipboardText(), "stored");
    EXPECT_EQ(main->CurrentFileName, Path("stored.cbd"));

    PutText("changed");
    Press({VK_CONTROL, 'S'});
    EXPECT_EQ(sim::FileDialogs().size(), 1u);
    EXPECT_TRUE(Holds("stored.cbd", "changed"));
}

TEST_F(FileCommands, AFailedOpenIsReportedAndKeepsTheName) {
    StartShown("current");
    sim::ScriptFileDialog(Path("missing.cbd"));
    Press({VK_CONTROL, 'O'});
    ASSERT_EQ(ErrorBoxes().size(), 1u);
    EXPECT_EQ(main->CurrentFileName, "UNTITLED");
    sim::ScriptFileDialogCancel();
    Press({VK_CONTROL, 'O'});
    EXPECT_EQ(ErrorBoxes().size(), 1u);
    EXPECT_EQ(ClipboardText(), "current");
}

TEST_F(FileCommands, DeleteEmptiesTheClipboardAndDisablesTheCommandsThatNeedContent) {
    StartShown();
    main->CurrentFileName = Path("named.cbd");
    EXPECT_TRUE(main->FileSave1->Enabled());
    Press({VK_DELETE});
    EXPECT_TRUE(sim::ReadClipboard().empty());
    EXPECT_FALSE(main->FileSave1->Enabled());
    EXPECT_FALSE(main->FileSaveAs1->Enabled());
    EXPECT_FALSE(main->EditDelete1->Enabled());
    EXPECT_FALSE(main->FileSend1->Enabled());
    EXPECT_EQ(main->CurrentFileName, Path("named.cbd"));
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

class LoadAtStart : public FileCommands {};

TEST_F(LoadAtStart, TheFileNamedOnTheCommandLineWinsOverTheAutosaveFile) {
    WriteTextFile("Stashwell.cbd", "autosaved");
    WriteTextFile("given.cbd", "given");
    Start("\"" + Path("given.cbd") + "\"");
    EXPECT_EQ(ClipboardText(), "given");
    EXPECT_EQ(main->CurrentFileName, "UNTITLED"); // the load at start names nothing
}

TEST_F(LoadAtStart, TheCommandLineFileLoadsEvenWhenLoadOnStartIsOff) {
    Store("CbdLoadOnStart", "0");
    WriteTextFile("given.cbd", "given");
    Start("\"" + Path("given.cbd") + "\"");
    EXPECT_EQ(ClipboardText(), "given");
}

TEST_F(LoadAtStart, AMissingArgumentFallsBackToTheAutosaveFileSilently) {
    WriteTextFile("Stashwell.cbd", "autosaved");
    Start("\"" + Path("nothere.cbd") + "\"");
    EXPECT_EQ(ClipboardText(), "autosaved");
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(LoadAtStart, NothingIsLoadedWhenLoadOnStartIsOffOrThereIsNoFile) {
    sim::PutClipboard({{CF_TEXT, "", std::string("before\0", 7)}});
    Start();
    EXPECT_EQ(ClipboardText(), "before"); // no autosave file yet
    Stop();
    PutText("meanwhile");
    Store("CbdLoadOnStart", "0");
    Start();
    EXPECT_EQ(ClipboardText(), "meanwhile");
    EXPECT_TRUE(Holds("Stashwell.cbd", "before")); // saved at the first exit, not loaded
}

TEST_F(LoadAtStart, TheAutosaveFileIsTakenFromTheProgramsFolderUnderItsSettingsName) {
    Store("CbdFileName", "elsewhere.cbd");
    WriteTextFile("elsewhere.cbd", "mine");
    WriteTextFile("Stashwell.cbd", "not mine");
    Start();
    EXPECT_EQ(main->AutoSavePath(), Path("elsewhere.cbd"));
    EXPECT_EQ(ClipboardText(), "mine");
}

class AutoSave : public FileCommands {
protected:
    bool SavedNow(const std::string& name = "Stashwell.cbd") {
        if (application)
            application->ProcessMessages();
        bool exists = FileExists(Path(name));
        if (exists)
            std::filesystem::remove(Path(name));
        return exists;
    }
};

TEST_F(AutoSave, EachTickSavesOneFullPeriodAfterTheLast) {
    Store("CbdSaveInterval", "2");
    StartShown();
    sim::AdvanceClock(1999);
    EXPECT_FALSE(SavedNow());
    sim::AdvanceClock(1);
    EXPECT_TRUE(SavedNow());
    sim::AdvanceClock(2000);
    EXPECT_TRUE(SavedNow());
}

TEST_F(AutoSave, NoTimedSavesWhenSwitchedOffOrWithAPeriodOfZero) {
    Store("CbdSaveOnTime", "0");
    StartShown();
    sim::AdvanceClock(3600 * 1000);
    EXPECT_FALSE(SavedNow());
    Stop();
    std::filesystem::remove(Path("Stashwell.cbd")); // the exit save's
    Store("CbdSaveOnTime", "1");
    Store("CbdSaveInterval", "0");
    StartShown();
    sim::AdvanceClock(3600 * 1000);
    EXPECT_FALSE(SavedNow());
}

TEST_F(AutoSave, AnIntervalOutsideWhatATimerCanWaitDoesNotWrapAround) {
    // 4294968 s is 4294968000 ms: in 32 bits that would be a 704 ms period.
    Store("CbdSaveInterval", "4294968");
    StartShown();
    sim::AdvanceClock(60 * 1000);
    EXPECT_FALSE(SavedNow());
    bool longest = false;
    for (const auto& t : sim::Timers())
        longest = longest || t.period == 0x7FFFFFFFu;
    EXPECT_TRUE(longest);
    Stop();
    std::filesystem::remove(Path("Stashwell.cbd")); // the exit save's
    Store("CbdSaveInterval", "-5");                 // never fires
    StartShown();
    sim::AdvanceClock(3600 * 1000);
    EXPECT_FALSE(SavedNow());
}

TEST_F(AutoSave, ANewFileNameAppliesToTimedExitAndSessionEndSaves) {
    Store("CbdSaveInterval", "10");
    StartShown();
    main->Settings()->CbdFileName = "renamed.cbd"; // as Preferences OK leaves it
    sim::AdvanceClock(10000);
    EXPECT_TRUE(SavedNow("renamed.cbd"));
    SendMessageA(main->Handle(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_TRUE(SavedNow("renamed.cbd"));
    Stop();
    EXPECT_TRUE(SavedNow("renamed.cbd"));
    EXPECT_FALSE(FileExists(Path("Stashwell.cbd")));
}

TEST_F(AutoSave, AFailedExitSaveIsReportedAndTheSettingsAreNotStored) {
    StartShown();
    sim::SetFileWriteFault([](const std::string&) { return true; });
    Stop();
    sim::SetFileWriteFault(nullptr);
    EXPECT_EQ(ErrorBoxes().size(), 1u);
    EXPECT_TRUE(StoredNames().empty());
}

} // namespace
