// A parameter as the plugin describes it through its params extension.
#pragma once

#include <clap/clap.h>

#include <string>

namespace fennrow {

struct ParamInfo {
    clap_id id = CLAP_INVALID_ID;
    std::string name;
    double minValue = 0.0;
    double maxValue = 1.0;
    double defaultValue = 0.0;
    bool stepped = false;
    void* cookie = nullptr;
};

} // namespace fennrow
