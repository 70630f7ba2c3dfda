// Short ways to drive the state and preset-load extensions of a test plugin.
#pragma once

#include "support/plugin_harness.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::test {

std::string saveState(const test::TestPlugin& plugin);                    // "" when the save fails
bool loadState(const test::TestPlugin& plugin, const std::string& bytes); // findings go to stderr
bool loadPreset(const test::TestPlugin& plugin, std::uint32_t kind, const char* location, const char* key);
std::vector<double> paramValues(const test::TestPlugin& plugin); // get_value for ids 1..23

} // namespace fennrow::test
