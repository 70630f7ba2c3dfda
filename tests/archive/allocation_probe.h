#pragma once

// Records the largest single allocation made through operator new, so that
// tests can show that a hostile archive does not make the reader claim the
// memory it merely declares.

#include <cstddef>

namespace fennrow::test {

void resetLargestAllocation();
std::size_t largestAllocation();

} // namespace fennrow::test
