// The hard-case tables are only right for the estimates they were made
// from: an entry that today's estimate decides means the estimate changed
// since the table was written, and the exhaustive tool must run again.
#include "maths/bit_cast.h"
#include "maths/float_estimates.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace fennrow::maths::detail {
namespace {

struct TableOf {
    const char* name;
    Estimate (*estimate)(float);
    const HardCaseTable& table;
};

TEST(HardCaseTables, EveryEntryIsStillUndecidedAndInOrder) {
    const TableOf tables[] = {
        {"sinf", sinEstimate, kSinHardCases},    {"cosf", cosEstimate, kCosHardCases},
        {"tanf", tanEstimate, kTanHardCases},    {"expf", expEstimate, kExpHardCases},
        {"exp2f", exp2Estimate, kExp2HardCases}, {"pow25f", pow25Estimate, kPow25HardCases},
        {"tanhf", tanhEstimate, kTanhHardCases}, {"asinf", asinEstimate, kAsinHardCases},
    };
    for (const TableOf& t : tables) {
        ASSERT_GT(t.table.count, 0) << t.name;
        for (int i = 0; i < t.table.count; ++i) {
            const uint32_t input = t.table.cases[i].input;
            float rounded;
            EXPECT_FALSE(passesRoundingTest(t.estimate(bitCast<float>(input)), rounded))
                << t.name << " 0x" << std::hex << input << " is decided by today's estimate";
            if (i > 0) {
                EXPECT_LT(t.table.cases[i - 1].input, input) << t.name << " table out of order";
            }
        }
    }
}

} // namespace
} // namespace fennrow::maths::detail
