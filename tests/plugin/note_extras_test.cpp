#include "plugin/note_extras.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace fennrow::test {
namespace {

constexpr uint16_t kSpace = 7;

// One event of our space as raw bytes: header, note id, then the payload
// fields at their wire offsets.
struct WireEvent {
    alignas(8) unsigned char bytes[48] = {};

    WireEvent(uint16_t type, int32_t noteId, uint32_t claimedSize, uint16_t space = kSpace) {
        clap_event_header_t header{claimedSize, 0, space, type, 0};
        std::memcpy(bytes, &header, sizeof header);
        std::memcpy(bytes + 16, &noteId, 4);
    }
    template <typename T>
    WireEvent& at(size_t offset, T value) {
        std::memcpy(bytes + offset, &value, sizeof value);
        return *this;
    }
    const clap_event_header_t* header() const { return reinterpret_cast<const clap_event_header_t*>(bytes); }
};

plugin::NoteExtrasTable registeredTable() {
    plugin::NoteExtrasTable table;
    table.spaceId = kSpace;
    return table;
}

TEST(NoteExtras, GroupsAreStoredFromTheirOffsets) {
    plugin::NoteExtrasTable table = registeredTable();
    EXPECT_TRUE(offerNoteExtrasEvent(
        table, WireEvent(100, 5, 40).at<uint32_t>(20, 11).at<uint32_t>(24, 12).at(32, 0.5).header()));
    EXPECT_TRUE(offerNoteExtrasEvent(table, WireEvent(0, 5, 32).at<uint64_t>(24, 99).header()));
    EXPECT_TRUE(offerNoteExtrasEvent(table, WireEvent(300, 5, 32).at<uint64_t>(24, 300).header()));
    EXPECT_TRUE(offerNoteExtrasEvent(
        table, WireEvent(400, 5, 40).at<uint32_t>(20, 4).at<uint64_t>(24, 44).at(32, -1.5).header()));
    EXPECT_TRUE(offerNoteExtrasEvent(table, WireEvent(500, 5, 32).at<uint64_t>(24, 5).header()));
    const plugin::NoteExtras* record = findNoteExtras(table, 5);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->hasGroup100);
    EXPECT_EQ(record->group100First, 11u);
    EXPECT_EQ(record->group100Second, 12u);
    EXPECT_EQ(record->group100Value, 0.5);
    EXPECT_TRUE(record->hasGroup0);
    EXPECT_EQ(record->group0Value, 99u);
    EXPECT_EQ(record->group300Value, 300u);
    EXPECT_TRUE(record->hasGroup400);
    EXPECT_EQ(record->group400First, 4u);
    EXPECT_EQ(record->group400Second, 44u);
    EXPECT_EQ(record->group400Value, -1.5);
    EXPECT_TRUE(record->hasGroup500);
    EXPECT_EQ(record->group500Value, 5u);
}

TEST(NoteExtras, ListsAccumulateUpToSixteen) {
    plugin::NoteExtrasTable table = registeredTable();
    for (uint32_t i = 0; i < 17; ++i) {
        offerNoteExtrasEvent(table, WireEvent(200, 9, 40)
                                        .at<uint32_t>(20, i)
                                        .at<int32_t>(24, i == 0 ? 1 : 2)
                                        .at(32, i * 0.25)
                                        .header());
    }
    offerNoteExtrasEvent(table, WireEvent(301, 9, 32).at<uint32_t>(20, 3).at(24, 7.5).header());
    offerNoteExtrasEvent(table, WireEvent(401, 9, 40).at<uint32_t>(20, 4).at<int32_t>(24, 1).header());
    const plugin::NoteExtras* record = findNoteExtras(table, 9);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->list200Count, 16u);
    EXPECT_EQ(record->listFullCount, 1u);
    EXPECT_TRUE(record->list200[0].flag);
    EXPECT_FALSE(record->list200[1].flag); // only exactly 1 sets it
    EXPECT_EQ(record->list200[15].id, 15u);
    EXPECT_EQ(record->list200[15].value, 3.75);
    EXPECT_EQ(record->list301Count, 1u);
    EXPECT_EQ(record->list301[0].id, 3u);
    EXPECT_EQ(record->list301[0].value, 7.5);
    EXPECT_EQ(record->list401Count, 1u);
    EXPECT_TRUE(record->list401[0].flag);
}

struct ConsumeCase {
    const char* what;
    uint16_t space;
    uint16_t type;
    uint32_t size;
    int32_t noteId;
    bool consumed;
    bool stored;
};

TEST(NoteExtras, WhatIsConsumedAndWhatIsStored) {
    const ConsumeCase cases[] = {
        {"full-size group", kSpace, 100, 40, 1, true, true},
        {"too short for its type", kSpace, 100, 36, 1, true, false},
        {"shorter than a header", kSpace, 0, 4, 1, true, false},
        {"unknown type", kSpace, 150, 40, 1, false, false},
        {"core space", 0, 100, 40, 1, false, false},
        {"other space", 8, 100, 40, 1, false, false},
        {"negative note id", kSpace, 0, 32, -1, true, false},
        {"minimum list size", kSpace, 301, 32, 1, true, true},
        {"list one short", kSpace, 301, 31, 1, true, false},
    };
    for (const ConsumeCase& c : cases) {
        SCOPED_TRACE(c.what);
        plugin::NoteExtrasTable table = registeredTable();
        EXPECT_EQ(offerNoteExtrasEvent(table, WireEvent(c.type, c.noteId, c.size, c.space).header()),
                  c.consumed);
        EXPECT_EQ(findNoteExtras(table, c.noteId) != nullptr, c.stored);
    }
}

TEST(NoteExtras, WithoutARegisteredSpaceNothingIsOurs) {
    plugin::NoteExtrasTable table; // space id 0xFFFF
    EXPECT_FALSE(offerNoteExtrasEvent(table, WireEvent(0, 1, 32, 0xFFFF).header()));
    EXPECT_FALSE(offerNoteExtrasEvent(table, nullptr));
}

TEST(NoteExtras, ThirtyThirdNoteFindsNoSlot) {
    plugin::NoteExtrasTable table = registeredTable();
    for (int32_t id = 0; id < 33; ++id) {
        EXPECT_TRUE(offerNoteExtrasEvent(table, WireEvent(300, id, 32).header()));
    }
    EXPECT_EQ(table.slotsFullCount, 1u);
    EXPECT_EQ(findNoteExtras(table, 32), nullptr);
    freeNoteExtras(table, 4);
    EXPECT_EQ(findNoteExtras(table, 4), nullptr);
    ASSERT_NE(noteExtrasFor(table, 32), nullptr); // takes the freed slot, fresh
    EXPECT_EQ(findNoteExtras(table, 32)->group300Value, 0u);
    freeAllNoteExtras(table);
    for (const plugin::NoteExtrasSlot& slot : table.slots) EXPECT_FALSE(slot.inUse);
}

struct RegistrationCase {
    const char* what;
    bool registry;
    bool knows;
    uint16_t id;
    uint16_t expected;
};

TEST(NoteExtras, RegistrationAsksTheHostRegistry) {
    const RegistrationCase cases[] = {
        {"known space", true, true, 7, 7},
        {"unknown space", true, false, 7, 0xFFFF},
        {"no registry", false, true, 7, 0xFFFF},
        {"host hands out the core space", true, true, 0, 0xFFFF},
    };
    for (const RegistrationCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeHost host;
        host.offerEventRegistry = c.registry;
        host.registryKnowsSpace = c.knows;
        host.registrySpaceId = c.id;
        EXPECT_EQ(plugin::registerEventSpace(host.clap()), c.expected);
        if (c.registry) {
            ASSERT_EQ(host.registryQueries.size(), 1u);
            EXPECT_EQ(host.registryQueries[0], "com.brightmoss.events/1");
        }
    }
    EXPECT_EQ(plugin::registerEventSpace(nullptr), 0xFFFF);
}

} // namespace
} // namespace fennrow::test
