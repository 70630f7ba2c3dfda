// The fennrow.clap of this build, opened through the loader the hosts share.
#pragma once

#include "plugin_loader/clap_module.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fennrow::test {

// Null when the library does not load, with the reason reported as a failure
// of the running test.
inline std::shared_ptr<ClapModule> openBuiltModule(const std::string& path = FENNROW_MODULE_PATH) {
    std::string error;
    std::shared_ptr<ClapModule> module = openClapModule(path, error);
    if (module == nullptr) ADD_FAILURE() << error;
    return module;
}

} // namespace fennrow::test
