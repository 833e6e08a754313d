// Two instances of the program in one process, as the simulator runs them:
// what one decides and numbers is its own. The second is a copy of the
// program under another path, which runs beside the first.
#include "settings_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tk;

namespace {

class TwoInstances : public testing_support::ProgramTest {
protected:
    void TearDown() override {
        StopOther();
        ProgramTest::TearDown();
    }
    TMainForm* StartOther() {
        std::filesystem::create_directories(Path("copy"));
        otherTask = sim::CreateTask(Path("copy/Stashwell.exe"));
        sim::TaskScope as(otherTask);
        other = std::make_unique<TApplication>();
        otherMain = StartProgram(*other);
        other->ProcessMessages();
        EXPECT_FALSE(other->Terminated()) << "the copy runs beside the first";
        return otherMain;
    }
    void StopOther() {
        sim::TaskScope as(otherTask);
        other.reset();
        otherMain = nullptr;
    }

    int otherTask = 1;
    std::unique_ptr<TApplication> other;
    TMainForm* otherMain = nullptr;
};

} // namespace

TEST_F(TwoInstances, EachDecidesOnSimpleMapiAtItsOwnFirstSend) {
    sim::SetMailInstalled(true);
    Start();
    main->FileSend1Execute(nullptr);
    EXPECT_EQ(sim::MailsSent().size(), 1u);
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 1);

    sim::SetMailInstalled(false);
    StartOther();
    {
        sim::TaskScope as(otherTask);
        otherMain->FileSend1Execute(nullptr); // decided now: missing
    }
    EXPECT_EQ(Boxes("Error sending mail").size(), 1u);
    main->FileSend1Execute(nullptr); // the first keeps what it decided
    EXPECT_EQ(sim::MailsSent().size(), 2u);

    Stop(); // the library goes with the instance that loaded it
    EXPECT_EQ(sim::ModuleReferences("MAPI32.DLL"), 0);
}

TEST_F(TwoInstances, EachNumbersItsOwnMenuCommands) {
    Start();
    StartOther();
    TMenuItem* first = main->MainMenu1->Items()->Items()[0]->Items()[0];
    TMenuItem* otherFirst = otherMain->MainMenu1->Items()->Items()[0]->Items()[0];
    EXPECT_EQ(first->Command(), otherFirst->Command())
        << "both programs build the same menu with the same numbers";
    EXPECT_EQ(main->MainMenu1->FindItem(first->Command()), first);
    EXPECT_EQ(otherMain->MainMenu1->FindItem(otherFirst->Command()), otherFirst);
}
