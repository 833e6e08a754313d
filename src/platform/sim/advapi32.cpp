// The registry: a tree of keys under three roots, each key with typed values
// in the order they were first written, open handles with the rights they
// were opened with, and the refusals that tests switch on.
#include "platform/sim/include/advapi32.h"
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

using namespace sim::detail;

namespace {

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

struct Key {
    std::string name;
    std::uint64_t id = 0;
    std::map<std::string, std::unique_ptr<Key>> subkeys; // by lower-case name
    std::vector<Value> values;                           // in the order first written
};

using Path = std::vector<std::string>; // lower-case names below a root

struct OpenKey {
    int root = 0;
    Path path;
    std::uint64_t id = 0;
    REGSAM access = 0;
};

struct Registry {
    Key roots[3];
    std::uint64_t nextId = 1;
    std::map<std::uintptr_t, OpenKey> handles;
};

// What every machine has: HKEY_LOCAL_MACHINE\SOFTWARE.
void addMachineKeys(Registry& r) {
    auto software = std::make_unique<Key>();
    software->name = "SOFTWARE";
    software->id = r.nextId++;
    r.roots[2].subkeys["software"] = std::move(software);
}

Registry& registry() {
    static Registry* instance = [] {
        auto* made = new Registry;
        addMachineKeys(*made);
        return made;
    }();
    return *instance;
}

constexpr REGSAM writeRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE;

int rootIndex(HKEY key) {
    if (key == HKEY_CLASSES_ROOT)
        return 0;
    if (key == HKEY_CURRENT_USER)
        return 1;
    if (key == HKEY_LOCAL_MACHINE)
        return 2;
    return -1;
}

// "A\B\\C" gives {"a", "b", "c"}; a leading separator is not a name the
// registry accepts.
bool splitPath(const std::string& text, Path& path) {
    if (!text.empty() && text.front() == '\\')
        return false;
    std::string part;
    for (char c : text + "\\") {
        if (c != '\\') {
            part += c;
            continue;
        }
        if (!part.empty())
            path.push_back(part);
        part.clear();
    }
    return true;
}

Path lowerPath(const Path& names) {
    Path out;
    for (const auto& n : names)
        out.push_back(lower(n));
    return out;
}

Key* walk(Key& from, const Path& path) {
    Key* key = &from;
    for (const auto& name : path) {
        auto it = key->subkeys.find(name);
        if (it == key->subkeys.end())
            return nullptr;
        key = it->second.get();
    }
    return key;
}

unsigned refusalsAt(int root, const Path& path) {
    return registryRefusalsAt(root, path);
}

// Where a handle points: the root and the path, or an error.
// What a handle stands for: its root, its path below the root, the access it
// was opened with and the key itself (error ERROR_SUCCESS when it is valid).
struct Resolved {
    LONG error;
    int root;
    Path path;
    REGSAM access;
    Key* key;
};

Resolved resolve(HKEY handle) {
    int root = rootIndex(handle);
    if (root >= 0)
        return {ERROR_SUCCESS, root, {}, KEY_ALL_ACCESS, &registry().roots[root]};
    auto it = registry().handles.find(sim::detail::key(handle));
    if (it == registry().handles.end())
        return {ERROR_INVALID_HANDLE, -1, {}, 0, nullptr};
    const OpenKey& open = it->second;
    Key* key = walk(registry().roots[open.root], open.path);
    if (!key || key->id != open.id)
        return {ERROR_KEY_DELETED, open.root, open.path, open.access, nullptr};
    return {ERROR_SUCCESS, open.root, open.path, open.access, key};
}

HKEY newHandleFor(int root, const Path& path, const Key& key, REGSAM access) {
    auto value = newHandle();
    registry().handles[value] = OpenKey{root, path, key.id, access};
    return toHandle<HKEY>(value);
}

Value* findValue(Key& key, LPCSTR name) {
    std::string wanted = lower(name ? name : "");
    for (auto& v : key.values)
        if (lower(v.name) == wanted)
            return &v;
    return nullptr;
}

bool denied(int root, const Path& path, REGSAM desired) {
    unsigned refused = refusalsAt(root, path);
    if (refused & sim::RegRefuseOpen)
        return true;
    return (refused & sim::RegRefuseWriteAccess) && (desired & writeRights);
}

LONG copyOut(const std::string& bytes, LPBYTE data, LPDWORD size) {
    if (!size)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD room = *size;
    *size = static_cast<DWORD>(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (room < bytes.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LONG copyName(const std::string& name, LPSTR buffer, LPDWORD size) {
    if (!buffer || !size)
        return ERROR_INVALID_PARAMETER;
    if (*size <= name.size()) {
        *size = static_cast<DWORD>(name.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

} // namespace

namespace sim::detail {

void resetRegistry() {
    auto& r = registry();
    for (auto& root : r.roots) {
        root.subkeys.clear();
        root.values.clear();
    }
    r.handles.clear();
    addMachineKeys(r);
}

} // namespace sim::detail

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                        LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    auto guard = lock();
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    auto [error, root, base, access, parent] = resolve(key);
    if (error)
        return error;
    Path names;
    if (!splitPath(subKey ? subKey : "", names))
        return ERROR_BAD_PATHNAME;
    Path path = base;
    Key* current = parent;
    bool created = false;
    for (const auto& name : names) {
        path.push_back(lower(name));
        auto it = current->subkeys.find(path.back());
        if (it != current->subkeys.end()) {
            current = it->second.get();
            continue;
        }
        // A new key needs the right to create below its parent.
        if (refusalsAt(root, path) &
                (sim::RegRefuseCreate | sim::RegRefuseWriteAccess | sim::RegRefuseOpen) ||
            (current == parent && !(access & KEY_CREATE_SUB_KEY)))
            return ERROR_ACCESS_DENIED;
        auto made = std::make_unique<Key>();
        made->name = name;
        made->id = registry().nextId++;
        current = current->subkeys.emplace(path.back(), std::move(made)).first->second.get();
        created = true;
    }
    if (denied(root, path, desired))
        return ERROR_ACCESS_DENIED;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = newHandleFor(root, path, *current, desired);
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
    auto guard = lock();
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    auto [error, root, path, access, parent] = resolve(key);
    if (error)
        return error;
    Path names;
    if (!splitPath(subKey ? subKey : "", names))
        return ERROR_BAD_PATHNAME;
    Path below = lowerPath(names);
    Key* found = walk(*parent, below);
    path.insert(path.end(), below.begin(), below.end());
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    if (denied(root, path, desired))
        return ERROR_ACCESS_DENIED;
    *result = newHandleFor(root, path, *found, desired);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    auto guard = lock();
    if (rootIndex(key) >= 0)
        return ERROR_SUCCESS;
    return registry().handles.erase(sim::detail::key(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    auto guard = lock();
    auto [error, root, path, access, found] = resolve(key);
    if (error)
        return error;
    if (!(access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    Value* value = findValue(*found, valueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    return copyOut(value->data, data, dataSize);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    auto guard = lock();
    auto [error, root, path, access, found] = resolve(key);
    if (error)
        return error;
    if (!(access & KEY_SET_VALUE) || (refusalsAt(root, path) & sim::RegRefuseSetValue))
        return ERROR_ACCESS_DENIED;
    if (!data && dataSize)
        return ERROR_INVALID_PARAMETER;
    std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
    if (Value* value = findValue(*found, valueName)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        found->values.push_back(Value{valueName ? valueName : "", type, std::move(bytes)});
    }
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
    auto guard = lock();
    auto [error, root, path, access, found] = resolve(key);
    if (error)
        return error;
    if (!(access & KEY_SET_VALUE) || (refusalsAt(root, path) & sim::RegRefuseSetValue))
        return ERROR_ACCESS_DENIED;
    Value* value = findValue(*found, valueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    found->values.erase(found->values.begin() + (value - found->values.data()));
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    auto guard = lock();
    auto [error, root, path, access, parent] = resolve(key);
    if (error)
        return error;
    Path names;
    if (!subKey || !splitPath(subKey, names) || names.empty())
        return ERROR_BAD_PATHNAME;
    Path below = lowerPath(names);
    Key* found = walk(*parent, below);
    path.insert(path.end(), below.begin(), below.end());
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    if (!found->subkeys.empty() ||
        (refusalsAt(root, path) & (sim::RegRefuseWriteAccess | sim::RegRefuseOpen)))
        return ERROR_ACCESS_DENIED;
    below.pop_back();
    walk(*parent, below)->subkeys.erase(path.back());
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR, LPDWORD,
                      void*) {
    auto guard = lock();
    auto [error, root, path, access, found] = resolve(key);
    if (error)
        return error;
    if (!(access & KEY_ENUMERATE_SUB_KEYS))
        return ERROR_ACCESS_DENIED;
    if (index >= found->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    auto it = std::next(found->subkeys.begin(), static_cast<std::ptrdiff_t>(index));
    return copyName(it->second->name, name, nameSize);
}

namespace sim {

namespace {

// The key below a root that a test names, or null.
Key* testKey(HKEY root, const std::string& key, bool create) {
    int index = rootIndex(root);
    Path names;
    if (index < 0 || !splitPath(key, names))
        return nullptr;
    Key* current = &registry().roots[index];
    for (const auto& name : names) {
        auto it = current->subkeys.find(lower(name));
        if (it == current->subkeys.end()) {
            if (!create)
                return nullptr;
            auto made = std::make_unique<Key>();
            made->name = name;
            made->id = registry().nextId++;
            it = current->subkeys.emplace(lower(name), std::move(made)).first;
        }
        current = it->second.get();
    }
    return current;
}

} // namespace

bool RegistryKeyExists(HKEY root, const std::string& key) {
    auto guard = lock();
    return testKey(root, key, false) != nullptr;
}

std::vector<std::string> RegistrySubkeys(HKEY root, const std::string& key) {
    auto guard = lock();
    std::vector<std::string> names;
    if (Key* found = testKey(root, key, false))
        for (const auto& [lowerName, sub] : found->subkeys)
            names.push_back(sub->name);
    return names;
}

std::vector<RegistryValue> RegistryValues(HKEY root, const std::string& key) {
    auto guard = lock();
    std::vector<RegistryValue> values;
    if (Key* found = testKey(root, key, false))
        for (const auto& v : found->values)
            values.push_back(RegistryValue{v.name, v.type, v.data});
    return values;
}

bool GetRegistryValue(HKEY root, const std::string& key, const std::string& name,
                      RegistryValue& value) {
    auto guard = lock();
    Key* found = testKey(root, key, false);
    Value* v = found ? findValue(*found, name.c_str()) : nullptr;
    if (!v)
        return false;
    value = RegistryValue{v->name, v->type, v->data};
    return true;
}

void SetRegistryValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                      const std::string& data) {
    auto guard = lock();
    Key* found = testKey(root, key, true);
    if (!found)
        return;
    if (Value* v = findValue(*found, name.c_str())) {
        v->type = type;
        v->data = data;
    } else {
        found->values.push_back(Value{name, type, data});
    }
}

void SetRegistryString(HKEY root, const std::string& key, const std::string& name,
                       const std::string& text) {
    SetRegistryValue(root, key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void RefuseRegistry(HKEY root, const std::string& key, unsigned refusals) {
    auto guard = lock();
    Path names;
    int index = rootIndex(root);
    if (index < 0 || !splitPath(key, names))
        return;
    setRegistryRefusal(RegistryRefusal{index, lowerPath(names), refusals});
}

void ClearRegistryRefusals() {
    clearRegistryRefusals();
}

std::size_t OpenRegistryKeys() {
    auto guard = lock();
    return registry().handles.size();
}

} // namespace sim
