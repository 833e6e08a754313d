// A simulated desktop with the program's application window, and other
// instances of the program as other simulated tasks: their application
// windows, with a main window that was active last.
#pragma once

#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A message that a window of another task received.
struct Delivered {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class DesktopTest : public AppTest {
protected:
    static constexpr const char* programPath = "C:\\Program Files\\Stashwell\\Stashwell.exe";
    static constexpr const char* title = "Stashwell v. 2.0.1";

    void SetUp() override {
        AppTest::SetUp();
        sim::SetModulePath(1, programPath);
        delivered().clear();
    }
    void TearDown() override {
        for (auto& [task, windows] : others_) {
            sim::TaskScope as(task);
            for (HWND hwnd : windows)
                DestroyWindow(hwnd);
        }
        others_.clear();
        AppTest::TearDown();
    }

    // What the windows of other instances received, in order.
    static std::vector<Delivered>& delivered() {
        static std::vector<Delivered> list;
        return list;
    }
    static std::vector<Delivered> DeliveredTo(HWND hwnd, UINT msg) {
        std::vector<Delivered> out;
        for (const auto& d : delivered())
            if (d.hwnd == hwnd && d.msg == msg)
                out.push_back(d);
        return out;
    }

    // Another instance of a program on this thread: its application window
    // (class "TApplication", caption `caption`) and a visible main window
    // owned by it, which was activated last. Returns the application window.
    HWND OtherInstance(const std::string& path, const std::string& caption = title,
                       HWND* mainWindow = nullptr) {
        int task = sim::CreateTask(path);
        sim::TaskScope as(task);
        for (const char* name : {"TApplication", "TOtherMain"}) {
            WNDCLASSA cls{};
            cls.lpfnWndProc = &Record;
            cls.lpszClassName = name;
            RegisterClassA(&cls);
        }
        HWND application = CreateWindowExA(0, "TApplication", caption.c_str(), WS_POPUP, 0, 0, 0, 0,
                                           nullptr, nullptr, nullptr, nullptr);
        HWND main = CreateWindowExA(0, "TOtherMain", caption.c_str(), WS_OVERLAPPEDWINDOW, 10, 10,
                                    200, 100, application, nullptr, nullptr, nullptr);
        ShowWindow(main, SW_SHOWNORMAL);
        others_.push_back({task, {main, application}});
        if (mainWindow)
            *mainWindow = main;
        return application;
    }

    // Whether this thread's program was told to end (the quit request is
    // taken off the queue).
    bool TerminateRequested() {
        App().ProcessMessages();
        return App().Terminated();
    }

    // Runs `body` on this thread while a helper thread moves the clock on in
    // steps (as the time the body waits passes), calling `step` with the
    // clock after each one.
    static void WhileTimePasses(const std::function<void()>& body,
                                const std::function<void(DWORD now)>& step = nullptr) {
        std::atomic<bool> done{false};
        std::thread clock([&] {
            while (!done) {
                sim::AdvanceClock(100);
                if (step)
                    step(sim::Now());
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        body();
        done = true;
        clock.join();
    }

private:
    static LRESULT CALLBACK Record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_CLOSE || msg >= WM_USER)
            delivered().push_back({hwnd, msg, wParam, lParam});
        if (msg == WM_CLOSE)
            return 0; // recorded only; the test removes the windows
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    std::vector<std::pair<int, std::vector<HWND>>> others_;
};

} // namespace testing_support
