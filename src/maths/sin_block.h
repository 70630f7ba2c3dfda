// The forms behind sinfBlock, one for each SimdPath, visible to the tests so
// that each can be checked against the scalar sinf whatever the processor
// picks.
#pragma once

#include "maths/simd.h"

namespace fennrow::maths::detail {

// The form of `path`, which must be available (simdPathAvailable).
FloatBlockForm sinfBlockForm(SimdPath path);

} // namespace fennrow::maths::detail
