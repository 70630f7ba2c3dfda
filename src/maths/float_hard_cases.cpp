// Placeholder until fennrow_float_hard_cases has been run.
#include "maths/float_rounding.h"

namespace fennrow::maths::detail {

const HardCaseTable kSinHardCases{nullptr, 0};
const HardCaseTable kCosHardCases{nullptr, 0};
const HardCaseTable kTanHardCases{nullptr, 0};
const HardCaseTable kExpHardCases{nullptr, 0};
const HardCaseTable kExp2HardCases{nullptr, 0};
const HardCaseTable kPow25HardCases{nullptr, 0};
const HardCaseTable kTanhHardCases{nullptr, 0};
const HardCaseTable kAsinHardCases{nullptr, 0};

} // namespace fennrow::maths::detail
