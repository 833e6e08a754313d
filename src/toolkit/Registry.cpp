#include "toolkit/Registry.h"

#include <vector>

namespace tk {

namespace {

[[noreturn]] void readError(const std::string& name) {
    throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
}

TRegDataType dataTypeOf(DWORD type) {
    switch (type) {
    case REG_SZ:
        return TRegDataType::rdString;
    case REG_EXPAND_SZ:
        return TRegDataType::rdExpandString;
    case REG_DWORD:
        return TRegDataType::rdInteger;
    case REG_BINARY:
        return TRegDataType::rdBinary;
    default:
        return TRegDataType::rdUnknown;
    }
}

// Deletes a key with everything below it.
LONG deleteTree(HKEY base, const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, key.c_str(), 0, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS) {
        TRegKey guard(opened);
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD size = sizeof name;
            if (RegEnumKeyExA(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        for (const auto& name : names)
            deleteTree(opened, name);
    }
    return RegDeleteKeyA(base, key.c_str());
}

} // namespace

// ------------------------------------------------------------------ TRegistry

TRegistry::TRegistry(REGSAM access) : Access(access) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY root) {
    if (root == rootKey_)
        return;
    CloseKey();
    rootKey_ = root;
}

HKEY TRegistry::BaseKey(std::string& key) const {
    if (!key.empty() && key.front() == '\\') {
        key.erase(0, 1);
        return rootKey_;
    }
    return currentKey_ ? currentKey_.Get() : rootKey_;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string name = key;
    HKEY base = BaseKey(name);
    bool relative = currentKey_ && base == currentKey_.Get();
    HKEY opened = nullptr;
    LONG result;
    if (canCreate && !name.empty())
        result = RegCreateKeyExA(base, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access,
                                 nullptr, &opened, nullptr);
    else
        result = RegOpenKeyExA(base, name.c_str(), 0, Access, &opened);
    if (result != ERROR_SUCCESS)
        return false;
    std::string path = relative && !currentPath_.empty() && !name.empty()
                           ? currentPath_ + "\\" + name
                           : (relative && name.empty() ? currentPath_ : name);
    CloseKey();
    currentKey_.Reset(opened);
    currentPath_ = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    REGSAM saved = Access;
    Access = KEY_READ;
    bool opened = OpenKey(key, false);
    Access = saved;
    return opened;
}

void TRegistry::CloseKey() {
    currentKey_.Reset();
    currentPath_.clear();
}

void TRegistry::CreateKey(const std::string& key) {
    std::string name = key;
    HKEY base = BaseKey(name);
    HKEY created = nullptr;
    if (name.empty() || RegCreateKeyExA(base, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        Access, nullptr, &created, nullptr) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to create key %s", key.c_str()));
    TRegKey made(created); // the key is made here, not kept open
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string name = key;
    HKEY base = BaseKey(name);
    return !name.empty() && deleteTree(base, name) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& key) {
    std::string name = key;
    HKEY base = BaseKey(name);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, name.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    TRegKey found(opened); // the key is looked for here, not kept open
    return true;
}

TRegKey TRegistry::GetKey(const std::string& key) {
    std::string name = key;
    HKEY base = BaseKey(name);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, name.c_str(), 0, Access, &opened) != ERROR_SUCCESS)
        return TRegKey();
    return TRegKey(opened);
}

bool TRegistry::ValueExistsIn(HKEY key, const std::string& name) {
    return key &&
           RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) {
    return ValueExistsIn(currentKey_.Get(), name);
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
    DWORD type = REG_NONE;
    if (!currentKey_ || RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr,
                                         nullptr) != ERROR_SUCCESS)
        return TRegDataType::rdUnknown;
    return dataTypeOf(type);
}

bool TRegistry::DeleteValue(const std::string& name) {
    return currentKey_ && RegDeleteValueA(currentKey_.Get(), name.c_str()) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) {
    return ReadStringIn(currentKey_.Get(), name);
}

std::string TRegistry::ReadStringIn(HKEY key, const std::string& name) {
    if (!key)
        return {};
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return {};
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            readError(name);
        std::vector<BYTE> data(size + 1, 0);
        DWORD got = size;
        LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &got);
        if (result == ERROR_MORE_DATA)
            continue; // it grew in between
        if (result != ERROR_SUCCESS)
            throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            readError(name);
        // Up to the first NUL: a string stored with or without its terminator.
        std::string text(reinterpret_cast<const char*>(data.data()), got);
        return text.substr(0, text.find('\0'));
    }
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
    DWORD type = REG_NONE;
    std::int32_t value = 0;
    DWORD size = sizeof value;
    LONG result = currentKey_ ? RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type,
                                                 reinterpret_cast<BYTE*>(&value), &size)
                              : ERROR_INVALID_HANDLE;
    if (result == ERROR_MORE_DATA)
        readError(name);
    if (result != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    if (type != REG_DWORD || size != sizeof value)
        readError(name);
    return value;
}

void TRegistry::PutDataIn(HKEY key, const std::string& name, const void* data, DWORD size,
                          DWORD type) {
    if (!key || RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
                    ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    PutDataIn(currentKey_.Get(), name, value.c_str(), static_cast<DWORD>(value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    PutDataIn(currentKey_.Get(), name, value.c_str(), static_cast<DWORD>(value.size() + 1),
              REG_EXPAND_SZ);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    PutDataIn(currentKey_.Get(), name, &value, sizeof value, REG_DWORD);
}

// ---------------------------------------------------------------- TRegIniFile

TRegIniFile::TRegIniFile(const std::string& fileName, REGSAM access)
    : TRegistry(access), fileName_(fileName) {
    SetRootKey(HKEY_CURRENT_USER);
    // A key that cannot be opened leaves every section missing: reads give
    // their defaults and writes fail.
    OpenKey(fileName, true);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) {
    if (!CurrentKey())
        return defaultValue;
    TRegKey key = GetKey(section);
    if (!key)
        return defaultValue;
    return ValueExistsIn(key.Get(), ident) ? ReadStringIn(key.Get(), ident) : defaultValue;
}

std::int32_t TRegIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                      std::int32_t defaultValue) {
    std::string text = ReadString(section, ident, "");
    std::int32_t value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident,
                           bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
    if (!CurrentKey())
        throw ERegistryException(Format("Failed to create key %s", section.c_str()));
    CreateKey(section);
    TRegKey key = GetKey(section);
    if (!key) // created, yet not to be opened for writing
        throw ERegistryException(Format("Failed to set data for '%s'", ident.c_str()));
    PutDataIn(key.Get(), ident, value.c_str(), static_cast<DWORD>(value.size() + 1), REG_SZ);
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident,
                               std::int32_t value) {
    WriteString(section, ident, IntToStr(value));
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

} // namespace tk
