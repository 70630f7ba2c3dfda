// The value a parameter takes when given one, from the host or from a
// document alike: not a number gives the default, a stepped parameter takes
// the nearest whole number, and the result is held within the range.
#pragma once

#include "plugin/param_table.h"

#include <algorithm>
#include <cmath>

namespace fennrow::plugin {

// The step a stepped parameter takes: the nearest whole number, halves away
// from zero.
inline float nearestStep(float value) { return std::round(value); }

inline float paramValueFor(const ParamSpec& spec, float value) {
    if (std::isnan(value)) return spec.defaultValue;
    if (spec.stepped) value = nearestStep(value);
    return std::clamp(value, spec.min, spec.max);
}

} // namespace fennrow::plugin
