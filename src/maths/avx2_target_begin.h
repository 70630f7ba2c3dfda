// Everything defined between this and avx2_target_end.h is built for AVX2
// and FMA; the file that includes them runs that code only where the
// processor has both. Two rules on the headers around it, each checked by
// the headers themselves:
// - a shared header with external inline functions comes before this one
//   (it fails the build otherwise): an inline function
//   defined here would take the target, and the linker could keep that copy
//   for callers on any processor;
// - a lanes header, whose templates the AVX2 forms instantiate, comes after
//   (it defines FENNROW_LANE_TEMPLATES): included before, it would be built
//   without the target, and #pragma once would keep it so.
// (Deliberately without an include guard: it opens what avx2_target_end.h
// closes.)
#if defined(FENNROW_AVX2_TARGET)
#error "avx2_target_begin.h twice without avx2_target_end.h"
#endif
#if defined(FENNROW_LANE_TEMPLATES)
#error "a lanes header was included before avx2_target_begin.h; include it after"
#endif
#define FENNROW_AVX2_TARGET

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
