#include "plugin/note_extras.h"

#include <cstring>

namespace fennrow::plugin {
namespace {

// Wire offsets within an event of our space (after the 16-byte CLAP header).
constexpr uint32_t kNoteIdOffset = 16;
constexpr uint32_t kFirstOffset = 20;
constexpr uint32_t kSecondOffset = 24;
constexpr uint32_t kValueOffset = 32;

struct TypeRule {
    uint16_t type;
    uint32_t minimumSize;
};

constexpr TypeRule kTypeRules[] = {
    {kExtrasGroup0, 32},  {kExtrasGroup100, 40}, {kExtrasList200, 40}, {kExtrasGroup300, 32},
    {kExtrasList301, 32}, {kExtrasGroup400, 40}, {kExtrasList401, 40}, {kExtrasGroup500, 32},
};

const TypeRule* ruleFor(uint16_t type) {
    for (const TypeRule& rule : kTypeRules) {
        if (rule.type == type) return &rule;
    }
    return nullptr;
}

template <typename T>
T readAt(const clap_event_header_t* event, uint32_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(event) + offset, sizeof value);
    return value;
}

// A flag travels as a 32-bit integer; only exactly 1 sets it.
bool flagAt(const clap_event_header_t* event, uint32_t offset) { return readAt<int32_t>(event, offset) == 1; }

template <typename Entry>
Entry* appendEntry(NoteExtras& record, uint32_t& count, Entry (&list)[kNoteExtrasListCapacity]) {
    if (count >= kNoteExtrasListCapacity) {
        ++record.listFullCount;
        return nullptr;
    }
    return &list[count++];
}

void store(NoteExtras& record, const clap_event_header_t* event) {
    switch (event->type) {
        case kExtrasGroup0:
            record.hasGroup0 = true;
            record.group0Value = readAt<uint64_t>(event, kSecondOffset);
            break;
        case kExtrasGroup100:
            record.hasGroup100 = true;
            record.group100First = readAt<uint32_t>(event, kFirstOffset);
            record.group100Second = readAt<uint32_t>(event, kSecondOffset);
            record.group100Value = readAt<double>(event, kValueOffset);
            break;
        case kExtrasList200:
            if (FlaggedExtrasEntry* entry = appendEntry(record, record.list200Count, record.list200)) {
                *entry = {readAt<uint32_t>(event, kFirstOffset), flagAt(event, kSecondOffset),
                          readAt<double>(event, kValueOffset)};
            }
            break;
        case kExtrasGroup300: record.group300Value = readAt<uint64_t>(event, kSecondOffset); break;
        case kExtrasList301:
            if (ValueExtrasEntry* entry = appendEntry(record, record.list301Count, record.list301)) {
                *entry = {readAt<uint32_t>(event, kFirstOffset), readAt<double>(event, kSecondOffset)};
            }
            break;
        case kExtrasGroup400:
            record.hasGroup400 = true;
            record.group400First = readAt<uint32_t>(event, kFirstOffset);
            record.group400Second = readAt<uint64_t>(event, kSecondOffset);
            record.group400Value = readAt<double>(event, kValueOffset);
            break;
        case kExtrasList401:
            if (FlaggedExtrasEntry* entry = appendEntry(record, record.list401Count, record.list401)) {
                *entry = {readAt<uint32_t>(event, kFirstOffset), flagAt(event, kSecondOffset),
                          readAt<double>(event, kValueOffset)};
            }
            break;
        case kExtrasGroup500:
            record.hasGroup500 = true;
            record.group500Value = readAt<uint64_t>(event, kSecondOffset);
            break;
        default: break;
    }
}

} // namespace

uint16_t registerEventSpace(const clap_host_t* host) {
    if (host == nullptr || host->get_extension == nullptr) return kNoEventSpace;
    const auto* registry =
        static_cast<const clap_host_event_registry_t*>(host->get_extension(host, CLAP_EXT_EVENT_REGISTRY));
    if (registry == nullptr || registry->query == nullptr) return kNoEventSpace;
    uint16_t id = kNoEventSpace;
    if (!registry->query(host, kEventSpaceName, &id)) return kNoEventSpace;
    // Space 0 is the core space: taking it would swallow note events.
    if (id == CLAP_CORE_EVENT_SPACE_ID) return kNoEventSpace;
    return id;
}

bool offerNoteExtrasEvent(NoteExtrasTable& table, const clap_event_header_t* event) {
    // Without a registered space nothing is ours, whatever id an event claims.
    if (event == nullptr || table.spaceId == kNoEventSpace) return false;
    if (event->space_id != static_cast<uint16_t>(table.spaceId)) return false;
    const TypeRule* rule = ruleFor(event->type);
    if (rule == nullptr) return false;

    if (event->size < rule->minimumSize) return true;
    NoteExtras* record = noteExtrasFor(table, readAt<int32_t>(event, kNoteIdOffset));
    if (record != nullptr) store(*record, event);
    return true;
}

NoteExtras* noteExtrasFor(NoteExtrasTable& table, int32_t noteId) {
    if (noteId < 0) return nullptr;
    for (NoteExtrasSlot& slot : table.slots) {
        if (slot.inUse && slot.record.noteId == noteId) return &slot.record;
    }
    for (NoteExtrasSlot& slot : table.slots) {
        if (!slot.inUse) {
            slot.inUse = true;
            slot.record = NoteExtras{};
            slot.record.noteId = noteId;
            return &slot.record;
        }
    }
    ++table.slotsFullCount;
    return nullptr;
}

const NoteExtras* findNoteExtras(const NoteExtrasTable& table, int32_t noteId) {
    for (const NoteExtrasSlot& slot : table.slots) {
        if (slot.inUse && slot.record.noteId == noteId) return &slot.record;
    }
    return nullptr;
}

void freeNoteExtras(NoteExtrasTable& table, int32_t noteId) {
    for (NoteExtrasSlot& slot : table.slots) {
        if (slot.inUse && slot.record.noteId == noteId) {
            slot.inUse = false;
            return;
        }
    }
}

void freeAllNoteExtras(NoteExtrasTable& table) {
    for (NoteExtrasSlot& slot : table.slots) slot.inUse = false;
}

} // namespace fennrow::plugin
