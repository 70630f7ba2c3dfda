// The one processor check behind bestSimdPath().
#include "maths/simd.h"

namespace fennrow::maths {

namespace {

SimdPath askProcessor() {
#if FENNROW_SIMD
    __builtin_cpu_init(); // may run before the constructors that would do it
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? SimdPath::Avx2 : SimdPath::Sse2;
#else
    return SimdPath::Scalar;
#endif
}

const SimdPath kBestPath = askProcessor();

} // namespace

SimdPath bestSimdPath() { return kBestPath; }

bool simdPathAvailable(SimdPath path) { return static_cast<int>(path) <= static_cast<int>(kBestPath); }

const char* simdPathName(SimdPath path) {
    constexpr const char* kNames[] = {"scalar", "sse2", "avx2"}; // indexed by SimdPath
    return kNames[static_cast<int>(path)];
}

} // namespace fennrow::maths
