#include "plugin_loader/host_extensions.h"

#include <cstring>

namespace fennrow {

const void* findHostExtension(std::span<const HostExtension> offered, const char* id) {
    if (id == nullptr) return nullptr;
    for (const HostExtension& extension : offered) {
        if (std::strcmp(extension.id, id) == 0) return extension.table;
    }
    return nullptr;
}

} // namespace fennrow
