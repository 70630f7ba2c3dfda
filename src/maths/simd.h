// The vector forms this build has, stated once for the whole library and
// the engine. On x86-64 with a GNU-style compiler (GCC, Clang, MinGW) the
// SSE2 forms are the baseline and the AVX2 forms are built beside them, in
// the files named *_avx2.cpp, each of which marks its own code for AVX2
// and FMA with avx2_target_begin.h and avx2_target_end.h. The processor is
// asked once, while the library loads, which of them runs. Built with
// FENNROW_NO_SIMD (the no-simd preset) only the scalar forms are left;
// every vector form gives exactly their bits.
#pragma once

#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__) && !defined(FENNROW_NO_SIMD)
#define FENNROW_SIMD 1
#else
#define FENNROW_SIMD 0
#endif

// For the small helpers of the lane loops, which must fold into their
// caller to keep its values in registers.
#if defined(__GNUC__)
#define FENNROW_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define FENNROW_ALWAYS_INLINE inline
#endif

namespace fennrow::maths {

// The instruction sets a routine has forms for, slowest first.
enum class SimdPath { Scalar, Sse2, Avx2 };

// The fastest path this processor runs: Avx2 where it has both AVX2 and
// FMA (what the AVX2 forms are built for), Sse2 on any other x86-64.
// Decided while the library loads, so the audio thread never waits on a
// guard; a call from another library's start-up before that sees Scalar,
// whose results are the same bits.
SimdPath bestSimdPath();

// Whether this processor runs `path`; for tests and benchmarks, which check
// every form against the scalar one.
bool simdPathAvailable(SimdPath path);

// "scalar", "sse2" or "avx2", the namespace of the path's forms.
const char* simdPathName(SimdPath path);

// One form of a block function over floats (sinfBlock, exp2fBlock).
using FloatBlockForm = void(const float* in, float* out, int count);

// Every routine with vector forms has the same shape: one form per
// instruction set, each in the namespace of its set (scalar, sse2, avx2)
// under the same name and declared in the routine's header, the AVX2 one
// defined in the routine's *_avx2.cpp file; and one table of the forms,
// indexed by SimdPath, through which the routine's callers go once per
// block. A build without SIMD fills every slot with the scalar form.
template <class Form>
struct SimdForms {
    Form* forms[3];
    constexpr Form* operator[](SimdPath path) const { return forms[static_cast<int>(path)]; }
};

} // namespace fennrow::maths

// The SimdForms of the routine `name`, from the namespace the table is
// written in: scalar::name, sse2::name, avx2::name.
#if FENNROW_SIMD
#define FENNROW_SIMD_FORMS(name)                                                                             \
    {                                                                                                        \
        { scalar::name, sse2::name, avx2::name }                                                             \
    }
#else
#define FENNROW_SIMD_FORMS(name)                                                                             \
    {                                                                                                        \
        { scalar::name, scalar::name, scalar::name }                                                         \
    }
#endif
