// The events of the whole-plugin fuzzer's scripts: how a script spells notes,
// parameter values and events of other spaces and types, and the list that
// hands them to the plugin in exactly the bytes each one claims.
#pragma once

#include <clap/clap.h>

#include "plugin/note_extras.h"
#include "plugin_loader/clap_events.h"
#include "plugin_script.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace fennrow::fuzz {

inline constexpr uint32_t kMaxEvents = 32;
inline constexpr uint16_t kEventHeaderSize = sizeof(clap_event_header_t);

inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kTiny = std::numeric_limits<double>::denorm_min();

inline constexpr double kAwkwardValues[] = {0.5,   0.0,   1.0,    -1.0, 2.0,   100.0,  -1e9, kNaN, kInf,
                                            -kInf, 1e300, -1e300, 7e38, kTiny, -kTiny, 0.25, 16.0, 8.5};
inline constexpr double kTempos[] = {120.0, 0.0,   kNaN, kInf,  -kInf, -60.0, 1e-30,
                                     1e30,  999.0, 20.0, 1e300, kTiny, 60.0,  174.0};
inline constexpr int16_t kAwkwardKeys[] = {-1, 128, -2, 32767, -32768, 255};
inline constexpr uint16_t kOwnTypes[] = {
    plugin::kExtrasGroup0,  plugin::kExtrasGroup100, plugin::kExtrasList200, plugin::kExtrasGroup300,
    plugin::kExtrasList301, plugin::kExtrasGroup400, plugin::kExtrasList401, plugin::kExtrasGroup500};
// Core types the plugin leaves alone, and one newer than this CLAP version.
inline constexpr uint16_t kNewerCoreType = CLAP_EVENT_MIDI2 + 1;
inline constexpr uint16_t kOtherCoreTypes[] = {CLAP_EVENT_NOTE_END,
                                               CLAP_EVENT_NOTE_EXPRESSION,
                                               CLAP_EVENT_PARAM_MOD,
                                               CLAP_EVENT_PARAM_GESTURE_BEGIN,
                                               CLAP_EVENT_PARAM_GESTURE_END,
                                               CLAP_EVENT_TRANSPORT,
                                               CLAP_EVENT_MIDI,
                                               CLAP_EVENT_MIDI_SYSEX,
                                               CLAP_EVENT_MIDI2,
                                               kNewerCoreType};

template <typename T, std::size_t N>
T pick(const T (&table)[N], uint8_t code) {
    return table[code % N];
}

// A double: one of the awkward ones, or eight bytes of the script.
inline double scriptDouble(ScriptReader& in) {
    const uint8_t code = in.byte();
    if (code < 200) return pick(kAwkwardValues, code);
    return in.take<double>();
}

// ---- events ---------------------------------------------------------------------

// Input events stored in exactly the bytes their header claims, so that a read
// past the claimed size is an AddressSanitizer report, not a silent success.
class ScriptEvents {
public:
    ScriptEvents() {
        list_.ctx = this;
        list_.size = [](const clap_input_events_t* list) {
            return static_cast<uint32_t>(static_cast<const ScriptEvents*>(list->ctx)->events_.size());
        };
        list_.get = [](const clap_input_events_t* list, uint32_t index) -> const clap_event_header_t* {
            const auto& events = static_cast<const ScriptEvents*>(list->ctx)->events_;
            if (index >= events.size()) return nullptr;
            return reinterpret_cast<const clap_event_header_t*>(events[index].get());
        };
    }
    ScriptEvents(const ScriptEvents&) = delete;
    ScriptEvents& operator=(const ScriptEvents&) = delete;

    // `claimed` is what the header says; the stored bytes are the record's
    // first `claimed` bytes (never fewer than a header), the rest from `tail`.
    template <typename Event>
    void add(Event event, uint32_t claimed, const std::string& tail = {}) {
        event.header.size = claimed;
        const std::size_t stored = std::max<std::size_t>(claimed, kEventHeaderSize);
        auto bytes = std::make_unique<unsigned char[]>(stored);
        std::memset(bytes.get(), 0, stored);
        std::memcpy(bytes.get(), &event, std::min(stored, sizeof event));
        if (stored > sizeof event) {
            std::memcpy(bytes.get() + sizeof event, tail.data(),
                        std::min(tail.size(), stored - sizeof event));
        }
        events_.push_back(std::move(bytes));
    }

    const clap_input_events_t* clap() const { return &list_; }

private:
    std::vector<std::unique_ptr<unsigned char[]>> events_;
    clap_input_events_t list_{};
};

inline clap_event_header_t header(uint16_t space, uint16_t type, uint32_t time) {
    clap_event_header_t h{};
    h.time = time;
    h.space_id = space;
    h.type = type;
    return h;
}

// Size code 0: the record's own size; anything else an awkward size around it.
inline uint32_t claimedSize(uint8_t code, uint32_t own) {
    if (code == 0) return own;
    return (code - 1) % (own + 9);
}

// Reads up to kMaxEvents events, sorted by time as CLAP requires, though
// possibly at or past the block's end.
inline void readEvents(ScriptReader& in, ScriptEvents& events, uint16_t ownSpace) {
    const uint32_t count = in.byte() % (kMaxEvents + 1);
    uint32_t time = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const auto kind = static_cast<ScriptEvent>(in.byte() % static_cast<uint8_t>(ScriptEvent::Count));
        const uint8_t step = in.byte();
        time += step == UINT8_MAX ? (1u << 20) : step;
        const uint8_t sizeCode = in.byte();
        switch (kind) {
            case ScriptEvent::NoteOn:
            case ScriptEvent::NoteOff:
            case ScriptEvent::NoteChoke: {
                clap_event_note_t note{};
                const uint16_t type = kind == ScriptEvent::NoteOn    ? CLAP_EVENT_NOTE_ON
                                      : kind == ScriptEvent::NoteOff ? CLAP_EVENT_NOTE_OFF
                                                                     : CLAP_EVENT_NOTE_CHOKE;
                note.header = header(CLAP_CORE_EVENT_SPACE_ID, type, time);
                const uint8_t keyCode = in.byte();
                note.key = keyCode < 128 ? keyCode : pick(kAwkwardKeys, keyCode);
                const uint8_t idCode = in.byte();
                note.note_id = idCode == UINT8_MAX ? -1 : idCode % 40;
                note.port_index = static_cast<int16_t>(idCode % 3) - 1;
                note.channel = static_cast<int16_t>(idCode % 17) - 1;
                note.velocity = scriptDouble(in);
                events.add(note, claimedSize(sizeCode, sizeof note));
                break;
            }
            case ScriptEvent::ParamValue: {
                const uint8_t idCode = in.byte();
                const clap_id id = idCode == UINT8_MAX ? CLAP_INVALID_ID : idCode % 26;
                const clap_event_param_value_t param = paramEvent(time, id, scriptDouble(in));
                events.add(param, claimedSize(sizeCode, sizeof param));
                break;
            }
            case ScriptEvent::OwnSpace:
            case ScriptEvent::OtherCore:
            case ScriptEvent::OtherSpace: {
                const uint8_t typeCode = in.byte();
                uint16_t space = ownSpace;
                uint16_t type = pick(kOwnTypes, typeCode);
                if (kind == ScriptEvent::OtherCore) {
                    space = CLAP_CORE_EVENT_SPACE_ID;
                    type = pick(kOtherCoreTypes, typeCode);
                } else if (kind == ScriptEvent::OtherSpace) {
                    // Core and own types alike, in a space that is neither.
                    space = in.take<uint16_t>();
                    if (typeCode & 1) type = typeCode % (CLAP_EVENT_MIDI2 + 1);
                }
                // Own-space records are at most 40 bytes; the size code reaches
                // below and above that.
                const uint32_t claimed = sizeCode % 57;
                clap_event_header_t plain = header(space, type, time);
                struct Raw {
                    clap_event_header_t header;
                } raw{plain};
                events.add(raw, claimed,
                           in.bytes(claimed > kEventHeaderSize ? claimed - kEventHeaderSize : 0));
                break;
            }
            case ScriptEvent::Count: break;
        }
    }
}

} // namespace fennrow::fuzz
