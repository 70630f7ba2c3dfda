// The colours of the spectrogram: dark violet for silence through red and
// orange to pale yellow for full scale.
#pragma once

#include <cstdint>

namespace fennrow {

struct Rgb {
    std::uint8_t r, g, b;
};

// `t` from 0 (silence) to 1 (loudest); values outside are clamped.
Rgb levelColour(double t);

} // namespace fennrow
