#pragma once

#include "private/std.h"
#include "private/macros.h"

// Seconds since the UNIX epoch.
typedef uint64_t clap_timestamp;

static const CLAP_CONSTEXPR clap_timestamp CLAP_TIMESTAMP_UNKNOWN = 0;
