#pragma once

#include "private/std.h"
#include "private/macros.h"

// Musical and clock time as signed fixed-point numbers with 31 fractional bits.
static const CLAP_CONSTEXPR int64_t CLAP_BEATTIME_FACTOR = 1LL << 31;
static const CLAP_CONSTEXPR int64_t CLAP_SECTIME_FACTOR = 1LL << 31;

typedef int64_t clap_beattime;
typedef int64_t clap_sectime;
