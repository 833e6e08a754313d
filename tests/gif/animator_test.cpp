// The GIF animator: its defaults, the frame delay rule, FrameIndex and the
// events, starting and stopping, stepping on the simulated clock, and its
// destruction while the timer thread sleeps or waits for the GUI thread.
#include "gif/animator_fixture.h"

#include <atomic>
#include <string>

using namespace animtest;
using namespace timertest;

namespace {

class Animator : public AnimatorTest {
protected:
    void SetUp() override {
        AnimatorTest::SetUp();
        animator->OnChange = [this](tk::TComponent* s) {
            log += s == animator ? "change " : "?";
        };
        animator->OnFrameChanged = [this](tk::TComponent* s) {
            EXPECT_EQ(GetCurrentThreadId(), gui);
            log += s == animator ? "frame" + std::to_string(animator->FrameIndex()) + " " : "?";
        };
        animator->OnStart = [this](tk::TComponent* s) {
            log += s == animator ? "start " : "?";
        };
        animator->OnStop = [this](tk::TComponent* s) {
            log += s == animator ? "stop " : "?";
        };
    }

    // Moves the clock by `ms` and lets the step that comes due run; the
    // timer thread sleeps again afterwards (or rests, when the step stopped
    // the animation).
    bool Step(DWORD ms, int expectedFrame) {
        sim::AdvanceClock(ms);
        const bool done = PumpUntil(App(), [&] {
            return animator->FrameIndex() == expectedFrame &&
                   ((sim::TimedWaits() == 1 && sim::Waits() == 1) ||
                    (!animator->JvxAnimate() && sim::Waits() <= 1 && sim::TimedWaits() == 0));
        });
        if (!done)
            ADD_FAILURE() << "at " << sim::Now() << " frame " << animator->FrameIndex()
                          << ", timed waits " << sim::TimedWaits() << ", waits " << sim::Waits();
        return done;
    }

    DWORD gui = GetCurrentThreadId();
    std::string log;
};

// Three frames of colours 1, 2, 3 shown for 100, 200 and 300 ms.
Bytes ThreeFrames() {
    return Solid(4, 2, {{1, 10}, {2, 20}, {3, 30}});
}

} // namespace

TEST_F(Animator, Defaults) {
    auto* plain = new TJvGIFAnimator(form);
    EXPECT_FALSE(plain->AsyncDrawing());
    EXPECT_FALSE(plain->JvxAnimate());
    EXPECT_TRUE(plain->AutoSize());
    EXPECT_FALSE(plain->Center());
    EXPECT_EQ(plain->FrameIndex(), 0);
    EXPECT_TRUE(plain->Image().Empty());
    EXPECT_TRUE(plain->Loop());
    EXPECT_FALSE(plain->Stretch());
    EXPECT_TRUE(plain->Transparent());
    EXPECT_EQ(plain->Width(), 105);
    EXPECT_EQ(plain->Height(), 105);
    EXPECT_TRUE(plain->ParentColor());
    plain->SetParent(form);
    EXPECT_EQ(plain->Color(), form->Color());
    // The timer: stopped, no thread running.
    EXPECT_TRUE(plain->Timer().SyncEvent());
    EXPECT_TRUE(plain->Timer().Thread().Suspended());
    plain->SetAsyncDrawing(true);
    EXPECT_FALSE(plain->Timer().SyncEvent());
    tk::Free(plain);
}

TEST_F(Animator, TheFrameDelayRule) {
    TJvGIFImage image;
    giftest::Load(image, Solid(2, 2, {{1, 0}}));
    EXPECT_EQ(GIFAnimationDelay(image, 0), 0); // a single frame shows still
    giftest::Load(image, Solid(2, 2, {{1, 0}, {2, 4}, {1, 200}, {2, 5000}, {3, 1001}}));
    EXPECT_EQ(GIFAnimationDelay(image, 0), 50);    // 0 is raised to 50 ms
    EXPECT_EQ(GIFAnimationDelay(image, 1), 50);    // 40 ms too
    EXPECT_EQ(GIFAnimationDelay(image, 2), 2000);  // two seconds
    EXPECT_EQ(GIFAnimationDelay(image, 3), 10000); // 50 s is cut to 10 s
    EXPECT_EQ(GIFAnimationDelay(image, 4), 10000);
    EXPECT_EQ(GIFAnimationDelay(image, -1), 0);
    EXPECT_EQ(GIFAnimationDelay(image, 5), 0);

    // The animator's timer follows it.
    Load(Solid(2, 2, {{1, 200}, {2, 5000}}));
    EXPECT_EQ(animator->Timer().Interval(), 2000u);
    animator->SetFrameIndex(1);
    EXPECT_EQ(animator->Timer().Interval(), 10000u);
    Load(Solid(2, 2, {{1, 200}}));
    EXPECT_EQ(animator->Timer().Interval(), 0u);
}

TEST_F(Animator, LoadingTakesTheImagesFrameAndRaisesOnChange) {
    Load(ThreeFrames());
    EXPECT_EQ(log, "change ");
    EXPECT_EQ(animator->FrameIndex(), 0);
    EXPECT_EQ(animator->Timer().Interval(), 100u);
    animator->SetFrameIndex(2);
    Load(Solid(4, 2, {{1, 30}, {2, 30}}));
    EXPECT_EQ(animator->FrameIndex(), 0);
    EXPECT_EQ(animator->Timer().Interval(), 300u);
    // An empty stream empties the image: no frame.
    Load({});
    EXPECT_TRUE(animator->Image().Empty());
    EXPECT_EQ(animator->FrameIndex(), -1);
    EXPECT_EQ(log, "change frame2 change change ");
}

TEST_F(Animator, FrameIndexShowsAnotherValidFrameAndIgnoresTheRest) {
    Load(ThreeFrames());
    ShowForm();
    log.clear();
    animator->SetFrameIndex(2);
    EXPECT_EQ(animator->FrameIndex(), 2);
    EXPECT_EQ(animator->Timer().Interval(), 300u);
    EXPECT_EQ(At(0, 0), Rgb(3));
    EXPECT_EQ(log, "frame2 ");
    // The same index again, or one out of range: nothing happens.
    animator->SetFrameIndex(2);
    animator->SetFrameIndex(3);
    animator->SetFrameIndex(-1);
    EXPECT_EQ(animator->FrameIndex(), 2);
    EXPECT_EQ(animator->Timer().Interval(), 300u);
    EXPECT_EQ(log, "frame2 ");
    animator->SetFrameIndex(1);
    EXPECT_EQ(At(3, 1), Rgb(2));
    EXPECT_EQ(animator->Timer().Interval(), 200u);
    EXPECT_EQ(log, "frame2 frame1 ");
}

TEST_F(Animator, StartAndStopWithTheirEvents) {
    Load(ThreeFrames());
    log.clear();
    animator->SetJvxAnimate(true);
    EXPECT_TRUE(animator->JvxAnimate());
    EXPECT_TRUE(animator->Timer().Enabled());
    EXPECT_TRUE(animator->Timer().OnTimer());
    animator->SetJvxAnimate(true); // no second start
    EXPECT_EQ(log, "start ");
    ASSERT_TRUE(Sleeping(1));
    animator->SetJvxAnimate(false);
    EXPECT_FALSE(animator->JvxAnimate());
    EXPECT_FALSE(animator->Timer().Enabled());
    EXPECT_FALSE(animator->Timer().OnTimer());
    animator->SetJvxAnimate(false);
    EXPECT_EQ(log, "start stop ");
    // Stopped, the frames stay where they are.
    sim::AdvanceClock(1000);
    ASSERT_TRUE(AtRest());
    App().ProcessMessages();
    EXPECT_EQ(animator->FrameIndex(), 0);
}

TEST_F(Animator, StopRepaintsTheControl) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetJvxAnimate(true);
    // Painted without the animator's knowledge: only a repaint brings the
    // frame back.
    HDC dc = GetDC(form->Handle());
    RECT all{0, 0, 640, 240};
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(form->Handle(), dc);
    animator->SetJvxAnimate(false);
    // Read the surface as it stands, without letting the window paint again.
    HDC window = GetDC(form->Handle());
    const COLORREF shown = GetPixel(window, animator->Left() + 1, animator->Top() + 1);
    ReleaseDC(form->Handle(), window);
    EXPECT_EQ(shown, Builder::Color(1));
}

TEST_F(Animator, StepsFramesOnTheClockAndLoops) {
    Load(ThreeFrames());
    ShowForm();
    log.clear();
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(99);
    ASSERT_TRUE(Sleeping(1));
    App().ProcessMessages();
    EXPECT_EQ(animator->FrameIndex(), 0);
    ASSERT_TRUE(Step(1, 1));
    EXPECT_EQ(At(0, 0), Rgb(2));
    ASSERT_TRUE(Step(200, 2));
    EXPECT_EQ(At(0, 0), Rgb(3));
    ASSERT_TRUE(Step(300, 0));
    EXPECT_EQ(At(0, 0), Rgb(1));
    ASSERT_TRUE(Step(100, 1));
    EXPECT_EQ(log, "start frame1 frame2 frame0 frame1 ");
    EXPECT_EQ(sim::Now(), 700u);
}

TEST_F(Animator, WithoutLoopTheAnimationStopsWhenItWrapsToTheFirstFrame) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetLoop(false);
    log.clear();
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    ASSERT_TRUE(Step(100, 1));
    ASSERT_TRUE(Step(200, 2));
    ASSERT_TRUE(Step(300, 0));
    EXPECT_FALSE(animator->JvxAnimate());
    EXPECT_EQ(log, "start frame1 frame2 frame0 stop ");
    sim::AdvanceClock(5000);
    ASSERT_TRUE(AtRest());
    App().ProcessMessages();
    EXPECT_EQ(animator->FrameIndex(), 0);
    EXPECT_EQ(At(0, 0), Rgb(1));
}

TEST_F(Animator, WithLoopTheImagesRepeatCountIsNotConsulted) {
    Builder gif(2, 2);
    gif.Loop(3);
    for (int i : {1, 2}) {
        gif.Control(0);
        gif.Pixels(0, 0, 2, 2, Bytes(4, static_cast<std::uint8_t>(i)));
    }
    Load(gif.Done());
    ASSERT_TRUE(animator->Image().Looping());
    ASSERT_EQ(animator->Image().RepeatCount(), 3);
    ShowForm();
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    // Two steps per repetition, 50 ms each (a delay of 0 counts as 50).
    for (int step = 1; step <= 10; ++step)
        ASSERT_TRUE(Step(50, step % 2)) << "step " << step;
    EXPECT_TRUE(animator->JvxAnimate());
}

TEST_F(Animator, StartedBeforeTheLoadItKeepsItsIntervalForTheSleepThatRuns) {
    ShowForm();
    animator->SetJvxAnimate(true);
    EXPECT_TRUE(animator->JvxAnimate());
    ASSERT_TRUE(Sleeping(1));
    // Steps do nothing while there are fewer than two frames.
    ASSERT_TRUE(Step(1000, 0));
    Load(ThreeFrames());
    EXPECT_EQ(animator->Timer().Interval(), 100u);
    ASSERT_TRUE(Sleeping(1));
    // The sleep that began before the load runs its full second.
    sim::AdvanceClock(999);
    ASSERT_TRUE(Sleeping(1));
    App().ProcessMessages();
    EXPECT_EQ(animator->FrameIndex(), 0);
    ASSERT_TRUE(Step(1, 1));
    ASSERT_TRUE(Step(200, 2));
}

TEST_F(Animator, ASingleFrameShowsStillWithTheThreadSuspended) {
    Load(Solid(4, 2, {{2, 10}}));
    ShowForm();
    animator->SetJvxAnimate(true);
    EXPECT_TRUE(animator->JvxAnimate());
    EXPECT_EQ(animator->Timer().Interval(), 0u);
    EXPECT_TRUE(animator->Timer().Thread().Suspended());
    sim::AdvanceClock(60000);
    App().ProcessMessages();
    EXPECT_EQ(sim::TimedWaits(), 0);
    EXPECT_EQ(animator->FrameIndex(), 0);
    EXPECT_EQ(At(0, 0), Rgb(2));
}

TEST_F(Animator, AHiddenControlDoesNotStep) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetJvxAnimate(true);
    animator->SetVisible(false);
    ASSERT_TRUE(Sleeping(1));
    ASSERT_TRUE(Step(100, 0));
    ASSERT_TRUE(Step(100, 0));
    animator->SetVisible(true);
    ASSERT_TRUE(Step(100, 1));
}

TEST_F(Animator, AsyncDrawingStepsOnTheTimerThread) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetAsyncDrawing(true);
    animator->OnFrameChanged = nullptr;
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    // No message is handled, and yet the frame moves and is painted.
    sim::AdvanceClock(100);
    ASSERT_TRUE(SpinUntil([&] { return animator->FrameIndex() == 1; }));
    ASSERT_TRUE(Sleeping(1));
    {
        HDC window = GetDC(form->Handle());
        EXPECT_EQ(GetPixel(window, animator->Left(), animator->Top()), Builder::Color(2));
        ReleaseDC(form->Handle(), window);
    }
    // OnFrameChanged is still raised on the GUI thread.
    std::atomic<DWORD> raisedOn{0};
    animator->OnFrameChanged = [&](tk::TComponent*) {
        raisedOn = GetCurrentThreadId();
    };
    sim::AdvanceClock(200);
    ASSERT_TRUE(PumpUntil(App(), [&] { return raisedOn.load() != 0; }));
    EXPECT_EQ(raisedOn.load(), gui);
    ASSERT_TRUE(Sleeping(1));
    EXPECT_EQ(animator->FrameIndex(), 2);
}

TEST_F(Animator, DestroyedWhileTheTimerThreadSleeps) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    log.clear();
    tk::Free(animator);
    EXPECT_EQ(sim::Waits(), 0);
    EXPECT_EQ(log, ""); // events are cleared first: no OnStop
    sim::AdvanceClock(1000);
    App().ProcessMessages();
}

TEST_F(Animator, DestroyedWhileAStepWaitsForTheGuiThread) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(100);
    // The step has been handed over and waits in the GUI thread's queue.
    ASSERT_TRUE(AtRest());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    log.clear();
    tk::Free(animator);
    EXPECT_EQ(sim::Waits(), 0);
    App().ProcessMessages();
    EXPECT_EQ(log, "");
}

TEST_F(Animator, DestroyedFromItsOwnFrameChange) {
    Load(ThreeFrames());
    ShowForm();
    animator->OnFrameChanged = [this](tk::TComponent*) {
        // The handler ends the animator's life; the step in progress finds
        // nothing of it afterwards.
        log += "freed ";
        auto* dying = animator;
        animator = nullptr;
        tk::Free(dying);
    };
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(100);
    ASSERT_TRUE(PumpUntil(App(), [&] { return animator == nullptr; }));
    EXPECT_EQ(sim::Waits(), 0);
}

TEST_F(Animator, DestroyedWhileAnAsyncStepWaitsForItsFrameChange) {
    Load(ThreeFrames());
    ShowForm();
    animator->SetAsyncDrawing(true);
    animator->SetJvxAnimate(true);
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(100);
    // The step runs on the timer thread and waits for OnFrameChanged on the
    // GUI thread; the animator goes instead. The step then finishes (paints,
    // sets the interval) while the animator waits for its thread.
    ASSERT_TRUE(AtRest());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    tk::Free(animator);
    EXPECT_EQ(sim::Waits(), 0);
    App().ProcessMessages();
}
