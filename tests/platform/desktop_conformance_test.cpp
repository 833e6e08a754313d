// What the desktop integration relies on from the platform: the global atom
// table, window enumeration below the desktop, the notification area,
// registered and broadcast messages, sends with a time limit, and named
// mutexes. The same source runs against the simulator and, built for
// Windows, against Wine.
#include "platform/peer.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace {

// What the windows of the tests received, from whichever thread.
struct Received {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::mutex receivedLock;
std::vector<Received> received;
constexpr UINT answerMessage = WM_USER + 77; // answered with wParam + lParam

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) {
        std::lock_guard guard(receivedLock);
        received.push_back({hwnd, msg, wParam, lParam});
    }
    if (msg == answerMessage)
        return static_cast<LRESULT>(wParam) + lParam;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::vector<Received> ReceivedBy(HWND hwnd, UINT msg) {
    std::lock_guard guard(receivedLock);
    std::vector<Received> out;
    for (const auto& r : received)
        if (r.hwnd == hwnd && r.msg == msg)
            out.push_back(r);
    return out;
}

HWND NewWindow(const char* title, HWND parent = nullptr) {
    WNDCLASSA existing{};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), "DesktopConformance", &existing)) {
        WNDCLASSA cls{};
        cls.lpfnWndProc = RecordingProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "DesktopConformance";
        RegisterClassA(&cls);
    }
    DWORD style = parent && parent != HWND_MESSAGE ? WS_CHILD : WS_POPUP;
    return CreateWindowExA(0, "DesktopConformance", title, style, 0, 0, 10, 10, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Handles what is queued for this thread now.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// A name no other process of the desktop uses.
std::string Unique(const std::string& what) {
    return "Stashwell conformance " + what + " " + std::to_string(GetCurrentProcessId());
}

// ------------------------------------------------------------------ atoms

TEST(GlobalAtomConformance, NamesCompareWithoutCaseAndAreCountedPerAdd) {
    const std::string name = Unique("atom");
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    ASSERT_EQ(GlobalFindAtomA(name.c_str()), 0);
    ATOM atom = GlobalAddAtomA(name.c_str());
    ASSERT_GE(atom, 0xC000);
    EXPECT_EQ(GlobalFindAtomA(upper.c_str()), atom);
    EXPECT_EQ(GlobalAddAtomA(upper.c_str()), atom) << "the second add counts the same atom";
    char stored[256] = {};
    EXPECT_EQ(GlobalGetAtomNameA(atom, stored, sizeof stored), name.size());
    EXPECT_EQ(stored, name) << "the name keeps the letters of its first add";

    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalFindAtomA(name.c_str()), atom) << "one reference is left";
    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalFindAtomA(name.c_str()), 0);
}

TEST(GlobalAtomConformance, AnotherProgramSeesTheAtomAndItOutlivesThatProgram) {
    const std::string name = Unique("shared atom");
    ATOM seen = 0;
    ATOM added = 0;
    ATOM atom = GlobalAddAtomA(name.c_str());
    ASSERT_NE(atom, 0);
    platform::StartOtherProgram([&] {
        seen = GlobalFindAtomA(name.c_str());
        added = GlobalAddAtomA((name + " other").c_str());
    }).join();
    EXPECT_EQ(seen, atom);
    ASSERT_NE(added, 0);
    EXPECT_EQ(GlobalFindAtomA((name + " other").c_str()), added);
    GlobalDeleteAtom(added);
    GlobalDeleteAtom(atom);
}

TEST(GlobalAtomConformance, NamesOver255CharactersAreRefusedAndNumbersAreIntegerAtoms) {
    const std::string longest(255, 'q');
    ATOM atom = GlobalAddAtomA(longest.c_str());
    EXPECT_NE(atom, 0);
    GlobalDeleteAtom(atom);
    EXPECT_EQ(GlobalAddAtomA(std::string(256, 'q').c_str()), 0);

    EXPECT_EQ(GlobalAddAtomA("#1234"), 1234);
    EXPECT_EQ(GlobalFindAtomA("#1234"), 1234);
    EXPECT_EQ(GlobalDeleteAtom(1234), 0);
}

// ------------------------------------------------------- window enumeration

struct Listing {
    std::vector<HWND> windows;
    std::size_t stopAfter = 0; // 0: go on to the end
};

BOOL CALLBACK List(HWND hwnd, LPARAM data) {
    auto* listing = reinterpret_cast<Listing*>(data);
    listing->windows.push_back(hwnd);
    return listing->stopAfter == 0 || listing->windows.size() < listing->stopAfter;
}

std::vector<HWND> Descendants(HWND parent) {
    Listing listing;
    EnumChildWindows(parent, List, reinterpret_cast<LPARAM>(&listing));
    return listing.windows;
}

// The position of a window in a listing; the size when it is not there.
std::size_t Position(const std::vector<HWND>& windows, HWND hwnd) {
    return static_cast<std::size_t>(std::find(windows.begin(), windows.end(), hwnd) -
                                    windows.begin());
}

TEST(WindowEnumerationConformance, BelowTheDesktopEachWindowIsFollowedByItsDescendants) {
    HWND first = NewWindow("first");
    HWND child = NewWindow("child", first);
    HWND grandchild = NewWindow("grandchild", child);
    HWND secondChild = NewWindow("second child", first);
    HWND other = NewWindow("other");
    HWND messageOnly = NewWindow("message only", HWND_MESSAGE);
    ASSERT_TRUE(first && child && grandchild && secondChild && other && messageOnly);

    std::vector<HWND> all = Descendants(GetDesktopWindow());
    std::size_t at = Position(all, first);
    ASSERT_LT(at, all.size());
    ASSERT_LE(at + 4, all.size());
    // The first window's whole tree comes right after it, a child before its own child.
    std::vector<HWND> tree(all.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                           all.begin() + static_cast<std::ptrdiff_t>(at) + 4);
    EXPECT_EQ(Position(tree, grandchild), Position(tree, child) + 1);
    EXPECT_LT(Position(tree, secondChild), tree.size());
    EXPECT_LT(Position(all, other), all.size());
    EXPECT_EQ(Position(all, messageOnly), all.size()) << "message-only windows are not below it";
    EXPECT_EQ(Position(all, GetDesktopWindow()), all.size());

    // Below a window: its descendants only.
    std::vector<HWND> below = Descendants(first);
    ASSERT_EQ(below.size(), 3u);
    EXPECT_EQ(Position(below, grandchild), Position(below, child) + 1);
    EXPECT_EQ(Position(below, first), below.size());

    // The callback's false ends the enumeration.
    Listing stopped;
    stopped.stopAfter = 1;
    EXPECT_FALSE(EnumChildWindows(first, List, reinterpret_cast<LPARAM>(&stopped)));
    EXPECT_EQ(stopped.windows.size(), 1u);

    for (HWND hwnd : {other, first, messageOnly})
        DestroyWindow(hwnd);
}

TEST(WindowEnumerationConformance, DesktopHandleIsNeverTheHandleOfAnotherWindow) {
    HWND desktop = GetDesktopWindow();
    ASSERT_NE(desktop, nullptr);
    std::vector<HWND> made;
    for (int i = 0; i < 8; ++i) {
        made.push_back(NewWindow("numbered"));
        EXPECT_NE(made.back(), desktop) << "window " << i;
    }
    std::vector<HWND> all = Descendants(desktop);
    for (HWND hwnd : made)
        EXPECT_LT(Position(all, hwnd), all.size());
    for (HWND hwnd : made)
        DestroyWindow(hwnd);
}

// ------------------------------------------------------- notification area

class NotificationAreaConformance : public ::testing::Test {
protected:
    void SetUp() override {
        window = NewWindow("tray owner");
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        for (UINT id : {1u, 2u})
            Call(NIM_DELETE, id);
        DestroyWindow(window);
    }
    BOOL Call(DWORD message, UINT id, const char* tip = "Stashwell conformance") {
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = window;
        data.uID = id;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = WM_USER + 10;
        data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        std::snprintf(data.szTip, 64, "%s", tip);
        return Shell_NotifyIconA(message, &data);
    }
    HWND window = nullptr;
};

TEST_F(NotificationAreaConformance, IconsAreKeyedByWindowAndIdentifier) {
    EXPECT_FALSE(Call(NIM_MODIFY, 1)) << "nothing to change yet";
    EXPECT_FALSE(Call(NIM_DELETE, 1)) << "nothing to delete yet";
    EXPECT_TRUE(Call(NIM_ADD, 1));
    EXPECT_FALSE(Call(NIM_ADD, 1)) << "the icon is there already";
    EXPECT_TRUE(Call(NIM_MODIFY, 1, "another tool tip"));
    EXPECT_TRUE(Call(NIM_ADD, 2)) << "another identifier is another icon";
    EXPECT_TRUE(Call(NIM_DELETE, 1));
    EXPECT_FALSE(Call(NIM_DELETE, 1));
    EXPECT_FALSE(Call(NIM_MODIFY, 1));
    EXPECT_TRUE(Call(NIM_MODIFY, 2));
    EXPECT_TRUE(Call(NIM_DELETE, 2));
}

// ------------------------------------------------- registered and broadcast

TEST(RegisteredMessageConformance, NamesGiveOneNumberSharedWithClipboardFormats) {
    const std::string name = Unique("message");
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    UINT message = RegisterWindowMessageA(name.c_str());
    EXPECT_GE(message, 0xC000u);
    EXPECT_LE(message, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA(upper.c_str()), message);
    EXPECT_EQ(RegisterClipboardFormatA(name.c_str()), message);
    EXPECT_NE(RegisterWindowMessageA((name + "!").c_str()), message);
    EXPECT_EQ(RegisterWindowMessageA("TaskbarCreated"), RegisterWindowMessageA("taskbarcreated"));
}

TEST(RegisteredMessageConformance, BroadcastReachesHiddenTopLevelWindowsNotChildren) {
    const UINT message = RegisterWindowMessageA(Unique("broadcast").c_str());
    HWND top = NewWindow("broadcast top");
    HWND child = NewWindow("broadcast child", top);
    ASSERT_TRUE(top && child);
    ASSERT_FALSE(IsWindowVisible(top));
    EXPECT_TRUE(PostMessageA(HWND_BROADCAST, message, 7, 9));
    Pump();
    auto got = ReceivedBy(top, message);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, 7u);
    EXPECT_EQ(got[0].lParam, 9);
    EXPECT_TRUE(ReceivedBy(child, message).empty());
    DestroyWindow(top);
}

// ---------------------------------------------------------- timed sends

// A window on a thread of another program that does what the test says.
class Peer {
public:
    enum class Mode { pump, busy };
    explicit Peer(Mode mode) : mode_(mode) {
        thread_ = platform::StartOtherProgram([this] { Run(); });
        while (!window_.load())
            platform::BusyFor(0);
    }
    ~Peer() {
        stop_ = true;
        PostMessageA(Window(), WM_NULL, 0, 0); // a peer that waits for messages wakes up
        thread_.join();
    }
    HWND Window() const { return window_.load(); }
    // The peer stops looking at its queue for the time given, then reports.
    void GoBusy(DWORD milliseconds) {
        busyFor_ = milliseconds;
        PostMessageA(Window(), WM_NULL, 0, 0);
        while (busyFor_.load() != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void SetMode(Mode mode) {
        mode_ = mode;
        PostMessageA(Window(), WM_NULL, 0, 0);
    }

private:
    void Run() {
        HWND window = NewWindow("peer");
        window_ = window;
        while (!stop_) {
            if (DWORD busy = busyFor_.load()) {
                platform::BusyFor(busy);
                busyFor_ = 0;
            } else if (mode_ == Mode::pump) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
                Pump();
            } else {
                platform::BusyFor(20);
            }
        }
        DestroyWindow(window);
    }

    std::atomic<Mode> mode_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<DWORD> busyFor_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(TimedSendConformance, AnAnswerInTimeIsGivenBack) {
    Peer peer(Peer::Mode::pump);
    DWORD_PTR result = 0;
    EXPECT_TRUE(
        SendMessageTimeoutA(peer.Window(), answerMessage, 40, 2, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(result, 42u);
    EXPECT_EQ(ReceivedBy(peer.Window(), answerMessage).size(), 1u);
}

TEST(TimedSendConformance, NoAnswerInTimeFailsAndTheMessageIsWithdrawn) {
    Peer peer(Peer::Mode::busy);
    DWORD_PTR result = 99;
    SetLastError(0);
    EXPECT_FALSE(
        SendMessageTimeoutA(peer.Window(), answerMessage, 1, 1, SMTO_NORMAL, 300, &result));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    peer.SetMode(Peer::Mode::pump);
    platform::BusyFor(200);
    // Once the peer looks at its queue again, the message is not there any more.
    DWORD_PTR later = 0;
    EXPECT_TRUE(SendMessageTimeoutA(peer.Window(), answerMessage, 3, 4, SMTO_NORMAL, 5000, &later));
    EXPECT_EQ(later, 7u);
    auto got = ReceivedBy(peer.Window(), answerMessage);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, 3u);
}

TEST(TimedSendConformance, AThreadThatStoppedLookingAtItsQueueForFiveSecondsIsHung) {
    Peer peer(Peer::Mode::pump);
    // Waiting for messages for longer than that is not being hung.
    platform::BusyFor(5500);
    DWORD_PTR result = 0;
    EXPECT_TRUE(
        SendMessageTimeoutA(peer.Window(), answerMessage, 1, 2, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(result, 3u);

    peer.SetMode(Peer::Mode::busy);
    peer.GoBusy(5500);
    DWORD before = GetTickCount();
    SetLastError(0);
    EXPECT_FALSE(
        SendMessageTimeoutA(peer.Window(), answerMessage, 1, 2, SMTO_ABORTIFHUNG, 60000, &result));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_LT(GetTickCount() - before, 30000u) << "a hung receiver is not waited for";
}

// ---------------------------------------------------------- named mutexes

TEST(NamedMutexConformance, ASecondCreateOfTheNameOpensTheSameMutex) {
    const std::string name = Unique("mutex");
    HANDLE first = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    HANDLE second = nullptr;
    DWORD secondError = 0;
    HANDLE otherCase = nullptr;
    DWORD otherCaseError = 0;
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    platform::StartOtherProgram([&] {
        second = CreateMutexA(nullptr, TRUE, name.c_str());
        secondError = GetLastError();
        otherCase = CreateMutexA(nullptr, FALSE, upper.c_str());
        otherCaseError = GetLastError();
    }).join();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(secondError, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ASSERT_NE(otherCase, nullptr);
    EXPECT_EQ(otherCaseError, static_cast<DWORD>(ERROR_SUCCESS)) << "names compare exactly";
    CloseHandle(otherCase);

    CloseHandle(first);
    HANDLE again = CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "one handle is left";
    CloseHandle(again);
    CloseHandle(second);
    HANDLE fresh = CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "gone with its last handle";
    CloseHandle(fresh);
}

TEST(NamedMutexConformance, NamesHaveNoBackslashAndAtMostMaxPathCharacters) {
    SetLastError(0);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "C:\\Program Files\\x.exe"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    HANDLE local = CreateMutexA(nullptr, FALSE, ("Local\\" + Unique("local")).c_str());
    EXPECT_NE(local, nullptr);
    CloseHandle(local);

    // A name of MAX_PATH characters still fits; a longer one does not.
    std::string longest = Unique("long");
    longest.resize(MAX_PATH, 'x');
    HANDLE fits = CreateMutexA(nullptr, FALSE, longest.c_str());
    EXPECT_NE(fits, nullptr);
    CloseHandle(fits);
    SetLastError(0);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, (longest + "x").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST(NamedMutexConformance, OnlyTheOwnerReleasesIt) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, Unique("owned").c_str());
    ASSERT_NE(mutex, nullptr);
    BOOL released = TRUE;
    DWORD error = 0;
    platform::StartOtherProgram([&] {
        released = ReleaseMutex(mutex);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(released);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_OWNER));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

} // namespace
