// Writes rendered audio as a stereo WAV file through libsndfile.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "audio_buffer.h"

namespace fennrow {

enum class SampleFormat { Float32, Pcm24 };

// "float" or "24"; nothing for any other text.
std::optional<SampleFormat> parseSampleFormat(std::string_view text);

// Writes the file; on failure returns false and says why in `error`.
// The file holds nothing that changes from run to run, so equal audio gives
// equal bytes.
bool writeWav(const std::string& path, const StereoAudio& audio, SampleFormat format, std::string& error);

// Reads a WAV (any libsndfile format) back as 32-bit float samples; used by
// the tests and to compare renders.
std::optional<StereoAudio> readWav(const std::string& path, std::string& error);

} // namespace fennrow
