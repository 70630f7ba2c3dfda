// The 23 automatable parameters: the one constant table that the params
// extension, event handling and the document readers all consult.
#pragma once

#include <cstdint>
#include <string_view>

namespace fennrow::plugin {

struct ParamSpec {
    const char* key;  // member name in documents
    uint32_t id;      // CLAP parameter id, table index + 1
    const char* name; // display name
    const char* unit; // shown after the value; empty when none
    float min;
    float max;
    float defaultValue;
    bool stepped; // whole numbers only
    int slot;     // index into SoundParams
};

inline constexpr int kParamCount = 23;

extern const ParamSpec kParamTable[kParamCount];

// Table index of the parameter with this CLAP id, or -1.
int paramIndexById(uint32_t id);

// Table index of the parameter stored under this document key, or -1.
int paramIndexByKey(std::string_view key);

} // namespace fennrow::plugin
