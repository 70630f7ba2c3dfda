#include "tempo_map.h"

#include <algorithm>
#include <cmath>

namespace fennrow {
namespace {

constexpr double kSecondsPerMinute = 60.0;

double secondsPerBeat(double bpm) { return kSecondsPerMinute / bpm; }

} // namespace

TempoMap constantTempo(double bpm) {
    return TempoMap{{TempoChange{0.0, std::clamp(bpm, kMinTempo, kMaxTempo)}}};
}

TempoMap makeTempoMap(std::vector<TempoChange> changes, double fallbackBpm) {
    if (changes.empty()) return constantTempo(fallbackBpm);
    for (TempoChange& change : changes) {
        change.beat = std::isfinite(change.beat) ? std::max(0.0, change.beat) : 0.0;
        change.bpm = std::isfinite(change.bpm) ? std::clamp(change.bpm, kMinTempo, kMaxTempo) : fallbackBpm;
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.beat < b.beat; });
    // Of several changes at one beat the last one written wins.
    TempoMap map;
    map.changes.clear();
    for (const TempoChange& change : changes) {
        if (!map.changes.empty() && map.changes.back().beat == change.beat) {
            map.changes.back() = change;
        } else {
            map.changes.push_back(change);
        }
    }
    map.changes.front().beat = 0.0;
    return map;
}

double tempoAtBeat(const TempoMap& map, double beat) {
    double bpm = map.changes.front().bpm;
    for (const TempoChange& change : map.changes) {
        if (change.beat > beat) break;
        bpm = change.bpm;
    }
    return bpm;
}

double secondsAtBeat(const TempoMap& map, double beat) {
    double seconds = 0.0;
    for (std::size_t i = 0; i < map.changes.size(); ++i) {
        const TempoChange& change = map.changes[i];
        const double segmentEnd = i + 1 < map.changes.size() ? map.changes[i + 1].beat : beat;
        if (beat <= segmentEnd || i + 1 == map.changes.size()) {
            return seconds + (beat - change.beat) * secondsPerBeat(change.bpm);
        }
        seconds += (segmentEnd - change.beat) * secondsPerBeat(change.bpm);
    }
    return seconds;
}

double beatAtSeconds(const TempoMap& map, double seconds) {
    double segmentStart = 0.0;
    for (std::size_t i = 0; i < map.changes.size(); ++i) {
        const TempoChange& change = map.changes[i];
        const bool last = i + 1 == map.changes.size();
        const double segmentSeconds =
            last ? 0.0 : (map.changes[i + 1].beat - change.beat) * secondsPerBeat(change.bpm);
        if (last || seconds < segmentStart + segmentSeconds) {
            return change.beat + (seconds - segmentStart) / secondsPerBeat(change.bpm);
        }
        segmentStart += segmentSeconds;
    }
    return 0.0;
}

} // namespace fennrow
