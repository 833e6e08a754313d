// The program's resources as the simulator offers them: the string table is
// compiled from the same definition as the .rc file's, with the values the
// build was configured with; tests may change a string until Reset.
#include "banner_addresses.h"
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <cstring>
#include <map>
#include <string>

namespace {

struct StringResource {
    UINT id;
    const char* text;
};

constexpr StringResource stringTable[] = {
#define STRING(name, id, text) {id, text},
#include "string_table.def"
#undef STRING
};

// Strings that tests have set, by identifier.
std::map<UINT, std::string>& changed() {
    static auto* table = new std::map<UINT, std::string>;
    return *table;
}

// The string's text; false when the table has no such string.
bool findString(UINT id, std::string& text) {
    auto guard = sim::detail::lock();
    if (auto it = changed().find(id); it != changed().end()) {
        text = it->second;
        return true;
    }
    for (const auto& entry : stringTable)
        if (entry.id == id) {
            text = entry.text;
            return true;
        }
    return false;
}

} // namespace

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int bufferMax) {
    if (!buffer || bufferMax <= 0)
        return 0;
    std::string text;
    if (!findString(id, text)) {
        buffer[0] = '\0';
        SetLastError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
        return 0;
    }
    int n = std::min<int>(static_cast<int>(text.size()), bufferMax - 1);
    std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

namespace sim::detail {

void resetStringResources() {
    changed().clear();
}

} // namespace sim::detail

namespace sim {

void SetStringResource(UINT id, const std::string& text) {
    auto guard = detail::lock();
    changed()[id] = text;
}

} // namespace sim
