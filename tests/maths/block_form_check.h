// The check every batched float routine passes: each of its forms gives the
// scalar function's bits, lane for lane, at every length asked for (tails
// included) and in place.
#pragma once

#include "maths/bit_cast.h"
#include "maths/simd.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ios>
#include <string>
#include <vector>

namespace fennrow::maths {

struct BlockForm {
    const char* name;
    void (*run)(const float*, float*, int);
    SimdPath needs; // the form runs where this path is available
};

inline std::string blockFormName(const testing::TestParamInfo<BlockForm>& info) { return info.param.name; }

inline void expectScalarBitsAtEveryLength(const BlockForm& form, const std::vector<float>& in,
                                          float (*scalar)(float), std::initializer_list<int> lengths) {
    std::vector<uint32_t> want(in.size());
    for (size_t i = 0; i < in.size(); ++i) want[i] = bitCast<uint32_t>(scalar(in[i]));
    for (const int length : lengths) {
        for (size_t start = 0; start + length <= in.size(); start += length) {
            std::vector<float> inPlace(in.begin() + start, in.begin() + start + length);
            std::vector<float> out(length);
            form.run(in.data() + start, out.data(), length);
            form.run(inPlace.data(), inPlace.data(), length);
            for (int m = 0; m < length; ++m) {
                ASSERT_EQ(bitCast<uint32_t>(out[m]), want[start + m])
                    << form.name << " length " << length << " at " << std::hexfloat << in[start + m];
                ASSERT_EQ(bitCast<uint32_t>(inPlace[m]), want[start + m]) << form.name << " in place";
            }
        }
    }
}

} // namespace fennrow::maths
