// Closes what avx2_target_begin.h opened.
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#undef FENNROW_AVX2_TARGET
