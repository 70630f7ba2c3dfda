#include "plugin/snapshot_exchange.h"

namespace fennrow::plugin {

void publishSnapshot(SnapshotExchange& exchange, const engine::SoundSnapshot& snapshot) {
    exchange.slots[exchange.writer] = snapshot;
    // Release makes the slot's contents visible to whoever takes the index;
    // acquire makes the slot we get back safe to overwrite next time.
    const uint32_t previous =
        exchange.shared.exchange(exchange.writer | SnapshotExchange::kNewMark, std::memory_order_acq_rel);
    exchange.writer = previous & SnapshotExchange::kSlotMask;
}

bool pickUpSnapshot(SnapshotExchange& exchange, engine::SoundSnapshot& live) {
    if ((exchange.shared.load(std::memory_order_relaxed) & SnapshotExchange::kNewMark) == 0) {
        return false;
    }
    // Only the reader clears the mark, so it is still set here.
    const uint32_t previous = exchange.shared.exchange(exchange.reader, std::memory_order_acq_rel);
    exchange.reader = previous & SnapshotExchange::kSlotMask;
    live = exchange.slots[exchange.reader];
    return true;
}

} // namespace fennrow::plugin
