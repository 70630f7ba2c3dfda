// The picture of a render: the waveform over a log-frequency spectrogram, with
// a time axis, drawn with Cairo and written as PNG.
#pragma once

#include <string>
#include <vector>

#include "audio_buffer.h"

namespace fennrow {

struct PictureText {
    std::string title;    // e.g. the sound's name
    std::string subtitle; // e.g. category, tempo and sample rate
};

struct PictureLayout {
    int width = 1200;
    int height = 500;
};

// Writes the PNG; `barSeconds` are drawn as faint bar lines (may be empty).
// On failure returns false with the reason in `error`.
bool writePicture(const std::string& path, const StereoAudio& audio, const PictureText& text,
                  const std::vector<double>& barSeconds, const PictureLayout& layout, std::string& error);

// Frees the font caches that Cairo and fontconfig keep for the life of the
// process, so a leak checker at exit sees only real leaks. Call once, when no
// picture is being drawn any more.
void releasePictureCaches();

} // namespace fennrow
