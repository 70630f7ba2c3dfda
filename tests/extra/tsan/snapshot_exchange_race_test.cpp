// A publishing thread against a picking-up thread. Every snapshot the reader
// takes must be one the writer published whole (all its numbers carry the
// same round), rounds must never go backwards, and ThreadSanitizer must see
// no data race.
#include "plugin/snapshot_exchange.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int kRounds = 100000; // below 2^24, so each round is exact as a float

fennrow::engine::SoundSnapshot roundSnapshot(int round) {
    fennrow::engine::SoundSnapshot snapshot;
    const auto value = static_cast<float>(round);
    for (int slot = 0; slot < fennrow::engine::kSoundParamCount; ++slot) {
        fennrow::engine::slotValue(snapshot.params, slot) = value;
    }
    for (auto& curve : snapshot.curves.points) {
        for (float& point : curve) point = value;
    }
    return snapshot;
}

// The round the snapshot belongs to, or -1 when its numbers disagree.
int wholeRound(const fennrow::engine::SoundSnapshot& snapshot) {
    const float first = snapshot.params.weight;
    for (int slot = 0; slot < fennrow::engine::kSoundParamCount; ++slot) {
        if (fennrow::engine::slotValue(snapshot.params, slot) != first) return -1;
    }
    for (const auto& curve : snapshot.curves.points) {
        for (float point : curve) {
            if (point != first) return -1;
        }
    }
    return static_cast<int>(first);
}

} // namespace

int main() {
    auto* exchange = new fennrow::plugin::SnapshotExchange;
    auto* live = new fennrow::engine::SoundSnapshot(roundSnapshot(0));
    std::atomic<bool> done{false};

    std::thread writer([&] {
        for (int round = 1; round <= kRounds; ++round) {
            fennrow::plugin::publishSnapshot(*exchange, roundSnapshot(round));
        }
        done.store(true, std::memory_order_release);
    });

    int torn = 0;
    int backwards = 0;
    int pickUps = 0;
    int last = 0;
    bool finished = false;
    while (!finished) {
        finished = done.load(std::memory_order_acquire);
        if (!fennrow::plugin::pickUpSnapshot(*exchange, *live)) continue;
        ++pickUps;
        const int round = wholeRound(*live);
        if (round < 0) {
            ++torn;
        } else {
            if (round < last) ++backwards;
            last = round;
        }
    }
    writer.join();
    // After the writer is done, whatever still waits is the last round.
    if (fennrow::plugin::pickUpSnapshot(*exchange, *live)) last = wholeRound(*live);

    std::printf("pick-ups %d, torn %d, backwards %d, last round %d\n", pickUps, torn, backwards, last);
    delete live;
    delete exchange;
    const bool ok = torn == 0 && backwards == 0 && last == kRounds && pickUps > 0;
    return ok ? 0 : 1;
}
