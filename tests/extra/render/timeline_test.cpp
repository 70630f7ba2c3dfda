// Notes, tempo, event scheduling and transport of the render host.

#include <gtest/gtest.h>

#include "event_list.h"
#include "note_list.h"
#include "tempo_map.h"
#include "transport.h"

namespace fennrow::test {
namespace {

TEST(NoteList, ReadsKeysAsNumbersOrNames) {
    const struct {
        const char* text;
        std::optional<int> key;
    } cases[] = {
        {"36", 36},
        {"C4", 60},
        {"C-1", 0},
        {"G9", 127},
        {"A#1", 34},
        {"Bb1", 34},
        {"e2", 40},
        {"128", std::nullopt},
        {"-1", std::nullopt},
        {"H2", std::nullopt},
        {"C", std::nullopt},
        {"Cb-1", std::nullopt},
        {"G#9", std::nullopt},
        {"", std::nullopt},
        {"C2x", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseKey(c.text), c.key) << c.text;
}

TEST(NoteList, ReadsAListAndRefusesBadNotes) {
    std::string error;
    auto notes = parseNoteList("C2:0:1 G1:1.5:0.5:0.7,  A1:2:2", error);
    ASSERT_TRUE(notes) << error;
    ASSERT_EQ(notes->size(), 3u);
    EXPECT_EQ((*notes)[1].key, 31);
    EXPECT_DOUBLE_EQ((*notes)[1].startBeats, 1.5);
    EXPECT_DOUBLE_EQ((*notes)[1].lengthBeats, 0.5);
    EXPECT_DOUBLE_EQ((*notes)[1].velocity, 0.7);
    EXPECT_DOUBLE_EQ(notesEndBeat(*notes), 4.0);

    for (const char* bad :
         {"C2:0", "C2:-1:1", "C2:0:0", "C2:0:1:1.5", "X:0:1", "C2:0:1:0.5:3", "C2:a:1", " "}) {
        error.clear();
        EXPECT_FALSE(parseNoteList(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(NoteList, DemoBassLineFillsTheBarsItIsGiven) {
    for (int bars : {1, 2, 3, 4}) {
        const auto notes = demoBassLine(bars);
        ASSERT_FALSE(notes.empty());
        EXPECT_LE(notesEndBeat(notes), bars * 4.0);
        EXPECT_GT(notesEndBeat(notes), bars * 4.0 - 1.0);
    }
}

TEST(TempoMap, ConvertsBetweenBeatsAndSecondsAcrossChanges) {
    // 120 BPM for four beats (2 s), then 60 BPM.
    const TempoMap map = makeTempoMap({{4.0, 60.0}, {0.0, 120.0}}, 100.0);
    EXPECT_DOUBLE_EQ(secondsAtBeat(map, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(secondsAtBeat(map, 4.0), 2.0);
    EXPECT_DOUBLE_EQ(secondsAtBeat(map, 6.0), 4.0);
    EXPECT_DOUBLE_EQ(tempoAtBeat(map, 3.99), 120.0);
    EXPECT_DOUBLE_EQ(tempoAtBeat(map, 4.0), 60.0);
    for (double beat : {0.0, 1.25, 3.9, 4.0, 7.5}) {
        EXPECT_NEAR(beatAtSeconds(map, secondsAtBeat(map, beat)), beat, 1e-12) << beat;
    }
}

TEST(TempoMap, FirstChangeHoldsFromTheStartAndEmptyListsFallBack) {
    const TempoMap late = makeTempoMap({{2.0, 90.0}}, 120.0);
    EXPECT_DOUBLE_EQ(tempoAtBeat(late, 0.0), 90.0);
    EXPECT_DOUBLE_EQ(secondsAtBeat(late, 3.0), 2.0);
    EXPECT_DOUBLE_EQ(tempoAtBeat(makeTempoMap({}, 140.0), 10.0), 140.0);
    // Of two changes at one beat the later one in the list wins.
    EXPECT_DOUBLE_EQ(tempoAtBeat(makeTempoMap({{0.0, 80.0}, {0.0, 100.0}}, 120.0), 0.0), 100.0);
}

ParamInfo testParam() {
    ParamInfo p;
    p.id = 7;
    p.name = "Tone";
    return p;
}

TEST(EventSchedule, OrdersParametersThenNoteOffsThenNoteOnsAtOneFrame) {
    const ParamInfo tone = testParam();
    // At 120 BPM and 48 kHz a beat is 24000 frames. The first note ends where
    // the second starts, on the same key.
    const std::vector<NoteSpec> notes{{36, 0.0, 1.0, 0.9}, {36, 1.0, 0.5, 0.5}};
    const auto schedule = scheduleEvents(notes, {{&tone, 0.25, 1.0}}, constantTempo(120.0), 48000.0);
    ASSERT_EQ(schedule.size(), 5u);
    EXPECT_EQ(schedule[0].frame, 0);
    EXPECT_EQ(schedule[0].body.header.type, CLAP_EVENT_NOTE_ON);
    EXPECT_EQ(schedule[1].frame, 24000);
    EXPECT_EQ(schedule[1].body.header.type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(schedule[1].body.param.param_id, 7u);
    EXPECT_EQ(schedule[2].body.header.type, CLAP_EVENT_NOTE_OFF);
    EXPECT_EQ(schedule[2].body.note.note_id, schedule[0].body.note.note_id);
    EXPECT_EQ(schedule[3].body.header.type, CLAP_EVENT_NOTE_ON);
    EXPECT_DOUBLE_EQ(schedule[3].body.note.velocity, 0.5);
    EXPECT_EQ(schedule[4].frame, 36000);
    for (const auto& e : schedule) {
        EXPECT_EQ(e.body.header.space_id, CLAP_CORE_EVENT_SPACE_ID);
        EXPECT_GE(e.body.header.size, sizeof(clap_event_note_t));
    }
}

TEST(EventSchedule, BlocksGetTheirEventsWithTimesWithinTheBlock) {
    const std::vector<NoteSpec> notes{{40, 0.0, 0.01, 1.0}}; // 240 frames at 120 BPM, 48 kHz
    const auto schedule = scheduleEvents(notes, {}, constantTempo(120.0), 48000.0);
    EventQueue queue;
    std::size_t next = 0;
    collectBlock(schedule, next, 0, 240, queue); // the off at frame 240 belongs to the next block
    ASSERT_EQ(queue.events.size(), 1u);
    EXPECT_EQ(queue.events[0].header.time, 0u);
    collectBlock(schedule, next, 240, 256, queue);
    ASSERT_EQ(queue.events.size(), 1u);
    EXPECT_EQ(queue.events[0].header.type, CLAP_EVENT_NOTE_OFF);
    EXPECT_EQ(queue.events[0].header.time, 0u);

    const clap_input_events_t list = inputEvents(queue);
    EXPECT_EQ(list.size(&list), 1u);
    EXPECT_EQ(list.get(&list, 0), &queue.events[0].header);
    EXPECT_EQ(list.get(&list, 1), nullptr);
}

TEST(EventSchedule, AVeryShortNoteStillEndsAfterItStarts) {
    const auto schedule = scheduleEvents({{36, 1.0, 1e-9, 1.0}}, {}, constantTempo(120.0), 48000.0);
    ASSERT_EQ(schedule.size(), 2u);
    EXPECT_EQ(schedule[0].body.header.type, CLAP_EVENT_NOTE_ON);
    EXPECT_EQ(schedule[1].frame, schedule[0].frame + 1);
}

TEST(Transport, ReportsSongPositionTempoAndBar) {
    const TempoMap map = constantTempo(120.0);
    const clap_event_transport_t t = makeTransport(map, Meter{}, 2.5); // beat 5, in bar 1 (from 0)
    EXPECT_EQ(t.header.type, CLAP_EVENT_TRANSPORT);
    EXPECT_EQ(
        t.flags & (CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING),
        uint32_t(CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING));
    EXPECT_EQ(t.song_pos_beats, 5 * CLAP_BEATTIME_FACTOR);
    EXPECT_EQ(t.song_pos_seconds, static_cast<clap_sectime>(2.5 * CLAP_SECTIME_FACTOR));
    EXPECT_DOUBLE_EQ(t.tempo, 120.0);
    EXPECT_EQ(t.bar_number, 1);
    EXPECT_EQ(t.bar_start, 4 * CLAP_BEATTIME_FACTOR);

    const clap_event_transport_t waltz = makeTransport(map, Meter{3, 4}, 2.5);
    EXPECT_EQ(waltz.bar_number, 1);
    EXPECT_EQ(waltz.bar_start, 3 * CLAP_BEATTIME_FACTOR);
    EXPECT_EQ(waltz.tsig_num, 3);
}

} // namespace
} // namespace fennrow::test
