// Inputs that once broke the restore (found by fuzzing) go through the same
// path again: restore onto the simulated clipboard, then read everything back.
#include "clipboard/CoolClipboardComponent.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class FuzzInputs : public testing_support::AppTest {};

TEST_F(FuzzInputs, RestoreEndsCleanlyOnEveryKeptInput) {
    const char* data = std::getenv("STASHWELL_TEST_DATA");
    ASSERT_NE(data, nullptr);
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(data) + "/fuzz-cbd")) {
        SCOPED_TRACE(entry.path().string());
        TCoolClipboardComponent store(&App());
        try {
            store.LoadFromFile(entry.path().string());
        } catch (const tk::Exception&) {
        }
        sim::ReadClipboard();
        EXPECT_EQ(sim::ClipboardOpenTask(), 0);
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

} // namespace
