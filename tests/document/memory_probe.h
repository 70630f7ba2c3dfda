// Counts the bytes live through operator new, and the most that were live at
// once, so that a test can state what a piece of work takes at its peak.
#pragma once

#include <cstddef>

namespace fennrow::test {

// The bytes asked for and not yet given back.
std::size_t liveBytes();
// The most bytes live at once since the last reset; a reset starts from what
// is live now.
std::size_t peakLiveBytes();
void resetPeakLiveBytes();

} // namespace fennrow::test
