// The single-instance rule: the global atom named by the program file, the
// scan for the application windows of previous instances, and what is done
// about them.
#include "desktop/CoolInstancesChecker.h"
#include "desktop_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <memory>
#include <thread>

using namespace tk;

namespace {

class InstancesChecker : public testing_support::DesktopTest {
protected:
    void TearDown() override {
        Free(checker);
        checker = nullptr;
        DesktopTest::TearDown();
    }
    TCoolInstancesChecker* Check(TInstanceAction action = TInstanceAction::iaSwitchToPrevious) {
        checker = new TCoolInstancesChecker(&App());
        checker->InstanceAction = action;
        checker->AfterLoad();
        return checker;
    }
    static int References(const std::string& name) {
        for (const auto& atom : sim::GlobalAtoms())
            if (atom.name == name)
                return atom.references;
        return 0;
    }

    TCoolInstancesChecker* checker = nullptr;
};

TEST_F(InstancesChecker, FirstStartAddsTheAtomAndLooksAtNoWindow) {
    HWND mainWindow = nullptr;
    OtherInstance("C:\\elsewhere\\other.exe", title, &mainWindow);
    Check();
    EXPECT_GE(checker->Atom(), 0xC000);
    EXPECT_EQ(References(programPath), 1);
    // An application window of the same caption is there, but without the
    // atom nobody looks for it.
    EXPECT_TRUE(delivered().empty());
    EXPECT_FALSE(TerminateRequested());

    Free(checker);
    checker = nullptr;
    EXPECT_EQ(References(programPath), 0) << "the atom goes with the instance that added it";
}

TEST_F(InstancesChecker, SecondStartActivatesThePreviousInstanceAndEnds) {
    ATOM first = GlobalAddAtomA(programPath);
    HWND mainWindow = nullptr;
    OtherInstance(programPath, title, &mainWindow);
    SetForegroundWindow(App().Handle());
    Check();
    EXPECT_EQ(GetForegroundWindow(), mainWindow) << "its window that was active last";
    auto got = DeliveredTo(mainWindow, TCoolInstancesChecker::InstanceMessage);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, 0u);
    EXPECT_EQ(got[0].lParam, reinterpret_cast<LPARAM>(GetCommandLineA()));
    EXPECT_TRUE(TerminateRequested());
    EXPECT_EQ(checker->Atom(), -1);

    Free(checker);
    checker = nullptr;
    EXPECT_EQ(References(programPath), 1) << "the ending instance leaves the atom alone";
    GlobalDeleteAtom(first);
}

TEST_F(InstancesChecker, OfSeveralPreviousInstancesTheOneListedLastIsActivated) {
    GlobalAddAtomA(programPath);
    HWND olderMain = nullptr;
    HWND newerMain = nullptr;
    OtherInstance(programPath, title, &olderMain);
    OtherInstance(programPath, title, &newerMain);
    Check();
    // The newest window is at the top of the z-order, so the oldest comes last.
    EXPECT_EQ(DeliveredTo(olderMain, TCoolInstancesChecker::InstanceMessage).size(), 1u);
    EXPECT_TRUE(DeliveredTo(newerMain, TCoolInstancesChecker::InstanceMessage).empty());
    EXPECT_EQ(GetForegroundWindow(), olderMain);
}

TEST_F(InstancesChecker, ThePathIsComparedWithoutRegardToCase) {
    GlobalAddAtomA("c:\\PROGRAM FILES\\stashwell\\STASHWELL.EXE");
    HWND mainWindow = nullptr;
    OtherInstance(programPath, title, &mainWindow);
    Check();
    EXPECT_EQ(DeliveredTo(mainWindow, TCoolInstancesChecker::InstanceMessage).size(), 1u);
    EXPECT_TRUE(TerminateRequested());
}

TEST_F(InstancesChecker, ACopyUnderAnotherPathRunsBeside) {
    GlobalAddAtomA("C:\\Other Copy\\Stashwell.exe");
    HWND mainWindow = nullptr;
    OtherInstance("C:\\Other Copy\\Stashwell.exe", title, &mainWindow);
    Check();
    EXPECT_TRUE(delivered().empty());
    EXPECT_FALSE(TerminateRequested());
    EXPECT_EQ(References(programPath), 1);
}

TEST_F(InstancesChecker, OnlyTheSameCaptionAndClassCount) {
    GlobalAddAtomA(programPath);
    HWND otherTitle = nullptr;
    OtherInstance(programPath, "Stashwell v. 2.0.0", &otherTitle);
    Check();
    EXPECT_TRUE(delivered().empty());
    EXPECT_FALSE(TerminateRequested());
}

TEST_F(InstancesChecker, AStaleAtomAfterACrashDoesNotKeepTheProgramFromStarting) {
    GlobalAddAtomA(programPath); // left by an instance that ended without its clean-up
    Check();
    EXPECT_FALSE(TerminateRequested());
    EXPECT_EQ(checker->Atom(), -1);
    Free(checker);
    checker = nullptr;
    EXPECT_EQ(References(programPath), 1) << "neither added nor deleted";
}

TEST_F(InstancesChecker, StartNewRunsBesideAndAThirdStartAfterTheFirstEndsRunsToo) {
    // The first instance of this very file, as an application of its own.
    auto first = std::make_unique<TApplication>();
    first->SetTitle(title);
    first->Initialize();
    auto* firstChecker = new TCoolInstancesChecker(first.get());
    firstChecker->AfterLoad();
    ASSERT_GE(firstChecker->Atom(), 0xC000);

    Check(TInstanceAction::iaStartNew); // the second finds the first and runs on
    EXPECT_FALSE(TerminateRequested());
    EXPECT_EQ(checker->Atom(), -1);

    first.reset(); // the first ends and takes its atom along
    EXPECT_EQ(References(programPath), 0);
    auto third = std::make_unique<TApplication>();
    third->SetTitle(title);
    third->Initialize();
    auto* thirdChecker = new TCoolInstancesChecker(third.get());
    thirdChecker->InstanceAction = TInstanceAction::iaStartNew;
    thirdChecker->AfterLoad();
    EXPECT_GE(thirdChecker->Atom(), 0xC000) << "the third finds no atom and adds its own";
    EXPECT_EQ(References(programPath), 1);
    EXPECT_FALSE(TerminateRequested());
    third.reset();
    EXPECT_EQ(References(programPath), 0);
}

TEST_F(InstancesChecker, CloseAllClosesEveryPreviousInstanceInOrderAndEnds) {
    GlobalAddAtomA(programPath);
    HWND first = OtherInstance(programPath);
    HWND second = OtherInstance(programPath);
    Check(TInstanceAction::iaCloseAll);
    std::vector<HWND> closed;
    for (const auto& d : delivered())
        if (d.msg == WM_CLOSE)
            closed.push_back(d.hwnd);
    EXPECT_EQ(closed, (std::vector<HWND>{second, first})) << "in enumeration order";
    EXPECT_TRUE(TerminateRequested());
}

TEST_F(InstancesChecker, APathTheAtomTableRefusesAddsNoAtomYetTheMutexStillCounts) {
    const std::string deep = "C:\\" + std::string(300, 'd') + "\\Stashwell.exe";
    sim::SetModulePath(1, deep);
    Check();
    EXPECT_EQ(checker->Atom(), 0);
    EXPECT_TRUE(sim::GlobalAtoms().empty());
    OtherInstance(deep);

    // While the first instance holds the file's mutex, a later start looks
    // for its window although there is no atom to find.
    auto* later = new TCoolInstancesChecker(&App());
    later->AfterLoad();
    EXPECT_TRUE(TerminateRequested());
    Free(later);

    Free(checker); // the delete of atom 0 has no effect
    checker = nullptr;
    auto fresh = std::make_unique<TApplication>();
    fresh->SetTitle(title);
    fresh->Initialize();
    (new TCoolInstancesChecker(fresh.get()))->AfterLoad();
    fresh->ProcessMessages();
    EXPECT_FALSE(fresh->Terminated()) << "without atom and mutex nothing is looked for";
}

// Two starts at the same moment can both miss the atom. The named mutex of
// the program file says that another start is under way; the later one waits
// for its window.
TEST_F(InstancesChecker, AStartUnderWayIsWaitedForUntilItsWindowAppears) {
    // The other start has made its mutex but not yet its atom.
    const int otherTask = sim::CreateTask(programPath);
    HANDLE othersMutex;
    {
        sim::TaskScope as(otherTask);
        othersMutex =
            CreateMutexA(nullptr, FALSE, TCoolInstancesChecker::MutexName(programPath).c_str());
    }
    std::atomic<bool> done{false};
    std::atomic<DWORD> windowAt{0};
    std::atomic<HWND> othersMain{nullptr};
    const DWORD start = sim::Now();
    std::thread other([&] {
        sim::TaskScope as(otherTask);
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.lpszClassName = "TApplication";
        RegisterClassA(&cls);
        HWND application = nullptr;
        while (!done) {
            sim::AdvanceClock(100);
            if (!application && sim::Now() - start >= 1500) {
                application = CreateWindowExA(0, "TApplication", title, WS_POPUP, 0, 0, 0, 0,
                                              nullptr, nullptr, nullptr, nullptr);
                othersMain = application;
                windowAt = sim::Now();
            }
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        DestroyWindow(application);
    });
    Check();
    const DWORD finished = sim::Now();
    done = true;
    other.join();
    EXPECT_NE(windowAt.load(), 0u);
    EXPECT_GE(finished, windowAt.load()) << "the start waited for the window";
    EXPECT_LT(finished - start, 5000u + 1000u);
    EXPECT_TRUE(TerminateRequested()) << "and then handed over to that instance";
    {
        sim::TaskScope as(otherTask);
        CloseHandle(othersMutex);
    }
}

TEST_F(InstancesChecker, AStartUnderWayWithoutAWindowIsWaitedForFiveSecondsOnly) {
    const int otherTask = sim::CreateTask(programPath);
    HANDLE othersMutex;
    {
        sim::TaskScope as(otherTask);
        othersMutex =
            CreateMutexA(nullptr, FALSE, TCoolInstancesChecker::MutexName(programPath).c_str());
    }
    DWORD before = 0;
    DWORD after = 0;
    WhileTimePasses([&] {
        before = GetTickCount();
        Check();
        after = GetTickCount();
    });
    EXPECT_GE(after - before, TCoolInstancesChecker::StartingWindowWait);
    EXPECT_FALSE(TerminateRequested()) << "no instance answered: this one runs";
    EXPECT_GE(checker->Atom(), 0xC000);
    sim::TaskScope as(otherTask);
    CloseHandle(othersMutex);
}

TEST_F(InstancesChecker, TheMutexIsHeldForTheInstancesLifeAndMatchesAnyLetterCase) {
    Check();
    auto mutexes = sim::NamedMutexes();
    ASSERT_EQ(mutexes.size(), 1u);
    EXPECT_EQ(mutexes[0].name, "Stashwell:C:/PROGRAM FILES/STASHWELL/STASHWELL.EXE");
    EXPECT_EQ(TCoolInstancesChecker::MutexName("c:\\program files\\stashwell\\stashwell.exe"),
              mutexes[0].name);
    Free(checker);
    checker = nullptr;
    EXPECT_TRUE(sim::NamedMutexes().empty());
}

TEST_F(InstancesChecker, AMutexNameStaysShorterThanMaxPath) {
    const std::string deep = "C:\\" + std::string(255, 'd') + "\\Stashwell.exe";
    std::string name = TCoolInstancesChecker::MutexName(deep);
    EXPECT_LT(name.size(), static_cast<std::size_t>(MAX_PATH));
    EXPECT_EQ(name.rfind("Stashwell:", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 14), "/STASHWELL.EXE");
}

// A previous instance that no longer answers its messages.
TEST_F(InstancesChecker, APreviousInstanceThatDoesNotAnswerHoldsTheStartFiveSecondsAtMost) {
    GlobalAddAtomA(programPath);
    std::promise<HWND> made;
    std::promise<void> release;
    const int otherTask = sim::CreateTask(programPath);
    std::thread hung([&] {
        sim::TaskScope as(otherTask);
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.lpszClassName = "TApplication";
        RegisterClassA(&cls);
        HWND application = CreateWindowExA(0, "TApplication", title, WS_POPUP, 0, 0, 0, 0, nullptr,
                                           nullptr, nullptr, nullptr);
        made.set_value(application);
        release.get_future().wait(); // busy with something else for good
        DestroyWindow(application);
    });
    made.get_future().wait();
    DWORD before = 0;
    DWORD after = 0;
    WhileTimePasses([&] {
        before = GetTickCount();
        Check();
        after = GetTickCount();
    });
    release.set_value();
    hung.join();
    EXPECT_LE(after - before, TCoolInstancesChecker::AnswerTimeout + 200);
    EXPECT_TRUE(TerminateRequested()) << "it ends as after a send that was answered";
}

} // namespace
