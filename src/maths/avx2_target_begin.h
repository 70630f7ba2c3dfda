// Everything defined between this and avx2_target_end.h is built for AVX2
// and FMA; the file that includes them runs that code only where the
// processor has both. Include every shared header with external inline
// functions before this one: an inline function defined here would take the
// target, and the linker could keep that copy for callers on any processor.
// (Deliberately without an include guard: it opens what avx2_target_end.h
// closes.)
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
