// The hard-case tables. Those of exp2f and pow25f were written by
// fennrow_float_exhaustive --hard-cases (tools/maths/float_exhaustive.cpp)
// from MPFR; the others are still to be generated with it (until then their
// undecided inputs return the estimate rounded, which may be off by one ulp).
#include "maths/float_rounding.h"

namespace fennrow::maths::detail {

namespace {
constexpr HardCase kExp2HardCasesData[] = {
    {0x33b8aa3bu, 0x3f800001u}, {0x36879cf7u, 0x3f800018u}, {0x3a07857cu, 0x3f800bbeu},
    {0x3b429d37u, 0x3f804385u}, {0x3c02a9adu, 0x3f80b5a3u}, {0x3dc9abe2u, 0x3f890ab5u},
    {0xb338aa3bu, 0x3f800000u}, {0xb338aa3cu, 0x3f7fffffu}, {0xb466d4cbu, 0x3f7ffffeu},
    {0xb4fdea14u, 0x3f7ffffbu}, {0xb5160a52u, 0x3f7ffff9u}, {0xb52d1f9au, 0x3f7ffff8u},
    {0xb63b8cf0u, 0x3f7fffdfu}, {0xb8acad70u, 0x3f7ffc42u}, {0xb8bbd3a2u, 0x3f7ffbeeu},
    {0xb8d3d026u, 0x3f7ffb69u}, {0xbae36f38u, 0x3f7fb13au}, {0xbaec2b40u, 0x3f7fae34u},
    {0xbcaf4d02u, 0x3f7c3b19u}, {0xbcf3a937u, 0x3f7ac6b1u}, {0xbe1f29deu, 0x3f65da56u},
};
} // namespace
const HardCaseTable kExp2HardCases{kExp2HardCasesData, 21};

namespace {
constexpr HardCase kPow25HardCasesData[] = {
    {0x329f0fceu, 0x3f800000u}, {0x33c6d3c0u, 0x3f800002u}, {0x38db19a8u, 0x3f800b05u},
    {0x3aabe4feu, 0x3f808a9fu}, {0x3d09ffa5u, 0x3f8ea974u}, {0x3e8988e1u, 0x4017f2f6u},
    {0x3f0aed6bu, 0x40b790ccu}, {0x41324e69u, 0x595789b6u}, {0x4194c5e8u, 0x6aa44a06u},
    {0xb21f0fceu, 0x3f800000u}, {0xb21f0fcfu, 0x3f7fffffu}, {0xb2ee97b6u, 0x3f7fffffu},
    {0xb346d3c3u, 0x3f7ffffdu}, {0xb7660de9u, 0x3f7ffd1bu}, {0xb826b8fcu, 0x3f7ff79eu},
    {0xb8a2a2a3u, 0x3f7fefa5u}, {0xb903283eu, 0x3f7fe59fu}, {0xb9ea1115u, 0x3f7fa1e3u},
    {0xbb281d08u, 0x3f7de517u}, {0xbc30ffecu, 0x3f774035u}, {0xbca238b0u, 0x3f7030fcu},
    {0xbcb5048au, 0x3f6e6c86u}, {0xbff1a194u, 0x3b167f3bu}, {0xc1c80de2u, 0x056a48c2u},
};
} // namespace
const HardCaseTable kPow25HardCases{kPow25HardCasesData, 24};

const HardCaseTable kSinHardCases{nullptr, 0};
const HardCaseTable kCosHardCases{nullptr, 0};
const HardCaseTable kTanHardCases{nullptr, 0};
const HardCaseTable kExpHardCases{nullptr, 0};
const HardCaseTable kTanhHardCases{nullptr, 0};
const HardCaseTable kAsinHardCases{nullptr, 0};

} // namespace fennrow::maths::detail
