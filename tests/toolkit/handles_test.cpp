// The handle owners: each gives back what it took on every way out of its
// scope, an exception included, and only what it took.
#include "support/sim_fixture.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tk;

namespace {

class Handles : public testing_support::AppTest {};

HGLOBAL Block(std::size_t size) {
    return GlobalAlloc(GMEM_MOVEABLE, size);
}

} // namespace

TEST_F(Handles, AGlobalBlockIsFreedUnlessAnotherOwnerTookIt) {
    const std::size_t before = sim::LiveMemoryBlocks();
    try {
        TGlobalBlock block(Block(16));
        ASSERT_TRUE(block);
        EXPECT_EQ(sim::LiveMemoryBlocks(), before + 1);
        throw std::runtime_error("leaving early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(sim::LiveMemoryBlocks(), before);

    HGLOBAL kept;
    {
        TGlobalBlock block(Block(16));
        kept = block.Detach();
        EXPECT_FALSE(block);
    }
    EXPECT_EQ(sim::LiveMemoryBlocks(), before + 1) << "a detached block stays";
    { TGlobalBlock adopted(kept); }
    EXPECT_EQ(sim::LiveMemoryBlocks(), before);
}

TEST_F(Handles, MovingOrResettingAnOwnerLetsGoOfEachHandleOnce) {
    const std::size_t before = sim::LiveMemoryBlocks();
    {
        TGlobalBlock first(Block(8));
        TGlobalBlock second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_TRUE(second);
        second.Reset(Block(8)); // the first block goes now
        EXPECT_EQ(sim::LiveMemoryBlocks(), before + 1);
        TGlobalBlock third(Block(8));
        third = std::move(second); // third's own block goes, second's moves in
        EXPECT_EQ(sim::LiveMemoryBlocks(), before + 1);
    }
    EXPECT_EQ(sim::LiveMemoryBlocks(), before);
    EXPECT_TRUE(sim::Violations().empty());
}

TEST_F(Handles, ALockedBlockIsUnlockedOnEveryPath) {
    TGlobalBlock block(Block(4));
    try {
        TGlobalLock<char> bytes(block.Get());
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes.Size(), 4u);
        EXPECT_EQ(sim::LockCount(block.Get()), 1);
        throw std::runtime_error("leaving early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(sim::LockCount(block.Get()), 0);

    TGlobalLock<const char> none(nullptr);
    EXPECT_FALSE(none) << "no block, nothing locked";
}

TEST_F(Handles, AClipboardSessionClosesOnlyWhatItOpened) {
    {
        TClipboardSession session(App().Handle());
        EXPECT_TRUE(session.Opened());
        EXPECT_EQ(sim::ClipboardOpenTask(), sim::CurrentTask());
    }
    EXPECT_EQ(sim::ClipboardOpenTask(), 0);

    sim::HoldClipboardOpen(); // another program has it
    const int other = sim::ClipboardOpenTask();
    {
        TClipboardSession session(App().Handle());
        EXPECT_FALSE(session.Opened());
    }
    EXPECT_EQ(sim::ClipboardOpenTask(), other) << "the other program still holds it";
    sim::ReleaseClipboard();
}

TEST_F(Handles, ARegistryKeyIsClosedWhenItsOwnerGoes) {
    const std::size_t before = sim::OpenRegistryKeys();
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\HandlesTest", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        TRegKey owner(key);
        EXPECT_EQ(sim::OpenRegistryKeys(), before + 1);
    }
    EXPECT_EQ(sim::OpenRegistryKeys(), before);
}

TEST_F(Handles, ContextsAndSelectionsAreGivenBack) {
    const std::size_t contexts = sim::OpenDeviceContexts();
    const std::size_t objects = sim::LiveGdiObjects();
    {
        TWindowDC screen(nullptr);
        TMemoryDC memory(CreateCompatibleDC(screen.Get()));
        TGdiObject<HBRUSH> red(CreateSolidBrush(RGB(255, 0, 0)));
        TGdiObject<HBRUSH> blue(CreateSolidBrush(RGB(0, 0, 255)));
        EXPECT_EQ(sim::OpenDeviceContexts(), contexts + 2);
        EXPECT_EQ(sim::LiveGdiObjects(), objects + 2);
        HGDIOBJ original = GetCurrentObject(memory.Get(), OBJ_BRUSH);
        {
            TSelectedObject selected(memory.Get(), red.Get());
            EXPECT_TRUE(selected.Selected());
            selected.Select(blue.Get());
            EXPECT_EQ(GetCurrentObject(memory.Get(), OBJ_BRUSH), blue.Get());
        }
        EXPECT_EQ(GetCurrentObject(memory.Get(), OBJ_BRUSH), original)
            << "what the context held first comes back, not the brush in between";
    }
    EXPECT_EQ(sim::OpenDeviceContexts(), contexts);
    EXPECT_EQ(sim::LiveGdiObjects(), objects);
}

namespace {

// A windowed control whose painting fails.
class FailingPaint : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int paints = 0;

protected:
    void Paint() override {
        ++paints;
        Canvas().Brush.SetColor(clRed);
        Canvas().FillRect(ClientRect());
        throw Exception("painting failed");
    }
};

} // namespace

TEST_F(Handles, APaintThatThrowsGivesItsContextBack) {
    std::vector<std::string> errors;
    App().OnException = [&](const std::exception& e) {
        errors.push_back(e.what());
    };
    auto* form = App().CreateForm<TForm>();
    form->SetBounds(0, 0, 200, 120);
    auto* control = new FailingPaint(form);
    control->SetBounds(10, 10, 50, 50);
    control->SetParent(form);
    form->Show();
    App().ProcessMessages();
    sim::WindowPixels(control->Handle()); // the first paint makes the canvas's brush
    errors.clear();
    control->paints = 0;

    const std::size_t contexts = sim::OpenDeviceContexts();
    const std::size_t objects = sim::LiveGdiObjects();
    sim::WindowPixels(control->Handle());
    EXPECT_GE(control->paints, 1);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), "painting failed");
    EXPECT_EQ(sim::OpenDeviceContexts(), contexts) << "the paint context went back";
    EXPECT_EQ(sim::LiveGdiObjects(), objects);
}
