// CLAP asks for what it wants by a string id: a factory of the entry, an
// extension of the plugin, an extension of the host. Each side that answers
// lists its tables under their ids and looks the id up here.
#pragma once

#include <cstring>
#include <span>

namespace fennrow::entry {

struct IdTable {
    const char* id;
    const void* table;
};

// The table listed under `id`, or null (also for a null id).
inline const void* findById(std::span<const IdTable> tables, const char* id) {
    if (id == nullptr) return nullptr;
    for (const IdTable& entry : tables) {
        if (std::strcmp(entry.id, id) == 0) return entry.table;
    }
    return nullptr;
}

} // namespace fennrow::entry
