// A host's answer to the plugin's get_extension: the tables it offers, each
// under its id. A host lists what it offers and looks the id up here.
#pragma once

#include <span>

namespace fennrow {

struct HostExtension {
    const char* id;
    const void* table; // null: listed but not offered now
};

// The table offered under `id`, or null (also for a null id).
const void* findHostExtension(std::span<const HostExtension> offered, const char* id);

} // namespace fennrow
