// Finding the program's resources: those compiled in, and those that tests add.
#include "platform/sim/resources_embedded.h"
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <map>
#include <utility>

namespace {

// Resources added by tests; they stay for the life of the process.
std::map<std::pair<std::string, std::string>, std::string>& added() {
    static auto* table = new std::map<std::pair<std::string, std::string>, std::string>;
    return *table;
}

} // namespace

namespace sim::detail {

bool findResource(const std::string& type, const std::string& name, std::string& bytes) {
    auto wanted = std::make_pair(lower(type), lower(name));
    if (auto it = added().find(wanted); it != added().end()) {
        bytes = it->second;
        return true;
    }
    std::size_t count = 0;
    const EmbeddedResource* table = embeddedResources(count);
    for (std::size_t i = 0; i < count; ++i)
        if (lower(table[i].type) == wanted.first && lower(table[i].name) == wanted.second) {
            bytes.assign(reinterpret_cast<const char*>(table[i].bytes), table[i].size);
            return true;
        }
    return false;
}

} // namespace sim::detail

namespace sim {

void SetResource(const std::string& type, const std::string& name, const std::string& bytes) {
    auto guard = detail::lock();
    added()[std::make_pair(detail::lower(type), detail::lower(name))] = bytes;
}

} // namespace sim
