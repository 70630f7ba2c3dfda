#include "colour_map.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace fennrow {
namespace {

constexpr std::array<Rgb, 9> kAnchors{{
    {4, 4, 12},
    {28, 16, 68},
    {79, 18, 123},
    {129, 37, 129},
    {181, 54, 122},
    {229, 80, 100},
    {251, 135, 97},
    {254, 194, 135},
    {252, 253, 191},
}};

std::uint8_t mix(std::uint8_t a, std::uint8_t b, double t) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
}

} // namespace

Rgb levelColour(double t) {
    if (!(t > 0.0)) return kAnchors.front();
    if (t >= 1.0) return kAnchors.back();
    const double pos = t * (kAnchors.size() - 1);
    const std::size_t i = static_cast<std::size_t>(pos);
    const double f = pos - static_cast<double>(i);
    const Rgb& a = kAnchors[i];
    const Rgb& b = kAnchors[i + 1];
    return Rgb{mix(a.r, b.r, f), mix(a.g, b.g, f), mix(a.b, b.b, f)};
}

} // namespace fennrow
