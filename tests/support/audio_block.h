// Output buffers and a process record for driving a plugin in tests.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <vector>

namespace fennrow::test {

class AudioBlock {
public:
    // channels: 1 for mono, 2 for stereo. Buffers start filled with `fill`, so
    // a test can see which frames the plugin wrote.
    explicit AudioBlock(uint32_t frames, uint32_t channels = 2, float fill = 0.0f);
    AudioBlock(const AudioBlock&) = delete;
    AudioBlock& operator=(const AudioBlock&) = delete;

    // The process record for the next call; events and transport may be null.
    const clap_process_t* process(const clap_input_events_t* events = nullptr,
                                  const clap_event_transport_t* transport = nullptr);

    std::vector<float>& channel(uint32_t index) { return data_[index]; }
    void fill(float value);

    uint32_t frames;
    clap_audio_buffer_t output{};

private:
    std::vector<std::vector<float>> data_;
    std::vector<float*> pointers_;
    clap_process_t process_{};
};

// A transport record as a host fills it.
clap_event_transport_t makeTransport(uint32_t flags, double tempo, double songPositionBeats);

} // namespace fennrow::test
