// What the desktop integration relies on from the platform: the notification
// area, registered and broadcast messages. The same source runs against the
// simulator and, built for Windows, against Wine.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
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

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) {
        std::lock_guard guard(receivedLock);
        received.push_back({hwnd, msg, wParam, lParam});
    }
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

} // namespace
