// The registry wrapper over the simulated registry: keys, typed values, the
// section-and-value form, the failure messages, and handles closed on every path.
#include "support/sim_fixture.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class Registry : public testing_support::SimTest {
protected:
    void TearDown() override {
        EXPECT_EQ(sim::OpenRegistryKeys(), 0u) << "a registry key was left open";
        SimTest::TearDown();
    }
    static std::string Data(HKEY root, const std::string& key, const std::string& name,
                            DWORD* type = nullptr) {
        sim::RegistryValue value;
        if (!sim::GetRegistryValue(root, key, name, value))
            return "<missing>";
        if (type)
            *type = value.type;
        return value.data;
    }
    template <typename F> static std::string FailureOf(F&& f) {
        try {
            f();
        } catch (const ERegistryException& e) {
            return e.Message();
        }
        return "<no failure>";
    }
};

TEST_F(Registry, WritesStringsWithTheirTerminatorAndReadsThemBack) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("Software\\Acme\\Run", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Acme\\Run");
    reg.WriteString("Tool", "C:\\Program Files\\Tool.exe");
    reg.WriteString("", "default");
    DWORD type = 0;
    EXPECT_EQ(Data(HKEY_LOCAL_MACHINE, "software\\ACME\\run", "Tool", &type),
              std::string("C:\\Program Files\\Tool.exe\0", 26));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(reg.ReadString("tool"), "C:\\Program Files\\Tool.exe"); // names ignore case
    EXPECT_EQ(reg.ReadString(""), "default");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    reg.WriteString("Tool", "again"); // overwrites: one value of the name
    EXPECT_EQ(sim::RegistryValues(HKEY_LOCAL_MACHINE, "Software\\Acme\\Run").size(), 2u);
    EXPECT_TRUE(reg.DeleteValue("Tool"));
    EXPECT_FALSE(reg.DeleteValue("Tool"));
    EXPECT_FALSE(reg.ValueExists("Tool"));
}

TEST_F(Registry, StringsAreReadUpToTheirFirstNulAndExpandStringsAsTheyAre) {
    sim::SetRegistryValue(HKEY_CURRENT_USER, "K", "bare", REG_SZ, "no terminator");
    sim::SetRegistryValue(HKEY_CURRENT_USER, "K", "inner", REG_SZ, std::string("a\0b", 3));
    sim::SetRegistryValue(HKEY_CURRENT_USER, "K", "path", REG_EXPAND_SZ,
                          std::string("%WINDIR%\\x\0", 12));
    sim::SetRegistryValue(HKEY_CURRENT_USER, "K", "empty", REG_SZ, "");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", false));
    EXPECT_EQ(reg.ReadString("bare"), "no terminator");
    EXPECT_EQ(reg.ReadString("inner"), "a");
    EXPECT_EQ(reg.ReadString("path"), "%WINDIR%\\x");
    EXPECT_EQ(reg.GetDataType("path"), TRegDataType::rdExpandString);
    EXPECT_EQ(reg.ReadString("empty"), "");
    EXPECT_TRUE(reg.ValueExists("empty"));
}

TEST_F(Registry, ValuesOfTheWrongTypeAreInvalidDataTypes) {
    sim::SetRegistryValue(HKEY_CURRENT_USER, "K", "Count", REG_DWORD, std::string("\x05\0\0\0", 4));
    sim::SetRegistryValue(HKEY_CURRENT_USER, "K", "Blob", REG_BINARY, "xy");
    sim::SetRegistryString(HKEY_CURRENT_USER, "K", "Text", "12");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", false));
    EXPECT_EQ(reg.ReadInteger("Count"), 5);
    EXPECT_EQ(FailureOf([&] { reg.ReadString("Count"); }), "Invalid data type for 'Count'");
    EXPECT_EQ(FailureOf([&] { reg.ReadString("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(FailureOf([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(FailureOf([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
    reg.WriteInteger("Written", -2);
    EXPECT_EQ(Data(HKEY_CURRENT_USER, "K", "Written"), std::string("\xFE\xFF\xFF\xFF", 4));
}

TEST_F(Registry, RelativeAndAbsoluteKeyNames) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Acme", true));
    ASSERT_TRUE(reg.OpenKey("Sub", true)); // below the open key
    EXPECT_EQ(reg.CurrentPath(), "Software\\Acme\\Sub");
    EXPECT_TRUE(sim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Acme\\Sub"));
    ASSERT_TRUE(reg.OpenKey("\\Other", true)); // from the root
    EXPECT_EQ(reg.CurrentPath(), "Other");
    EXPECT_TRUE(sim::RegistryKeyExists(HKEY_CURRENT_USER, "Other"));
    EXPECT_FALSE(reg.OpenKey("\\Nowhere", false));
    EXPECT_EQ(reg.CurrentPath(), "Other"); // a failed open keeps the key
    EXPECT_TRUE(reg.KeyExists("\\Software\\Acme"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Nothing"));
    EXPECT_EQ(sim::OpenRegistryKeys(), 1u);
    reg.CloseKey();
    EXPECT_EQ(sim::OpenRegistryKeys(), 0u);
}

TEST_F(Registry, DeleteKeyTakesEverythingBelowIt) {
    sim::SetRegistryString(HKEY_CLASSES_ROOT, "cbdfile\\Shell\\Open\\Command", "", "x %1");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, "cbdfile", "", "Stashwell");
    TRegistry reg;
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    EXPECT_TRUE(reg.DeleteKey("cbdfile"));
    EXPECT_FALSE(sim::RegistryKeyExists(HKEY_CLASSES_ROOT, "cbdfile"));
    EXPECT_FALSE(reg.DeleteKey("cbdfile"));
}

TEST_F(Registry, RefusalsBecomeTheFrameworkMessages) {
    sim::RefuseRegistry(HKEY_LOCAL_MACHINE, "", sim::RegRefuseCreate | sim::RegRefuseWriteAccess);
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(FailureOf([&] { reg.CreateKey("Software\\Acme"); }),
              "Failed to create key Software\\Acme");
    EXPECT_FALSE(reg.OpenKey("Software\\Acme", true));
    EXPECT_TRUE(reg.OpenKeyReadOnly("")); // reading stays allowed
    EXPECT_EQ(FailureOf([&] { reg.WriteString("Name", "x"); }), "Failed to set data for 'Name'");

    sim::RefuseRegistry(HKEY_CURRENT_USER, "Locked", sim::RegRefuseSetValue);
    TRegistry user;
    ASSERT_TRUE(user.OpenKey("Locked\\Below", true));
    EXPECT_EQ(FailureOf([&] { user.WriteString("", "x"); }), "Failed to set data for ''");
    EXPECT_EQ(FailureOf([&] { user.WriteInteger("N", 1); }), "Failed to set data for 'N'");
}

TEST_F(Registry, AHandleOpenedForReadingCannotWrite) {
    sim::SetRegistryString(HKEY_CURRENT_USER, "K", "A", "1");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("K"));
    EXPECT_EQ(reg.ReadString("A"), "1");
    EXPECT_EQ(FailureOf([&] { reg.WriteString("A", "2"); }), "Failed to set data for 'A'");
    EXPECT_EQ(Data(HKEY_CURRENT_USER, "K", "A"), std::string("1\0", 2));
}

TEST_F(Registry, IniFileCreatesItsKeyAtOnceAndSectionsOnlyWhenWritten) {
    {
        TRegIniFile ini("Software\\Stashwell");
        EXPECT_TRUE(sim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Stashwell"));
        EXPECT_FALSE(sim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Stashwell\\Options"));
        EXPECT_EQ(ini.ReadString("Options", "Name", "fallback"), "fallback");
        EXPECT_EQ(ini.ReadInteger("Options", "Count", 60), 60);
        EXPECT_TRUE(ini.ReadBool("Options", "Flag", true));
        EXPECT_FALSE(sim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Stashwell\\Options"));
        ini.WriteInteger("Options", "Count", 42);
        ini.WriteBool("Options", "Flag", false);
        ini.WriteString("Options", "Name", "");
    }
    const std::string key = "Software\\Stashwell\\Options";
    DWORD type = 0;
    EXPECT_EQ(Data(HKEY_CURRENT_USER, key, "Count", &type), std::string("42\0", 3));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Data(HKEY_CURRENT_USER, key, "Flag", &type), std::string("0\0", 2));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Data(HKEY_CURRENT_USER, key, "Name"), std::string("\0", 1));

    TRegIniFile ini("Software\\Stashwell");
    EXPECT_EQ(ini.ReadInteger("Options", "Count", 60), 42);
    EXPECT_FALSE(ini.ReadBool("Options", "Flag", true));
    EXPECT_EQ(ini.ReadString("Options", "Name", "fallback"), ""); // empty stays empty
}

TEST_F(Registry, IniFileNumbersFallBackToTheirDefaultUnlessWhole) {
    const std::string key = "Software\\Stashwell\\Options";
    sim::SetRegistryString(HKEY_CURRENT_USER, key, "Two", "2");
    sim::SetRegistryString(HKEY_CURRENT_USER, key, "Negative", "-7");
    sim::SetRegistryString(HKEY_CURRENT_USER, key, "Word", "often");
    sim::SetRegistryString(HKEY_CURRENT_USER, key, "Empty", "");
    sim::SetRegistryString(HKEY_CURRENT_USER, key, "Spaced", " 5");
    sim::SetRegistryString(HKEY_CURRENT_USER, key, "Huge", "99999999999");
    sim::SetRegistryValue(HKEY_CURRENT_USER, key, "Expand", REG_EXPAND_SZ, std::string("9\0", 2));
    TRegIniFile ini("Software\\Stashwell");
    EXPECT_TRUE(ini.ReadBool("Options", "Two", false)); // any number but 0 is true
    EXPECT_EQ(ini.ReadInteger("Options", "Negative", 1), -7);
    EXPECT_EQ(ini.ReadInteger("Options", "Word", 60), 60);
    EXPECT_TRUE(ini.ReadBool("Options", "Word", true));
    EXPECT_FALSE(ini.ReadBool("Options", "Word", false));
    EXPECT_EQ(ini.ReadInteger("Options", "Empty", 60), 60);
    EXPECT_EQ(ini.ReadInteger("Options", "Spaced", 60), 60);
    EXPECT_EQ(ini.ReadInteger("Options", "Huge", 60), 60);
    EXPECT_EQ(ini.ReadInteger("Options", "Expand", 60), 9);
}

TEST_F(Registry, IniFileValueOfAnotherTypeFailsAndReleasesItsKeys) {
    sim::SetRegistryValue(HKEY_CURRENT_USER, "Software\\Stashwell\\Options", "CbdSaveInterval",
                          REG_DWORD, std::string("\x3C\0\0\0", 4));
    auto ini = std::make_unique<TRegIniFile>("Software\\Stashwell");
    EXPECT_EQ(FailureOf([&] { ini->ReadInteger("Options", "CbdSaveInterval", 60); }),
              "Invalid data type for 'CbdSaveInterval'");
    EXPECT_EQ(FailureOf([&] { ini->ReadString("Options", "CbdSaveInterval", ""); }),
              "Invalid data type for 'CbdSaveInterval'");
    EXPECT_EQ(sim::OpenRegistryKeys(), 1u);                   // only the object's own key
    EXPECT_EQ(ini->ReadString("Options", "Other", "x"), "x"); // still usable
    ini.reset();
}

TEST_F(Registry, IniFileWithoutItsKeyReadsDefaultsAndCannotWrite) {
    sim::RefuseRegistry(HKEY_CURRENT_USER, "Software", sim::RegRefuseCreate);
    TRegIniFile ini("Software\\Stashwell");
    EXPECT_EQ(ini.CurrentKey(), nullptr);
    EXPECT_EQ(ini.ReadInteger("Options", "CbdSaveInterval", 60), 60);
    EXPECT_EQ(FailureOf([&] { ini.WriteString("Options", "A", "1"); }),
              "Failed to create key Options");
    EXPECT_TRUE(sim::RegistrySubkeys(HKEY_CURRENT_USER, "").empty()); // nothing at the root
}

TEST_F(Registry, IniFileWriteFailuresNameTheSectionOrTheValue) {
    {
        sim::RefuseRegistry(HKEY_CURRENT_USER, "Software\\Stashwell\\Options",
                            sim::RegRefuseCreate);
        TRegIniFile ini("Software\\Stashwell");
        EXPECT_EQ(FailureOf([&] { ini.WriteBool("Options", "CbdSaveOnExit", true); }),
                  "Failed to create key Options");
    }
    {
        sim::ClearRegistryRefusals();
        sim::RefuseRegistry(HKEY_CURRENT_USER, "Software\\Stashwell\\Options",
                            sim::RegRefuseSetValue);
        TRegIniFile ini("Software\\Stashwell");
        EXPECT_EQ(FailureOf([&] { ini.WriteString("Options", "CbdFileName", "x.cbd"); }),
                  "Failed to set data for 'CbdFileName'");
    }
}

// The simulated registry's own rules that the wrapper leans on.
TEST_F(Registry, SimulatedRegistryAnswersLikeThePlatform) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    const char text[] = "hello";
    ASSERT_EQ(RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6),
              ERROR_SUCCESS);
    char small[3];
    DWORD size = sizeof small;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key, "none", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    HKEY none = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\A", 0, KEY_READ, &none), ERROR_BAD_PATHNAME);
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "a\\b", 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(reader, "V", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A"), ERROR_ACCESS_DENIED); // it has a subkey
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(reader, "V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    RegCloseKey(reader);
}

} // namespace
