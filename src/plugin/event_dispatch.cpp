#include "plugin/event_dispatch.h"

#include "maths/float_narrowing.h"
#include "plugin/note_extras.h"
#include "plugin/param_writes.h"
#include "plugin/plugin_instance.h"

namespace fennrow::plugin {
namespace {

constexpr int kLowestKey = 0;
constexpr int kHighestKey = 127;

void noteOn(PluginInstance& instance, const clap_event_header_t* header) {
    const auto& note = *reinterpret_cast<const clap_event_note_t*>(header);
    // A new note with this id starts without the records of an earlier one.
    freeNoteExtras(instance.noteExtras, note.note_id);
    if (note.key < kLowestKey || note.key > kHighestKey) return;
    engineNoteOn(instance.engine, note.key, maths::narrowToFloat(note.velocity));
}

// Note off and choke: -1 (any negative key) releases every held key.
void noteRelease(PluginInstance& instance, const clap_event_header_t* header) {
    const auto& note = *reinterpret_cast<const clap_event_note_t*>(header);
    if (note.key < kLowestKey) {
        engineReleaseAll(instance.engine);
    } else if (note.key <= kHighestKey) {
        engineNoteOff(instance.engine, note.key);
    }
}

void paramValue(PluginInstance& instance, const clap_event_header_t* header) {
    writeParam(instance, *reinterpret_cast<const clap_event_param_value_t*>(header));
}

struct CoreHandler {
    uint16_t type;
    uint32_t size; // an event claiming fewer bytes is not read at all
    void (*handle)(PluginInstance&, const clap_event_header_t*);
};

constexpr CoreHandler kCoreHandlers[] = {
    {CLAP_EVENT_NOTE_ON, sizeof(clap_event_note_t), noteOn},
    {CLAP_EVENT_NOTE_OFF, sizeof(clap_event_note_t), noteRelease},
    {CLAP_EVENT_NOTE_CHOKE, sizeof(clap_event_note_t), noteRelease},
    {CLAP_EVENT_PARAM_VALUE, sizeof(clap_event_param_value_t), paramValue},
};

} // namespace

void dispatchEvent(PluginInstance& instance, const clap_event_header_t* event) {
    if (event == nullptr) return;
    if (offerNoteExtrasEvent(instance.noteExtras, event)) return;
    if (event->space_id != CLAP_CORE_EVENT_SPACE_ID) return;
    for (const CoreHandler& handler : kCoreHandlers) {
        if (handler.type == event->type) {
            if (event->size >= handler.size) handler.handle(instance, event);
            return;
        }
    }
}

} // namespace fennrow::plugin
