#include "plugin/snapshot_exchange.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace fennrow::test {
namespace {

engine::SoundSnapshot marked(float weight) {
    engine::SoundSnapshot snapshot = engine::defaultSoundSnapshot();
    snapshot.params.weight = weight;
    return snapshot;
}

void expectDistinctSlots(const plugin::SnapshotExchange& exchange) {
    const std::set<uint32_t> slots = {exchange.writer, exchange.reader,
                                      exchange.shared.load() & plugin::SnapshotExchange::kSlotMask};
    EXPECT_EQ(slots.size(), 3u);
    EXPECT_LT(*slots.rbegin(), 3u);
}

TEST(SnapshotExchange, StartsWithNothingWaiting) {
    plugin::SnapshotExchange exchange;
    EXPECT_EQ(exchange.shared.load(), 2u);
    EXPECT_EQ(exchange.writer, 0u);
    EXPECT_EQ(exchange.reader, 1u);
    engine::SoundSnapshot live = marked(0.25f);
    EXPECT_FALSE(pickUpSnapshot(exchange, live));
    EXPECT_EQ(live.params.weight, 0.25f);
}

TEST(SnapshotExchange, PicksUpTheNewestAndOnlyOnce) {
    plugin::SnapshotExchange exchange;
    engine::SoundSnapshot live = engine::defaultSoundSnapshot();
    publishSnapshot(exchange, marked(0.1f));
    expectDistinctSlots(exchange);
    publishSnapshot(exchange, marked(0.2f)); // replaces the one not yet taken
    expectDistinctSlots(exchange);
    ASSERT_TRUE(pickUpSnapshot(exchange, live));
    EXPECT_EQ(live.params.weight, 0.2f);
    expectDistinctSlots(exchange);
    live.params.weight = 0.9f;
    EXPECT_FALSE(pickUpSnapshot(exchange, live));
    EXPECT_EQ(live.params.weight, 0.9f);
}

TEST(SnapshotExchange, AlternatingRoundsDeliverEverySnapshot) {
    plugin::SnapshotExchange exchange;
    engine::SoundSnapshot live = engine::defaultSoundSnapshot();
    for (int round = 0; round < 50; ++round) {
        engine::SoundSnapshot sent = marked(static_cast<float>(round));
        sent.curves.points[engine::kCurveArcSpread][round % engine::kCurvePoints] = 1.0f;
        publishSnapshot(exchange, sent);
        ASSERT_TRUE(pickUpSnapshot(exchange, live));
        EXPECT_EQ(std::memcmp(&live, &sent, sizeof live), 0) << round;
        expectDistinctSlots(exchange);
    }
}

} // namespace
} // namespace fennrow::test
