// Every one of the 2^32 inputs through sinfPair and its fused form, in both
// lanes, against the scalar sinf (which fennrow_float_exhaustive checks
// against MPFR): the pair's shorter estimate must give sinf's bits wherever
// it decides, and hand every other input to sinf. Prints the mismatches
// (none allowed) and how often each estimate left the rounding open.
#include "maths/bit_cast.h"
#include "maths/sine_pair.h"

#include "float_oracle.h"
#include "sine_pair_exhaustive.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

using namespace fennrow;

#if FENNROW_SIMD

namespace {

using Pair = void (*)(float, float, float&, float&);
using Decided = int (*)(__m128d); // the rounding test's bits for two lanes

void plainPair(float a, float b, float& sinA, float& sinB) { maths::sinfPair(a, b, sinA, sinB); }
int plainDecided(__m128d x) { return maths::sinePairEstimate<maths::PlainPairOps>(x).decided; }

bool check(const char* name, Pair pair, Decided decided) {
    std::atomic<uint64_t> mismatches{0};
    std::atomic<uint64_t> undecided{0};
    const auto start = std::chrono::steady_clock::now();
    maths::oracle::forEveryFloat([&](uint32_t bits, int) {
        const float x = fennrow::maths::bitCast<float>(bits);
        const float other = fennrow::maths::bitCast<float>(bits ^ 0x80000000u); // -x in the other lane
        float a, b;
        pair(x, other, a, b);
        const float wantA = maths::sinf(x);
        const float wantB = maths::sinf(other);
        const bool good =
            x != x ? a != a && b != b
                   : fennrow::maths::bitCast<uint32_t>(a) == fennrow::maths::bitCast<uint32_t>(wantA) &&
                         fennrow::maths::bitCast<uint32_t>(b) == fennrow::maths::bitCast<uint32_t>(wantB);
        if (!good && mismatches.fetch_add(1) < 20)
            std::printf("%s(%a, %a): %a %a, sinf gives %a %a\n", name, x, other, a, b, wantA, wantB);
        // Only arguments within the short reduction count: the others go to
        // sinf by design.
        const bool inRange = x != 0.0f && std::fabs(x) <= maths::detail::kShortReductionLimit;
        if (inRange && !(decided(_mm_cvtps_pd(_mm_setr_ps(x, other, 0.0f, 0.0f))) & 1))
            undecided.fetch_add(1, std::memory_order_relaxed);
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s %s: %llu mismatches, %llu arguments up to 2^20 left to sinf, %.0f s\n", name,
                mismatches == 0 ? "ok" : "FAIL", static_cast<unsigned long long>(mismatches.load()),
                static_cast<unsigned long long>(undecided.load()), seconds);
    std::fflush(stdout);
    return mismatches == 0;
}

} // namespace

// With an argument, "plain" or "fused", only that form.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    bool good = true;
    if (only != "fused") good &= check("sinfPair", plainPair, plainDecided);
    if (only == "plain") return good ? 0 : 1;
    if (maths::bestSimdPath() == maths::SimdPath::Avx2)
        good &= check("sinfPairFused", fusedPair, fusedDecided);
    else
        std::printf("sinfPairFused: skipped, this processor has no AVX2 and FMA\n");
    return good ? 0 : 1;
}

#else

int main() {
    std::printf("sinfPair: built without SSE2, it is sinf itself\n");
    return 0;
}

#endif
