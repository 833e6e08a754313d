// The program with the desktop: one instance per program file (instances
// as simulated tasks on threads of their own), the notification-area icon
// as the placement modes use it, and the registration at every start.
#include "settings_fixture.h"
#include "traymenu/TrayIconMenu.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace tk;

namespace {

constexpr const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* commandKey = "cbdfile\\Shell\\Open\\Command";

// Waits (in real time, briefly) until the condition holds; false if it never does.
template <typename F> bool Eventually(F condition) {
    for (int i = 0; i < 20000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

int CountWindows(const std::string& className) {
    int count = 0;
    for (const auto& window : sim::LiveWindows())
        if (window.rfind(className + " ", 0) == 0)
            ++count;
    return count;
}

// A program instance as a task of its own, running the program's entry on a
// thread of its own until its message loop ends.
class Instance {
public:
    Instance(const std::string& path, const std::string& arguments = "")
        : path_(path), task_(sim::CreateTask(path, arguments)) {
        thread_ = std::thread([this] {
            sim::TaskScope as(task_);
            int status;
            {
                TApplication application;
                status = RunProgram(application);
            } // its windows go with it
            status_ = status;
            ended_ = true;
        });
    }
    // A test that stops early still ends the instance, instead of waiting
    // for it forever.
    ~Instance() {
        if (!thread_.joinable())
            return;
        for (int i = 0; i < 20000 && !ended_; ++i) {
            if (HWND main = MainWindow())
                PostMessageA(main, WM_CLOSE, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        thread_.join();
    }
    bool Ended() const { return ended_; }
    int Status() const { return status_; }
    // Ends it through its main window, and waits for the end.
    void Close() {
        HWND main = MainWindow();
        if (main)
            PostMessageA(main, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND MainWindow() const {
        struct Search {
            int task;
            HWND found;
        } search{task_, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                char name[32] = {};
                GetClassNameA(hwnd, name, sizeof name);
                DWORD process = 0;
                GetWindowThreadProcessId(hwnd, &process);
                sim::TaskScope as(s->task);
                if (std::string(name) == "TMainForm" && process == GetCurrentProcessId())
                    s->found = hwnd;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // Its entry has come to the end of its start-up: the main window is
    // there and the last step before the message loop has registered this
    // program file to run at logon (the other forms make their windows only
    // when they are first shown).
    bool Started() const {
        return Eventually([this] {
            if (ended_)
                return true;
            sim::RegistryValue value;
            return MainWindow() != nullptr &&
                   sim::GetRegistryValue(HKEY_LOCAL_MACHINE, runKey, "Stashwell", value) &&
                   value.data.substr(0, value.data.find('\0')) == "\"" + path_ + "\"";
        });
    }

private:
    std::string path_;
    int task_;
    std::atomic<bool> ended_{false};
    std::atomic<int> status_{-1};
    std::thread thread_;
};

class DesktopIntegration : public testing_support::ProgramTest {
protected:
    // A start of the program file on this thread, through the whole entry.
    int RunSecond(const std::string& arguments = "") {
        sim::SetCommandLine(1, arguments);
        TApplication second;
        return RunProgram(second);
    }
    static std::string Value(HKEY root, const std::string& key, const std::string& name) {
        sim::RegistryValue value;
        if (!sim::GetRegistryValue(root, key, name, value))
            return "<missing>";
        return value.data.substr(0, value.data.find('\0'));
    }
};

TEST_F(DesktopIntegration, ASecondStartHandsOverToTheRunningInstanceAndEnds) {
    Instance first(Path("Stashwell.exe"));
    ASSERT_TRUE(first.Started());
    HWND firstMain = first.MainWindow();

    // The second start is given a clipboard content file: it still puts it
    // on the clipboard before it ends.
    WriteFile("given.cbd", testing_support::NumberRecord(CF_TEXT, std::string("handed\0", 7)));
    EXPECT_EQ(RunSecond("\"" + Path("given.cbd") + "\""), 0);
    auto content = sim::ReadClipboard();
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(content[0].bytes, std::string("handed\0", 7));

    EXPECT_FALSE(first.Ended());
    EXPECT_EQ(CountWindows("TApplication"), 1) << "one instance is left";
    EXPECT_EQ(CountWindows("TMainForm"), 1);
    EXPECT_EQ(GetForegroundWindow(), firstMain) << "the running one came to the front";
    EXPECT_TRUE(sim::MessageBoxes().empty());
    first.Close();
    EXPECT_EQ(first.Status(), 0);
}

TEST_F(DesktopIntegration, ACopyUnderAnotherPathRunsBeside) {
    std::filesystem::create_directories(Path("copy"));
    Instance first(Path("copy/Stashwell.exe"));
    ASSERT_TRUE(first.Started());
    Start();
    application->ProcessMessages();
    EXPECT_FALSE(application->Terminated());
    EXPECT_EQ(CountWindows("TApplication"), 2);
    Stop();
    first.Close();
}

// Two starts at the same moment (the shell opens several selected files
// at once) used to both miss the atom and both run.
TEST_F(DesktopIntegration, TwoStartsAtTheSameMomentLeaveOneInstance) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> stop{false};
        // A start that waits for the other's window waits on the clock.
        std::thread clock([&] {
            while (!stop) {
                sim::AdvanceClock(50);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        {
            Instance a(Path("Stashwell.exe"));
            Instance b(Path("Stashwell.exe"));
            ASSERT_TRUE(Eventually([&] { return a.Ended() || b.Ended(); }));
            Instance& ended = a.Ended() ? a : b;
            Instance& running = a.Ended() ? b : a;
            EXPECT_EQ(ended.Status(), 0);
            ASSERT_TRUE(running.Started());
            EXPECT_FALSE(running.Ended());
            EXPECT_EQ(CountWindows("TApplication"), 1);
            running.Close();
        }
        stop = true;
        clock.join();
        EXPECT_TRUE(sim::GlobalAtoms().empty());
        EXPECT_TRUE(sim::NamedMutexes().empty());
    }
}

TEST_F(DesktopIntegration, TrayOnlyModeShowsTheIconThatTogglesTheWindow) {
    Store("ProgPlaceToLive", "1");
    Start();
    auto icons = sim::NotifyIcons();
    ASSERT_EQ(icons.size(), 1u);
    HWND tray = main->CoolTrayIcon->Handle();
    EXPECT_EQ(icons[0].hwnd, tray);
    EXPECT_EQ(icons[0].tip, "Stashwell v. 2.0.1");
    EXPECT_EQ(icons[0].icon, main->CoolTrayIcon->Icon().Handle());
    EXPECT_NE(icons[0].icon, nullptr);
    EXPECT_FALSE(IsWindowVisible(main->Handle()));

    ASSERT_TRUE(sim::DoubleClickNotifyIcon(tray, 0, POINT{1000, 740}));
    application->ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    EXPECT_EQ(GetForegroundWindow(), main->Handle());
    ASSERT_TRUE(sim::DoubleClickNotifyIcon(tray, 0, POINT{1000, 740}));
    application->ProcessMessages();
    EXPECT_FALSE(IsWindowVisible(main->Handle()));

    // A right click opens the tray menu with its corner at the cursor.
    ASSERT_TRUE(sim::ClickNotifyIcon(tray, 0, POINT{1000, 740}, true));
    application->ProcessMessages();
    TTrayIconWindow* menu = main->TrayIconWindow;
    EXPECT_EQ(menu->Left() + menu->Width(), 1000);
    EXPECT_EQ(menu->Top() + menu->Height(), 740);
    EXPECT_EQ(main->FileSave1->ShortCut(), 0);

    Stop();
    EXPECT_TRUE(sim::NotifyIcons().empty()) << "the icon goes when the program ends";
}

TEST_F(DesktopIntegration, TheIconComesBackWhenTheShellRestarts) {
    Store("ProgPlaceToLive", "2");
    Start();
    ASSERT_EQ(sim::NotifyIcons().size(), 1u);
    sim::RestartShell();
    application->ProcessMessages();
    EXPECT_EQ(sim::NotifyIcons().size(), 1u);
}

TEST_F(DesktopIntegration, EveryStartRegistersForLogonAndForCbdFiles) {
    Start();
    const std::string exe = Path("Stashwell.exe");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Stashwell"), "\"" + exe + "\"");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".cbd", ""), "cbdfile");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "cbdfile", ""), "Stashwell");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, commandKey, ""), "\"" + exe + "\" \"%1\"");
    Stop();

    Store("ProgLoadOnStart", "0");
    Start();
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Stashwell"), "<missing>");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, commandKey, ""), "\"" + exe + "\" \"%1\"");
}

// A ".cbd" file in a folder with a blank, opened by the shell with the
// command the program registered.
TEST_F(DesktopIntegration, TheOpenCommandGivesTheProgramTheWholePath) {
    Start();
    const std::string command = Value(HKEY_CLASSES_ROOT, commandKey, "");
    Stop();
    std::filesystem::create_directories(Path("my clips"));
    const std::string file = Path("my clips/today.cbd");
    WriteFile("my clips/today.cbd",
              testing_support::NumberRecord(CF_TEXT, std::string("opened\0", 7)));
    // The shell puts the file in place of %1 and runs the rest after the program.
    std::string line = command;
    line.replace(line.find("%1"), 2, file);
    const std::string program = "\"" + Path("Stashwell.exe") + "\"";
    ASSERT_EQ(line.rfind(program, 0), 0u);
    Start(line.substr(program.size() + 1));
    auto content = sim::ReadClipboard();
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(content[0].bytes, std::string("opened\0", 7));
}

// A user without the right to write the machine's keys, with start-up
// registration on (the default).
TEST_F(DesktopIntegration, ARefusedRegistrationIsReportedAndTheProgramRunsOn) {
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, "", sim::RegRefuseCreate | sim::RegRefuseWriteAccess);
    bool running = false;
    sim::WhenIdle([&] {
        running = IsWindowVisible(FindWindowA("TMainForm", nullptr)) != 0;
        PostMessageA(FindWindowA("TMainForm", nullptr), WM_CLOSE, 0, 0);
    });
    TApplication application;
    EXPECT_EQ(RunProgram(application), 0);
    EXPECT_TRUE(running) << "the message loop ran";
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("Failed to create key ") + runKey + ".");
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".cbd", ""), "cbdfile") << "the association is still made";
    EXPECT_NE(Value(HKEY_CLASSES_ROOT, commandKey, ""), "<missing>");
    sim::ClearRegistryRefusals();
}

TEST_F(DesktopIntegration, BothRegistrationsRefusedGiveTwoReports) {
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, "", sim::RegRefuseCreate | sim::RegRefuseWriteAccess);
    sim::RefuseRegistry(HKEY_CLASSES_ROOT, "", sim::RegRefuseCreate | sim::RegRefuseWriteAccess);
    Start();
    EXPECT_EQ(Boxes(std::string("Failed to create key ") + runKey + ".").size(), 1u);
    EXPECT_EQ(Boxes("Failed to create key .cbd.").size(), 1u);
    application->ProcessMessages();
    EXPECT_FALSE(application->Terminated());
    Stop();
    sim::ClearRegistryRefusals();
}

TEST_F(DesktopIntegration, RemovingTheStartUpEntryWithoutRightsIsSilent) {
    sim::SetRegistryString(HKEY_LOCAL_MACHINE, runKey, "Stashwell", "\"old.exe\"");
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, "", sim::RegRefuseWriteAccess);
    Store("ProgLoadOnStart", "0");
    Start();
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Stashwell"), "\"old.exe\"");
    sim::ClearRegistryRefusals();
}

} // namespace
