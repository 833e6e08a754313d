// The toolkit's one window procedure: windows of its classes hand their
// messages to the object they belong to, hidden windows included; the
// application window reports what fails there instead of letting it cross
// the platform.
#include "support/sim_fixture.h"
#include "toolkit/UtilWindow.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace tk;

namespace {

class WindowTargets : public testing_support::AppTest {};

// Remembers the messages it got and answers 42 to WM_USER.
class Recorder : public TWindowTarget {
public:
    std::vector<UINT> messages;
    HWND window = nullptr;

    void WindowMessage(HWND hwnd, TMessage& message) override {
        window = hwnd;
        messages.push_back(message.Msg);
        if (message.Msg == WM_USER) {
            message.Result = 42;
            return;
        }
        message.Result = DefWindowProcA(hwnd, message.Msg, message.WParam, message.LParam);
    }
    bool Got(UINT msg) const {
        return std::find(messages.begin(), messages.end(), msg) != messages.end();
    }
};

} // namespace

TEST_F(WindowTargets, AHiddenWindowHandsItsMessagesToItsTarget) {
    Recorder recorder;
    HWND window = CreateHiddenWindow("TestHiddenWindow", recorder);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TargetOf(window), &recorder);
    EXPECT_FALSE(recorder.Got(WM_CREATE)) << "the creation goes to the platform";
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 42);
    EXPECT_EQ(recorder.window, window);

    Recorder second; // the class is registered once and shared
    HWND other = CreateHiddenWindow("TestHiddenWindow", second);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(SendMessageA(other, WM_USER, 0, 0), 42);
    EXPECT_EQ(second.messages.size(), 1u);

    recorder.messages.clear();
    DestroyHiddenWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(recorder.messages.empty()) << "the target hears nothing of the destruction";
    DestroyHiddenWindow(other);
}

TEST_F(WindowTargets, AWindowMadeForATargetHearsItsWholeLife) {
    ASSERT_TRUE(RegisterTargetClass("TestTargetWindow"));
    Recorder recorder;
    HWND window =
        CreateTargetWindow(recorder, 0, "TestTargetWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(recorder.Got(WM_NCCREATE));
    EXPECT_TRUE(recorder.Got(WM_CREATE));
    recorder.messages.clear();
    DestroyWindow(window);
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_TRUE(recorder.Got(WM_DESTROY));
}

TEST_F(WindowTargets, OnlyWindowsOfToolkitClassesHaveTargets) {
    HWND button = CreateWindowExA(0, "BUTTON", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    Recorder recorder;
    SetWindowLongPtrA(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&recorder));
    EXPECT_EQ(TargetOf(button), nullptr) << "user data of another class is not a target";
    EXPECT_EQ(TargetOf(nullptr), nullptr);
    DestroyWindow(button);
}

TEST_F(WindowTargets, AFailureOfTheTaskBarButtonsCloseGoesToTheApplication) {
    std::vector<std::string> errors;
    App().OnException = [&](const std::exception& e) {
        errors.push_back(e.what());
    };
    auto* main = App().CreateForm<TForm>();
    main->OnCloseQuery = [](TComponent*, bool&) {
        throw Exception("cannot close now");
    };
    EXPECT_NO_THROW(SendMessageA(App().Handle(), WM_CLOSE, 0, 0));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "cannot close now");
    EXPECT_TRUE(IsWindow(App().Handle()));
}
