#include "maths/float_rounding.h"

#include <algorithm>
#include <bit>

namespace fennrow::maths::detail {

float lookupHardCase(const HardCaseTable& table, float x, float fallback) {
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    const HardCase* end = table.cases + table.count;
    const HardCase* found =
        std::lower_bound(table.cases, end, bits, [](const HardCase& c, uint32_t b) { return c.input < b; });
    return found != end && found->input == bits ? std::bit_cast<float>(found->result) : fallback;
}

} // namespace fennrow::maths::detail
