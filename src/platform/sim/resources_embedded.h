// The program's resources as the simulator offers them: the pictures listed
// in resources/pictures.txt, compiled in at build time, and those that tests
// add (sim::SetResource).
#pragma once

#include <cstddef>
#include <string>

namespace sim::detail {

struct EmbeddedResource {
    const char* type; // "ICON", "BITMAP"
    const char* name; // as the .rc file names it
    const unsigned char* bytes;
    std::size_t size;
};

// Defined by the source that resources/CMakeLists.txt generates.
const EmbeddedResource* embeddedResources(std::size_t& count);

// The bytes of a resource by type and name, names compared without regard
// to case ("#12" for resource number 12). Caller holds the lock.
bool findResource(const std::string& type, const std::string& name, std::string& bytes);

} // namespace sim::detail
