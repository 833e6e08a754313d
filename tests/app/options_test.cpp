// The Preferences dialog and the main window's Preferences command: the
// dialog's controls, the interval filter, the browse button, and how OK and
// Cancel move the values between the dialog and the settings.
#include "settings_fixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

using namespace tk;

namespace {

class Preferences : public testing_support::ProgramTest {
protected:
    using Step = std::function<void(TOptionsForm&)>;

    TOptionsForm& Dialog() { return *main->OptionsForm; }

    // Runs the steps one by one whenever the program waits for input (each
    // step sees the input of the one before handled), then presses `button`.
    void Script(std::vector<Step> steps, TButton* TOptionsForm::*button) {
        auto queue = std::make_shared<std::deque<Step>>(steps.begin(), steps.end());
        queue->push_back([button](TOptionsForm& d) { sim::Click((d.*button)->Handle(), {5, 5}); });
        sim::SetIdleHook([this, queue] {
            if (queue->empty() || !Dialog().Visible())
                return false;
            Step step = queue->front();
            queue->pop_front();
            step(Dialog());
            return true;
        });
    }
    void RunPreferences(std::vector<Step> steps, TButton* TOptionsForm::*button) {
        Script(std::move(steps), button);
        main->OptionsPreferences1Execute(nullptr);
        sim::SetIdleHook(nullptr);
    }
    // Types into the interval field at the end of its text.
    static void TypeInterval(TOptionsForm& d, const std::string& text) {
        d.SaveIntervalEdit->SetFocus();
        auto end = static_cast<WPARAM>(d.SaveIntervalEdit->Text().size());
        SendMessageA(d.SaveIntervalEdit->Handle(), EM_SETSEL, end, static_cast<LPARAM>(end));
        sim::TypeText(text);
    }
    static void ShowClipboardPage(TOptionsForm& d) {
        RECT r{};
        SendMessageA(d.PageControl->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
        sim::Click(d.PageControl->Handle(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    // Has the autosave file appeared since the last look?
    bool Saved(const std::string& name) {
        if (application)
            application->ProcessMessages();
        bool exists = FileExists(Path(name));
        if (exists)
            std::filesystem::remove(Path(name));
        return exists;
    }
};

TEST_F(Preferences, DialogHasItsCaptionGeometryAndControls) {
    Start();
    TOptionsForm& d = Dialog();
    EXPECT_EQ(d.Caption(), "Preferences");
    EXPECT_EQ(d.FormBorderStyle(), TFormBorderStyle::bsDialog);
    EXPECT_EQ(d.Font().Name(), "Tahoma");
    HWND hwnd = d.Handle();
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 256);
    EXPECT_EQ(client.bottom, 312);
    RECT window{};
    GetWindowRect(hwnd, &window);
    EXPECT_NEAR((window.left + window.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    auto bounds = [](TControl* c) {
        return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()};
    };
    using B = std::vector<int>;
    EXPECT_EQ(d.OKBtn->Caption(), "OK");
    EXPECT_EQ(bounds(d.OKBtn), (B{95, 284, 75, 25}));
    EXPECT_TRUE(d.OKBtn->Default());
    EXPECT_EQ(d.OKBtn->ModalResult, mrOk);
    EXPECT_EQ(d.CancelBtn->Caption(), "Cancel");
    EXPECT_EQ(bounds(d.CancelBtn), (B{175, 284, 75, 25}));
    EXPECT_TRUE(d.CancelBtn->Cancel);
    EXPECT_EQ(d.CancelBtn->ModalResult, mrCancel);

    EXPECT_EQ(bounds(d.PageControl), (B{8, 8, 241, 265}));
    EXPECT_TRUE(GetWindowLongA(d.PageControl->Handle(), GWL_STYLE) & TCS_HOTTRACK);
    ASSERT_EQ(d.PageControl->PageCount(), 2);
    EXPECT_EQ(d.PageControl->Pages(0), d.ProgTab);
    EXPECT_EQ(d.PageControl->Pages(1), d.CbdTab);
    EXPECT_EQ(d.ProgTab->Caption(), "&Program");
    EXPECT_EQ(d.CbdTab->Caption(), "&Clipboard");
    EXPECT_EQ(d.ProgTab->ImageIndex(), 0);
    EXPECT_EQ(d.CbdTab->ImageIndex(), 1);
    EXPECT_EQ(d.PageControl->Images(), d.TabImages);
    EXPECT_EQ(d.TabImages->Count(), 2);

    EXPECT_EQ(d.ProgramPlaceGroup->Parent(), d.ProgTab);
    EXPECT_EQ(d.ProgramPlaceGroup->Caption(), "&Show Program In");
    EXPECT_EQ(d.ProgramPlaceGroup->Items(),
              (std::vector<std::string>{"&Task Bar Area", "&System Tray Only",
                                        "Task &Bar and System Tray", "&Hide Program"}));
    EXPECT_EQ(bounds(d.ProgramPlaceGroup), (B{8, 16, 209, 113}));
    EXPECT_EQ(d.HotKeyLabel->Caption(), "&Hot Key for the Program");
    EXPECT_EQ(d.HotKeyLabel->Left(), 8);
    EXPECT_EQ(d.HotKeyLabel->Top(), 152);
    EXPECT_EQ(d.HotKeyLabel->FocusControl, d.HotKeyEdit);
    EXPECT_EQ(bounds(d.HotKeyEdit), (B{8, 168, 209, 19}));
    EXPECT_EQ(d.HotKeyEdit->InvalidKeys(), hcNone | hcShift);
    EXPECT_EQ(d.HotKeyEdit->Modifiers(), hkAlt);
    EXPECT_EQ(d.ProgLoadOnStartBox->Caption(), "&Load program on Windows Startup");
    EXPECT_EQ(bounds(d.ProgLoadOnStartBox), (B{8, 200, 188, 17}));

    EXPECT_EQ(d.CbdGroup->Parent(), d.CbdTab);
    EXPECT_EQ(d.CbdGroup->Caption(), "Clipb&oard");
    EXPECT_EQ(bounds(d.CbdGroup), (B{8, 16, 209, 121}));
    int y = 24;
    for (auto [box, caption] : {std::pair{d.CbdLoadOnStartBox, "&Load on Start"},
                                {d.CbdSaveOnCloseBox, "&Save on Close"},
                                {d.CbdSaveOnRebootBox, "Sa&ve on Reboot"},
                                {d.CbdSaveOnTimeBox, "Sav&e on Time"}}) {
        EXPECT_EQ(box->Parent(), d.CbdGroup);
        EXPECT_EQ(box->Caption(), caption);
        EXPECT_EQ(bounds(box), (B{16, y, 97, 17}));
        y += 24;
    }
    EXPECT_EQ(d.SaveIntervalLabel->Caption(), "Save &Interval (sec 0-3600)");
    EXPECT_EQ(d.SaveIntervalLabel->Top(), 144);
    EXPECT_EQ(d.SaveIntervalLabel->FocusControl, d.SaveIntervalEdit);
    EXPECT_EQ(bounds(d.SaveIntervalEdit), (B{8, 160, 209, 21}));
    EXPECT_EQ(d.SaveFileLabel->Caption(), "&File To Save");
    EXPECT_EQ(d.SaveFileLabel->Top(), 184);
    EXPECT_EQ(d.SaveFileLabel->FocusControl, d.SaveFileEdit);
    EXPECT_EQ(bounds(d.SaveFileEdit), (B{8, 200, 209, 22}));
    EXPECT_FALSE(d.SaveFileEdit->Glyph().Empty());

    EXPECT_EQ(d.SaveDialog->DefaultExt, "cbd");
    EXPECT_EQ(d.SaveDialog->Filter, "Clipboard content (*.cbd)|*.cbd");
    EXPECT_EQ(d.SaveDialog->Options, ofHideReadOnly | ofNoChangeDir | ofEnableSizing);
}

TEST_F(Preferences, DialogKeepsTheDefaultFontWithoutTahoma) {
    sim::SetFontInstalled("Tahoma", false);
    Start();
    EXPECT_EQ(Dialog().Font().Name(), "MS Sans Serif");
}

TEST_F(Preferences, EachShowingOpensOnTheProgramPageWithTheTabsFocused) {
    Start();
    Dialog().PageControl->SetActivePage(Dialog().CbdTab); // where the last showing ended
    bool checked = false;
    RunPreferences({[&](TOptionsForm& d) {
                        EXPECT_EQ(d.PageControl->ActivePage(), d.ProgTab);
                        EXPECT_TRUE(d.PageControl->Focused());
                        EXPECT_TRUE(IsWindowVisible(d.HotKeyEdit->Handle()));
                        EXPECT_FALSE(IsWindowVisible(d.SaveIntervalEdit->Handle()));
                        ShowClipboardPage(d);
                    },
                    [&](TOptionsForm& d) {
                        EXPECT_EQ(d.PageControl->ActivePage(), d.CbdTab);
                        checked = true;
                    }},
                   &TOptionsForm::CancelBtn);
    EXPECT_TRUE(checked);
}

TEST_F(Preferences, IntervalFieldTakesDigitsAndBackspaceUntilItHoldsMoreThan3600) {
    Start();
    main->Settings()->CbdSaveInterval = 3600;
    RunPreferences({ShowClipboardPage, [](TOptionsForm& d) { TypeInterval(d, "9"); },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "36009"); // 3600 takes one more
                        TypeInterval(d, "1\b");
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "36009"); // not even Backspace
                        // Keys without a character pass by the filter.
                        SendMessageA(d.SaveIntervalEdit->Handle(), EM_SETSEL, 4, 5);
                        sim::PressKeys({VK_DELETE});
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "3600");
                        TypeInterval(d, "\bx -+.\x01"
                                        "5");
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "3605"); // only digits go in
                        TypeInterval(d, "\b");
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "3605"); // stuck above 3600
                        SendMessageA(d.SaveIntervalEdit->Handle(), EM_SETSEL, 0, -1);
                        sim::PressKeys({VK_DELETE});
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "");
                        TypeInterval(d, "\b12"); // an empty field stays usable
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveIntervalEdit->Text(), "12");
                    }},
                   &TOptionsForm::OKBtn);
    EXPECT_EQ(main->Settings()->CbdSaveInterval, 12);
}

TEST_F(Preferences, IntervalFilterLetsBackspaceAndDigitsIntoATextThatIsNoNumber) {
    Start();
    TOptionsForm& d = Dialog();
    d.SaveIntervalEdit->SetText("abc");
    char key = '\b';
    d.SaveIntervalEditKeyPress(d.SaveIntervalEdit, key);
    EXPECT_EQ(key, '\b');
    key = '7';
    d.SaveIntervalEditKeyPress(d.SaveIntervalEdit, key);
    EXPECT_EQ(key, '7');
    key = 'z';
    d.SaveIntervalEditKeyPress(d.SaveIntervalEdit, key);
    EXPECT_EQ(key, 0);
    d.SaveIntervalEdit->SetText("3601");
    key = '\b';
    d.SaveIntervalEditKeyPress(d.SaveIntervalEdit, key);
    EXPECT_EQ(key, 0);
    d.SaveIntervalEdit->SetText("-5");
    key = '0';
    d.SaveIntervalEditKeyPress(d.SaveIntervalEdit, key);
    EXPECT_EQ(key, '0');
}

TEST_F(Preferences, BrowseButtonTakesOnlyTheChosenFilesName) {
    Start();
    sim::ScriptFileDialog("/somewhere/else/picked.cbd");
    sim::ScriptFileDialogCancel();
    sim::ScriptFileDialog("notes");
    RunPreferences({ShowClipboardPage,
                    [](TOptionsForm& d) {
                        sim::Click(d.SaveFileEdit->Button()->Handle(), POINT{4, 4});
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveFileEdit->Text(), "picked.cbd");
                        // The browse dialog's end does not send the dialog back to its first page.
                        EXPECT_EQ(d.PageControl->ActivePage(), d.CbdTab);
                        sim::Click(d.SaveFileEdit->Button()->Handle(), POINT{4, 4});
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveFileEdit->Text(), "picked.cbd"); // cancelled: as it was
                        sim::Click(d.SaveFileEdit->Button()->Handle(), POINT{4, 4});
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.SaveFileEdit->Text(), "notes.cbd");
                    }},
                   &TOptionsForm::OKBtn);
    auto calls = sim::FileDialogs();
    ASSERT_EQ(calls.size(), 3u);
    for (const auto& call : calls) {
        EXPECT_TRUE(call.save);
        EXPECT_EQ(call.initialDir, Path("")); // the program's folder, with its separator
        EXPECT_EQ(call.defaultExt, "cbd");
        EXPECT_EQ(call.filter, "Clipboard content (*.cbd)|*.cbd");
        EXPECT_EQ(call.flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                                                 OFN_ENABLESIZING | OFN_EXPLORER));
        EXPECT_EQ(call.owner, Dialog().Handle());
    }
    // The autosave file is then that name in the program's folder.
    EXPECT_EQ(main->Settings()->CbdFileName, "notes.cbd");
    EXPECT_EQ(main->AutoSavePath(), Path("notes.cbd"));
    sim::PutClipboard({{CF_TEXT, "", std::string("kept\0", 5)}});
    sim::AdvanceClock(60000);
    EXPECT_TRUE(Saved("notes.cbd"));
}

TEST_F(Preferences, DialogIsFilledFromTheSettingsEachTime) {
    Store("ProgPlaceToLive", "7");
    Store("ProgLoadOnStart", "0");
    Store("CbdSaveOnReboot", "0");
    Store("CbdSaveInterval", "45");
    Store("CbdFileName", "mine.cbd");
    Start();
    bool checked = false;
    RunPreferences({[&](TOptionsForm& d) {
                       EXPECT_EQ(d.ProgramPlaceGroup->ItemIndex(), 3); // "&Hide Program"
                       EXPECT_TRUE(d.ProgramPlaceGroup->Buttons()[3]->Checked());
                       EXPECT_FALSE(d.ProgLoadOnStartBox->Checked());
                       EXPECT_EQ(d.HotKeyEdit->HotKey(), TextToShortCut("Ctrl+Alt+C"));
                       EXPECT_TRUE(d.CbdLoadOnStartBox->Checked());
                       EXPECT_TRUE(d.CbdSaveOnCloseBox->Checked());
                       EXPECT_FALSE(d.CbdSaveOnRebootBox->Checked());
                       EXPECT_TRUE(d.CbdSaveOnTimeBox->Checked());
                       EXPECT_EQ(d.SaveIntervalEdit->Text(), "45");
                       EXPECT_EQ(d.SaveFileEdit->Text(), "mine.cbd");
                       // Changes that Cancel throws away ...
                       d.ProgLoadOnStartBox->SetChecked(true);
                       d.SaveIntervalEdit->SetText("999");
                       checked = true;
                   }},
                   &TOptionsForm::CancelBtn);
    ASSERT_TRUE(checked);
    checked = false;
    RunPreferences({[&](TOptionsForm& d) {
                       // ... are gone at the next showing.
                       EXPECT_FALSE(d.ProgLoadOnStartBox->Checked());
                       EXPECT_EQ(d.SaveIntervalEdit->Text(), "45");
                       checked = true;
                   }},
                   &TOptionsForm::CancelBtn);
    EXPECT_TRUE(checked);
}

TEST_F(Preferences, OkWithNothingChangedRewritesTheHotKeyAndClampsTheMode) {
    Store("ProgPlaceToLive", "7");
    Start();
    ASSERT_EQ(sim::HotKeys().size(), 1u);
    RunPreferences({}, &TOptionsForm::OKBtn);
    EXPECT_EQ(main->Settings()->ProgHotKey, "Ctrl+Alt+C");
    EXPECT_EQ(main->Settings()->ProgPlaceToLive, 3);
    auto keys = sim::HotKeys(); // released and registered again: still one
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].hwnd, main->Handle());
    EXPECT_EQ(keys[0].id, 0);
    EXPECT_EQ(keys[0].modifiers, static_cast<UINT>(MOD_ALT | MOD_CONTROL));
    EXPECT_EQ(keys[0].key, static_cast<UINT>('C'));
    // Nothing reaches the registry before the shutdown.
    EXPECT_EQ(Stored("ProgPlaceToLive"), "7");
    EXPECT_EQ(StoredNames().size(), 1u);
    Stop();
    EXPECT_EQ(Stored("ProgPlaceToLive"), "3");
    EXPECT_EQ(Stored("ProgHotKey"), "Ctrl+Alt+C");
}

TEST_F(Preferences, OkTakesEveryControlAndAppliesHotKeyAndTimerAtOnce) {
    Start();
    sim::PutClipboard({{CF_TEXT, "", std::string("text\0", 5)}});
    RunPreferences(
        {[](TOptionsForm& d) {
             sim::Click(d.ProgramPlaceGroup->Buttons()[2]->Handle(), POINT{3, 3});
             sim::Click(d.ProgLoadOnStartBox->Handle(), POINT{3, 3});
             d.HotKeyEdit->SetFocus();
             sim::PressKeys({VK_CONTROL, VK_SHIFT, 'K'});
         },
         ShowClipboardPage,
         [](TOptionsForm& d) {
             for (TCheckBox* box : {d.CbdLoadOnStartBox, d.CbdSaveOnCloseBox, d.CbdSaveOnRebootBox})
                 sim::Click(box->Handle(), POINT{3, 3});
             d.SaveIntervalEdit->SetFocus();
             SendMessageA(d.SaveIntervalEdit->Handle(), EM_SETSEL, 0, -1);
             sim::TypeText("5");
             d.SaveFileEdit->SetText("other.cbd");
         }},
        &TOptionsForm::OKBtn);
    const TSettings& s = *main->Settings();
    EXPECT_EQ(s.ProgPlaceToLive, 2);
    EXPECT_FALSE(s.ProgLoadOnStart);
    EXPECT_EQ(s.ProgHotKey, "Shift+Ctrl+K");
    EXPECT_FALSE(s.CbdLoadOnStart);
    EXPECT_FALSE(s.CbdSaveOnExit);
    EXPECT_FALSE(s.CbdSaveOnReboot);
    EXPECT_TRUE(s.CbdSaveOnTime);
    EXPECT_EQ(s.CbdSaveInterval, 5);
    EXPECT_EQ(s.CbdFileName, "other.cbd");
    ASSERT_EQ(sim::HotKeys().size(), 1u);
    EXPECT_EQ(sim::HotKeys()[0].modifiers, static_cast<UINT>(MOD_SHIFT | MOD_CONTROL));
    EXPECT_EQ(sim::HotKeys()[0].key, static_cast<UINT>('K'));
    // Placement and start-up registration wait for the next start.
    EXPECT_FALSE(main->CoolTrayIcon->Active());
    ASSERT_TRUE(sim::PressHotKey(MOD_SHIFT | MOD_CONTROL, 'K'));
    // The new period and the new name apply to the next timed save.
    sim::AdvanceClock(4999);
    EXPECT_FALSE(Saved("other.cbd"));
    sim::AdvanceClock(1);
    EXPECT_TRUE(Saved("other.cbd"));
    EXPECT_FALSE(FileExists(Path("Stashwell.cbd")));
}

TEST_F(Preferences, CancelAfterChangingEverythingChangesNothing) {
    Start();
    sim::PutClipboard({{CF_TEXT, "", std::string("text\0", 5)}});
    TSettings before = *main->Settings();
    auto keysBefore = sim::HotKeys();
    sim::AdvanceClock(30000);
    RunPreferences({[](TOptionsForm& d) {
                        sim::Click(d.ProgramPlaceGroup->Buttons()[1]->Handle(), POINT{3, 3});
                        sim::Click(d.ProgLoadOnStartBox->Handle(), POINT{3, 3});
                        d.HotKeyEdit->SetFocus();
                        sim::PressKeys({VK_CONTROL, 'Q'});
                    },
                    ShowClipboardPage,
                    [](TOptionsForm& d) {
                        for (TCheckBox* box : {d.CbdLoadOnStartBox, d.CbdSaveOnCloseBox,
                                               d.CbdSaveOnRebootBox, d.CbdSaveOnTimeBox})
                            sim::Click(box->Handle(), POINT{3, 3});
                        d.SaveIntervalEdit->SetText("1");
                        d.SaveFileEdit->SetText("other.cbd");
                    },
                    [](TOptionsForm& d) {
                        EXPECT_EQ(d.ProgramPlaceGroup->ItemIndex(), 1);
                        EXPECT_FALSE(d.CbdSaveOnTimeBox->Checked());
                        EXPECT_EQ(ShortCutToText(d.HotKeyEdit->HotKey()), "Ctrl+Q");
                    }},
                   &TOptionsForm::CancelBtn);
    const TSettings& s = *main->Settings();
    EXPECT_EQ(s.ProgPlaceToLive, before.ProgPlaceToLive);
    EXPECT_EQ(s.ProgLoadOnStart, before.ProgLoadOnStart);
    EXPECT_EQ(s.ProgHotKey, before.ProgHotKey);
    EXPECT_EQ(s.CbdLoadOnStart, before.CbdLoadOnStart);
    EXPECT_EQ(s.CbdSaveOnExit, before.CbdSaveOnExit);
    EXPECT_EQ(s.CbdSaveOnReboot, before.CbdSaveOnReboot);
    EXPECT_EQ(s.CbdSaveOnTime, before.CbdSaveOnTime);
    EXPECT_EQ(s.CbdSaveInterval, before.CbdSaveInterval);
    EXPECT_EQ(s.CbdFileName, before.CbdFileName);
    ASSERT_EQ(sim::HotKeys().size(), 1u);
    EXPECT_EQ(sim::HotKeys()[0].modifiers, keysBefore[0].modifiers);
    EXPECT_EQ(sim::HotKeys()[0].key, keysBefore[0].key);
    // The timer's countdown went on undisturbed: due 60 s after the start.
    sim::AdvanceClock(29999);
    EXPECT_FALSE(Saved("Stashwell.cbd"));
    sim::AdvanceClock(1);
    EXPECT_TRUE(Saved("Stashwell.cbd"));
}

TEST_F(Preferences, OkRestartsTheTimerOnlyWhenItsSettingsChanged) {
    Start();
    sim::PutClipboard({{CF_TEXT, "", std::string("text\0", 5)}});
    sim::AdvanceClock(40000);
    RunPreferences({}, &TOptionsForm::OKBtn); // the same period and switch: keeps running
    sim::AdvanceClock(19999);
    EXPECT_FALSE(Saved("Stashwell.cbd"));
    sim::AdvanceClock(1);
    EXPECT_TRUE(Saved("Stashwell.cbd"));

    sim::AdvanceClock(40000);
    RunPreferences({ShowClipboardPage,
                    [](TOptionsForm& d) {
                        d.SaveIntervalEdit->SetText("30");
                    }},
                   &TOptionsForm::OKBtn); // a new period begins now
    sim::AdvanceClock(20000);
    EXPECT_FALSE(Saved("Stashwell.cbd"));
    sim::AdvanceClock(10000);
    EXPECT_TRUE(Saved("Stashwell.cbd"));

    RunPreferences({ShowClipboardPage,
                    [](TOptionsForm& d) {
                        sim::Click(d.CbdSaveOnTimeBox->Handle(), {3, 3});
                    }},
                   &TOptionsForm::OKBtn); // switched off
    sim::AdvanceClock(300000);
    EXPECT_FALSE(Saved("Stashwell.cbd"));
}

TEST_F(Preferences, AnIntervalThatIsNoNumberStopsTheTakingOverThere) {
    Start();
    main->Show();
    application->ProcessMessages();
    sim::PutClipboard({{CF_TEXT, "", std::string("text\0", 5)}});
    Script({[](TOptionsForm& d) {
                sim::Click(d.ProgramPlaceGroup->Buttons()[1]->Handle(), POINT{3, 3});
                d.HotKeyEdit->SetFocus();
                sim::PressKeys({VK_CONTROL, 'Q'});
            },
            ShowClipboardPage,
            [](TOptionsForm& d) {
                sim::Click(d.CbdSaveOnRebootBox->Handle(), POINT{3, 3});
                d.SaveIntervalEdit->SetFocus();
                SendMessageA(d.SaveIntervalEdit->Handle(), EM_SETSEL, 0, -1);
                sim::PressKeys({VK_DELETE}); // empties it past the filter
                d.SaveFileEdit->SetText("other.cbd");
            }},
           &TOptionsForm::OKBtn);
    // Through the command's shortcut, as the user reaches it.
    sim::PressKeys({VK_CONTROL, 'P'});
    application->ProcessMessages();
    sim::SetIdleHook(nullptr);

    auto boxes = Boxes("'' is not a valid integer value.");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].type & 0xF0, static_cast<UINT>(MB_ICONSTOP));
    const TSettings& s = *main->Settings();
    EXPECT_EQ(s.ProgPlaceToLive, 1);           // taken before the interval
    EXPECT_EQ(s.ProgHotKey, "Ctrl+Q");         // taken, ...
    EXPECT_FALSE(s.CbdSaveOnReboot);           // taken
    EXPECT_EQ(s.CbdSaveInterval, 60);          // the failure
    EXPECT_EQ(s.CbdFileName, "Stashwell.cbd"); // not reached
    ASSERT_EQ(sim::HotKeys().size(), 1u);      // ... but not registered
    EXPECT_EQ(sim::HotKeys()[0].modifiers, static_cast<UINT>(MOD_ALT | MOD_CONTROL));
    EXPECT_EQ(sim::HotKeys()[0].key, static_cast<UINT>('C'));
    sim::AdvanceClock(60000);
    EXPECT_TRUE(Saved("Stashwell.cbd"));
}

} // namespace
