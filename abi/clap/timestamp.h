#pragma once

#include "private/std.h"
#include "private/macros.h"

// Seconds since the UNIX epoch.
typedef uint64_t clap_timestamp_t;

static const CLAP_CONSTEXPR clap_timestamp_t CLAP_TIMESTAMP_UNKNOWN = 0;
