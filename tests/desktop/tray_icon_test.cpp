// The notification-area icon: what it asks of the shell on each change, its
// animation, the shell's mouse notifications as events, and the shell's
// restart.
#include "desktop/CoolTrayIcon.h"
#include "desktop_fixture.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tk;

namespace {

struct Event {
    std::string kind;
    TMouseButton button;
    TShiftState shift;
    int x;
    int y;
    bool operator==(const Event&) const = default;
};

class TrayIcon : public testing_support::DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        tray = new TCoolTrayIcon(&App());
        auto record = [this](const char* kind) {
            return [this, kind](TComponent* sender, TMouseButton button, TShiftState shift, int x,
                                int y) {
                EXPECT_EQ(sender, tray);
                events.push_back({kind, button, shift, x, y});
            };
        };
        tray->OnMouseDown = record("down");
        tray->OnMouseUp = record("up");
        tray->OnDoubleClick = record("double");
        sim::ClearNotifyIconCalls();
    }
    void TearDown() override {
        Free(tray);
        DesktopTest::TearDown();
    }

    static HICON SystemIcon() { return LoadIconA(nullptr, IDI_APPLICATION); }
    void ShowIcon() {
        tray->Icon().SetHandle(CopyIcon(SystemIcon()), true);
        tray->SetActive(true);
        sim::ClearNotifyIconCalls();
    }
    static std::vector<DWORD> Messages() {
        std::vector<DWORD> out;
        for (const auto& call : sim::NotifyIconCalls())
            out.push_back(call.message);
        return out;
    }
    // An image list of `count` images of 16 x 16.
    TImageList* Images(int count) {
        auto* list = new TImageList(&App());
        TBitmap strip;
        strip.SetSize(16 * count, 16);
        strip.Canvas().Brush.SetColor(clRed);
        RECT all{0, 0, 16 * count, 16};
        strip.Canvas().FillRect(all);
        list->AddMasked(strip, clFuchsia);
        return list;
    }
    static std::vector<sim::TimerRecord> TimersOf(HWND hwnd) {
        std::vector<sim::TimerRecord> found;
        for (const auto& t : sim::Timers())
            if (t.hwnd == hwnd)
                found.push_back(t);
        return found;
    }
    void Tick() {
        sim::AdvanceClock(tray->Interval());
        App().ProcessMessages();
    }

    TCoolTrayIcon* tray = nullptr;
    std::vector<Event> events;
};

TEST_F(TrayIcon, TheShellTalksToAHiddenUtilityWindowOfItsOwn) {
    HWND window = tray->Handle();
    ASSERT_TRUE(IsWindow(window));
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "TPUtilWindow");
    EXPECT_FALSE(IsWindowVisible(window));
    Free(tray);
    tray = nullptr;
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(TrayIcon, ActiveWithoutAnIconDeletesAndAnIconAssignedLaterIsAdded) {
    tray->SetActive(true);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_DELETE}));
    EXPECT_FALSE(sim::NotifyIconCalls()[0].result) << "there was nothing to delete";
    EXPECT_TRUE(sim::NotifyIcons().empty());

    sim::ClearNotifyIconCalls();
    TIcon icon;
    icon.SetHandle(SystemIcon(), false);
    tray->SetIcon(icon);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    auto icons = sim::NotifyIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].hwnd, tray->Handle());
    EXPECT_EQ(icons[0].id, 0u);
    EXPECT_EQ(icons[0].callbackMessage, 1434u);
    EXPECT_EQ(icons[0].icon, tray->Icon().Handle());
    EXPECT_NE(tray->Icon().Handle(), SystemIcon()) << "the icon is copied into its own";
}

TEST_F(TrayIcon, EachRecordIsTheFirstVersionsWithMessageIconAndTip) {
    tray->SetToolTip("Stashwell v. 2.0.1");
    ShowIcon();
    tray->SetToolTip("changed");
    auto calls = sim::NotifyIconCalls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.size, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
        EXPECT_EQ(call.flags, 7u);
        EXPECT_EQ(call.callbackMessage, 1434u);
        EXPECT_EQ(call.tip, "changed");
        EXPECT_EQ(call.hwnd, tray->Handle());
    }
    // Every refresh adds again; the add fails and the change shows the new tip.
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_FALSE(calls[0].result);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(calls[1].result);
    EXPECT_EQ(sim::NotifyIcons()[0].tip, "changed");
}

TEST_F(TrayIcon, ToolTipIsCutTo63CharactersAndAnUnchangedValueDoesNothing) {
    ShowIcon();
    const std::string seventy(70, 't');
    tray->SetToolTip(seventy);
    EXPECT_EQ(tray->ToolTip(), seventy.substr(0, 63));
    EXPECT_EQ(sim::NotifyIcons()[0].tip, seventy.substr(0, 63));
    sim::ClearNotifyIconCalls();
    tray->SetToolTip(seventy.substr(0, 63));
    tray->SetToolTip(seventy);
    tray->SetActive(true);
    tray->SetInterval(tray->Interval());
    EXPECT_TRUE(sim::NotifyIconCalls().empty());
}

TEST_F(TrayIcon, DeactivationAndDestructionDeleteTheIcon) {
    ShowIcon();
    tray->SetActive(false);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_DELETE}));
    EXPECT_TRUE(sim::NotifyIcons().empty());

    tray->SetActive(true);
    ASSERT_EQ(sim::NotifyIcons().size(), 1u);
    Free(tray);
    tray = nullptr;
    EXPECT_TRUE(sim::NotifyIcons().empty()) << "the icon goes with the component";
}

TEST_F(TrayIcon, AnimationShowsTheImagesInTurnAndGoesOnWhereItStopped) {
    TImageList* images = Images(4);
    tray->SetIcons(images);
    tray->SetAnimated(true);
    tray->SetActive(true); // shown through the animation, without an icon of its own
    ASSERT_EQ(sim::NotifyIcons().size(), 1u);
    auto timers = TimersOf(tray->Handle());
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].id, 1u);
    EXPECT_EQ(timers[0].period, 200u);

    sim::ClearNotifyIconCalls();
    std::vector<int> frames;
    for (int i = 0; i < 6; ++i) {
        frames.push_back(tray->FrameIndex());
        Tick();
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 0, 1}));
    auto calls = sim::NotifyIconCalls();
    ASSERT_EQ(calls.size(), 6u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(call.flags, static_cast<UINT>(NIF_ICON));
        EXPECT_NE(call.icon, nullptr);
    }

    tray->SetAnimated(false);
    EXPECT_TRUE(TimersOf(tray->Handle()).empty());
    tray->SetAnimated(true);
    EXPECT_EQ(tray->FrameIndex(), 2) << "the index is not reset";
}

TEST_F(TrayIcon, WithoutAnIntervalNoTimerRunsButTheIconIsStillAdded) {
    tray->SetInterval(0);
    tray->SetIcons(Images(4));
    tray->SetAnimated(true);
    sim::ClearNotifyIconCalls();
    tray->SetActive(true);
    EXPECT_TRUE(TimersOf(tray->Handle()).empty());
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_EQ(sim::NotifyIconCalls()[0].icon, nullptr) << "the empty icon's handle";
    sim::AdvanceClock(1000);
    App().ProcessMessages();
    EXPECT_EQ(tray->FrameIndex(), 0);
}

TEST_F(TrayIcon, NoTimerLeftIsLowResourcesAndTheIconStepIsSkipped) {
    tray->SetIcons(Images(2));
    tray->SetActive(true);
    sim::ClearNotifyIconCalls();
    sim::SetTimersAvailable(false);
    try {
        tray->SetAnimated(true);
        FAIL() << "no error";
    } catch (const EOutOfResources& error) {
        EXPECT_STREQ(error.what(), "Low resources");
    }
    EXPECT_TRUE(sim::NotifyIconCalls().empty());
    sim::SetTimersAvailable(true);
}

TEST_F(TrayIcon, AFrameIndexPastAShrunkImageListStaysInsideIt) {
    tray->SetIcons(Images(4));
    tray->SetAnimated(true);
    tray->SetActive(true);
    for (int i = 0; i < 3; ++i)
        Tick();
    ASSERT_EQ(tray->FrameIndex(), 3);
    tray->SetIcons(Images(2)); // fewer images now
    sim::ClearNotifyIconCalls();
    Tick();
    auto calls = sim::NotifyIconCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].icon, nullptr) << "the last image is shown, not an empty one";
    EXPECT_EQ(tray->FrameIndex(), 0);
}

TEST_F(TrayIcon, ChangesOfTheImageListRefreshAndAFreedListIsLetGo) {
    TImageList* images = Images(2);
    tray->SetIcons(images);
    tray->SetAnimated(true);
    tray->SetActive(true);
    sim::ClearNotifyIconCalls();
    TBitmap more;
    more.SetSize(16, 16);
    images->AddMasked(more, clFuchsia);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    Free(images);
    EXPECT_EQ(tray->Icons(), nullptr);
    Tick(); // the timer still runs, but there are no images to show
    EXPECT_EQ(tray->FrameIndex(), 0);
}

TEST_F(TrayIcon, ShellNotificationsBecomeEventsOneEachInTheShellsOrder) {
    ShowIcon();
    HWND window = tray->Handle();
    ASSERT_TRUE(sim::DoubleClickNotifyIcon(window, 0, POINT{900, 700}));
    App().ProcessMessages();
    ASSERT_TRUE(sim::ClickNotifyIcon(window, 0, POINT{901, 701}, true));
    PostMessageA(window, 1434, 0, WM_RBUTTONDBLCLK);
    PostMessageA(window, 1434, 0, WM_MOUSEMOVE);
    PostMessageA(window, 1434, 0, 0x0207); // the middle button
    App().ProcessMessages();
    using enum TMouseButton;
    EXPECT_EQ(events, (std::vector<Event>{{"down", mbLeft, 0, 900, 700},
                                          {"up", mbLeft, 0, 900, 700},
                                          {"double", mbLeft, 0, 900, 700},
                                          {"up", mbLeft, 0, 900, 700},
                                          {"down", mbRight, 0, 901, 701},
                                          {"up", mbRight, 0, 901, 701},
                                          {"double", mbRight, 0, 901, 701}}));
}

TEST_F(TrayIcon, ThePositionIsTheCursorsWhenTheNotificationIsHandled) {
    ShowIcon();
    ASSERT_TRUE(sim::ClickNotifyIcon(tray->Handle(), 0, POINT{900, 700}, true));
    SetCursorPos(20, 30);
    App().ProcessMessages();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], (Event{"up", TMouseButton::mbRight, 0, 20, 30}));
}

TEST_F(TrayIcon, APopupMenuOpensOnReleaseBeforeTheEvent) {
    ShowIcon();
    auto* menu = new TPopupMenu(&App());
    auto* item = new TMenuItem(menu);
    item->SetCaption("Restore");
    bool clicked = false;
    item->OnClick = [&](TComponent*) {
        clicked = true;
        EXPECT_TRUE(events.empty() || events.back().kind != "up") << "before OnMouseUp";
    };
    menu->Items()->Add(item);
    tray->SetPopupMenu(menu);
    sim::ScriptPopupMenuChoice(item->Command());
    ASSERT_TRUE(sim::ClickNotifyIcon(tray->Handle(), 0, POINT{900, 700}));
    App().ProcessMessages();
    ASSERT_EQ(sim::TrackedPopupMenus().size(), 1u);
    EXPECT_EQ(sim::TrackedPopupMenus()[0], (std::vector<std::string>{"Restore"}));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(GetForegroundWindow(), tray->Handle());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].kind, "up");

    Free(menu);
    EXPECT_EQ(tray->PopupMenu(), nullptr) << "a freed menu is let go";
}

TEST_F(TrayIcon, AnOwnerDrawnMenuNeedsAWindowedOwner) {
    ShowIcon();
    auto* form = new TForm(&App());
    auto* drawn = new TPopupMenu(form);
    auto* item = new TMenuItem(drawn);
    item->SetCaption("Drawn");
    drawn->Items()->Add(item);
    tray->OwnerDrawMenu = true;
    tray->SetPopupMenu(drawn);
    ASSERT_TRUE(sim::ClickNotifyIcon(tray->Handle(), 0, POINT{5, 5}));
    App().ProcessMessages();
    EXPECT_EQ(sim::TrackedPopupMenus().size(), 1u);
    EXPECT_EQ(events.size(), 2u);

    // A menu that belongs to no window cannot be tracked: the error is shown
    // and the release raises no event.
    events.clear();
    auto* loose = new TPopupMenu(&App());
    tray->SetPopupMenu(loose);
    ASSERT_TRUE(sim::ClickNotifyIcon(tray->Handle(), 0, POINT{5, 5}));
    App().ProcessMessages();
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "Invalid class typecast.");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, "down");
    Free(form);
}

TEST_F(TrayIcon, AnErrorInAHandlerIsShownAndTheIconGoesOn) {
    ShowIcon();
    tray->OnDoubleClick = [](TComponent*, TMouseButton, TShiftState, int, int) {
        throw Exception("handler failed");
    };
    ASSERT_TRUE(sim::DoubleClickNotifyIcon(tray->Handle(), 0, POINT{1, 1}));
    App().ProcessMessages();
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "handler failed.");
    EXPECT_EQ(events.size(), 3u) << "down, up and the last up still arrive";
}

// The shell forgets every icon when it restarts, and an instance started at
// logon may add its icon before the notification area is there.
TEST_F(TrayIcon, AnActiveIconIsAddedAgainWhenTheTaskBarIsMadeAnew) {
    ShowIcon();
    sim::RestartShell();
    EXPECT_TRUE(sim::NotifyIcons().empty());
    App().ProcessMessages();
    auto icons = sim::NotifyIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].icon, tray->Icon().Handle());

    tray->SetActive(false);
    sim::RestartShell();
    App().ProcessMessages();
    EXPECT_TRUE(sim::NotifyIcons().empty()) << "an inactive icon stays away";
}

TEST_F(TrayIcon, AnIconAddedBeforeTheShellRunsAppearsWhenItStarts) {
    sim::SetShellRunning(false);
    ShowIcon();
    EXPECT_TRUE(sim::NotifyIcons().empty());
    sim::SetShellRunning(true);
    App().ProcessMessages();
    EXPECT_EQ(sim::NotifyIcons().size(), 1u);
}

TEST_F(TrayIcon, AnIconTheShellRefusedIsTriedAgainOnTheNextRefresh) {
    sim::RefuseNotifyIcon([](DWORD message) { return message == NIM_ADD; });
    ShowIcon();
    EXPECT_TRUE(sim::NotifyIcons().empty());
    sim::RefuseNotifyIcon(nullptr);
    tray->SetToolTip("again");
    EXPECT_EQ(sim::NotifyIcons().size(), 1u);
}

TEST_F(TrayIcon, LoadingRefreshes) {
    tray->SetActive(true); // an empty icon: deleted
    sim::ClearNotifyIconCalls();
    tray->Loaded();
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_DELETE}));
}

} // namespace
