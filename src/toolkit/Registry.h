// The registry wrapper: a key opened below a root, its values read and
// written as strings and integers, and the section-and-value form
// (TRegIniFile) in which every value is a string.
#pragma once

#include "platform/win32.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#include <string>

namespace tk {

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// One key at a time is open (CurrentKey); key names are relative to it, or to
// the root when they begin with a backslash or when no key is open.
class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return rootKey_; }
    // Closes the open key first.
    void SetRootKey(HKEY root);
    HKEY CurrentKey() const { return currentKey_.Get(); }
    const std::string& CurrentPath() const { return currentPath_; }
    REGSAM Access = KEY_ALL_ACCESS;

    // Opens (with canCreate: creates when missing) the key with Access;
    // false when that is refused or the key is missing.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    // "Failed to create key %s" when the key cannot be created.
    void CreateKey(const std::string& key);
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key);

    bool ValueExists(const std::string& name);
    TRegDataType GetDataType(const std::string& name);
    bool DeleteValue(const std::string& name);

    // A missing value reads as the empty text; a value that is not a string
    // (REG_SZ, REG_EXPAND_SZ, read unexpanded) is "Invalid data type for '%s'".
    std::string ReadString(const std::string& name);
    // A REG_DWORD value; "Invalid data type for '%s'" for any other.
    std::int32_t ReadInteger(const std::string& name);
    // "Failed to set data for '%s'" when the value cannot be written.
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);

protected:
    // The key that a name is taken relative to, and the name without its
    // leading backslash.
    HKEY BaseKey(std::string& key) const;
    // Opens a key below the current key (or the root) with Access; none when refused.
    TRegKey GetKey(const std::string& key);
    // Values of a given key (none: the value is missing, nothing is written).
    static bool ValueExistsIn(HKEY key, const std::string& name);
    static std::string ReadStringIn(HKEY key, const std::string& name);
    static void PutDataIn(HKEY key, const std::string& name, const void* data, DWORD size,
                          DWORD type);

private:
    HKEY rootKey_ = HKEY_CURRENT_USER;
    TRegKey currentKey_;
    std::string currentPath_;
};

// An ini-file-like view of a key: sections are its subkeys, every value a
// string. The key (below HKEY_CURRENT_USER) is opened, and created when
// missing, as the object is made.
class TRegIniFile : public TRegistry {
public:
    explicit TRegIniFile(const std::string& fileName, REGSAM access = KEY_ALL_ACCESS);

    const std::string& FileName() const { return fileName_; }

    // The value's text, or the default when the section or the value is
    // missing; "Invalid data type for '%s'" for a value that is no string.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue);
    // The text read as a whole decimal number; the default when it is missing,
    // empty or not a number.
    std::int32_t ReadInteger(const std::string& section, const std::string& ident,
                             std::int32_t defaultValue);
    // An integer whose default is 1 or 0; any number but 0 is true.
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);

    // The section is created when missing ("Failed to create key %s"), the
    // value written as a string ("Failed to set data for '%s'").
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

private:
    std::string fileName_;
};

} // namespace tk
