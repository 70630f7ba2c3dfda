// Hands whole sounds from the main thread to the audio thread without locks:
// a triple buffer in which each side owns one slot and the third is parked in
// a shared index that both sides swap atomically.
#pragma once

#include "engine/sound.h"

#include <atomic>
#include <cstdint>

namespace fennrow::plugin {

struct SnapshotExchange {
    static constexpr uint32_t kSlotMask = 3;
    static constexpr uint32_t kNewMark = 4; // set on the shared index when a snapshot waits

    engine::SoundSnapshot slots[3] = {engine::defaultSoundSnapshot(), engine::defaultSoundSnapshot(),
                                      engine::defaultSoundSnapshot()};
    std::atomic<uint32_t> shared{2};
    uint32_t writer = 0; // main thread only
    uint32_t reader = 1; // audio thread only
};

// Main thread: make this snapshot the next one the audio thread picks up. A
// snapshot published earlier and not yet picked up is replaced.
void publishSnapshot(SnapshotExchange& exchange, const engine::SoundSnapshot& snapshot);

// Audio thread: if a snapshot was published since the last pick-up, copy it
// into live and return true; otherwise leave live alone and return false.
bool pickUpSnapshot(SnapshotExchange& exchange, engine::SoundSnapshot& live);

} // namespace fennrow::plugin
