#include "maths/float_rounding.h"

#include "maths/bit_cast.h"

#include <algorithm>

namespace fennrow::maths::detail {

float lookupHardCase(const HardCaseTable& table, float x, float fallback) {
    const uint32_t bits = bitCast<uint32_t>(x);
    const HardCase* end = table.cases + table.count;
    const HardCase* found =
        std::lower_bound(table.cases, end, bits, [](const HardCase& c, uint32_t b) { return c.input < b; });
    return found != end && found->input == bits ? bitCast<float>(found->result) : fallback;
}

} // namespace fennrow::maths::detail
