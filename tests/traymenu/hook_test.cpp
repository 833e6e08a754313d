// The thread's message hook: input elsewhere closes the open menu, keys of
// the main window reach the menu's items, and the hook neither loses,
// reorders nor blocks on messages.
#include "menu_fixture.h"

#include "toolkit/UtilWindow.h"

using namespace tk;
using testing_support::MenuTest;

namespace {

// A control on the main window that notes the order of the mouse's events.
class Pad : public TCustomControl {
public:
    explicit Pad(TComponent* owner) : TCustomControl(owner) {}
    std::vector<std::string> events;
    void MouseDown(TMouseButton, TShiftState, int, int) override { events.push_back("down"); }
    void MouseUp(TMouseButton, TShiftState, int, int) override { events.push_back("up"); }
};

} // namespace

TEST_F(MenuTest, AClickOutsideClosesTheMenuAndStillReachesItsWindowInOrder) {
    auto* pad = new Pad(host);
    pad->SetBounds(10, 10, 100, 100);
    pad->SetParent(host);
    Open();
    sim::Click(pad->Handle(), POINT{20, 20});
    App().ProcessMessages();
    EXPECT_FALSE(MenuVisible());
    EXPECT_EQ(ShortCutTexts(), (std::vector<std::string>{"Ctrl+O", "Ctrl+S", "Del", "Ctrl+P"}));
    // The press before the release, and the mouse free afterwards.
    EXPECT_EQ(pad->events, (std::vector<std::string>{"down", "up"}));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetActiveWindow(), host->Handle()); // the click activated its window
}

TEST_F(MenuTest, WhichRetrievedMessagesCloseTheMenu) {
    struct Case {
        UINT msg;
        bool closes;
    };
    const Case cases[] = {
        {WM_LBUTTONDOWN, true}, {WM_RBUTTONDOWN, true}, {WM_MBUTTONUP, true},
        {0x00A1, true},         {WM_SYSKEYDOWN, true},  {WM_COMMAND, true},
        {CM_ACTIVATE, true},    {CM_DEACTIVATE, true},  {CM_CLOSEALL, true},
        {WM_MOUSEMOVE, false},  {WM_LBUTTONUP, false},  {WM_RBUTTONUP, false},
        {WM_KEYUP, false},      {WM_APP + 5, false},
    };
    for (const Case& c : cases) {
        Open();
        PostMessageA(host->Handle(), c.msg, 0, 0);
        App().ProcessMessages();
        EXPECT_EQ(!MenuVisible(), c.closes) << std::hex << c.msg;
        menu->ClosePopup();
    }
}

TEST_F(MenuTest, MessagesForTheMenuOrAUtilityWindowLeaveItOpen) {
    HWND utility = AllocateHWnd(host, [](TMessage& m) { m.Result = 0; });
    Open();
    PostMessageA(menu->Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    PostMessageA(utility, WM_LBUTTONDOWN, 0, 0);
    PostMessageA(utility, WM_COMMAND, 0, 0);
    App().ProcessMessages();
    EXPECT_TRUE(MenuVisible());
    DeallocateHWnd(utility);
}

TEST_F(MenuTest, SwitchingToAnotherProgramClosesTheMenu) {
    Open();
    int other = sim::CreateTask("C:\\Other\\other.exe");
    HWND foreign;
    {
        sim::TaskScope as(other);
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.lpszClassName = "OtherProgram";
        RegisterClassA(&cls);
        foreign = CreateWindowExA(0, "OtherProgram", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                  nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(foreign);
    }
    App().ProcessMessages();
    EXPECT_FALSE(MenuVisible());
    sim::TaskScope as(other);
    DestroyWindow(foreign);
}

TEST_F(MenuTest, APeekedMessageIsLeftAloneAndATakenOneIsHandledOnce) {
    Open();
    PostMessageA(host->Handle(), WM_LBUTTONDOWN, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(MenuVisible()) << "a message only looked at closed the menu";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN)) << "the hook took the message";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN)); // a close message goes on
    EXPECT_FALSE(MenuVisible());
}

TEST_F(MenuTest, TheMainWindowsShortcutClicksTheItemAndIsSwallowedWithoutBlocking) {
    host->Show();
    App().ProcessMessages();
    ASSERT_EQ(GetActiveWindow(), host->Handle());
    // Ctrl+S as the last input: swallowing it must not wait for another message.
    sim::PressKeys({VK_CONTROL, 'S'});
    App().ProcessMessages();
    EXPECT_EQ(runs, (std::vector<std::string>{"&Save"})) << "run once, by the menu's item only";

    // A swallowed key becomes WM_NULL for the caller.
    sim::PressKeys({VK_CONTROL, 'O'});
    MSG msg{};
    std::vector<UINT> got;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        got.push_back(msg.message);
    EXPECT_EQ(std::count(got.begin(), got.end(), static_cast<UINT>(WM_NULL)), 1);
    EXPECT_EQ(runs, (std::vector<std::string>{"&Save", "&Open"}));
}

TEST_F(MenuTest, KeysOfTheMainWindowGoToTheOpenMenu) {
    host->Show();
    App().ProcessMessages();
    menu->PopupAt(300, 300); // open, but the main window keeps the keyboard
    ASSERT_EQ(GetActiveWindow(), host->Handle());
    Key(VK_DOWN);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20004);
    Key(VK_ESCAPE);
    EXPECT_FALSE(MenuVisible());
}

TEST_F(MenuTest, HandlersMayFreeAnotherMenuWhileTheHookWalksTheList) {
    auto* other = new TCoolWindowPopup(&App());
    auto hide = menu->OnHide;
    menu->OnHide = [&](TComponent* sender) {
        hide(sender);
        Free(other); // the walk goes on over a list that lost a member
        other = nullptr;
    };
    Open();
    PostMessageA(host->Handle(), WM_LBUTTONDOWN, 0, 0);
    App().ProcessMessages();
    EXPECT_FALSE(MenuVisible());
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(menu->HookList()->Windows().size(), 1u);
}

TEST_F(MenuTest, TwoProgramsOnOneThreadEachHandleTheirOwnKeysOnce) {
    TApplication second;
    second.SetTitle("Second");
    second.Initialize();
    auto* secondHost = second.CreateForm<TForm>();
    auto* action = new TAction(secondHost);
    int secondRuns = 0;
    action->SetCaption("&Save");
    action->SetShortCut(TextToShortCut("Ctrl+S"));
    action->OnExecute = [&](TComponent*) {
        ++secondRuns;
    };
    auto* secondMenu = second.CreateForm<TTrayIconWindow>(
        TTrayMenuSources{secondHost, nullptr, nullptr, nullptr, action, nullptr, nullptr, nullptr});
    ASSERT_NE(THookList::Of(second), THookList::Of(App()));
    secondHost->Show();
    second.ProcessMessages();
    sim::PressKeys({VK_CONTROL, 'S'});
    second.ProcessMessages();
    EXPECT_EQ(secondRuns, 1);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(secondMenu->HookList(), THookList::Of(second));
}
