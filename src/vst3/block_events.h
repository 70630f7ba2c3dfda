// One process call's events in CLAP form: the host's parameter queues and
// note events become CLAP parameter-value and note events at the same sample
// offsets, in time order. The storage is sized once, when processing is set
// up, so that the audio thread never allocates.
#pragma once

#include <clap/clap.h>
#include <vst3/processor.h>

#include <cstdint>
#include <vector>

namespace fennrow::adapter {

struct ParamSpec;

union ClapEventSlot {
    clap_event_header_t header;
    clap_event_note_t note;
    clap_event_param_value_t param;
};

class BlockEvents {
public:
    BlockEvents();
    BlockEvents(const BlockEvents&) = delete;
    BlockEvents& operator=(const BlockEvents&) = delete;

    void reserve(std::uint32_t capacity);
    void clear();

    // Each returns false when the block already holds as many events as it can.
    bool addParam(std::uint32_t time, clap_id id, double plainValue);
    bool addNoteOn(std::uint32_t time, const vst3::NoteOnEvent& note);
    bool addNoteOff(std::uint32_t time, const vst3::NoteOffEvent& note);

    // Orders the events by time; at one time parameter values come before
    // notes, each kind in the order the host gave.
    void sort();

    // Shows the CLAP plugin the events of frames [first, end), with times
    // counted from `first`.
    const clap_input_events_t* window(std::uint32_t first, std::uint32_t end);

    std::uint32_t size() const { return count_; }

private:
    bool addNote(std::uint32_t time, std::uint16_t type, std::int32_t noteId, std::int16_t channel,
                 std::int16_t key, float velocity);
    bool add(std::uint32_t time, std::uint32_t rank, const ClapEventSlot& slot);
    static std::uint32_t listSize(const clap_input_events_t* list);
    static const clap_event_header_t* listGet(const clap_input_events_t* list, std::uint32_t index);

    std::vector<ClapEventSlot> slots_;
    std::vector<std::uint64_t> order_; // time << 32 | rank << 31 | slot
    std::uint32_t count_ = 0;
    std::uint32_t windowBegin_ = 0;
    std::uint32_t windowEnd_ = 0;
    clap_input_events_t list_{};
};

// Adds every point of every known parameter's queue and every note of the
// event list, with offsets held inside the block of `frames` frames.
void collectHostEvents(BlockEvents& events, const vst3::ProcessData& data,
                       const std::vector<ParamSpec>& specs, std::uint32_t frames);

// The host's process context as the CLAP transport: tempo, song position in
// quarter notes and the playing flag (and time signature and bar start when
// given), advanced by `offset` frames.
clap_event_transport_t transportOf(const vst3::ProcessContext& context, double sampleRate,
                                   std::uint32_t offset);

} // namespace fennrow::adapter
