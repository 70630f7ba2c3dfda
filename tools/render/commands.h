// What fennrow-render does for each mode of its command line. Each returns the
// process exit code and prints failures as one line on standard error.
#pragma once

#include <string>

#include "options.h"

namespace fennrow {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int runRender(const Options& options);
int runListPresets(const Options& options);
int runListParams(const Options& options);
int runDemo(const Options& options);

// Prints "fennrow-render: <message>" on standard error and returns kExitFailure.
int fail(const std::string& message);

// The plugin to load: --plugin, else the fennrow.clap next to this program,
// else the one of the build this program came from.
std::string pluginPathFor(const Options& options);

} // namespace fennrow
