// Notes as the render host plays them: a key, a start and a length in beats,
// and a velocity. They come from the command line, from an audition clip or
// from the demo's bass line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

struct NoteSpec {
    int key = 36;
    double startBeats = 0.0;
    double lengthBeats = 1.0;
    double velocity = 0.8;
};

// A key given as a MIDI number ("36") or as a note name with an octave
// ("C2", "F#1", "Bb0"; C4 is key 60). Nothing for anything else or a key
// outside 0..127.
std::optional<int> parseKey(std::string_view text);

// One note written "KEY:START:LENGTH[:VELOCITY]", e.g. "C2:0:0.5:0.9".
// The error names what was wrong when nothing is returned.
std::optional<NoteSpec> parseNote(std::string_view text, std::string& error);

// Notes separated by blanks or commas: "C2:0:1 G1:1:0.5:0.7".
std::optional<std::vector<NoteSpec>> parseNoteList(std::string_view text, std::string& error);

// The beat at which the last note ends (0 for no notes).
double notesEndBeat(const std::vector<NoteSpec>& notes);

// The demo's bass line, two bars repeated `bars / 2` times (at least one pass
// of one bar), with overlaps that make legato sounds glide.
std::vector<NoteSpec> demoBassLine(int bars);

} // namespace fennrow
