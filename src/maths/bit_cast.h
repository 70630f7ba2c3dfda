// The bits of one value read as another type of the same size. The C++ 20
// library's std::bit_cast is missing from some standard libraries the
// plugin is built with (the web build's), so the code uses this one form.
#pragma once

// External inline functions: before avx2_target_begin.h in an AVX2 file.
#if defined(FENNROW_AVX2_TARGET)
#error "include this header before avx2_target_begin.h"
#endif

#include <type_traits>

namespace fennrow::maths {

template <typename To, typename From>
requires(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
         std::is_trivially_copyable_v<From>) constexpr To bitCast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}

} // namespace fennrow::maths
