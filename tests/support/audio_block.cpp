#include "support/audio_block.h"

#include "plugin_loader/clap_events.h"

#include <algorithm>
#include <cmath>

namespace fennrow::test {

AudioBlock::AudioBlock(uint32_t frameCount, uint32_t channels, float fillValue)
    : frames(frameCount), data_(channels, std::vector<float>(frameCount, fillValue)) {
    for (auto& samples : data_) pointers_.push_back(samples.data());
    output.data32 = pointers_.data();
    output.data64 = nullptr;
    output.channel_count = channels;
    output.latency = 0;
    output.constant_mask = 0;
}

const clap_process_t* AudioBlock::process(const clap_input_events_t* events,
                                          const clap_event_transport_t* transport) {
    process_ = {};
    process_.steady_time = -1;
    process_.frames_count = frames;
    process_.transport = transport;
    process_.audio_inputs = nullptr;
    process_.audio_outputs = &output;
    process_.audio_inputs_count = 0;
    process_.audio_outputs_count = 1;
    process_.in_events = events;
    process_.out_events = nullptr;
    return &process_;
}

void AudioBlock::fill(float value) {
    for (auto& samples : data_) std::fill(samples.begin(), samples.end(), value);
}

clap_event_transport_t makeTransport(uint32_t flags, double tempo, double songPositionBeats) {
    clap_event_transport_t transport{};
    transport.header = coreEventHeader(sizeof transport, 0, CLAP_EVENT_TRANSPORT);
    transport.flags = flags;
    transport.song_pos_beats =
        static_cast<clap_beattime>(std::llround(songPositionBeats * CLAP_BEATTIME_FACTOR));
    transport.tempo = tempo;
    transport.tsig_num = 4;
    transport.tsig_denom = 4;
    return transport;
}

} // namespace fennrow::test
