// Send (the clipboard's text to the mail program through Simple MAPI) and
// Help contents (the help file beside the program through WinHelp).
#include "app/SimpleMapi.h"
#include "settings_fixture.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class Mail : public testing_support::ProgramTest {
protected:
    void StartShown() {
        Start();
        main->Show();
        application->ProcessMessages();
    }
    // Send as the user chooses it from the menu.
    void Send() {
        for (TMenuItem* item : main->MainMenu1->Items()->Items()[0]->Items())
            if (item->Action() == main->FileSend1) {
                ASSERT_TRUE(sim::ChooseMenuItem(main->Handle(), item->Command()));
                application->ProcessMessages();
                return;
            }
        FAIL() << "no Send item";
    }
    static std::vector<sim::MessageBoxRecord> MailErrors() { return Boxes("Error sending mail"); }
    static std::string Dib1x1() {
        std::string header(40, '\0');
        header[0] = 40;  // biSize
        header[4] = 1;   // biWidth
        header[8] = 1;   // biHeight
        header[12] = 1;  // biPlanes
        header[14] = 32; // biBitCount
        return header + std::string("\x10\x20\x30\x00", 4);
    }
};

TEST_F(Mail, SendHandsOnlyTheTextToTheMailProgramAsANewMessage) {
    sim::SetMailInstalled(true);
    StartShown();
    sim::PutClipboard(
        {{CF_TEXT, "", std::string("Hello there\0after the end", 25)}, {CF_DIB, "", Dib1x1()}});
    application->ProcessMessages();
    ASSERT_TRUE(main->FileSend1->Enabled());
    Send();
    auto mails = sim::MailsSent();
    ASSERT_EQ(mails.size(), 1u);
    const sim::MailRecord& m = mails[0];
    EXPECT_EQ(m.session, 0u);
    EXPECT_EQ(m.uiParam, 0u);
    EXPECT_EQ(m.flags, static_cast<ULONG>(MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG));
    EXPECT_EQ(m.flags, 11u);
    EXPECT_EQ(m.reserved, 0u);
    ASSERT_TRUE(m.hasMessage);
    EXPECT_EQ(m.messageReserved, 0u);
    EXPECT_FALSE(m.hasSubject);
    ASSERT_TRUE(m.hasNoteText);
    EXPECT_EQ(m.noteText, "Hello there"); // up to the text's first NUL
    EXPECT_FALSE(m.hasMessageType);
    EXPECT_FALSE(m.hasDateReceived);
    EXPECT_FALSE(m.hasConversationId);
    EXPECT_EQ(m.messageFlags, 0u);
    EXPECT_FALSE(m.hasOriginator);
    EXPECT_EQ(m.recipCount, 0u);
    EXPECT_FALSE(m.hasRecips);
    EXPECT_EQ(m.fileCount, 0u); // the picture is not attached
    EXPECT_FALSE(m.hasFiles);
    EXPECT_EQ(m.clipboardOpenTask, 0); // the clipboard is closed while the mail program works
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(Mail, WithoutTextTheBodyIsEmpty) {
    sim::SetMailInstalled(true);
    StartShown();
    sim::PutClipboard({{CF_DIB, "", Dib1x1()}});
    application->ProcessMessages();
    EXPECT_FALSE(main->FileSend1->Enabled());
    main->FileSend1Execute(nullptr);
    ASSERT_EQ(sim::MailsSent().size(), 1u);
    EXPECT_TRUE(sim::MailsSent()[0].hasNoteText);
    EXPECT_EQ(sim::MailsSent()[0].noteText, "");
}

TEST_F(Mail, EveryResultButZeroGivesTheSameErrorBox) {
    sim::SetMailInstalled(true);
    StartShown();
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    application->ProcessMessages();
    for (ULONG result : {MAPI_USER_ABORT, MAPI_E_FAILURE, MAPI_E_LOGIN_FAILURE}) {
        sim::ClearMessageBoxes();
        sim::ScriptMailResult(result);
        Send();
        auto boxes = sim::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << result;
        EXPECT_EQ(boxes[0].text, "Error sending mail");
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    }
    EXPECT_EQ(sim::MailsSent().size(), 3u);
}

TEST_F(Mail, WithoutSimpleMapiOnlyTheErrorBoxAppears) {
    StartShown(); // a fresh desktop has no mail program
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    application->ProcessMessages();
    Send();
    EXPECT_EQ(MailErrors().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_TRUE(sim::MailsSent().empty());
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 0); // not even loaded
}

TEST_F(Mail, TheLibraryOrItsEntryMissingCountsAsFailure) {
    sim::SetMailInstalled(true);
    sim::HideExport("MAPI32.DLL", "MAPISendMail");
    StartShown();
    main->FileSend1Execute(nullptr);
    EXPECT_EQ(MailErrors().size(), 1u);
    EXPECT_TRUE(sim::MailsSent().empty());
    sim::ClearModuleFaults();

    main->SimpleMapi().Unload();
    sim::ClearMessageBoxes();
    sim::RefuseModule("MAPI32.DLL"); // the registry says yes, the library is not there
    main->FileSend1Execute(nullptr);
    EXPECT_EQ(MailErrors().size(), 1u);
    EXPECT_TRUE(sim::MailsSent().empty());
}

TEST_F(Mail, AvailabilityIsDecidedAtTheFirstSendAndKept) {
    sim::SetMailInstalled(true);
    StartShown();
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 0); // nothing before the first send
    main->FileSend1Execute(nullptr);
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 1);
    sim::SetRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows Messaging Subsystem",
                           "MAPI", "0");
    main->FileSend1Execute(nullptr);
    EXPECT_EQ(sim::MailsSent().size(), 2u);            // still there: decided once
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 1); // loaded once, kept
    main->SimpleMapi().Unload();
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 0);

    main->FileSend1Execute(nullptr); // decided anew: now missing ...
    EXPECT_EQ(MailErrors().size(), 1u);
    sim::SetMailInstalled(true);
    main->FileSend1Execute(nullptr); // ... and it stays missing
    EXPECT_EQ(MailErrors().size(), 2u);
    EXPECT_EQ(sim::MailsSent().size(), 2u);
}

TEST_F(Mail, TheRegistryValueMustBeExactlyTheTextOne) {
    const char* key = "SOFTWARE\\Microsoft\\Windows Messaging Subsystem";
    auto installedWith = [&](DWORD type, const std::string& data) {
        sim::SetRegistryValue(HKEY_LOCAL_MACHINE, key, "MAPI", type, data);
        return TSimpleMapi::Installed();
    };
    EXPECT_FALSE(TSimpleMapi::Installed()); // no key
    EXPECT_TRUE(installedWith(REG_SZ, std::string("1\0", 2)));
    EXPECT_TRUE(installedWith(REG_SZ, "1")); // stored without its terminator
    EXPECT_FALSE(installedWith(REG_SZ, std::string("0\0", 2)));
    EXPECT_FALSE(installedWith(REG_SZ, std::string("11\0", 3)));
    EXPECT_FALSE(installedWith(REG_SZ, std::string("1 \0", 3)));
    EXPECT_FALSE(installedWith(REG_SZ, std::string("10000000000\0", 12))); // more than 9 bytes
    EXPECT_FALSE(installedWith(REG_DWORD, std::string("\1\0\0\0", 4)));
    sim::SetRegistryString(HKEY_LOCAL_MACHINE, key, "MAPI", "1");
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, key, sim::RegRefuseOpen);
    EXPECT_FALSE(TSimpleMapi::Installed()); // the key cannot be read
    EXPECT_EQ(sim::OpenRegistryKeys(), 0u);
}

TEST_F(Mail, VersionsUpTo351AskTheProfileInstead) {
    sim::SetMailInstalled(true); // the registry says yes
    sim::SetWindowsVersion(3, 51, 1057, VER_PLATFORM_WIN32_NT);
    EXPECT_FALSE(TSimpleMapi::Installed());
    sim::SetProfileString("Mail", "MAPI", "1");
    EXPECT_TRUE(TSimpleMapi::Installed());
    sim::SetProfileString("Mail", "MAPI", "0");
    EXPECT_FALSE(TSimpleMapi::Installed());
    sim::SetProfileString("mail", "mapi", "2"); // any number but 0
    EXPECT_TRUE(TSimpleMapi::Installed());
    sim::SetWindowsVersion(3, 95, 0, VER_PLATFORM_WIN32_WINDOWS); // above 3.51: the registry
    sim::SetProfileString("Mail", "MAPI", "");
    EXPECT_TRUE(TSimpleMapi::Installed());
    sim::SetWindowsVersion(4, 0, 950, VER_PLATFORM_WIN32_WINDOWS);
    sim::SetMailInstalled(false);
    sim::SetProfileString("Mail", "MAPI", "1");
    EXPECT_FALSE(TSimpleMapi::Installed());
}

TEST_F(Mail, AClipboardHeldByAnotherProgramStopsTheSend) {
    sim::SetMailInstalled(true);
    StartShown();
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    application->ProcessMessages();
    sim::HoldClipboardOpen();
    Send();
    sim::ReleaseClipboard();
    auto boxes = Boxes("Cannot open clipboard.");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
    EXPECT_TRUE(sim::MailsSent().empty());
    EXPECT_TRUE(MailErrors().empty());
}

TEST_F(Mail, HelpOpensTheHelpFileBesideTheProgram) {
    StartShown();
    sim::SetModulePath(1, "C:\\Program Files\\Tools\\X.exe");
    for (TMenuItem* item : main->MainMenu1->Items()->Items()[3]->Items())
        if (item->Action() == main->HelpContents1) {
            ASSERT_TRUE(sim::ChooseMenuItem(main->Handle(), item->Command()));
        }
    application->ProcessMessages();
    auto calls = sim::HelpCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, "C:\\Program Files\\Tools\\X.hlp");
    EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_COMMAND));
    EXPECT_EQ(calls[0].command, 0x102u);
    EXPECT_EQ(calls[0].text, "JumpID(\"\",\"\")");
    EXPECT_EQ(calls[0].hwnd, main->Handle());
    sim::SetModulePath(1, Path("Stashwell.exe"));
    main->HelpContents1Execute(nullptr);
    EXPECT_EQ(sim::HelpCalls().at(1).file, Path("Stashwell.hlp"));
}

} // namespace
