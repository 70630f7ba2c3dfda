// Every one of the 2^32 inputs through sinfPair, in both lanes, against the
// scalar sinf (which fennrow_float_exhaustive checks against MPFR): the
// pair's shorter estimate must give sinf's bits wherever it decides, and
// hand every other input to sinf. Prints the mismatches (none allowed) and
// how often the short estimate left the rounding open.
#include "maths/sine_pair.h"

#include "float_oracle.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>

using namespace fennrow;
using namespace fennrow::maths;

int main() {
    std::atomic<uint64_t> mismatches{0};
    std::atomic<uint64_t> undecided{0};
    const auto start = std::chrono::steady_clock::now();
    oracle::forEveryFloat([&](uint32_t bits, int) {
        const float x = std::bit_cast<float>(bits);
        const float other = std::bit_cast<float>(bits ^ 0x80000000u); // -x in the other lane
        float a, b;
        sinfPair(x, other, a, b);
        const uint32_t want = std::bit_cast<uint32_t>(maths::sinf(x));
        const uint32_t wantOther = std::bit_cast<uint32_t>(maths::sinf(other));
        const bool nan = x != x;
        if (!nan && (std::bit_cast<uint32_t>(a) != want || std::bit_cast<uint32_t>(b) != wantOther)) {
            if (mismatches.fetch_add(1) < 20)
                std::printf("sinfPair(%a, %a): %a %a, sinf gives %a %a\n", x, other, a, b, maths::sinf(x), maths::sinf(other));
        }
        if (nan && (a == a || b == b)) mismatches.fetch_add(1);
#if FENNROW_QUICK_SINE
        // Only arguments within the short reduction count: the others go to
        // sinf by design.
        const int decided = maths::detail::quickSineTwo(_mm_cvtps_pd(_mm_setr_ps(x, other, 0.0f, 0.0f))).decided;
        const bool inRange = x != 0.0f && std::fabs(x) <= maths::detail::kShortReductionLimit;
        if (inRange && !(decided & 1)) undecided.fetch_add(1, std::memory_order_relaxed);
#endif
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("sinfPair %s: %llu mismatches, %llu arguments up to 2^20 left to sinf, %.0f s\n",
                mismatches == 0 ? "ok" : "FAIL", static_cast<unsigned long long>(mismatches.load()),
                static_cast<unsigned long long>(undecided.load()), seconds);
    return mismatches == 0 ? 0 : 1;
}
