#include "note_list.h"

#include "document/float_chars.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace fennrow {
namespace {

constexpr int kMaxKey = 127;
constexpr int kKeysPerOctave = 12;
// C4 is key 60, so C-1 is key 0.
constexpr int kOctaveOffset = 1;

struct NoteLetter {
    char letter;
    int semitone;
};
constexpr std::array<NoteLetter, 7> kLetters{{
    {'C', 0},
    {'D', 2},
    {'E', 4},
    {'F', 5},
    {'G', 7},
    {'A', 9},
    {'B', 11},
}};

std::optional<double> parseNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = document::parseChars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int> parseInteger(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<int> parseNoteName(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    auto found = std::find_if(kLetters.begin(), kLetters.end(),
                              [letter](const NoteLetter& l) { return l.letter == letter; });
    if (found == kLetters.end()) return std::nullopt;
    int semitone = found->semitone;
    std::size_t pos = 1;
    if (pos < text.size() && (text[pos] == '#' || text[pos] == 'b')) {
        semitone += text[pos] == '#' ? 1 : -1;
        ++pos;
    }
    auto octave = parseInteger(text.substr(pos));
    if (!octave || *octave < -1 || *octave > 9) return std::nullopt;
    return (*octave + kOctaveOffset) * kKeysPerOctave + semitone;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(separators, start);
        if (end == std::string_view::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

std::optional<int> parseKey(std::string_view text) {
    std::optional<int> key = parseInteger(text);
    if (!key) key = parseNoteName(text);
    if (!key || *key < 0 || *key > kMaxKey) return std::nullopt;
    return key;
}

std::optional<NoteSpec> parseNote(std::string_view text, std::string& error) {
    const std::vector<std::string_view> parts = split(text, ":");
    if (parts.size() < 3 || parts.size() > 4) {
        error = "a note is KEY:START:LENGTH[:VELOCITY], not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    NoteSpec note;
    auto key = parseKey(parts[0]);
    if (!key) {
        error = "\"" + std::string(parts[0]) + "\" is not a key (0..127 or a name such as C2, F#1, Bb0)";
        return std::nullopt;
    }
    note.key = *key;
    auto start = parseNumber(parts[1]);
    auto length = parseNumber(parts[2]);
    if (!start || *start < 0.0 || !length || *length <= 0.0) {
        error = "note \"" + std::string(text) + "\" needs a start >= 0 and a length > 0 in beats";
        return std::nullopt;
    }
    note.startBeats = *start;
    note.lengthBeats = *length;
    if (parts.size() == 4) {
        auto velocity = parseNumber(parts[3]);
        if (!velocity || *velocity < 0.0 || *velocity > 1.0) {
            error = "note \"" + std::string(text) + "\" needs a velocity from 0 to 1";
            return std::nullopt;
        }
        note.velocity = *velocity;
    }
    return note;
}

std::optional<std::vector<NoteSpec>> parseNoteList(std::string_view text, std::string& error) {
    std::vector<NoteSpec> notes;
    for (std::string_view part : split(text, " ,\t\n")) {
        if (part.empty()) continue;
        auto note = parseNote(part, error);
        if (!note) return std::nullopt;
        notes.push_back(*note);
    }
    if (notes.empty()) {
        error = "the note list is empty";
        return std::nullopt;
    }
    return notes;
}

double notesEndBeat(const std::vector<NoteSpec>& notes) {
    double end = 0.0;
    for (const NoteSpec& note : notes) end = std::max(end, note.startBeats + note.lengthBeats);
    return end;
}

std::vector<NoteSpec> demoBassLine(int bars) {
    // Two bars in A minor: a held root with a pickup, an octave jump that
    // overlaps the next note (legato sounds glide there), and a turnaround.
    static const std::vector<NoteSpec> kPattern{
        {33, 0.00, 0.75, 0.95}, {33, 0.75, 0.25, 0.60}, {45, 1.00, 0.60, 0.85}, {43, 1.50, 0.75, 0.80},
        {40, 2.00, 0.50, 0.90}, {38, 2.50, 1.00, 0.75}, {36, 3.50, 0.50, 0.70}, {29, 4.00, 1.00, 0.95},
        {29, 5.00, 0.25, 0.60}, {41, 5.25, 0.60, 0.85}, {40, 5.75, 0.50, 0.80}, {31, 6.50, 0.75, 0.90},
        {43, 7.00, 0.60, 0.80}, {35, 7.50, 0.50, 0.75},
    };
    constexpr double kBeatsPerBar = 4.0;
    constexpr double kPatternBeats = 8.0;
    const double endBeat = std::max(1, bars) * kBeatsPerBar;
    std::vector<NoteSpec> notes;
    for (int pattern = 0; pattern * kPatternBeats < endBeat; ++pattern) {
        const double offset = pattern * kPatternBeats;
        for (NoteSpec note : kPattern) {
            note.startBeats += offset;
            if (note.startBeats >= endBeat) break;
            note.lengthBeats = std::min(note.lengthBeats, endBeat - note.startBeats);
            notes.push_back(note);
        }
    }
    return notes;
}

} // namespace fennrow
