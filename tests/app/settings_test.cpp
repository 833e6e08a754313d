// The nine settings in the registry: what a start reads, what a normal
// shutdown writes, and what a value of the wrong type does to the start.
#include "app/Settings.h"
#include "settings_fixture.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class Settings : public testing_support::ProgramTest {};

const std::vector<std::string> nineNames = {"ProgPlaceToLive", "ProgLoadOnStart", "ProgHotKey",
                                            "CbdLoadOnStart",  "CbdSaveOnExit",   "CbdSaveOnReboot",
                                            "CbdSaveOnTime",   "CbdSaveInterval", "CbdFileName"};

TEST_F(Settings, FirstStartRunsWithTheDefaultsAndShutdownWritesThemAll) {
    Start();
    const TSettings& s = *main->Settings();
    EXPECT_EQ(s.ProgPlaceToLive, 0);
    EXPECT_TRUE(s.ProgLoadOnStart);
    EXPECT_EQ(s.ProgHotKey, "Alt+Ctrl+C");
    EXPECT_TRUE(s.CbdLoadOnStart);
    EXPECT_TRUE(s.CbdSaveOnExit);
    EXPECT_TRUE(s.CbdSaveOnReboot);
    EXPECT_TRUE(s.CbdSaveOnTime);
    EXPECT_EQ(s.CbdSaveInterval, 60);
    EXPECT_EQ(s.CbdFileName, "Stashwell.cbd"); // the executable's name
    // The key exists from the start; the section only after the shutdown.
    EXPECT_TRUE(sim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Stashwell"));
    EXPECT_FALSE(sim::RegistryKeyExists(HKEY_CURRENT_USER, optionsKey));

    Stop();
    EXPECT_EQ(StoredNames(), nineNames);
    EXPECT_EQ(Stored("ProgPlaceToLive"), "0");
    EXPECT_EQ(Stored("ProgLoadOnStart"), "1");
    EXPECT_EQ(Stored("ProgHotKey"), "Alt+Ctrl+C"); // rewritten only by Preferences
    EXPECT_EQ(Stored("CbdLoadOnStart"), "1");
    EXPECT_EQ(Stored("CbdSaveOnExit"), "1");
    EXPECT_EQ(Stored("CbdSaveOnReboot"), "1");
    EXPECT_EQ(Stored("CbdSaveOnTime"), "1");
    EXPECT_EQ(Stored("CbdSaveInterval"), "60");
    EXPECT_EQ(Stored("CbdFileName"), "Stashwell.cbd");
}

TEST_F(Settings, DefaultFileNameFollowsTheRunningExecutable) {
    sim::SetModulePath(1, Path("Other Name.exe"));
    EXPECT_EQ(DefaultSettings().CbdFileName, "Other Name.cbd");
}

TEST_F(Settings, StoredValuesAreTakenAndWrittenBackUnchanged) {
    Store("ProgPlaceToLive", "2");
    Store("ProgLoadOnStart", "0");
    Store("ProgHotKey", "Shift+Ctrl+F12");
    Store("CbdLoadOnStart", "0");
    Store("CbdSaveOnExit", "0");
    Store("CbdSaveOnReboot", "0");
    Store("CbdSaveOnTime", "0");
    Store("CbdSaveInterval", "3600");
    Store("CbdFileName", "keep.cbd");
    Start();
    const TSettings& s = *main->Settings();
    EXPECT_EQ(s.ProgPlaceToLive, 2);
    EXPECT_FALSE(s.ProgLoadOnStart);
    EXPECT_EQ(s.ProgHotKey, "Shift+Ctrl+F12");
    EXPECT_FALSE(s.CbdLoadOnStart);
    EXPECT_FALSE(s.CbdSaveOnExit);
    EXPECT_FALSE(s.CbdSaveOnReboot);
    EXPECT_FALSE(s.CbdSaveOnTime);
    EXPECT_EQ(s.CbdSaveInterval, 3600);
    EXPECT_EQ(s.CbdFileName, "keep.cbd");
    ASSERT_EQ(sim::HotKeys().size(), 1u);
    EXPECT_EQ(sim::HotKeys()[0].modifiers, static_cast<UINT>(MOD_SHIFT | MOD_CONTROL));
    EXPECT_EQ(sim::HotKeys()[0].key, static_cast<UINT>(VK_F1 + 11));
    Stop();
    EXPECT_EQ(Stored("ProgPlaceToLive"), "2");
    EXPECT_EQ(Stored("ProgHotKey"), "Shift+Ctrl+F12");
    EXPECT_EQ(Stored("CbdSaveOnTime"), "0");
    EXPECT_EQ(Stored("CbdSaveInterval"), "3600");
    EXPECT_EQ(Stored("CbdFileName"), "keep.cbd");
    EXPECT_FALSE(FileExists(Path("keep.cbd"))); // no save at exit
}

TEST_F(Settings, AStoredModeOfSevenIsUsedAsSevenAndOnlyItsLowBitsCount) {
    Store("ProgPlaceToLive", "7");
    Start();
    EXPECT_EQ(main->Settings()->ProgPlaceToLive, 7);
    // No placement change: the window shows, without a tray icon.
    EXPECT_TRUE(application->ShowMainWindowOnRun);
    EXPECT_FALSE(main->CoolTrayIcon->Active());
    Stop();
    EXPECT_EQ(Stored("ProgPlaceToLive"), "7");

    Store("ProgPlaceToLive", "259"); // 0x103
    Start();
    EXPECT_EQ(main->Settings()->ProgPlaceToLive, 3);
}

TEST_F(Settings, BooleansAreNumbersAndAnyNumberButZeroIsTrue) {
    Store("CbdSaveOnTime", "2");
    Store("CbdSaveOnReboot", "-1");
    Store("ProgLoadOnStart", "0");
    Start();
    EXPECT_TRUE(main->Settings()->CbdSaveOnTime);
    EXPECT_TRUE(main->Settings()->CbdSaveOnReboot);
    EXPECT_FALSE(main->Settings()->ProgLoadOnStart);
    Stop();
    EXPECT_EQ(Stored("CbdSaveOnTime"), "1");
    EXPECT_EQ(Stored("CbdSaveOnReboot"), "1");
}

TEST_F(Settings, TextsThatAreNoNumbersReadAsTheDefault) {
    Store("ProgPlaceToLive", "tray");
    Store("ProgLoadOnStart", "");
    Store("CbdSaveOnExit", "no");
    Store("CbdSaveInterval", "1e3");
    Start();
    EXPECT_EQ(main->Settings()->ProgPlaceToLive, 0);
    EXPECT_TRUE(main->Settings()->ProgLoadOnStart);
    EXPECT_TRUE(main->Settings()->CbdSaveOnExit);
    EXPECT_EQ(main->Settings()->CbdSaveInterval, 60);
    EXPECT_TRUE(sim::MessageBoxes().empty()); // not an error
}

TEST_F(Settings, AnEmptyStoredTextStaysEmpty) {
    Store("CbdFileName", "");
    Store("ProgHotKey", "");
    Start();
    EXPECT_EQ(main->Settings()->CbdFileName, "");
    EXPECT_EQ(main->Settings()->ProgHotKey, "");
    EXPECT_EQ(main->AutoSavePath(), Path("")); // the program's folder itself
    main->Settings()->CbdSaveOnExit = false;   // there is no file to save to
    Stop();
    EXPECT_EQ(Stored("CbdFileName"), "");
    EXPECT_EQ(Stored("ProgHotKey"), "");
}

TEST_F(Settings, ExpandStringsAreStringsToo) {
    sim::SetRegistryValue(HKEY_CURRENT_USER, optionsKey, "CbdFileName", REG_EXPAND_SZ,
                          std::string("%TEMP%.cbd\0", 11));
    sim::SetRegistryValue(HKEY_CURRENT_USER, optionsKey, "CbdSaveInterval", REG_EXPAND_SZ,
                          std::string("15\0", 3));
    Start();
    EXPECT_EQ(main->Settings()->CbdFileName, "%TEMP%.cbd"); // not expanded
    EXPECT_EQ(main->Settings()->CbdSaveInterval, 15);
    main->Settings()->CbdSaveOnExit = false;
    Stop();
    EXPECT_EQ(Stored("CbdSaveInterval"), "15"); // and written back as plain strings
}

TEST_F(Settings, AValueOfAnotherTypeStopsTheLoadAndTheRestOfTheStart) {
    Store("ProgPlaceToLive", "2");
    Store("ProgHotKey", "Ctrl+F9");
    sim::SetRegistryValue(HKEY_CURRENT_USER, optionsKey, "CbdSaveOnExit", REG_DWORD,
                          std::string("\0\0\0\0", 4));
    Store("CbdSaveInterval", "30");
    Store("CbdFileName", "later.cbd");
    WriteFile("given.cbd", testing_support::NumberRecord(CF_TEXT, std::string("given\0", 6)));
    Start("\"" + Path("given.cbd") + "\"");

    auto boxes = Boxes("Invalid data type for 'CbdSaveOnExit'");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
    EXPECT_EQ(boxes[0].type & 0xF0, static_cast<UINT>(MB_ICONSTOP));
    // Taken before the failure, the defaults after it.
    const TSettings& s = *main->Settings();
    EXPECT_EQ(s.ProgPlaceToLive, 2);
    EXPECT_EQ(s.ProgHotKey, "Ctrl+F9");
    EXPECT_TRUE(s.CbdSaveOnExit);
    EXPECT_EQ(s.CbdSaveInterval, 60);
    EXPECT_EQ(s.CbdFileName, "Stashwell.cbd");
    // The later start-up steps did not run: no caption, no file, no timer, no hot key.
    EXPECT_NE(main->Caption(), "Stashwell v. 2.0.1");
    EXPECT_EQ(main->CoolTrayIcon->ToolTip(), "");
    EXPECT_TRUE(sim::ReadClipboard().empty());
    EXPECT_TRUE(sim::HotKeys().empty());
    EXPECT_TRUE(sim::Timers().empty());
    sim::AdvanceClock(120000);
    application->ProcessMessages();
    EXPECT_FALSE(FileExists(Path("Stashwell.cbd"))); // nothing saves on a timer
    // The entry's later steps still ran: placement mode 2 shows the tray icon.
    EXPECT_TRUE(main->CoolTrayIcon->Active());

    Stop(); // the normal shutdown stores what the record holds, as strings
    EXPECT_EQ(Stored("CbdSaveOnExit"), "1");
    EXPECT_EQ(Stored("CbdSaveInterval"), "60");
    EXPECT_TRUE(FileExists(Path("Stashwell.cbd")));
}

TEST_F(Settings, StoringFailuresAreReportedByName) {
    Start();
    sim::RefuseRegistry(HKEY_CURRENT_USER, optionsKey, sim::RegRefuseCreate);
    Stop();
    EXPECT_EQ(Boxes("Failed to create key Options.").size(), 1u);
    EXPECT_FALSE(sim::RegistryKeyExists(HKEY_CURRENT_USER, optionsKey));

    sim::ClearRegistryRefusals();
    sim::ClearMessageBoxes();
    Start();
    sim::RefuseRegistry(HKEY_CURRENT_USER, optionsKey, sim::RegRefuseSetValue);
    Stop();
    EXPECT_EQ(Boxes("Failed to set data for 'ProgPlaceToLive'").size(), 1u);
    EXPECT_TRUE(StoredNames().empty()); // the first failure ends the storing
}

TEST_F(Settings, WithoutAccessToTheKeyTheProgramRunsOnItsDefaults) {
    sim::RefuseRegistry(HKEY_CURRENT_USER, "Software", sim::RegRefuseCreate);
    Start();
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(main->Settings()->CbdSaveInterval, 60);
    EXPECT_EQ(sim::HotKeys().size(), 1u);
    Stop();
    EXPECT_EQ(Boxes("Failed to create key Options.").size(), 1u);
    EXPECT_TRUE(sim::RegistrySubkeys(HKEY_CURRENT_USER, "").empty());
}

} // namespace
