// A bass line with automation and a transport, rendered through the VST 3
// module and through the CLAP module, block by block, for comparing the two.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fennrow::test {

struct ScoreNote {
    std::uint32_t frame;
    std::int16_t key;
    float velocity; // 0 marks a note off
};

struct ScorePoint {
    std::uint32_t frame;
    std::uint32_t id;
    double normalized;
};

struct ScoreTransport {
    double tempo;
    double startBeats;
    bool playing;
};

struct Score {
    double sampleRate = 48000.0;
    std::uint32_t frames = 0;
    std::int32_t blockSize = 512;
    std::vector<ScoreNote> notes;
    std::vector<ScorePoint> points;
    std::optional<ScoreTransport> transport;
    std::string program; // a factory sound to start from, or empty
};

// A four-bar bass line at 120 beats per minute with glide, a note repeated
// on the same key, and automation of a continuous and a stepped parameter.
Score bassLine(std::int32_t blockSize, std::optional<ScoreTransport> transport);

struct Rendered {
    std::vector<float> left;
    std::vector<float> right;
    bool ok = false;
};

Rendered renderThroughVst3(const Score& score);
Rendered renderThroughClap(const Score& score);

} // namespace fennrow::test
