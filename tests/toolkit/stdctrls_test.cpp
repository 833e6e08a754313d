// The dialog controls driven as a user would: keys typed and clicks posted to
// their windows. Dialog keys, accelerators, radio groups, the hot key field,
// the page control, the field with a button, and the file dialogs.
#include "support/sim_fixture.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/EditBtn.h"
#include "toolkit/ImgList.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class DialogControls : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        main = App().CreateForm<TForm>();
        form = App().CreateForm<TForm>();
        form->SetBounds(100, 100, 300, 300);
    }
    template <typename T> T* Add(TWinControl* parent, const std::string& caption = "") {
        auto* control = new T(form);
        if (!caption.empty())
            control->SetCaption(caption);
        control->SetParent(parent);
        return control;
    }
    // Shows the form (not modally) and lets it take its messages.
    void ShowForm() {
        form->Show();
        App().ProcessMessages();
    }
    void Keys(const std::vector<UINT>& keys) {
        sim::PressKeys(keys);
        App().ProcessMessages();
    }
    static POINT CenterOf(const RECT& r) {
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    TForm* main = nullptr;
    TForm* form = nullptr;
};

TEST_F(DialogControls, AccelCharIsTheLetterAfterASingleAmpersand) {
    EXPECT_EQ(AccelChar("&Program"), 'P');
    EXPECT_EQ(AccelChar("Task &Bar and System Tray"), 'B');
    EXPECT_EQ(AccelChar("Clipb&oard"), 'O');
    EXPECT_EQ(AccelChar("Fish && &Chips"), 'C');
    EXPECT_EQ(AccelChar("No accelerator"), 0);
    EXPECT_EQ(AccelChar("Trailing &"), 0);
}

TEST_F(DialogControls, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
    auto* edit = Add<TEdit>(form);
    auto* ok = Add<TButton>(form, "OK");
    ok->SetDefault(true);
    ok->ModalResult = mrOk;
    auto* cancel = Add<TButton>(form, "Cancel");
    cancel->Cancel = true;
    cancel->ModalResult = mrCancel;
    int okClicks = 0;
    ok->OnClick = [&](TComponent*) {
        ++okClicks;
    };
    form->ActiveControl = edit;

    sim::WhenIdle([] {
        sim::TypeText("12");
        sim::PressKeys({VK_RETURN});
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(edit->Text(), "12"); // the Enter typed no character into the field
    EXPECT_FALSE(form->Visible());

    sim::WhenIdle([] { sim::PressKeys({VK_ESCAPE}); });
    EXPECT_EQ(form->ShowModal(), mrCancel);

    // Enter on a focused button presses that button, not the default one.
    form->ActiveControl = cancel;
    sim::WhenIdle([] { sim::PressKeys({VK_RETURN}); });
    EXPECT_EQ(form->ShowModal(), mrCancel);

    // A click on a button ends the showing with its result.
    form->ActiveControl = edit;
    sim::WhenIdle([ok] { sim::Click(ok->Handle(), POINT{10, 10}); });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(okClicks, 2); // once for Enter, once for the mouse
}

TEST_F(DialogControls, WithoutACancelButtonEscDoesNothing) {
    auto* edit = Add<TEdit>(form);
    auto* ok = Add<TButton>(form, "OK");
    ok->ModalResult = mrOk; // neither default nor cancel
    form->ActiveControl = edit;
    int idle = 0;
    sim::SetIdleHook([&] {
        ++idle;
        if (idle == 1)
            sim::PressKeys({VK_ESCAPE});
        else if (idle == 2)
            sim::PressKeys({VK_RETURN});
        else if (idle == 3)
            sim::Click(ok->Handle(), POINT{5, 5});
        else
            return false;
        return true;
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(idle, 3); // Esc and Enter left the dialog up; only the click ended it
    sim::SetIdleHook(nullptr);
}

TEST_F(DialogControls, TabMovesTheFocusAlongTheControlsThatTakeIt) {
    auto* first = Add<TEdit>(form);
    auto* label = Add<TLabel>(form, "&Label"); // never focused
    auto* check = Add<TCheckBox>(form, "&Check");
    auto* hidden = Add<TEdit>(form);
    hidden->Hide();
    auto* disabled = Add<TEdit>(form);
    disabled->SetEnabled(false);
    auto* hotKey = Add<THotKey>(form);
    auto* button = Add<TButton>(form, "OK");
    (void)label;
    form->ActiveControl = first;
    ShowForm();
    ASSERT_TRUE(first->Focused());
    EXPECT_EQ(TabOrderOf(*form), (std::vector<TWinControl*>{first, check, hotKey, button}));

    Keys({VK_TAB});
    EXPECT_TRUE(check->Focused());
    Keys({VK_TAB});
    EXPECT_TRUE(hotKey->Focused());
    Keys({VK_TAB}); // the hot key field leaves Tab to the form
    EXPECT_TRUE(button->Focused());
    EXPECT_EQ(hotKey->HotKey(), 0);
    Keys({VK_TAB});
    EXPECT_TRUE(first->Focused()); // around again
    Keys({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(button->Focused());
}

TEST_F(DialogControls, AltAndAnAcceleratorActsOnTheCaptionsControl) {
    auto* name = Add<TEdit>(form);
    auto* label = Add<TLabel>(form, "&Name");
    label->FocusControl = name;
    auto* keep = Add<TCheckBox>(form, "&Keep");
    auto* other = Add<TEdit>(form);
    int clicks = 0;
    keep->OnClick = [&](TComponent*) {
        ++clicks;
    };
    form->ActiveControl = other;
    ShowForm();

    Keys({VK_MENU, 'N'});
    EXPECT_TRUE(name->Focused());
    Keys({VK_MENU, 'K'});
    EXPECT_TRUE(keep->Focused());
    EXPECT_TRUE(keep->Checked());
    EXPECT_EQ(clicks, 1);
    Keys({VK_MENU, 'K'});
    EXPECT_FALSE(keep->Checked());
    Keys({VK_MENU, 'Q'}); // nobody's accelerator
    EXPECT_TRUE(keep->Focused());
}

TEST_F(DialogControls, RadioGroupKeepsItsIndexToItsItems) {
    auto* group = Add<TRadioGroup>(form, "&Show Program In");
    group->SetBounds(8, 16, 209, 113);
    group->SetItems(
        {"&Task Bar Area", "&System Tray Only", "Task &Bar and System Tray", "&Hide Program"});
    EXPECT_EQ(group->ItemIndex(), -1);
    group->SetItemIndex(7);
    EXPECT_EQ(group->ItemIndex(), 3);
    group->SetItemIndex(-5);
    EXPECT_EQ(group->ItemIndex(), -1);
    group->SetItemIndex(1);
    ShowForm();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(group->Buttons()[static_cast<std::size_t>(i)]->Checked(), i == 1);
    // The rows share the group's height below its caption.
    EXPECT_EQ(group->Buttons()[0]->Left(), 8);
    EXPECT_LT(group->Buttons()[0]->Top(), group->Buttons()[1]->Top());
    EXPECT_LE(group->Buttons()[3]->Top() + group->Buttons()[3]->Height(), group->Height());

    int clicks = 0;
    group->OnClick = [&](TComponent* sender) {
        EXPECT_EQ(sender, group);
        ++clicks;
    };
    sim::Click(group->Buttons()[2]->Handle(), POINT{4, 4});
    App().ProcessMessages();
    EXPECT_EQ(group->ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(group->Buttons()[1]->Checked());
    EXPECT_TRUE(group->Buttons()[2]->Checked());
    // Tab reaches the group through its checked button only.
    EXPECT_EQ(TabOrderOf(*form), (std::vector<TWinControl*>{group->Buttons()[2]}));
}

TEST_F(DialogControls, HotKeyFieldTurnsABareKeyOrShiftIntoAlt) {
    auto* hotKey = Add<THotKey>(form);
    auto* label = Add<TLabel>(form, "&C is somebody's accelerator");
    (void)label;
    int changes = 0;
    hotKey->OnChange = [&](TComponent*) {
        ++changes;
    };
    form->ActiveControl = hotKey;
    ShowForm();
    ASSERT_TRUE(hotKey->Focused());

    Keys({'C'});
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Alt+C");
    Keys({VK_SHIFT, 'C'});
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Alt+C");
    Keys({VK_CONTROL, 'C'});
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Ctrl+C");
    Keys({VK_MENU, VK_CONTROL, 'C'});
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Ctrl+Alt+C");
    EXPECT_EQ(hotKey->HotKey(), 0xC043);
    Keys({VK_SHIFT, VK_CONTROL, VK_F1 + 4}); // F5
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Shift+Ctrl+F5");
    Keys({VK_MENU, 'C'}); // the field's, not the label's accelerator
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Alt+C");
    EXPECT_TRUE(hotKey->Focused());
    Keys({VK_BACK});
    EXPECT_EQ(hotKey->HotKey(), 0);
    EXPECT_EQ(changes, 7);

    // Set from the program, a combination is shown as it is, rules or not.
    hotKey->SetHotKey(TextToShortCut("Shift+D"));
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Shift+D");
    EXPECT_EQ(SendMessageA(hotKey->Handle(), HKM_GETHOTKEY, 0, 0), MAKEWORD('D', HOTKEYF_SHIFT));
}

TEST_F(DialogControls, HotKeyFieldWithoutRulesTakesWhatIsTyped) {
    auto* hotKey = Add<THotKey>(form);
    hotKey->SetInvalidKeys(0);
    form->ActiveControl = hotKey;
    ShowForm();
    Keys({VK_SHIFT, 'C'});
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Shift+C");
    hotKey->SetInvalidKeys(hcCtrl);
    hotKey->SetModifiers(hkCtrl | hkShift);
    Keys({VK_CONTROL, 'E'});
    EXPECT_EQ(ShortCutToText(hotKey->HotKey()), "Shift+Ctrl+E");
}

class PageControlTest : public DialogControls {
protected:
    void SetUp() override {
        DialogControls::SetUp();
        images = new TImageList(form);
        pages = Add<TPageControl>(form);
        pages->SetBounds(8, 8, 241, 265);
        pages->SetImages(images);
        first = new TTabSheet(form);
        first->SetCaption("&Program");
        first->SetImageIndex(0);
        first->SetPageControl(pages);
        second = new TTabSheet(form);
        second->SetCaption("&Clipboard");
        second->SetImageIndex(1);
        second->SetPageControl(pages);
        onFirst = Add<TEdit>(first);
        onSecond = Add<TEdit>(second);
        pages->OnChange = [this](TComponent*) {
            ++changes;
        };
        form->ActiveControl = pages;
        ShowForm();
    }
    POINT TabCenter(int index) {
        RECT r{};
        EXPECT_TRUE(SendMessageA(pages->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(&r)));
        return CenterOf(r);
    }

    TImageList* images = nullptr;
    TPageControl* pages = nullptr;
    TTabSheet* first = nullptr;
    TTabSheet* second = nullptr;
    TEdit* onFirst = nullptr;
    TEdit* onSecond = nullptr;
    int changes = 0;
};

TEST_F(PageControlTest, TabsCarryTheCaptionsAndImagesInOrder) {
    HWND tab = pages->Handle();
    EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(tab, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(reinterpret_cast<void*>(SendMessageA(tab, TCM_GETIMAGELIST, 0, 0)), images->Handle());
    for (int i = 0; i < 2; ++i) {
        char text[32] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ASSERT_TRUE(SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(&item)));
        EXPECT_STREQ(text, i == 0 ? "&Program" : "&Clipboard");
        EXPECT_EQ(item.iImage, i);
    }
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_TRUE(IsWindowVisible(first->Handle()));
    EXPECT_FALSE(second->Visible());
    // The pages fill the display area below the tabs.
    RECT display = pages->DisplayRect();
    EXPECT_EQ(first->Left(), display.left);
    EXPECT_EQ(first->Top(), display.top);
    EXPECT_GT(display.top, TabCenter(0).y);
    EXPECT_EQ(second->Width(), display.right - display.left);
}

TEST_F(PageControlTest, AClickOnATabShowsItsPage) {
    sim::Click(pages->Handle(), TabCenter(1));
    App().ProcessMessages();
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_TRUE(second->Visible());
    EXPECT_FALSE(first->Visible());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(pages->Focused());
    // Tab now reaches the second page's field and not the hidden first one's.
    EXPECT_EQ(TabOrderOf(*form), (std::vector<TWinControl*>{pages, onSecond}));

    sim::Click(pages->Handle(), TabCenter(1)); // the page shown already
    App().ProcessMessages();
    EXPECT_EQ(changes, 1);

    pages->SetActivePage(first); // from the program: no event
    EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(first->Visible());
    EXPECT_EQ(changes, 1);
}

TEST_F(PageControlTest, OnChangingCanKeepThePage) {
    pages->OnChanging = [](TComponent*, bool& allow) {
        allow = false;
    };
    sim::Click(pages->Handle(), TabCenter(1));
    Keys({VK_MENU, 'C'});
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(PageControlTest, ATabsAcceleratorAndTheArrowKeysSwitchPages) {
    onFirst->SetFocus();
    Keys({VK_MENU, 'C'});
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_TRUE(pages->Focused());
    Keys({VK_LEFT});
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_EQ(changes, 2);
}

TEST_F(PageControlTest, AfterTheArrowKeysTheTabChosenBeforeStillAnswersTheMouse) {
    // As when a dialog is shown again: the program chooses the first page.
    pages->SetActivePage(second);
    pages->SetActivePage(first);
    pages->SetFocus();
    Keys({VK_RIGHT});
    ASSERT_EQ(pages->ActivePage(), second);
    EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 1);
    sim::Click(pages->Handle(), TabCenter(0));
    App().ProcessMessages();
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(changes, 2);
    // At the last page Right goes nowhere.
    Keys({VK_RIGHT});
    Keys({VK_RIGHT});
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_EQ(changes, 3);
}

TEST_F(DialogControls, EditWithAButtonKeepsTheButtonSquareInsideItsRightEnd) {
    auto* edit = Add<TCoolEditBtn>(form);
    edit->SetBounds(8, 200, 209, 22);
    int clicks = 0;
    edit->OnBtnClick = [&](TComponent* sender) {
        EXPECT_EQ(sender, edit);
        ++clicks;
    };
    form->ActiveControl = edit;
    ShowForm();
    RECT client{};
    GetClientRect(edit->Handle(), &client);
    TCoolEditButton* button = edit->Button();
    EXPECT_EQ(GetParent(button->Handle()), edit->Handle());
    EXPECT_EQ(button->Width(), client.bottom);
    EXPECT_EQ(button->Height(), client.bottom);
    EXPECT_EQ(button->Left() + button->Width(), client.right);
    EXPECT_EQ(button->Top(), 0);

    sim::TypeText("name.cbd");
    App().ProcessMessages();
    EXPECT_EQ(edit->Text(), "name.cbd");
    sim::Click(button->Handle(), POINT{3, 3});
    App().ProcessMessages();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(edit->Text(), "name.cbd");

    edit->SetBounds(8, 200, 150, 30); // the button follows a new size
    GetClientRect(edit->Handle(), &client);
    EXPECT_EQ(button->Width(), client.bottom);
    EXPECT_EQ(button->Left() + button->Width(), client.right);
}

TEST_F(DialogControls, FileDialogsPassFilterExtensionFolderAndOptions) {
    ShowForm();
    TSaveDialog save(form);
    save.DefaultExt = "cbd";
    save.Filter = "Clipboard content (*.cbd)|*.cbd|All files|*.*";
    save.InitialDir = Path("");
    save.Options = ofHideReadOnly | ofNoChangeDir | ofEnableSizing;
    sim::ScriptFileDialog("report");
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, Path("report.cbd"));

    sim::ScriptFileDialogCancel();
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName, Path("report.cbd")); // kept when cancelled

    TOpenDialog open(form);
    open.Filter = "Clipboard content (*.cbd)|*.cbd";
    EXPECT_FALSE(open.Execute()); // unscripted: cancelled

    auto calls = sim::FileDialogs();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[0].save);
    EXPECT_EQ(calls[0].owner, form->Handle());
    EXPECT_EQ(calls[0].filter, "Clipboard content (*.cbd)|*.cbd|All files|*.*");
    EXPECT_EQ(calls[0].filterIndex, 1u);
    EXPECT_EQ(calls[0].defaultExt, "cbd");
    EXPECT_EQ(calls[0].initialDir, Path(""));
    EXPECT_EQ(calls[0].flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                                                 OFN_ENABLESIZING | OFN_EXPLORER));
    EXPECT_EQ(calls[1].initialFile, Path("report.cbd")); // the last name comes back in
    EXPECT_FALSE(calls[2].save);
    EXPECT_EQ(calls[2].defaultExt, "");
    // The platform's defaults, without the overwrite prompt.
    EXPECT_EQ(calls[2].flags,
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER));
}

} // namespace
