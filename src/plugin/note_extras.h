// The maker's own event space "com.brightmoss.events/1": extra per-note records,
// keyed by CLAP note id, that a host collects during one block. The records
// live in a fixed table of 32 slots inside the instance and are dropped at the
// end of every block.
#pragma once

#include <clap/clap.h>

#include <cstdint>

namespace fennrow::plugin {

inline constexpr char kEventSpaceName[] = "com.brightmoss.events/1";
inline constexpr uint32_t kNoEventSpace = 0xFFFF;
inline constexpr int kNoteExtrasSlotCount = 32;
inline constexpr uint32_t kNoteExtrasListCapacity = 16;
inline constexpr uint32_t kNoExtrasId = 0xFFFFFFFF;

// Event types of the space.
enum NoteExtrasEventType : uint16_t {
    kExtrasGroup0 = 0,
    kExtrasGroup100 = 100,
    kExtrasList200 = 200,
    kExtrasGroup300 = 300,
    kExtrasList301 = 301,
    kExtrasGroup400 = 400,
    kExtrasList401 = 401,
    kExtrasGroup500 = 500,
};

struct FlaggedExtrasEntry {
    uint32_t id = kNoExtrasId;
    bool flag = false;
    double value = 0.0;
};

struct ValueExtrasEntry {
    uint32_t id = kNoExtrasId;
    double value = 0.0;
};

struct NoteExtras {
    int32_t noteId = -1;
    bool hasGroup0 = false;
    uint64_t group0Value = 0;
    bool hasGroup100 = false;
    uint32_t group100First = kNoExtrasId;
    uint32_t group100Second = kNoExtrasId;
    double group100Value = 0.0;
    uint32_t list200Count = 0;
    FlaggedExtrasEntry list200[kNoteExtrasListCapacity];
    uint64_t group300Value = 0;
    uint32_t list301Count = 0;
    ValueExtrasEntry list301[kNoteExtrasListCapacity];
    bool hasGroup400 = false;
    uint32_t group400First = kNoExtrasId;
    uint64_t group400Second = 0;
    double group400Value = 0.0;
    uint32_t list401Count = 0;
    FlaggedExtrasEntry list401[kNoteExtrasListCapacity];
    bool hasGroup500 = false;
    uint64_t group500Value = 0;
    uint32_t listFullCount = 0; // entries refused because their list was full
};

struct NoteExtrasSlot {
    bool inUse = false;
    NoteExtras record;
};

struct NoteExtrasTable {
    NoteExtrasSlot slots[kNoteExtrasSlotCount];
    uint32_t spaceId = kNoEventSpace; // 16-bit id from the host's registry
    uint32_t slotsFullCount = 0;      // events refused because every slot was taken
};

// Main thread, at init: the id the host's event registry gives our space, or
// kNoEventSpace when the host has no registry or does not know the space.
uint16_t registerEventSpace(const clap_host_t* host);

// Audio thread: returns true when the event belongs to our space and has been
// consumed (stored, or dropped because it was too short or found no slot).
bool offerNoteExtrasEvent(NoteExtrasTable& table, const clap_event_header_t* event);

// The record of this note id, taking a free slot for it when it has none yet.
// Null for a negative note id or when all slots are taken.
NoteExtras* noteExtrasFor(NoteExtrasTable& table, int32_t noteId);

// The record of this note id if one is held; never takes a slot.
const NoteExtras* findNoteExtras(const NoteExtrasTable& table, int32_t noteId);

void freeNoteExtras(NoteExtrasTable& table, int32_t noteId);
void freeAllNoteExtras(NoteExtrasTable& table);

} // namespace fennrow::plugin
