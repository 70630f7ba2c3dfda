// Input and output event lists for tests. Events are stored as given, so a
// test can also hand the plugin malformed ones (short sizes, foreign spaces).
// The events themselves are the host kit's (noteEvent, paramEvent).
#pragma once

#include "plugin_loader/clap_events.h"

#include <clap/clap.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fennrow::test {

using fennrow::noteEvent;
using fennrow::paramEvent;

class InputEvents {
public:
    InputEvents();
    InputEvents(const InputEvents&) = delete;
    InputEvents& operator=(const InputEvents&) = delete;

    // Copies the whole event record, whatever its header claims.
    template <typename Event>
    InputEvents& add(const Event& event) {
        return addBytes(&event, sizeof event);
    }
    // Copies `bytes` bytes; the header inside may claim any size.
    InputEvents& addBytes(const void* data, std::size_t bytes);

    InputEvents& noteOn(uint32_t time, int16_t key, double velocity = 1.0, int32_t noteId = -1);
    InputEvents& noteOff(uint32_t time, int16_t key, int32_t noteId = -1);
    InputEvents& noteChoke(uint32_t time, int16_t key);
    InputEvents& param(uint32_t time, clap_id id, double value);

    void clear();
    uint32_t size() const { return static_cast<uint32_t>(events_.size()); }
    const clap_input_events_t* clap() const { return &list_; }

    // Counts of calls the plugin made on the list.
    mutable uint32_t sizeCalls = 0;
    mutable uint32_t getCalls = 0;

private:
    friend struct InputEventsAccess;
    std::vector<std::unique_ptr<uint64_t[]>> events_; // 8-byte aligned storage
    clap_input_events_t list_{};
};

class OutputEvents {
public:
    OutputEvents();
    const clap_output_events_t* clap() const { return &list_; }
    std::vector<std::vector<unsigned char>> pushed;

private:
    clap_output_events_t list_{};
};

} // namespace fennrow::test
