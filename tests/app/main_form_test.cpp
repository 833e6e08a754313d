// The main window: entry order, commands, placement, close box, hot key,
// tray handlers, enablement, session end and shutdown.
#include "gif/GifPicture.h"
#include "app/Program.h"
#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitOptions.h"
#include "support/sim_fixture.h"
#include "traymenu/HookList.h"
#include "traymenu/TrayIconMenu.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tk;

namespace {

class MainWindow : public testing_support::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        sim::SetModulePath(1, Path("Stashwell.exe"));
    }
    // A fresh desktop within a test, the program file still in the scratch folder.
    void ResetDesktop() {
        sim::Reset();
        sim::SetModulePath(1, Path("Stashwell.exe"));
    }
    void TearDown() override {
        application.reset();
        // The program's picture formats are numbered by this test's clipboard.
        tk::TPicture::UnregisterClipboardFormat(GIFImageClipboardFormat());
        SimTest::TearDown();
    }

    // Starts the program up to its message loop, with a placement mode.
    TMainForm* Start(int mode = 0) {
        application = std::make_unique<TApplication>();
        placementMode = mode;
        main = StartProgramWith(mode);
        return main;
    }

    TMainForm* StartProgramWith(int mode) {
        application->Initialize();
        application->SetTitle("Stashwell v. 2.0.1");
        application->Icon().LoadFromResourceName(GetModuleHandleA(nullptr), "MAINICON");
        auto* form = application->CreateForm<TMainForm>();
        form->Settings()->ProgPlaceToLive = static_cast<std::uint8_t>(mode);
        form->OptionsForm = application->CreateForm<TOptionsForm>();
        form->TrayIconWindow = application->CreateForm<TTrayIconWindow>(form->TrayMenuSources());
        form->AboutForm = application->CreateForm<TAboutForm>();
        form->ApplyPlacement();
        form->RegisterWithDesktop();
        return form;
    }

    // What Run does before its loop: shows the main window when it should.
    void ShowAsRunWould() {
        if (application->ShowMainWindowOnRun)
            main->Show();
        application->ProcessMessages();
    }

    std::unique_ptr<TApplication> application;
    TMainForm* main = nullptr;
    int placementMode = 0;
};

TEST_F(MainWindow, EntryCreatesTheApplicationWindowAndTheFourFormsInOrder) {
    TApplication app;
    TMainForm* form = StartProgram(app);
    EXPECT_EQ(app.MainForm(), form);
    std::vector<std::string> classes;
    for (TComponent* c : app.Components())
        if (auto* f = dynamic_cast<TWinControl*>(c)) {
            char name[64] = {};
            GetClassNameA(f->Handle(), name, sizeof name);
            classes.push_back(name);
        }
    EXPECT_EQ(classes, (std::vector<std::string>{"TMainForm", "TOptionsForm", "TTrayIconWindow",
                                                 "TAboutForm"}));
    char title[64] = {};
    GetWindowTextA(app.Handle(), title, sizeof title);
    EXPECT_STREQ(title, "Stashwell v. 2.0.1");
    char cls[64] = {};
    GetClassNameA(app.Handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TApplication");
    EXPECT_EQ(form->Caption(), "Stashwell v. 2.0.1");
    EXPECT_EQ(form->CurrentFileName, "UNTITLED");
    EXPECT_EQ(form->CoolTrayIcon->ToolTip(), "Stashwell v. 2.0.1");
    EXPECT_FALSE(form->CoolTrayIcon->Icon().Empty()) << "the application's icon";
}

TEST_F(MainWindow, GeometryFontAndToolBar) {
    Start();
    EXPECT_EQ(main->Left(), 158);
    EXPECT_EQ(main->Top(), 112);
    EXPECT_EQ(main->Width(), 540);
    EXPECT_EQ(main->Height(), 371);
    EXPECT_EQ(main->Font().Name(), "Tahoma"); // installed on the simulated desktop
    EXPECT_EQ(main->Font().Height(), -11);
    int x = 0;
    for (TSpeedButton* b :
         {main->SpeedButton1, main->SpeedButton2, main->SpeedButton3, main->SpeedButton4}) {
        EXPECT_EQ(b->Left(), x);
        EXPECT_EQ(b->Width(), 23);
        EXPECT_EQ(b->Height(), 22);
        EXPECT_EQ(b->Caption(), ""); // glyphs only
        x += 24;
    }
    // Captions cleared by the program stay cleared when the actions change.
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    EXPECT_TRUE(main->SpeedButton1->Enabled());
    EXPECT_EQ(main->SpeedButton1->Caption(), "");
    EXPECT_EQ(main->SpeedButton1->Action(), main->FileSave1);
    EXPECT_EQ(main->SpeedButton2->Action(), main->FileSend1);
    EXPECT_EQ(main->SpeedButton3->Action(), main->EditDelete1);
    EXPECT_EQ(main->SpeedButton4->Action(), main->OptionsPreferences1);
    EXPECT_EQ(main->Image->Width(), 470);
    EXPECT_EQ(main->Image->Height(), 62);
    EXPECT_EQ(main->Image->Cursor, crHandPoint);
    EXPECT_FALSE(main->Image->Transparent());
    EXPECT_TRUE(main->Image->AutoSize());
    EXPECT_FALSE(main->Image->JvxAnimate());
    EXPECT_EQ(main->ActiveControl, main->CoolClipboardViewer);

    // The tool bar's band, then the banner's on a row of its own, each after
    // its grip; the viewer takes what is left below them.
    EXPECT_EQ(main->Panel1->Left(), 11);
    EXPECT_EQ(main->Panel1->Top(), 2);
    EXPECT_EQ(main->Image->Left(), 11);
    EXPECT_EQ(main->Image->Top(), 28);
    EXPECT_EQ(main->ControlBar->Height(), 92);
    EXPECT_EQ(main->CoolClipboardViewer->Top(), 92);
}

TEST_F(MainWindow, FontStaysWhenTahomaIsMissing) {
    sim::SetFontInstalled("Tahoma", false);
    Start();
    EXPECT_EQ(main->Font().Name(), "MS Sans Serif");
}

TEST_F(MainWindow, ActionsTable) {
    Start();
    struct Row {
        TAction* action;
        const char* category;
        const char* caption;
        const char* hint;
        TShortCut shortCut;
        int image;
    };
    std::vector<Row> rows = {
        {main->FileOpen1, "File", "&Open", "Open|Open a file", 16463, 7},
        {main->FileSave1, "File", "&Save", "Save|Save current file", 16467, 8},
        {main->FileSaveAs1, "File", "Save &As", "SaveAs|Save current file with different name", 0,
         -1},
        {main->FileSend1, "File", "Sen&d", "Send|Send current file through electronic mail", 0, 15},
        {main->FileExit1, "File", "E&xit", "Exit|Exit application", 0, -1},
        {main->HelpAbout1, "Help", "&About...",
         "About|Displays program information, version number, and copyright", 0, -1},
        {main->EditDelete1, "Edit", "&Delete", "Delete|Clear the Clipboard...", 46, 5},
        {main->OptionsPreferences1, "Options", "&Preferences", "Options|Preferences", 16464, 10},
        {main->HelpContents1, "Help", "&Contents", "", 0, 11},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        EXPECT_EQ(row.action->Category(), row.category);
        EXPECT_EQ(row.action->Caption(), row.caption);
        EXPECT_EQ(row.action->Hint(), row.hint);
        EXPECT_EQ(row.action->ShortCut(), row.shortCut);
        EXPECT_EQ(row.action->ImageIndex(), row.image);
        EXPECT_EQ(row.action->ActionList(), main->ActionList1);
    }
    EXPECT_EQ(main->ActionList1->Images, main->ImageList1);
}

TEST_F(MainWindow, MenuBarShowsTheActionsWithShortcutTexts) {
    Start();
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    EXPECT_EQ(sim::MenuText(GetMenu(main->Handle())),
              (std::vector<std::string>{"File>", "  &Open\tCtrl+O", "  &Save\tCtrl+S", "  Save &As",
                                        "  Sen&d", "  -", "  E&xit", "Edit>", "  &Delete\tDel",
                                        "Options>", "  &Preferences\tCtrl+P", "Help>",
                                        "  &About...", "  &Contents"}));
    sim::PutClipboard({});
    EXPECT_EQ(sim::MenuText(GetMenu(main->Handle()))[2], "  ~&Save\tCtrl+S");
}

TEST_F(MainWindow, CommandsFollowTheClipboard) {
    Start();
    auto states = [&] {
        return std::vector<bool>{
            main->EditDelete1->Enabled(), main->FileSave1->Enabled(),
            main->FileSaveAs1->Enabled(), main->FileSend1->Enabled(),
            main->FileOpen1->Enabled(),   main->OptionsPreferences1->Enabled()};
    };
    EXPECT_EQ(states(), (std::vector<bool>{false, false, false, false, true, true}));
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    EXPECT_EQ(states(), (std::vector<bool>{true, true, true, true, true, true}));
    DWORD pixel = 0;
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, &pixel);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    EXPECT_EQ(states(), (std::vector<bool>{true, true, true, false, true, true}));
    main->EditDelete1->Execute(); // Delete empties the clipboard, the commands follow
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(states(), (std::vector<bool>{false, false, false, false, true, true}));
}

TEST_F(MainWindow, PlacementModes) {
    struct Expect {
        int mode;
        bool trayActive;
        bool shown;
    };
    for (auto expect : {Expect{0, false, true}, Expect{1, true, false}, Expect{2, true, true},
                        Expect{3, false, false}, Expect{7, false, true}}) {
        SCOPED_TRACE(expect.mode);
        ResetDesktop();
        Start(expect.mode);
        ShowAsRunWould();
        EXPECT_EQ(main->CoolTrayIcon->Active(), expect.trayActive);
        EXPECT_EQ(sim::NotifyIcons().size(), expect.trayActive ? 1u : 0u);
        EXPECT_EQ(application->ShowMainWindowOnRun, expect.shown);
        EXPECT_EQ(IsWindowVisible(main->Handle()) != 0, expect.shown);
        // The task-bar button: shown exactly while a form is.
        EXPECT_EQ(IsWindowVisible(application->Handle()) != 0, expect.shown);
        application.reset();
    }
}

TEST_F(MainWindow, CloseBoxHidesInTrayOnlyAndHiddenModesAndEndsTheProgramOtherwise) {
    for (int mode : {0, 1, 2, 3, 7}) {
        SCOPED_TRACE(mode);
        ResetDesktop();
        Start(mode);
        main->Show();
        application->ProcessMessages();
        SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        application->ProcessMessages();
        bool hides = mode == 1 || mode == 3;
        EXPECT_EQ(application->Terminated(), !hides);
        EXPECT_EQ(IsWindowVisible(main->Handle()) != 0, !hides);
        if (hides) {
            EXPECT_EQ(main->CoolTrayIcon->Active(), mode == 1);
        }
        application.reset();
    }
}

TEST_F(MainWindow, CloseBoxValueIsComparedExactly) {
    Start(1);
    main->Show();
    // A close command with the low bits set is not the plain close box: the
    // standard handling closes the window and ends the program.
    SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);
    application->ProcessMessages();
    EXPECT_TRUE(application->Terminated());
}

TEST_F(MainWindow, HotKeyIsRegisteredFromTheSettingAndBringsTheWindowBack) {
    Start(3);
    ShowAsRunWould();
    auto keys = sim::HotKeys();
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].hwnd, main->Handle());
    EXPECT_EQ(keys[0].id, 0);
    EXPECT_EQ(keys[0].key, 67u);
    EXPECT_EQ(keys[0].modifiers, static_cast<UINT>(MOD_ALT | MOD_CONTROL));
    EXPECT_FALSE(IsWindowVisible(main->Handle()));
    ASSERT_TRUE(sim::PressHotKey(MOD_ALT | MOD_CONTROL, 'C'));
    application->ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    EXPECT_TRUE(main->CoolTrayIcon->Active());
    EXPECT_TRUE(application->ShowMainWindowOnRun);
}

TEST_F(MainWindow, HotKeyHeldByAnotherProgramIsSilentlyWithout) {
    HWND other;
    const int otherTask = sim::CreateTask("C:\\other.exe");
    {
        sim::TaskScope as(otherTask);
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.lpszClassName = "Holder";
        RegisterClassA(&cls);
        other = CreateWindowExA(0, "Holder", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(RegisterHotKey(other, 5, MOD_ALT | MOD_CONTROL, 'C'));
    }
    Start();
    EXPECT_TRUE(sim::MessageBoxes().empty());
    ASSERT_EQ(sim::HotKeys().size(), 1u);
    EXPECT_EQ(sim::HotKeys()[0].hwnd, other);
    sim::TaskScope as(otherTask);
    DestroyWindow(other);
}

TEST_F(MainWindow, TrayDoubleClickTogglesWithTheLeftButtonOnly) {
    Start(2);
    ShowAsRunWould();
    HWND tray = main->CoolTrayIcon->Handle();
    // The shell reports a double click as down, up, double click, up.
    ASSERT_TRUE(sim::DoubleClickNotifyIcon(tray, 0, POINT{900, 700}, true));
    application->ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    ASSERT_TRUE(sim::DoubleClickNotifyIcon(tray, 0, POINT{900, 700}));
    application->ProcessMessages();
    EXPECT_FALSE(IsWindowVisible(main->Handle()));
    ASSERT_TRUE(sim::DoubleClickNotifyIcon(tray, 0, POINT{900, 700}));
    application->ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    EXPECT_EQ(GetForegroundWindow(), main->Handle());
    EXPECT_TRUE(main->CoolTrayIcon->Active()); // the double click never changes it
}

TEST_F(MainWindow, TrayRightButtonClearsTheFourShortcutsAndPlacesThePopupAtTheCursor) {
    Start(2);
    ShowAsRunWould();
    HWND tray = main->CoolTrayIcon->Handle();
    ASSERT_TRUE(sim::ClickNotifyIcon(tray, 0, POINT{900, 700}));
    application->ProcessMessages();
    EXPECT_EQ(main->FileSave1->ShortCut(), 16467);
    ASSERT_TRUE(sim::ClickNotifyIcon(tray, 0, POINT{900, 700}, true));
    application->ProcessMessages();
    for (TAction* a :
         {main->FileOpen1, main->FileSave1, main->EditDelete1, main->OptionsPreferences1})
        EXPECT_EQ(a->ShortCut(), 0) << a->Caption();
    TTrayIconWindow* popup = main->TrayIconWindow;
    EXPECT_EQ(popup->Left(), 900 - popup->Width());
    EXPECT_EQ(popup->Top(), 700 - popup->Height());
    EXPECT_EQ(GetForegroundWindow(), popup->Handle());
}

TEST_F(MainWindow, TrayRightButtonIsIgnoredWhileAModalDialogIsUp) {
    Start(2);
    ShowAsRunWould();
    bool menuShown = true;
    TShortCut saveKey = 0;
    auto shown = main->AboutForm->OnShow;
    main->AboutForm->OnShow = [&](TComponent* sender) {
        if (shown)
            shown(sender);
        sim::ClickNotifyIcon(main->CoolTrayIcon->Handle(), 0, POINT{900, 700}, true);
        application->ProcessMessages();
        menuShown = IsWindowVisible(main->TrayIconWindow->Handle()) != FALSE;
        saveKey = main->FileSave1->ShortCut();
        main->AboutForm->SetModalResult(mrOk);
    };
    main->HelpAbout1->Execute();
    EXPECT_FALSE(menuShown) << "the menu opened over the modal About box";
    EXPECT_EQ(saveKey, 16467); // the shortcuts were not taken either
    // Once the dialog is gone the release opens the menu again.
    sim::ClickNotifyIcon(main->CoolTrayIcon->Handle(), 0, POINT{900, 700}, true);
    application->ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(main->TrayIconWindow->Handle()));
}

TEST_F(MainWindow, AQuickSecondRightClickMovesTheOpenMenuAndEscapeStillClosesIt) {
    Start(2);
    ShowAsRunWould();
    HWND tray = main->CoolTrayIcon->Handle();
    TTrayIconWindow* popup = main->TrayIconWindow;
    ASSERT_TRUE(sim::ClickNotifyIcon(tray, 0, POINT{900, 700}, true));
    ASSERT_TRUE(sim::ClickNotifyIcon(tray, 0, POINT{800, 600}, true));
    application->ProcessMessages();
    EXPECT_EQ(popup->Left(), 800 - popup->Width());
    EXPECT_EQ(popup->Top(), 600 - popup->Height());
    EXPECT_EQ(popup->PreviousActivePopup(), nullptr);
    sim::PressKeys({VK_ESCAPE});
    application->ProcessMessages();
    EXPECT_FALSE(IsWindowVisible(popup->Handle()));
    EXPECT_EQ(popup->HookList()->ActivePopup, nullptr);
    EXPECT_EQ(main->FileSave1->ShortCut(), 16467);
}

TEST_F(MainWindow, ShortcutsRunTheirActionsAndDoNothingOnceCleared) {
    Start();
    ShowAsRunWould();
    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    SetFocus(main->CoolClipboardViewer->Handle());
    sim::PressKeys({VK_DELETE}); // Del: EditDelete1
    application->ProcessMessages();
    EXPECT_EQ(CountClipboardFormats(), 0);

    sim::PutClipboard({{CF_TEXT, "", std::string("x\0", 2)}});
    main->EditDelete1->SetShortCut(0);
    sim::PressKeys({VK_DELETE});
    application->ProcessMessages();
    EXPECT_EQ(CountClipboardFormats(), 4);
}

TEST_F(MainWindow, StatusBarShowsTheLongHintOfTheControlUnderTheMouse) {
    Start();
    ShowAsRunWould();
    HWND panel = main->Panel1->Handle();
    POINT over{main->SpeedButton1->Left() + 5, main->SpeedButton1->Top() + 5};
    SendMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
    EXPECT_EQ(main->StatusBar->SimpleText(), "Save current file");
    char text[128] = {};
    SendMessageA(main->StatusBar->Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Save current file");
    POINT send{main->SpeedButton2->Left() + 5, 5};
    SendMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(send.x, send.y));
    EXPECT_EQ(main->StatusBar->SimpleText(), "Send current file through electronic mail");
}

TEST_F(MainWindow, MenuSelectionShowsTheItemsLongHint) {
    Start();
    ShowAsRunWould();
    SendMessageA(main->Handle(), WM_MENUSELECT,
                 MAKEWPARAM(main->MainMenu1->Items()->Items()[0]->Items()[0]->Command(), 0),
                 reinterpret_cast<LPARAM>(GetMenu(main->Handle())));
    EXPECT_EQ(main->StatusBar->SimpleText(), "Open a file");
    SendMessageA(main->Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0); // the menu closed
    EXPECT_EQ(main->StatusBar->SimpleText(), "");
}

TEST_F(MainWindow, SessionEndSavesFirstAndAgrees) {
    Start();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    EXPECT_EQ(SendMessageA(main->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(ReadFile("Stashwell.cbd"), testing_support::NumberRecord(CF_WAVE, "RIFF"));
}

TEST_F(MainWindow, ShutdownReleasesTheHotKeySavesAndLeavesTheChain) {
    Start();
    ShowAsRunWould();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    ASSERT_EQ(sim::HotKeys().size(), 1u);
    application.reset(); // the forms go, the main form's OnDestroy first
    EXPECT_TRUE(sim::HotKeys().empty());
    EXPECT_EQ(ReadFile("Stashwell.cbd"), testing_support::NumberRecord(CF_WAVE, "RIFF"));
    EXPECT_EQ(GetClipboardViewer(), nullptr);
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(MainWindow, ExitClosesAndTheRunLoopEnds) {
    TApplication app;
    sim::WhenIdle([&] { app.MainForm()->Close(); });
    EXPECT_EQ(RunProgram(app), 0);
    EXPECT_TRUE(app.Terminated());
}

TEST_F(MainWindow, ExceptionsOfHandlersEndInTheErrorBox) {
    Start();
    application->HandleException(tk::Exception("Something failed"));
    application->HandleException(tk::Exception("Ends with a full stop."));
    application->HandleException(tk::Exception("Ends with a dash-"));
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Something failed.");
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(boxes[1].text, "Ends with a full stop.");
    EXPECT_EQ(boxes[2].text, "Ends with a dash-"); // "-" sorts before "."
}

} // namespace
