#include "studio_plugin.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audition.h"
#include "document/instance_document.h"
#include "document/json_parser.h"
#include "document/json_writer.h"
#include "file_io.h"
#include "picture.h"
#include "preset_list.h"
#include "presets/sound_loader.h"
#include "renderer.h"
#include "wav_writer.h"

namespace fennrow {
namespace {

constexpr double kBeatsPerBar = 4.0;

std::string numberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The text after the number of a value text ("0.060 s" gives "s").
std::string unitOf(const std::string& valueText) {
    const char* start = valueText.c_str();
    char* end = nullptr;
    std::strtod(start, &end);
    std::string rest(end ? end : start);
    const std::size_t first = rest.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : rest.substr(first);
}

std::optional<document::JsonValue> savedDocument(PluginSession& session, std::string& error) {
    const auto text = saveState(session, error);
    if (!text) return std::nullopt;
    document::JsonParseResult parsed = document::parseJson(*text);
    if (!parsed.ok) {
        error = "the plugin saved a state that is not JSON: " + parsed.error;
        return std::nullopt;
    }
    return std::move(parsed.value);
}

const ParamInfo* paramById(const StudioPlugin& plugin, clap_id id) {
    for (const ParamInfo& p : plugin.params) {
        if (p.id == id) return &p;
    }
    return nullptr;
}

std::string firstError(const document::DiagnosticList& list) {
    for (const document::Diagnostic& d : list) {
        if (d.severity == document::Severity::Error) return d.message;
    }
    return {};
}

std::string notesText(const std::vector<NoteSpec>& notes) {
    std::string text;
    for (const NoteSpec& n : notes) {
        if (!text.empty()) text += ' ';
        text += std::to_string(n.key) + ":" + numberText(n.startBeats) + ":" + numberText(n.lengthBeats) +
                ":" + numberText(n.velocity);
    }
    return text;
}

// A file name in the scratch folder that no other render uses at the same time.
std::string scratchFile(const std::string& scratch, const char* ending) {
    static std::atomic<unsigned long> next{0};
    return scratch + "/render-" + std::to_string(next++) + ending;
}

// Reads a scratch file back and removes it.
std::optional<std::string> takeScratchFile(const std::string& path, std::string& error) {
    std::optional<std::string> bytes = readWholeFile(path, error);
    std::remove(path.c_str());
    return bytes;
}

} // namespace

std::string tempoText(const TempoMap& tempo) {
    const auto [slowest, fastest] =
        std::minmax_element(tempo.changes.begin(), tempo.changes.end(),
                            [](const TempoChange& a, const TempoChange& b) { return a.bpm < b.bpm; });
    char text[64];
    if (slowest->bpm == fastest->bpm) {
        std::snprintf(text, sizeof text, "%g", tempo.changes.front().bpm);
    } else {
        std::snprintf(text, sizeof text, "%g to %g", tempo.changes.front().bpm, tempo.changes.back().bpm);
    }
    return text;
}

std::optional<StudioPlugin> openStudioPlugin(const std::string& path, std::string& error) {
    StudioPlugin plugin;
    plugin.module = openClapModule(path, error);
    if (!plugin.module) return std::nullopt;
    std::unique_ptr<PluginSession> session = createSession(plugin.module, error);
    if (!session) return std::nullopt;
    plugin.params = listParams(*session);
    if (plugin.params.empty()) {
        error = path + " has no parameters to edit";
        return std::nullopt;
    }
    for (const ParamInfo& p : plugin.params) {
        plugin.unitTexts.push_back(unitOf(paramValueText(*session, p.id, p.defaultValue)));
    }
    std::string listError;
    for (const PresetEntry& preset : listFactoryPresets(*plugin.module, listError)) {
        plugin.factoryNames.push_back(preset.loadKey);
    }
    return plugin;
}

std::unique_ptr<PluginSession> sessionFor(const StudioPlugin& plugin, const SoundBase& base,
                                          const PageSound* sound, std::string& error) {
    std::unique_ptr<PluginSession> session = createSession(plugin.module, error);
    if (!session) return nullptr;
    if (!base.factoryName.empty()) {
        if (!loadFactoryPreset(*session, base.factoryName, error)) return nullptr;
    } else if (!base.documentBytes.empty()) {
        if (!loadState(*session, base.documentBytes, error)) return nullptr;
    }
    if (!sound) return session;

    // Curves reach the plugin only inside a document: the plugin's own text
    // of the base with the page's curves put in, loaded back as a state.
    std::optional<document::JsonValue> document = savedDocument(*session, error);
    if (!document) return nullptr;
    putCurves(*document, sound->curves);
    if (!loadState(*session, writeJson(*document), error)) return nullptr;

    std::vector<ParamValue> values;
    for (const auto& [id, value] : sound->params) {
        const ParamInfo* param = paramById(plugin, id);
        if (!param || !std::isfinite(value)) {
            error = "the page sent a value for no parameter of the plugin, or a value that is not a number";
            return nullptr;
        }
        values.push_back({param, value});
    }
    if (!flushParams(*session, values, error)) return nullptr;
    return session;
}

std::optional<PageSound> soundOf(PluginSession& session, const StudioPlugin& plugin, std::string& error) {
    std::optional<document::JsonValue> document = savedDocument(session, error);
    if (!document) return std::nullopt;
    std::optional<PageCurves> curves = curvesOfDocument(*document);
    if (!curves) {
        error = "the plugin's saved state lacks its curves";
        return std::nullopt;
    }
    PageSound sound;
    sound.curves = *curves;
    for (const ParamInfo& p : plugin.params) sound.params.emplace_back(p.id, paramValue(session, p.id));
    return sound;
}

OpenedDocument openDocument(const StudioPlugin& plugin, const std::string& bytes, const std::string& name) {
    OpenedDocument opened;
    document::InstanceDocument document;
    const bool readable = presets::loadSound(document, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size(), opened.findings)
                              .has_value();
    std::string error;
    std::unique_ptr<PluginSession> session = readable ? createSession(plugin.module, error) : nullptr;
    const bool accepted = session && loadState(*session, bytes, error);
    if (!accepted) {
        opened.message = firstError(opened.findings);
        if (opened.message.empty()) opened.message = readable ? error : "This is not a fennrow sound";
        return opened;
    }
    // Later plays and saves start from the plugin's own text of the
    // document: the same sound and kept members, without its findings being
    // printed again at every load.
    std::optional<std::string> text = saveState(*session, error);
    document::JsonParseResult parsed = text ? document::parseJson(*text) : document::JsonParseResult{};
    std::optional<PageCurves> curves = parsed.ok ? curvesOfDocument(parsed.value) : std::nullopt;
    if (!curves) {
        opened.message = text ? "the plugin's saved state lacks its curves" : error;
        return opened;
    }
    opened.sound.curves = *curves;
    for (const ParamInfo& p : plugin.params)
        opened.sound.params.emplace_back(p.id, paramValue(*session, p.id));
    opened.text = std::move(*text);
    if (document.audition) {
        std::string auditionError;
        opened.audition = auditionOfClip(*document.audition, name, kDefaultPlayTempo, auditionError);
    }
    opened.usable = true;
    return opened;
}

namespace {

// What a play request plays: notes under a tempo map, up to `endBeat`.
bool planOf(const PlayRequest& request, RenderPlan& plan, double& endBeat, std::string& error) {
    if (request.audition) {
        // The clip plays as the render host plays it: its notes under its
        // own tempo map and meter.
        const Audition& audition = *request.audition;
        plan.notes = audition.notes;
        plan.tempo = audition.ownTempo ? audition.tempo : constantTempo(request.bpm);
        plan.meter = audition.meter;
        endBeat = audition.endBeat;
    } else if (request.key) {
        plan.tempo = constantTempo(request.bpm);
        plan.notes = {NoteSpec{*request.key, 0.0, kKeyNoteBeats, NoteSpec{}.velocity}};
        endBeat = kKeyNoteBeats;
    } else {
        plan.tempo = constantTempo(request.bpm);
        plan.notes = demoBassLine(request.bars);
        endBeat = request.bars * kBeatsPerBar;
    }
    const double seconds = secondsAtBeat(plan.tempo, endBeat) + kTailSeconds;
    if (!(seconds <= kMaxPlaySeconds)) {
        char text[160];
        std::snprintf(text, sizeof text, "That would play for %.0f s; the studio plays up to %.0f s", seconds,
                      kMaxPlaySeconds);
        error = text;
        return false;
    }
    return true;
}

} // namespace

std::optional<PlayLine> playLine(const PlayRequest& request, std::string& error) {
    RenderPlan plan;
    double endBeat = 0.0;
    if (!planOf(request, plan, endBeat, error)) return std::nullopt;
    PlayLine line;
    for (const NoteSpec& note : plan.notes) {
        line.notes.push_back(LineNote{note.key, secondsAtBeat(plan.tempo, note.startBeats),
                                      secondsAtBeat(plan.tempo, note.startBeats + note.lengthBeats),
                                      note.velocity});
    }
    line.loopSeconds = secondsAtBeat(plan.tempo, endBeat);
    line.tempo = plan.tempo.changes.front().bpm;
    line.tempoMap = plan.tempo;
    line.tempoText = tempoText(plan.tempo);
    return line;
}

std::optional<PlayResult> playSound(PluginSession& session, const SoundBase& base, const PlayRequest& request,
                                    const std::string& scratch, std::string& error) {
    RenderPlan plan;
    double endBeat = 0.0;
    if (!planOf(request, plan, endBeat, error)) return std::nullopt;
    const double musicSeconds = secondsAtBeat(plan.tempo, endBeat);
    const double seconds = musicSeconds + kTailSeconds;
    // The length in beats is what fennrow-render --length takes, and the
    // length in seconds is taken back from it, so both hosts render as many
    // frames.
    const double lengthBeats = beatAtSeconds(plan.tempo, seconds);
    plan.lengthSeconds = secondsAtBeat(plan.tempo, lengthBeats);

    PlayResult result;
    result.notesText = notesText(plan.notes);
    result.tempo = plan.tempo.changes.front().bpm;
    result.tempoText = tempoText(plan.tempo);
    result.loopSeconds = musicSeconds;
    result.lengthBeats = numberText(lengthBeats);
    RenderReport report;
    std::optional<StereoAudio> audio = renderPlan(session, plan, nullptr, report, error);
    if (!audio) return std::nullopt;
    result.audioSeconds = durationSeconds(*audio);
    result.renderSeconds = report.wallSeconds;

    const std::string wavPath = scratchFile(scratch, ".wav");
    if (!writeWav(wavPath, *audio, SampleFormat::Float32, error)) return std::nullopt;
    auto wav = takeScratchFile(wavPath, error);
    if (!wav) return std::nullopt;
    result.wav = std::move(*wav);

    char subtitle[128];
    std::snprintf(subtitle, sizeof subtitle, "%s  |  %s BPM  |  %g kHz", pluginName(session).c_str(),
                  tempoText(plan.tempo).c_str(), plan.sampleRate / 1000.0);
    result.pictureText = PictureText{base.title, subtitle};
    result.barSeconds = barStartSeconds(plan.tempo, plan.meter, plan.lengthSeconds);
    result.audio = std::move(*audio);
    return result;
}

std::optional<std::string> pictureOf(const PlayResult& result, const std::string& scratch,
                                     std::string& error) {
    const std::string path = scratchFile(scratch, ".png");
    if (!writePicture(path, result.audio, result.pictureText, result.barSeconds, PictureLayout{}, error)) {
        std::remove(path.c_str());
        return std::nullopt;
    }
    return takeScratchFile(path, error);
}

} // namespace fennrow
