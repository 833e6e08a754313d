// The application's message boxes are modal to the program's forms: owned by
// the form in use and in front of it, every form disabled while the box is
// up and enabled again after, the form that was active told it lost the
// activation (a popup window of the program closes on that).
#include "support/sim_fixture.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class ModalBoxes : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        main = App().CreateForm<TForm>();
        main->SetCaption("main");
        dialog = App().CreateForm<TForm>();
        dialog->SetCaption("dialog");
        about = App().CreateForm<TForm>();
        about->SetCaption("about");
        for (TForm* form : {main, dialog, about})
            form->HandleNeeded();
    }

    // What the box saw of the program's windows while it was up.
    struct WhileUp {
        HWND box = nullptr;
        HWND owner = nullptr;
        HWND active = nullptr;
        bool mainEnabled = true;
        bool dialogEnabled = true;
        bool aboutEnabled = true;
    };
    WhileUp& Watch() {
        sim::SetMessageBoxHook([this](HWND box) {
            seen.box = box;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.active = GetActiveWindow();
            seen.mainEnabled = IsWindowEnabled(main->Handle());
            seen.dialogEnabled = IsWindowEnabled(dialog->Handle());
            seen.aboutEnabled = IsWindowEnabled(about->Handle());
        });
        return seen;
    }
    bool AllEnabled() {
        return IsWindowEnabled(main->Handle()) && IsWindowEnabled(dialog->Handle()) &&
               IsWindowEnabled(about->Handle());
    }

    TForm* main = nullptr;
    TForm* dialog = nullptr;
    TForm* about = nullptr;
    WhileUp seen;
};

TEST_F(ModalBoxes, TheErrorBoxDisablesEveryFormAndSitsInFrontOfTheMainForm) {
    main->Show();
    App().ProcessMessages();
    int deactivations = 0;
    main->OnDeactivate = [&](TComponent*) {
        ++deactivations;
    };
    Watch();

    App().ShowException(Exception("Cannot open file \"missing.cbd\". File not found"));

    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.owner, main->Handle());
    EXPECT_EQ(seen.active, seen.box);
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_FALSE(seen.dialogEnabled);
    EXPECT_FALSE(seen.aboutEnabled);
    EXPECT_EQ(deactivations, 1);
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, main->Handle());
    EXPECT_EQ(boxes[0].text, "Cannot open file \"missing.cbd\". File not found.");
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
    // Answered: everything usable again, and the main form active.
    EXPECT_TRUE(AllEnabled());
    EXPECT_EQ(GetActiveWindow(), main->Handle());
}

TEST_F(ModalBoxes, ABoxOverAModalFormBelongsToItAndLeavesTheOthersDisabled) {
    main->Show();
    App().ProcessMessages();
    Watch();
    bool mainEnabledAfterBox = true;
    bool dialogEnabledAfterBox = false;
    sim::WhenIdle([&] {
        App().ShowMessageBox("Replace it?", "Confirm", MB_YESNOCANCEL | MB_ICONQUESTION);
        mainEnabledAfterBox = IsWindowEnabled(main->Handle());
        dialogEnabledAfterBox = IsWindowEnabled(dialog->Handle());
        dialog->SetModalResult(mrCancel);
        PostMessageA(dialog->Handle(), WM_NULL, 0, 0); // the modal loop looks again
    });
    dialog->ShowModal();

    EXPECT_EQ(seen.owner, dialog->Handle());
    EXPECT_EQ(seen.active, seen.box);
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_FALSE(seen.dialogEnabled);
    EXPECT_FALSE(seen.aboutEnabled);
    // After the box the modal form is usable again, the main form not yet.
    EXPECT_FALSE(mainEnabledAfterBox);
    EXPECT_TRUE(dialogEnabledAfterBox);
    EXPECT_TRUE(AllEnabled());
}

TEST_F(ModalBoxes, WithNoFormShownTheBoxBelongsToTheApplicationWindow) {
    Watch();
    App().ShowMessageBox("Invalid data type for 'ProgHotKey'", "Stashwell", MB_OK | MB_ICONSTOP);
    EXPECT_EQ(seen.owner, App().Handle());
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_FALSE(seen.dialogEnabled);
    EXPECT_FALSE(seen.aboutEnabled);
    EXPECT_TRUE(AllEnabled());
}

TEST_F(ModalBoxes, AFormDisabledBeforeTheBoxStaysDisabled) {
    main->Show();
    App().ProcessMessages();
    EnableWindow(about->Handle(), FALSE);
    Watch();
    App().ShowMessageBox("text", "caption", MB_OK);
    EXPECT_FALSE(seen.aboutEnabled);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_TRUE(IsWindowEnabled(dialog->Handle()));
    EXPECT_FALSE(IsWindowEnabled(about->Handle()));
}

TEST_F(ModalBoxes, APopupWindowOfTheProgramOwnsNoBox) {
    main->Show();
    auto* popup = App().CreateForm<TForm>();
    popup->SetFormBorderStyle(TFormBorderStyle::bsNone);
    popup->Show();
    App().ProcessMessages();
    ASSERT_EQ(GetActiveWindow(), popup->Handle());
    bool popupDeactivated = false;
    popup->OnDeactivate = [&](TComponent*) {
        popupDeactivated = true;
    };
    Watch();
    App().ShowMessageBox("text", "caption", MB_OK);
    EXPECT_EQ(seen.owner, main->Handle());
    EXPECT_TRUE(popupDeactivated);
}

} // namespace
