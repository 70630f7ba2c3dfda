// The double-precision first step of each single-precision function (see
// float_rounding.h), visible so the oracle tools can find the inputs it
// cannot decide.
#pragma once

#include "maths/float_rounding.h"

namespace fennrow::maths::detail {

Estimate sinEstimate(float x);
Estimate cosEstimate(float x);
Estimate tanEstimate(float x);
Estimate expEstimate(float x);
Estimate exp2Estimate(float x);
Estimate pow25Estimate(float x);
Estimate tanhEstimate(float x);
Estimate asinEstimate(float x);

} // namespace fennrow::maths::detail
