// The forms behind exp2fBlock, one for each SimdPath, visible to the tests so
// that each can be checked against the scalar exp2f whatever the processor
// picks.
#pragma once

#include "maths/simd.h"

namespace fennrow::maths::detail {

// The form of `path`, which must be available (simdPathAvailable).
FloatBlockForm exp2fBlockForm(SimdPath path);

} // namespace fennrow::maths::detail
