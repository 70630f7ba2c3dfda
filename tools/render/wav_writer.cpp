#include "wav_writer.h"

#include <sndfile.h>

#include <cmath>
#include <memory>

namespace fennrow {
namespace {

constexpr int kChannels = 2;
constexpr sf_count_t kChunkFrames = 8192;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

int formatCode(SampleFormat format) {
    return SF_FORMAT_WAV | (format == SampleFormat::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
}

} // namespace

std::optional<SampleFormat> parseSampleFormat(std::string_view text) {
    if (text == "float" || text == "32f" || text == "float32") return SampleFormat::Float32;
    if (text == "24" || text == "pcm24") return SampleFormat::Pcm24;
    return std::nullopt;
}

bool writeWav(const std::string& path, const StereoAudio& audio, SampleFormat format, std::string& error) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
    info.channels = kChannels;
    info.format = formatCode(format);
    SndfileHandle file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    // The PEAK chunk of float files carries the time of writing; leave it out
    // so that two renders of the same sound are the same file.
    sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Integer output saturates instead of wrapping around on overs.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    const sf_count_t frames = static_cast<sf_count_t>(audio.left.size());
    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * kChannels);
    for (sf_count_t start = 0; start < frames; start += kChunkFrames) {
        const sf_count_t count = std::min(kChunkFrames, frames - start);
        for (sf_count_t i = 0; i < count; ++i) {
            interleaved[static_cast<std::size_t>(i) * 2] = audio.left[static_cast<std::size_t>(start + i)];
            interleaved[static_cast<std::size_t>(i) * 2 + 1] =
                audio.right[static_cast<std::size_t>(start + i)];
        }
        if (sf_writef_float(file.get(), interleaved.data(), count) != count) {
            error = "cannot write " + path + ": " + sf_strerror(file.get());
            return false;
        }
    }
    if (sf_close(file.release()) != 0) {
        error = "cannot finish " + path;
        return false;
    }
    return true;
}

std::optional<StereoAudio> readWav(const std::string& path, std::string& error) {
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return std::nullopt;
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * info.channels);
    if (sf_readf_float(file.get(), interleaved.data(), info.frames) != info.frames) {
        error = "cannot read the samples of " + path;
        return std::nullopt;
    }
    StereoAudio audio;
    audio.sampleRate = info.samplerate;
    audio.left.resize(static_cast<std::size_t>(info.frames));
    audio.right.resize(static_cast<std::size_t>(info.frames));
    const std::size_t channels = static_cast<std::size_t>(info.channels);
    for (std::size_t i = 0; i < audio.left.size(); ++i) {
        audio.left[i] = interleaved[i * channels];
        audio.right[i] = interleaved[i * channels + (channels > 1 ? 1 : 0)];
    }
    return audio;
}

} // namespace fennrow
