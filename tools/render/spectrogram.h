// A log-frequency spectrogram of rendered audio, computed with FFTW: one
// column per picture column, one row per picture row, levels in dB relative
// to a full-scale sine.
#pragma once

#include <vector>

#include "audio_buffer.h"

namespace fennrow {

struct Spectrogram {
    int columns = 0;
    int rows = 0;
    double minHz = 20.0;
    double maxHz = 20000.0;
    // Row-major, row 0 at the top (the highest frequency).
    std::vector<float> levels;
};

// The frequency at the centre of `row` (row 0 is maxHz, the last row minHz).
double rowFrequency(const Spectrogram& spectrogram, double row);

// The row at which `hz` lies (may be fractional or outside 0..rows-1).
double frequencyRow(const Spectrogram& spectrogram, double hz);

Spectrogram computeSpectrogram(const StereoAudio& audio, int columns, int rows, double minHz, double maxHz);

} // namespace fennrow
