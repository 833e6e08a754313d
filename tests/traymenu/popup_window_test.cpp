// The popup window: how it is made, where it opens, the chain of open
// popups, the layout of its items, and its keyboard.
#include "menu_fixture.h"

using namespace tk;
using testing_support::MenuTest;

TEST_F(MenuTest, TheWindowIsAnUnownedTopmostToolWindowOfItsOwnClass) {
    HWND hwnd = menu->Handle();
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    EXPECT_STREQ(name, "TTrayIconWindow");
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), 0x86000000u);
    // The system adds the window edge to the modal dialog frame it was asked for.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)), 0x10089u | WS_EX_WINDOWEDGE);
    EXPECT_EQ(GetParent(hwnd), nullptr);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_EQ(menu->Owner(), &App());
    EXPECT_FALSE(IsWindowVisible(hwnd));
    // OnCreate: the title along the side, the main window as parent form, Tahoma.
    EXPECT_EQ(menu->CoolMenuLabel->Caption(), "Stashwell v. 2.0.1");
    EXPECT_EQ(menu->ParentForm(), host);
    EXPECT_EQ(menu->Font().Name(), "Tahoma");
    EXPECT_EQ(menu->CoolMenuLabel->Font().Name(), "Comic Sans MS");
    EXPECT_EQ(menu->CoolItem20001->SelectedFont().Name(), "MS Sans Serif");
}

TEST_F(MenuTest, ItOpensAboveAndLeftOfTheCursorAndStaysOnTheDesktop) {
    ShowHostAndOpenAt(POINT{1000, 700});
    RECT r{};
    GetWindowRect(menu->Handle(), &r);
    EXPECT_EQ(r.right, 1000);
    EXPECT_EQ(r.bottom, 700);
    EXPECT_TRUE(MenuVisible());
    EXPECT_TRUE(GetWindowLongA(menu->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    menu->ClosePopup();

    // Near the top-left corner it is pushed to (0, 0); past the right and
    // bottom edges it is pulled back in.
    menu->PopupAt(100 - menu->Width(), 50 - menu->Height());
    GetWindowRect(menu->Handle(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    menu->ClosePopup();
    menu->PopupAt(1020, 760);
    GetWindowRect(menu->Handle(), &r);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);
}

TEST_F(MenuTest, EventsComeInTheirOrderAndHideIsRaisedWhileVisible) {
    std::vector<std::string> events;
    auto note = [&](const char* what) {
        return [&, what](TComponent*) {
            events.push_back(std::string(what) + (MenuVisible() ? "+" : "-"));
        };
    };
    auto begin = menu->OnShowHideBegin;
    auto end = menu->OnShowHideEnd;
    auto hide = menu->OnHide;
    menu->OnShow = note("show");
    menu->OnShowHideBegin = [&](TComponent* s) {
        note("begin")(s);
        begin(s);
    };
    menu->OnShowHideEnd = [&](TComponent* s) {
        note("end")(s);
        end(s);
    };
    menu->OnHide = [&](TComponent* s) {
        note("hide")(s);
        hide(s);
    };
    Open();
    Key(VK_ESCAPE);
    EXPECT_EQ(events, (std::vector<std::string>{"show-", "begin-", "end-", "hide+"}));
    EXPECT_FALSE(MenuVisible());
    // The label took the client height at the end of the showing.
    EXPECT_EQ(menu->CoolMenuLabel->Height(), menu->ClientHeight());
}

TEST_F(MenuTest, ASecondOpeningWhileOpenOnlyMovesIt) {
    Open();
    THookList* list = menu->HookList();
    ASSERT_EQ(list->ActivePopup, menu);
    EXPECT_EQ(menu->PreviousActivePopup(), nullptr);
    menu->PopupAt(10, 20); // a quick second right click
    RECT r{};
    GetWindowRect(menu->Handle(), &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(menu->PreviousActivePopup(), nullptr) << "the popup became its own predecessor";
    Key(VK_ESCAPE);
    EXPECT_EQ(list->ActivePopup, nullptr);
    EXPECT_FALSE(menu->Shown());
}

TEST_F(MenuTest, ItemsShareOneWidthAndStackInChildOrder) {
    const TItemDimensions& m = menu->Maxima();
    int expectedWidth = m.TextWidth + m.ShortCutWidth + m.ImageWidth + 2 * m.TextSpacing +
                        m.ShortCutSpacing + 2 * m.ImageSpacing;
    EXPECT_EQ(m.ImageWidth, 16);
    EXPECT_GT(m.ShortCutWidth, 0); // the shortcuts as the main window has them
    int top = 0;
    for (TCoolItem* item : menu->Items()) {
        EXPECT_EQ(item->Left(), 25);
        EXPECT_EQ(item->Top(), top);
        EXPECT_EQ(item->Width(), expectedWidth);
        top += item->Height();
    }
    EXPECT_EQ(menu->CoolItem20001->Height(), 18);         // image items
    EXPECT_EQ(menu->CoolItemSeparator20001->Height(), 8); // separators
    EXPECT_EQ(menu->CoolItem20004->Height(),              // About: text + 12
              menu->CoolItem20004->Measure().TextHeight + 12);
    // The window holds them exactly, the label at its left.
    EXPECT_EQ(menu->ClientHeight(), top);
    EXPECT_EQ(menu->ClientWidth(), 25 + expectedWidth);
    EXPECT_EQ(menu->CoolMenuLabel->Left(), 0);
    EXPECT_EQ(menu->CoolMenuLabel->Width(), 25);
}

TEST_F(MenuTest, ClearedShortcutsNarrowTheMenuAndRestoringWidensIt) {
    int wide = menu->Width();
    int widestKeys = menu->Maxima().ShortCutWidth;
    Open();
    EXPECT_EQ(menu->Maxima().ShortCutWidth, 0);
    EXPECT_EQ(menu->Width(), wide - widestKeys - 10);
    Key(VK_ESCAPE);
    EXPECT_EQ(ShortCutTexts(), (std::vector<std::string>{"Ctrl+O", "Ctrl+S", "Del", "Ctrl+P"}));
    EXPECT_EQ(menu->Width(), wide);
}

TEST_F(MenuTest, ArrowsMoveTheSelectionOverSeparatorsAndWrapAround) {
    Open();
    Key(VK_DOWN);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20004); // About first
    menu->CoolItem20005->Perform(CM_SELECTITEM);          // Delete
    Key(VK_DOWN);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20006); // Preferences, past the separator
    EXPECT_FALSE(menu->CoolItem20005->Selected());
    menu->CoolItem20003->Perform(CM_SELECTITEM); // Exit
    Key(VK_DOWN);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20004);
    Key(VK_UP);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20003);
    Key(VK_UP);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20006);
    // The keyboard's choice shows its long hint.
    EXPECT_EQ(App().Hint(), "Preferences");
}

TEST_F(MenuTest, EnterClosesTheMenuFirstAndThenRunsTheSelectedCommand) {
    Open();
    menu->CoolItem20005->Perform(CM_SELECTITEM); // Delete
    Key(VK_RETURN);
    EXPECT_EQ(runs, (std::vector<std::string>{"&Delete"}));
    EXPECT_EQ(menuVisibleWhenRun, (std::vector<bool>{false}));
    EXPECT_FALSE(MenuVisible());
    EXPECT_EQ(ShortCutTexts(), (std::vector<std::string>{"Ctrl+O", "Ctrl+S", "Del", "Ctrl+P"}));
}

TEST_F(MenuTest, EnterAndF1WithoutASelectionDoNothing) {
    Open();
    Key(VK_RETURN);
    Key(VK_F1);
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(sim::HelpCalls().empty());
    EXPECT_TRUE(MenuVisible());
}

TEST_F(MenuTest, AcceleratorsRunTheirCommandsAndOtherKeysReadingAsLettersDoNot) {
    Open();
    // F9 is 'x', F4 's', number pad 4 'd' and 1 'a' when read as characters.
    for (UINT key : {UINT{VK_F1 + 8}, UINT{VK_F1 + 3}, UINT{0x64}, UINT{0x61}, UINT{0x63}})
        Key(key);
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(MenuVisible());
    Key('D');
    EXPECT_EQ(runs, (std::vector<std::string>{"&Delete"}));
    EXPECT_FALSE(MenuVisible());
    Open();
    Key('X');
    EXPECT_EQ(runs, (std::vector<std::string>{"&Delete", "E&xit"}));
}

TEST_F(MenuTest, MovingStopsAfterOneRoundWhenNoItemCanKeepTheSelection) {
    // Only separators: each passes the key on to the next.
    auto* popup = new TCoolWindowPopup(&App());
    for (int i = 0; i < 3; ++i) {
        auto* separator = new TCoolItemSeparator2000(popup);
        separator->SetParent(popup);
    }
    popup->PopupAt(10, 10);
    WORD down = VK_DOWN;
    popup->KeyDown(down, 0);
    WORD up = VK_UP;
    popup->KeyDown(up, 0);
    EXPECT_TRUE(popup->Shown());
    // Invisible commands do the same.
    for (TCoolItem* item : menu->Items())
        item->SetVisible(false);
    Open();
    Key(VK_DOWN);
    EXPECT_TRUE(MenuVisible());
    Free(popup);
}

TEST_F(MenuTest, AClickOnTheMenuDoesNotActivateIt) {
    Open();
    SetForegroundWindow(host->Handle());
    App().ProcessMessages();
    ASSERT_TRUE(MenuVisible());
    sim::Click(menu->Handle(), Middle(menu->CoolItemSeparator20001));
    App().ProcessMessages();
    EXPECT_EQ(GetActiveWindow(), host->Handle());
    EXPECT_TRUE(MenuVisible()) << "a click on a separator leaves the menu open";
}
