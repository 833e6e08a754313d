// The global atom table: one for every simulated task, so that it outlives the
// task that added a name, as the real one outlives a crashed program.
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <cctype>
#include <cstring>
#include <map>
#include <optional>

using namespace sim::detail;

namespace {

constexpr std::size_t maxAtomLength = 255;

struct AtomEntry {
    std::string name;
    int references = 0;
};

// By atom; kept under the state's lock.
std::map<ATOM, AtomEntry>& table() {
    static auto* atoms = new std::map<ATOM, AtomEntry>; // threads may outlast main
    return *atoms;
}

// What a name asks for: an integer atom ("#<n>" or MAKEINTATOM), or a string.
struct Parsed {
    bool valid = true;
    ATOM integer = 0; // 0 for a string atom
    std::string text;
};

Parsed parse(LPCSTR name) {
    Parsed parsed;
    if (IS_INTRESOURCE(name)) {
        parsed.integer = LOWORD(reinterpret_cast<ULONG_PTR>(name));
        parsed.valid = parsed.integer != 0 && parsed.integer < MAXINTATOM;
        return parsed;
    }
    std::string text = name;
    if (text.size() > 1 && text[0] == '#' &&
        text.find_first_not_of("0123456789", 1) == std::string::npos) {
        unsigned long value = text.size() > 6 ? MAXINTATOM : std::stoul(text.substr(1));
        parsed.valid = value != 0 && value < MAXINTATOM;
        parsed.integer = static_cast<ATOM>(value);
        return parsed;
    }
    parsed.valid = !text.empty() && text.size() <= maxAtomLength;
    parsed.text = std::move(text);
    return parsed;
}

std::optional<ATOM> findString(const std::string& name) {
    const std::string wanted = lower(name);
    for (const auto& [atom, entry] : table())
        if (lower(entry.name) == wanted)
            return atom;
    return std::nullopt;
}

} // namespace

namespace sim::detail {

void resetAtoms() {
    table().clear();
}

} // namespace sim::detail

ATOM GlobalAddAtomA(LPCSTR name) {
    auto guard = lock();
    Parsed parsed = parse(name);
    if (!parsed.valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (parsed.integer)
        return parsed.integer;
    if (auto found = findString(parsed.text)) {
        ++table()[*found].references;
        return *found;
    }
    // The lowest free string atom.
    unsigned atom = MAXINTATOM;
    for (const auto& [used, entry] : table()) {
        if (used != atom)
            break;
        ++atom;
    }
    if (atom > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    table()[static_cast<ATOM>(atom)] = AtomEntry{parsed.text, 1};
    return static_cast<ATOM>(atom);
}

ATOM GlobalFindAtomA(LPCSTR name) {
    auto guard = lock();
    Parsed parsed = parse(name);
    if (!parsed.valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (parsed.integer)
        return parsed.integer;
    if (auto found = findString(parsed.text))
        return *found;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
}

ATOM GlobalDeleteAtom(ATOM atom) {
    auto guard = lock();
    if (atom < MAXINTATOM)
        return 0; // integer atoms are never stored
    auto it = table().find(atom);
    if (it == table().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return atom;
    }
    if (--it->second.references == 0)
        table().erase(it);
    return 0;
}

UINT GlobalGetAtomNameA(ATOM atom, LPSTR buffer, int size) {
    auto guard = lock();
    std::string name;
    if (atom != 0 && atom < MAXINTATOM) {
        name = "#" + std::to_string(atom);
    } else {
        auto it = table().find(atom);
        if (it == table().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        name = it->second.name;
    }
    if (!buffer || size <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return static_cast<UINT>(n);
}

namespace sim {

std::vector<AtomRecord> GlobalAtoms() {
    auto guard = lock();
    std::vector<AtomRecord> out;
    for (const auto& [atom, entry] : table())
        out.push_back(AtomRecord{atom, entry.name, entry.references});
    return out;
}

} // namespace sim
