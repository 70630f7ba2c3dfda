// The transport the render host reports with every block: playing from the
// start of the song, with tempo, song position in beats and seconds, and the
// bar the block starts in.
#pragma once

#include <clap/clap.h>

#include "tempo_map.h"

namespace fennrow {

struct Meter {
    int numerator = 4;
    int denominator = 4;
};

double beatsPerBar(const Meter& meter);

clap_event_transport_t makeTransport(const TempoMap& tempo, const Meter& meter, double seconds);

} // namespace fennrow
