// The audition clip of an instance document (a preset file or a saved
// state), turned into what the render host plays: the unvoiced notes with
// their pitch, under the clip's tempo and meter.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/clip/clip.h"
#include "note_list.h"
#include "tempo_map.h"
#include "transport.h"

namespace fennrow {

struct Audition {
    std::vector<NoteSpec> notes;
    TempoMap tempo;
    Meter meter;
    double lengthBeats = 4.0; // the clip's length
    double endBeat = 4.0;     // where the sound ends: the length or the last note's end, the later
    bool ownTempo = false;    // the clip has a tempo of its own; else `tempo` is the fallback
    int skippedNotes = 0;     // voiced, pitchless, out of range or unreadable
};

// `bytes` are the file's contents (bare JSON or a zip package); `fallbackBpm`
// applies when the clip has no tempo. `name` is used in messages.
std::optional<Audition> readAudition(const std::string& bytes, const std::string& name, double fallbackBpm,
                                     std::string& error);

// The same from a clip already read.
std::optional<Audition> auditionOfClip(const document::Clip& clip, const std::string& name,
                                       double fallbackBpm, std::string& error);

} // namespace fennrow
