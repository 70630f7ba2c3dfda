// Musical time against clock time: a list of tempo changes, each holding from
// its beat until the next. The render host drives its transport from it.
#pragma once

#include <vector>

namespace fennrow {

struct TempoChange {
    double beat = 0.0;
    double bpm = 120.0;
};

struct TempoMap {
    // Sorted by beat; the first change is at beat 0.
    std::vector<TempoChange> changes{TempoChange{}};
};

constexpr double kMinTempo = 10.0;
constexpr double kMaxTempo = 999.0;

TempoMap constantTempo(double bpm);

// Builds a map from changes in any order: sorted by beat, tempi clamped to
// kMinTempo..kMaxTempo, negative beats moved to 0, and the tempo before the
// first change is that of the first change. An empty list gives `fallbackBpm`.
TempoMap makeTempoMap(std::vector<TempoChange> changes, double fallbackBpm);

double tempoAtBeat(const TempoMap& map, double beat);
double secondsAtBeat(const TempoMap& map, double beat);
double beatAtSeconds(const TempoMap& map, double seconds);

} // namespace fennrow
