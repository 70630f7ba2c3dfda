#include "audition.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "archive/package_reader.h"
#include "document/clip/clip.h"
#include "document/clip/clip_reader.h"
#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow {
namespace {

constexpr const char* kDocumentName = "instance.json";
constexpr double kMinMeterPart = 1.0;
constexpr double kMaxMeterPart = 64.0;

std::string firstError(const document::DiagnosticList& list) {
    for (const document::Diagnostic& d : list) {
        if (d.severity == document::Severity::Error) return d.message;
    }
    return list.empty() ? std::string("unreadable") : list.front().message;
}

std::optional<NoteSpec> playableNote(const document::ClipNote& note, double defaultLength) {
    if (note.keptAsWritten || !note.voice.empty() || !note.pitch) return std::nullopt;
    const double key = std::round(*note.pitch);
    if (!(key >= 0.0 && key <= 127.0) || !std::isfinite(note.at) || note.at < 0.0) return std::nullopt;
    NoteSpec spec;
    spec.key = static_cast<int>(key);
    spec.startBeats = note.at;
    spec.lengthBeats = note.len && std::isfinite(*note.len) && *note.len > 0.0 ? *note.len : defaultLength;
    spec.velocity = std::isfinite(note.vel) ? std::clamp(note.vel, 0.0, 1.0) : 1.0;
    return spec;
}

Meter firstMeter(const document::Clip& clip) {
    for (const document::MeterPoint& point : clip.meter) {
        if (point.keptAsWritten) continue;
        if (point.num >= kMinMeterPart && point.num <= kMaxMeterPart && point.den >= kMinMeterPart &&
            point.den <= kMaxMeterPart) {
            return Meter{point.num, point.den};
        }
    }
    return Meter{};
}

} // namespace

std::optional<Audition> readAudition(const std::string& bytes, const std::string& name, double fallbackBpm,
                                     std::string& error) {
    document::DiagnosticList diagnostics;
    archive::Package package = archive::readPackage(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                    bytes.size(), kDocumentName, diagnostics);
    if (!package.ok) {
        error = name + ": " + firstError(diagnostics);
        return std::nullopt;
    }
    const document::JsonValue* member = findMember(package.document, "audition");
    if (!member) {
        error = name + " has no audition clip";
        return std::nullopt;
    }
    document::DiagnosticList clipDiagnostics;
    std::optional<document::Clip> clip = readClip(*member, clipDiagnostics);
    if (!clip) {
        error = "the audition of " + name + " is not a clip: " + firstError(clipDiagnostics);
        return std::nullopt;
    }
    return auditionOfClip(*clip, name, fallbackBpm, error);
}

std::optional<Audition> auditionOfClip(const document::Clip& clip, const std::string& name,
                                       double fallbackBpm, std::string& error) {
    Audition audition;
    const double gridBeats = document::parseGrid(clip.grid).value_or(0.25);
    for (const document::ClipNote& note : clip.notes) {
        if (auto spec = playableNote(note, gridBeats)) {
            audition.notes.push_back(*spec);
        } else {
            ++audition.skippedNotes;
        }
    }
    if (audition.notes.empty()) {
        error = "the audition of " + name + " has no note that can be played (unvoiced, with a pitch)";
        return std::nullopt;
    }
    std::vector<TempoChange> changes;
    for (const document::TempoPoint& point : clip.tempo) {
        if (!point.keptAsWritten) changes.push_back({point.at, point.bpm});
    }
    audition.ownTempo = !changes.empty();
    audition.tempo = makeTempoMap(std::move(changes), fallbackBpm);
    audition.meter = firstMeter(clip);
    audition.lengthBeats = std::isfinite(clip.length) && clip.length > 0.0 ? clip.length : 0.0;
    audition.endBeat = std::max(audition.lengthBeats, notesEndBeat(audition.notes));
    return audition;
}

} // namespace fennrow
