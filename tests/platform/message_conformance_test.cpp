// What the program relies on from the message queues: the messages a window
// gets when it is made, shown, activated and destroyed; sending within a
// thread and across threads; posting, peeking and getting; WM_QUIT; waiting
// for messages with a timeout; message-only and hidden windows. The same
// source runs against the simulator and, built for Windows, against Wine.
#include "conformance_support.h"
#include "platform/peer_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

using conformance::Journal;
using conformance::NewRecorder;
using Lines = std::vector<std::string>;

namespace {

// Answers WM_USER with twice its wParam; WM_USER + 1 sends WM_USER (wParam
// 21) to the window in lParam and answers with what came back plus one.
std::atomic<DWORD> lastAnsweringThread{0};

LRESULT CALLBACK AnsweringProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER) {
        lastAnsweringThread = GetCurrentThreadId();
        return static_cast<LRESULT>(wParam * 2);
    }
    if (msg == WM_USER + 1)
        return SendMessageA(reinterpret_cast<HWND>(lParam), WM_USER, 21, 0) + 1;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND NewAnswerer() {
    static bool registered = [] {
        WNDCLASSA cls{};
        cls.lpfnWndProc = AnsweringProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "ConformanceAnswerer";
        return RegisterClassA(&cls) != 0;
    }();
    if (!registered)
        return nullptr;
    return CreateWindowExA(0, "ConformanceAnswerer", "answerer", WS_POPUP, 0, 0, 10, 10, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A thread with a window of its own that answers until told to quit.
class WindowThread {
public:
    WindowThread() {
        std::promise<HWND> made;
        auto future = made.get_future();
        thread_ = std::thread([this, &made] {
            id_ = GetCurrentThreadId();
            HWND hwnd = NewAnswerer();
            made.set_value(hwnd);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            DestroyWindow(hwnd);
        });
        window_ = future.get();
    }
    ~WindowThread() {
        PostThreadMessageA(id_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }
    DWORD id() const { return id_; }

private:
    std::thread thread_;
    std::atomic<DWORD> id_{0};
    HWND window_ = nullptr;
};

const std::set<UINT> lifeMessages = {WM_NCCREATE,   WM_CREATE,    WM_SIZE,     WM_MOVE,
                                     WM_SHOWWINDOW, WM_ACTIVATE,  WM_SETFOCUS, WM_KILLFOCUS,
                                     WM_DESTROY,    WM_NCDESTROY, WM_CLOSE};

class MessageConformance : public ::testing::Test {
protected:
    void SetUp() override { conformance::Pump(); }
    void TearDown() override {
        Journal::Get().Watch({});
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (IsWindow(*it))
                DestroyWindow(*it);
        conformance::Pump();
    }
    HWND Make(const std::string& name, DWORD style = WS_POPUP, HWND parent = nullptr,
              RECT at = RECT{10, 10, 110, 90}) {
        HWND hwnd = NewRecorder(name, style, 0, parent, at);
        EXPECT_NE(hwnd, nullptr) << name;
        made.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> made;
};

} // namespace

TEST_F(MessageConformance, CreationSendsCreateThenSizeAndMove) {
    Journal::Get().Watch(lifeMessages);
    HWND w = Make("w");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Journal::Get().Take(),
              (Lines{"w WM_NCCREATE", "w WM_CREATE", "w WM_SIZE", "w WM_MOVE"}));
    // Made visible, it is shown as ShowWindow would show it.
    HWND child = Make("c", WS_CHILD | WS_VISIBLE, w, RECT{0, 0, 10, 10});
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(Journal::Get().Take(), (Lines{"c WM_NCCREATE", "c WM_CREATE", "c WM_SIZE",
                                            "c WM_MOVE", "c WM_SHOWWINDOW(1)"}));
    HWND shown = Make("s", WS_POPUP | WS_VISIBLE, nullptr, RECT{200, 10, 300, 90});
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(Journal::Get().Take(),
              (Lines{"s WM_NCCREATE", "s WM_CREATE", "s WM_SIZE", "s WM_MOVE", "s WM_SHOWWINDOW(1)",
                     "s WM_ACTIVATE(1)", "s WM_SETFOCUS"}));
    EXPECT_EQ(GetActiveWindow(), shown);
}

TEST_F(MessageConformance, ShowingAndActivating) {
    HWND a = Make("a");
    HWND b = Make("b", WS_POPUP, nullptr, RECT{200, 10, 300, 90});
    Journal::Get().Watch(lifeMessages);
    ShowWindow(a, SW_SHOW);
    EXPECT_EQ(Journal::Get().Take(),
              (Lines{"a WM_SHOWWINDOW(1)", "a WM_ACTIVATE(1)", "a WM_SETFOCUS"}));
    ShowWindow(b, SW_SHOWNA);
    EXPECT_EQ(Journal::Get().Take(), (Lines{"b WM_SHOWWINDOW(1)"}));
    SetActiveWindow(b);
    EXPECT_EQ(Journal::Get().Take(),
              (Lines{"a WM_ACTIVATE(0)", "b WM_ACTIVATE(1)", "a WM_KILLFOCUS", "b WM_SETFOCUS"}));
    ShowWindow(b, SW_HIDE);
    Lines hiding = Journal::Get().Take();
    ASSERT_FALSE(hiding.empty());
    EXPECT_EQ(hiding.front(), "b WM_SHOWWINDOW(0)");
    EXPECT_NE(std::find(hiding.begin(), hiding.end(), "b WM_ACTIVATE(0)"), hiding.end());
    EXPECT_EQ(GetActiveWindow(), a);
    // Showing what is shown already tells nothing, except that SW_SHOWNA
    // always sends WM_SHOWWINDOW.
    ShowWindow(a, SW_SHOW);
    EXPECT_EQ(Journal::Get().Take(), Lines{});
    ShowWindow(a, SW_SHOWNA);
    EXPECT_EQ(Journal::Get().Take(), (Lines{"a WM_SHOWWINDOW(1)"}));
}

TEST_F(MessageConformance, DestructionGoesOwnedFirstThenParentBeforeChildren) {
    HWND owner = Make("owner");
    HWND child = Make("child", WS_CHILD, owner, RECT{0, 0, 10, 10});
    HWND owned = Make("owned", WS_POPUP, owner);
    ASSERT_TRUE(child && owned);
    Journal::Get().Watch({WM_DESTROY, WM_NCDESTROY});
    ASSERT_TRUE(DestroyWindow(owner));
    EXPECT_EQ(Journal::Get().Take(),
              (Lines{"owned WM_DESTROY", "owned WM_NCDESTROY", "owner WM_DESTROY",
                     "child WM_DESTROY", "child WM_NCDESTROY", "owner WM_NCDESTROY"}));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(owned));

    // WM_CLOSE left to the default procedure destroys the window.
    HWND closing = Make("closing");
    Journal::Get().Watch({WM_CLOSE, WM_DESTROY});
    SendMessageA(closing, WM_CLOSE, 0, 0);
    EXPECT_EQ(Journal::Get().Take(), (Lines{"closing WM_CLOSE", "closing WM_DESTROY"}));
    EXPECT_FALSE(IsWindow(closing));
}

TEST_F(MessageConformance, SendWithinAThreadCallsTheProcedureAtOnce) {
    HWND w = NewAnswerer();
    ASSERT_NE(w, nullptr);
    made.push_back(w);
    EXPECT_EQ(SendMessageA(w, WM_USER, 21, 0), 42);
    EXPECT_EQ(lastAnsweringThread.load(), GetCurrentThreadId());
    // Nothing went through the queue.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageConformance, SendAcrossThreadsWaitsAndAnswersWhatComesMeanwhile) {
    WindowThread other;
    ASSERT_NE(other.window(), nullptr);
    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(other.window(), &process), other.id());
    EXPECT_EQ(process, GetCurrentProcessId());

    EXPECT_EQ(SendMessageA(other.window(), WM_USER, 5, 0), 10);
    EXPECT_EQ(lastAnsweringThread.load(), other.id());

    // The other thread's procedure sends back to a window of this thread
    // while this thread waits for its answer: the call is answered here.
    HWND mine = NewAnswerer();
    ASSERT_NE(mine, nullptr);
    made.push_back(mine);
    EXPECT_EQ(SendMessageA(other.window(), WM_USER + 1, 0, reinterpret_cast<LPARAM>(mine)), 43);
    EXPECT_EQ(lastAnsweringThread.load(), GetCurrentThreadId());

    // A message posted to the other thread's window is taken there.
    EXPECT_TRUE(PostMessageA(other.window(), WM_USER, 1, 0));
}

TEST_F(MessageConformance, PostPeekGetAndQuit) {
    HWND w = Make("w");
    Journal::Get().Watch({WM_USER, WM_USER + 1, WM_USER + 2});
    ASSERT_TRUE(PostMessageA(w, WM_USER, 1, 0));
    ASSERT_TRUE(PostMessageA(w, WM_USER + 1, 2, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 3, 0));
    // Nothing is delivered by posting.
    EXPECT_TRUE(Journal::Get().Take().empty());

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER)); // still there
    EXPECT_EQ(msg.hwnd, w);
    EXPECT_EQ(msg.wParam, 1u);

    // A range filter takes the later message first.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    // A window filter leaves the thread's message alone.
    ASSERT_TRUE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // Dispatching calls the window's procedure.
    PostMessageA(w, WM_USER, 4, 0);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    DispatchMessageA(&msg);
    EXPECT_EQ(Journal::Get().Take(), (Lines{"w WM_USER"}));

    // WM_QUIT comes after what was posted before and after it, then once only.
    PostQuitMessage(7);
    PostMessageA(w, WM_USER + 1, 5, 0);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // Posting to a window that is gone fails.
    DestroyWindow(w);
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(MessageConformance, WaitingForMessagesWithATimeout) {
    platform::RealTimeWaits realTime;
    HWND w = Make("w");
    // Nothing comes: the wait ends with its time.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_TIMEOUT));
    // A message posted before the wait ends it at once.
    PostMessageA(w, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    conformance::Pump();

    // So does a message that another thread posts while this one waits.
    std::thread poster([w] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageA(w, WM_USER, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    poster.join();
    conformance::Pump();

    // And a timer that falls due.
    ASSERT_NE(SetTimer(w, 1, 40, nullptr), 0u);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    KillTimer(w, 1);
    conformance::Pump();
}

TEST_F(MessageConformance, AWaitEndsForAMessageSentFromAnotherThread) {
    platform::RealTimeWaits realTime;
    HWND mine = NewAnswerer();
    ASSERT_NE(mine, nullptr);
    made.push_back(mine);
    std::atomic<LRESULT> answer{0};
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        answer = SendMessageA(mine, WM_USER, 8, 0);
    });
    // The wait ends; the call is answered when this thread next looks at its queue.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    MSG msg;
    for (int i = 0; i < 1000 && answer == 0; ++i) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    sender.join();
    EXPECT_EQ(answer.load(), 16);
}

TEST_F(MessageConformance, MessageOnlyWindowsTakeMessagesButAreNoTopLevelWindows) {
    HWND w = NewRecorder("message only", 0, 0, HWND_MESSAGE);
    ASSERT_NE(w, nullptr);
    made.push_back(w);
    Journal::Get().Watch({WM_USER, WM_USER + 1});
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
    EXPECT_TRUE(PostMessageA(w, WM_USER + 1, 0, 0));
    conformance::Pump();
    EXPECT_EQ(Journal::Get().Take(), (Lines{"message only WM_USER", "message only WM_USER+1"}));
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(GetParent(w), nullptr);
    EXPECT_NE(GetAncestor(w, GA_PARENT), GetDesktopWindow());
}

TEST_F(MessageConformance, HiddenWindowsTakeMessagesButPaintOnlyOnceShown) {
    HWND w = Make("hidden");
    Journal::Get().Watch({WM_USER, WM_PAINT});
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    PostMessageA(w, WM_USER, 0, 0);
    conformance::Pump();
    EXPECT_EQ(Journal::Get().Take(), (Lines{"hidden WM_USER"}));

    // Shown, it paints once, after what was posted.
    ShowWindow(w, SW_SHOWNA);
    PostMessageA(w, WM_USER, 0, 0);
    conformance::Pump();
    EXPECT_EQ(Journal::Get().Take(), (Lines{"hidden WM_USER", "hidden WM_PAINT"}));
    conformance::Pump();
    EXPECT_TRUE(Journal::Get().Take().empty());
    // UpdateWindow paints at once what is invalid, without the queue.
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(Journal::Get().Take(), (Lines{"hidden WM_PAINT"}));
    ShowWindow(w, SW_HIDE);
}
