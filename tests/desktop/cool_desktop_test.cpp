// Registration for start at logon and for ".cbd" files, as the registry
// holds it afterwards.
#include "desktop/CoolDesktop.h"
#include "support/sim_fixture.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

constexpr const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* exe = "C:\\Program Files\\Stash well\\Stashwell.exe";

class CoolDesktopRegistry : public testing_support::SimTest {
protected:
    void TearDown() override {
        sim::ClearRegistryRefusals();
        EXPECT_EQ(sim::OpenRegistryKeys(), 0u) << "a registry key was left open";
        SimTest::TearDown();
    }
    // A REG_SZ value's text; "<missing>" when there is none.
    static std::string Value(HKEY root, const std::string& key, const std::string& name) {
        sim::RegistryValue value;
        if (!sim::GetRegistryValue(root, key, name, value))
            return "<missing>";
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
        EXPECT_TRUE(!value.data.empty() && value.data.back() == '\0') << "stored with its NUL";
        return value.data.substr(0, value.data.size() - 1);
    }
    static std::string Error(const std::function<void()>& action) {
        try {
            action();
        } catch (const ERegistryException& error) {
            return error.what();
        }
        return "<none>";
    }

    TCoolDesktop desktop{nullptr};
};

TEST_F(CoolDesktopRegistry, AutoRunWritesTheQuotedPathOnceUnderTheName) {
    desktop.AddToAutoRun("Stashwell", "C:\\old\\Stashwell.exe", false);
    desktop.AddToAutoRun("Stashwell", exe, false);
    auto values = sim::RegistryValues(HKEY_LOCAL_MACHINE, runKey);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Stashwell");
    // Unquoted, a program "C:\Program.exe" would be started in its place.
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Stashwell"), std::string("\"") + exe + "\"");

    desktop.AddToAutoRun("Stashwell", exe, true);
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, std::string(runKey) + "Once", "Stashwell"),
              std::string("\"") + exe + "\"");
}

TEST_F(CoolDesktopRegistry, RemovingDeletesOnlyThatValueAndAMissingOneIsNoError) {
    EXPECT_EQ(Error([&] { desktop.RemoveFromAutoRun("Stashwell", false); }), "<none>");
    EXPECT_FALSE(sim::RegistryKeyExists(HKEY_LOCAL_MACHINE, runKey)) << "nothing is created";

    sim::SetRegistryString(HKEY_LOCAL_MACHINE, runKey, "Other", "other.exe");
    desktop.AddToAutoRun("Stashwell", exe, false);
    desktop.RemoveFromAutoRun("Stashwell", false);
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Stashwell"), "<missing>");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Other"), "other.exe");
    EXPECT_EQ(Error([&] { desktop.RemoveFromAutoRun("Stashwell", false); }), "<none>");
}

TEST_F(CoolDesktopRegistry, AssociationNamesTheTypeAndAQuotedOpenCommand) {
    sim::SetRegistryString(HKEY_CLASSES_ROOT, ".cbd", "", "somethingelse");
    desktop.AssociateFileType(".cbd", "Stashwell", exe);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".cbd", ""), "cbdfile");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "cbdfile", ""), "Stashwell");
    // Quoted, a file in a folder with a blank reaches the program as one argument.
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "cbdfile\\Shell\\Open\\Command", ""),
              std::string("\"") + exe + "\" \"%1\"");
}

TEST_F(CoolDesktopRegistry, APathInQuotationMarksIsNotQuotedTwice) {
    EXPECT_EQ(TCoolDesktop::Quoted("\"C:\\a b\\x.exe\""), "\"C:\\a b\\x.exe\"");
    EXPECT_EQ(TCoolDesktop::Quoted("C:\\x.exe"), "\"C:\\x.exe\"");
}

TEST_F(CoolDesktopRegistry, AKeyThatCannotBeCreatedIsAnErrorAndStopsTheAssociation) {
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, "", sim::RegRefuseCreate | sim::RegRefuseWriteAccess);
    EXPECT_EQ(Error([&] { desktop.AddToAutoRun("Stashwell", exe, false); }),
              std::string("Failed to create key ") + runKey);

    sim::RefuseRegistry(HKEY_CLASSES_ROOT, "cbdfile", sim::RegRefuseCreate);
    EXPECT_EQ(Error([&] { desktop.AssociateFileType(".cbd", "Stashwell", exe); }),
              "Failed to create key cbdfile");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".cbd", ""), "cbdfile") << "the step before it was done";
    EXPECT_FALSE(sim::RegistryKeyExists(HKEY_CLASSES_ROOT, "cbdfile\\Shell\\Open\\Command"))
        << "the steps after it are not";
}

TEST_F(CoolDesktopRegistry, AValueThatCannotBeWrittenIsAnError) {
    sim::SetRegistryString(HKEY_LOCAL_MACHINE, runKey, "Other", "other.exe");
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, runKey, sim::RegRefuseSetValue);
    EXPECT_EQ(Error([&] { desktop.AddToAutoRun("Stashwell", exe, false); }),
              "Failed to set data for 'Stashwell'");
    EXPECT_EQ(Error([&] { desktop.RemoveFromAutoRun("Other", false); }), "<none>")
        << "a refused delete is not reported";
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, runKey, "Other"), "other.exe");
}

} // namespace
