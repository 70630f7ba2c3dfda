// WAV files and the spectrogram of the render host.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

#include "spectrogram.h"
#include "wav_writer.h"

namespace fennrow::test {
namespace {

std::string workPath(const std::string& name) { return std::string(FENNROW_RENDER_WORK_DIR) + "/" + name; }

StereoAudio sine(double hz, double amplitude, double seconds, double sampleRate = 48000.0) {
    StereoAudio audio;
    audio.sampleRate = sampleRate;
    const std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
    for (std::size_t i = 0; i < frames; ++i) {
        const float v =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / sampleRate));
        audio.left.push_back(v);
        audio.right.push_back(v);
    }
    return audio;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Wav, FloatFilesKeepEverySampleAndCarryNoTimestamp) {
    StereoAudio audio = sine(100.0, 0.5, 0.1);
    audio.right[3] = -1.75f; // overs survive in float
    std::string error;
    const std::string path = workPath("float.wav");
    ASSERT_TRUE(writeWav(path, audio, SampleFormat::Float32, error)) << error;
    auto back = readWav(path, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->sampleRate, 48000.0);
    EXPECT_EQ(back->left, audio.left);
    EXPECT_EQ(back->right, audio.right);
    // libsndfile's PEAK chunk holds the time of writing; it would make two
    // renders of the same audio differ.
    EXPECT_EQ(fileBytes(path).find("PEAK"), std::string::npos);
}

TEST(Wav, TwentyFourBitFilesRoundToTheGridAndClipOvers) {
    StereoAudio audio = sine(100.0, 0.5, 0.05, 44100.0);
    audio.left[0] = 1.5f;
    audio.left[1] = -3.0f;
    std::string error;
    const std::string path = workPath("pcm24.wav");
    ASSERT_TRUE(writeWav(path, audio, SampleFormat::Pcm24, error)) << error;
    auto back = readWav(path, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->sampleRate, 44100.0);
    ASSERT_EQ(back->left.size(), audio.left.size());
    EXPECT_NEAR(back->left[0], 1.0f, 1e-6);
    EXPECT_NEAR(back->left[1], -1.0f, 1e-6);
    for (std::size_t i = 2; i < audio.left.size(); ++i)
        EXPECT_NEAR(back->left[i], audio.left[i], 1.0 / (1 << 23));
}

TEST(Wav, AnUnwritablePathIsAnErrorNotACrash) {
    std::string error;
    EXPECT_FALSE(writeWav("/nonexistent-folder/x.wav", sine(100, 0.5, 0.01), SampleFormat::Float32, error));
    EXPECT_NE(error.find("/nonexistent-folder/x.wav"), std::string::npos);
}

TEST(Spectrogram, AFullScaleSineShowsAtItsFrequencyNearZeroDecibels) {
    // One tone per band of transform lengths: a bass, a middle and a high one.
    for (double hz : {55.0, 440.0, 5000.0}) {
        const Spectrogram s = computeSpectrogram(sine(hz, 1.0, 1.0), 20, 300, 20.0, 20000.0);
        const int column = 10;
        int loudestRow = 0;
        for (int r = 0; r < s.rows; ++r) {
            if (s.levels[r * s.columns + column] > s.levels[loudestRow * s.columns + column]) loudestRow = r;
        }
        // Within a semitone: the long bass transform still has bins 6 Hz apart.
        EXPECT_NEAR(rowFrequency(s, loudestRow), hz, hz * 0.06) << hz;
        EXPECT_NEAR(s.levels[loudestRow * s.columns + column], 0.0, 1.5) << hz;
        // Two octaves away the tone is far below.
        const int farRow = static_cast<int>(std::lround(frequencyRow(s, hz > 1000 ? hz / 4 : hz * 4)));
        EXPECT_LT(s.levels[farRow * s.columns + column], -60.0) << hz;
    }
}

TEST(Spectrogram, RowsRunFromTheTopFrequencyDownOnALogScale) {
    Spectrogram s;
    s.rows = 101;
    s.minHz = 20.0;
    s.maxHz = 20000.0;
    EXPECT_DOUBLE_EQ(rowFrequency(s, 0), 20000.0);
    EXPECT_DOUBLE_EQ(rowFrequency(s, 100), 20.0);
    EXPECT_NEAR(rowFrequency(s, 50), 632.455, 1e-3); // the geometric middle
    EXPECT_NEAR(frequencyRow(s, 632.455), 50.0, 1e-4);
}

} // namespace
} // namespace fennrow::test
