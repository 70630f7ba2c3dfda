#pragma once
// The C standard types every CLAP record is built from.

#include "macros.h"

#ifdef CLAP_HAS_CXX11
#  include <cstdint>
#else
#  include <stdint.h>
#endif

#ifdef __cplusplus
#  include <cstddef>
#else
#  include <stddef.h>
#  include <stdbool.h>
#endif
