#include "transport.h"

#include "plugin_loader/clap_events.h"

#include <cmath>

namespace fennrow {
namespace {

constexpr double kBeatsPerWholeNote = 4.0;

clap_beattime toBeatTime(double beats) {
    return static_cast<clap_beattime>(std::llround(beats * static_cast<double>(CLAP_BEATTIME_FACTOR)));
}

clap_sectime toSecTime(double seconds) {
    return static_cast<clap_sectime>(std::llround(seconds * static_cast<double>(CLAP_SECTIME_FACTOR)));
}

} // namespace

double beatsPerBar(const Meter& meter) { return meter.numerator * kBeatsPerWholeNote / meter.denominator; }

clap_event_transport_t makeTransport(const TempoMap& tempo, const Meter& meter, double seconds) {
    const double beat = beatAtSeconds(tempo, seconds);
    const double barLength = beatsPerBar(meter);
    const double bar = std::floor(beat / barLength);

    clap_event_transport_t t{};
    t.header = coreEventHeader(sizeof(clap_event_transport_t), 0, CLAP_EVENT_TRANSPORT);
    t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
              CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
              CLAP_TRANSPORT_IS_PLAYING;
    t.song_pos_beats = toBeatTime(beat);
    t.song_pos_seconds = toSecTime(seconds);
    t.tempo = tempoAtBeat(tempo, beat);
    t.tempo_inc = 0.0;
    t.bar_start = toBeatTime(bar * barLength);
    t.bar_number = static_cast<int32_t>(bar);
    t.tsig_num = static_cast<uint16_t>(meter.numerator);
    t.tsig_denom = static_cast<uint16_t>(meter.denominator);
    return t;
}

} // namespace fennrow
