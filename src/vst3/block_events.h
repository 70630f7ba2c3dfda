// One process call's events in CLAP form: the host's parameter queues and
// note events become CLAP parameter-value and note events at the same sample
// offsets, in time order (at one offset parameter values come before notes).
// They are merged from the host's lists as the block is played, into storage
// sized when processing is set up, so the audio thread never allocates and
// nothing the host sends is lost: when a block carries more events than the
// storage holds, the block is cut where it fills and the rest follows in the
// next piece.
#pragma once

#include <clap/clap.h>
#include <vst3/processor.h>

#include <cstdint>
#include <vector>

namespace fennrow::vst3 {

struct ControllerParam;

union ClapEventSlot {
    clap_event_header_t header;
    clap_event_note_t note;
    clap_event_param_value_t param;
};

// A CLAP parameter-value event at frame 0 for every note, port, channel and
// key: the one the adapter hands the plugin, in a block or a flush.
ClapEventSlot paramEvent(clap_id id, double plainValue);

class BlockEvents {
public:
    BlockEvents();
    BlockEvents(const BlockEvents&) = delete;
    BlockEvents& operator=(const BlockEvents&) = delete;

    // Main thread, while no process call runs: room for `capacity` events
    // (at least one) and a cursor for each of `paramCount` parameters.
    void reserve(std::uint32_t capacity, std::size_t paramCount);

    // Starts a block of `frames` frames: the host's queues of known
    // parameters (one per parameter; a second queue for the same id is
    // ignored) and its notes on the first event bus, offsets held inside the
    // block, each list's offsets never going back.
    void begin(const ::vst3::ProcessData& data, const std::vector<ControllerParam>& specs,
               std::uint32_t frames);

    // Fills the list for the piece of the block from `first` to `end` and
    // returns where the piece ends: `end`, or, when more events fall before
    // `end` than the storage holds, the time of the last event taken (the
    // events at that time wait for the next piece). A piece that cannot be
    // cut has no frames and carries the events of its one time.
    std::uint32_t fill(std::uint32_t first, std::uint32_t end);

    // Events not yet handed out in a piece.
    bool pending() const;

    const clap_input_events_t* list() const { return &list_; }
    std::uint32_t capacity() const { return static_cast<std::uint32_t>(slots_.size()); }

private:
    struct Next {
        std::uint32_t time;
        int source; // a parameter cursor's index, or kNotes
    };
    struct ParamCursor {
        ::vst3::IParamValueQueue* queue;
        const ControllerParam* spec;
        std::int32_t index;
        std::int32_t count;
        std::uint32_t time; // of the point at index
        double value;       // its plain value
    };
    struct NoteCursor {
        ::vst3::IEventList* list;
        std::int32_t index;
        std::int32_t count;
        std::uint32_t time;
        ClapEventSlot event;
    };
    static constexpr int kNotes = -1;

    bool peek(Next& next) const;
    void take(const Next& next);
    void advance(ParamCursor& cursor, std::uint32_t floor);
    void advance(NoteCursor& cursor, std::uint32_t floor);
    std::uint32_t clampOffset(std::int32_t offset, std::uint32_t floor) const;

    static std::uint32_t listSize(const clap_input_events_t* list);
    static const clap_event_header_t* listGet(const clap_input_events_t* list, std::uint32_t index);

    std::vector<ClapEventSlot> slots_;
    std::vector<std::uint32_t> times_; // each stored event's time in the block
    std::vector<ParamCursor> params_;
    std::size_t paramCount_ = 0;
    NoteCursor notes_{};
    std::uint32_t frames_ = 0;
    std::uint32_t stored_ = 0; // events in storage, the first `listed_` of them in the list
    std::uint32_t listed_ = 0;
    clap_input_events_t list_{};
};

// The host's process context as the CLAP transport: tempo, song position in
// quarter notes and the playing flag (and time signature and bar start when
// given), advanced by `offset` frames.
clap_event_transport_t transportOf(const ::vst3::ProcessContext& context, double sampleRate,
                                   std::uint32_t offset);

} // namespace fennrow::vst3
