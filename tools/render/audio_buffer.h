// The rendered audio: two channels of 32-bit samples at one sample rate.
#pragma once

#include <vector>

namespace fennrow {

struct StereoAudio {
    double sampleRate = 48000.0;
    std::vector<float> left;
    std::vector<float> right;
};

inline double durationSeconds(const StereoAudio& audio) {
    return audio.sampleRate > 0.0 ? static_cast<double>(audio.left.size()) / audio.sampleRate : 0.0;
}

} // namespace fennrow
