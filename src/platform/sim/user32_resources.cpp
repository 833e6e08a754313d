// The program's resources as the simulator offers them: the string table is
// compiled from the same definition as the .rc file's.
#include "platform/sim/state.h"

#include <cstring>

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

} // namespace

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int bufferMax) {
    if (!buffer || bufferMax <= 0)
        return 0;
    for (const auto& entry : stringTable) {
        if (entry.id != id)
            continue;
        int n = std::min<int>(static_cast<int>(std::strlen(entry.text)), bufferMax - 1);
        std::memcpy(buffer, entry.text, static_cast<std::size_t>(n));
        buffer[n] = '\0';
        return n;
    }
    buffer[0] = '\0';
    SetLastError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
    return 0;
}
