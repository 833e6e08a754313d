// What the settings, the autostart entry, the file association and the mail
// check rely on from the registry: keys made, opened and deleted; typed
// values, the default value, and how string values read back; the rights a
// key was opened with. The same source runs against the simulator and,
// built for Windows, against Wine. Everything is made below a key of its own
// under HKEY_CURRENT_USER\Software and removed again.
#include "conformance_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kBase = "Software\\StashwellConformance";

LONG DeleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        RegCloseKey(key);
        for (const auto& name : names)
            DeleteTree(root, path + "\\" + name);
    }
    return RegDeleteKeyA(root, path.c_str());
}

class RegistryConformance : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_CURRENT_USER, kBase);
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &base, &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    }
    void TearDown() override {
        RegCloseKey(base);
        DeleteTree(HKEY_CURRENT_USER, kBase);
    }
    LONG Set(const char* name, DWORD type, const std::string& bytes) {
        return RegSetValueExA(base, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size()));
    }
    // The value's type and bytes as a large enough buffer receives them.
    LONG Get(const char* name, DWORD& type, std::string& bytes, HKEY key = nullptr) {
        char buffer[512];
        DWORD size = sizeof buffer;
        LONG result = RegQueryValueExA(key ? key : base, name, nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer), &size);
        bytes.assign(buffer, result == ERROR_SUCCESS ? size : 0);
        return result;
    }
    HKEY base = nullptr;
};

} // namespace

TEST_F(RegistryConformance, KeysAreMadeOpenedAndDeleted) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    // Several levels at once.
    ASSERT_EQ(RegCreateKeyExA(base, "One\\Two\\Three", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);
    ASSERT_EQ(
        RegCreateKeyExA(base, "one\\TWO", 0, nullptr, 0, KEY_READ, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);

    // Opening a missing key fails; names compare without regard to case.
    EXPECT_EQ(RegOpenKeyExA(base, "One\\Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\stashwellconformance\\ONE", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    // The subkey keeps the case it was made with.
    char name[64];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Two");
    EXPECT_EQ(size, 3u);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);

    // A key with subkeys is not deleted; without, it is.
    EXPECT_EQ(RegDeleteKeyA(base, "One\\Two"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(base, "One\\Two\\Three"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(base, "One\\Two"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(base, "One\\Two"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformance, SubkeysAreEnumeratedInAlphabeticalOrder) {
    for (const char* name : {"beta", "Alpha", "gamma", "Delta"}) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(base, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegCloseKey(key);
    }
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(base, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Delta", "gamma"}));
    // A buffer too small for the name.
    char small[3];
    DWORD size = sizeof small;
    EXPECT_EQ(RegEnumKeyExA(base, 0, small, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
}

TEST_F(RegistryConformance, TypedValuesReadBackAsWritten) {
    ASSERT_EQ(Set("Text", REG_SZ, std::string("hello\0", 6)), ERROR_SUCCESS);
    ASSERT_EQ(Set("Path", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15)), ERROR_SUCCESS);
    std::int32_t number = -5;
    ASSERT_EQ(Set("Number", REG_DWORD, std::string(reinterpret_cast<char*>(&number), 4)),
              ERROR_SUCCESS);
    ASSERT_EQ(Set("Bytes", REG_BINARY, std::string("\x01\x00\x02", 3)), ERROR_SUCCESS);

    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(Get("Text", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string("hello\0", 6));
    // An expand-string comes back as written, not expanded.
    ASSERT_EQ(Get("path", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(bytes, std::string("%SystemRoot%\\x\0", 15));
    ASSERT_EQ(Get("Number", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, std::string(reinterpret_cast<char*>(&number), 4));
    ASSERT_EQ(Get("Bytes", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(bytes, std::string("\x01\x00\x02", 3));

    // Writing again replaces type and data.
    ASSERT_EQ(Set("Number", REG_SZ, std::string("7\0", 2)), ERROR_SUCCESS);
    ASSERT_EQ(Get("Number", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    EXPECT_EQ(Get("Missing", type, bytes), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(base, "TEXT"), ERROR_SUCCESS);
    EXPECT_EQ(Get("Text", type, bytes), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(base, "Text"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformance, SizesAreToldBeforeTheDataIsRead) {
    ASSERT_EQ(Set("Text", REG_SZ, std::string("hello\0", 6)), ERROR_SUCCESS);
    // Without a buffer: the type and the size it needs.
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(base, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);
    // Without even a size: whether the value exists.
    EXPECT_EQ(RegQueryValueExA(base, "Text", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(base, "Missing", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    // A buffer too small: ERROR_MORE_DATA and the size needed.
    char small[3];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(base, "Text", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    std::int32_t number = 0;
    ASSERT_EQ(Set("Wide", REG_BINARY, std::string(8, 'x')), ERROR_SUCCESS);
    size = sizeof number;
    EXPECT_EQ(
        RegQueryValueExA(base, "Wide", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
}

TEST_F(RegistryConformance, AStringWrittenWithoutItsTerminatorReadsBackWhole) {
    // Some programs leave the NUL out; what is read holds the text in full,
    // and the size asked for first is enough for it.
    ASSERT_EQ(Set("Bare", REG_SZ, "abc"), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(base, "Bare", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_GE(size, 3u);
    std::vector<char> buffer(size + 1, '\x7f');
    DWORD got = size;
    ASSERT_EQ(RegQueryValueExA(base, "Bare", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                               &got),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer.data(), 3), "abc");
    EXPECT_LE(got, size);
    // An empty string with its terminator.
    ASSERT_EQ(Set("Empty", REG_SZ, std::string("\0", 1)), ERROR_SUCCESS);
    std::string bytes;
    ASSERT_EQ(Get("Empty", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\0", 1));
}

TEST_F(RegistryConformance, TheDefaultValueHasAnEmptyName) {
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(Get("", type, bytes), ERROR_FILE_NOT_FOUND); // a new key has none set
    EXPECT_EQ(Get(nullptr, type, bytes), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Set(nullptr, REG_SZ, std::string("default\0", 8)), ERROR_SUCCESS);
    ASSERT_EQ(Get("", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("default\0", 8));
    ASSERT_EQ(Set("", REG_SZ, std::string("again\0", 6)), ERROR_SUCCESS);
    ASSERT_EQ(Get(nullptr, type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("again\0", 6));
    // Named values are not the default.
    ASSERT_EQ(Set("Named", REG_SZ, std::string("n\0", 2)), ERROR_SUCCESS);
    ASSERT_EQ(Get("", type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("again\0", 6));
}

TEST_F(RegistryConformance, AKeyOpenedForReadingRefusesChanges) {
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    BYTE data[] = "x";
    EXPECT_EQ(RegSetValueExA(readOnly, "V", 0, REG_SZ, data, 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(readOnly, "V"), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);

    // One opened only to write values cannot be read.
    HKEY writeOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_SET_VALUE, &writeOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(writeOnly, "V", 0, REG_SZ, data, 2), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writeOnly, "V", nullptr, nullptr, nullptr, &size),
              ERROR_ACCESS_DENIED);
    RegCloseKey(writeOnly);
}

TEST_F(RegistryConformance, TheMachineKeysOpenedReadOnlyRefuseChanges) {
    // The autostart and mail checks read HKEY_LOCAL_MACHINE; a key opened
    // there for reading refuses to be changed.
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    BYTE data[] = "x";
    EXPECT_EQ(RegSetValueExA(software, "StashwellConformance", 0, REG_SZ, data, 2),
              ERROR_ACCESS_DENIED);
    RegCloseKey(software);
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\StashwellConformanceMissing", 0,
                            KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformance, AHandleToADeletedKeyIsDead) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(base, "Doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(base, "Doomed"), ERROR_SUCCESS);
    BYTE data[] = "x";
    EXPECT_EQ(RegSetValueExA(key, "V", 0, REG_SZ, data, 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}
