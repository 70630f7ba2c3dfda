#include "studio_plugin.h"

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

std::optional<JsonValue> savedDocument(PluginSession& session, std::string& error) {
    const auto text = saveState(session, error);
    if (!text) return std::nullopt;
    JsonParseResult parsed = parseJson(*text);
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

std::string firstError(const DiagnosticList& list) {
    for (const Diagnostic& d : list) {
        if (d.severity == Severity::Error) return d.message;
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

} // namespace

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
    std::optional<JsonValue> document = savedDocument(*session, error);
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
    std::optional<JsonValue> document = savedDocument(session, error);
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

DocumentCheck checkDocument(const StudioPlugin& plugin, const std::string& bytes) {
    DocumentCheck check;
    InstanceDocument document;
    const bool readable =
        loadSound(document, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), check.findings)
            .has_value();
    std::string error;
    std::unique_ptr<PluginSession> session = createSession(plugin.module, error);
    const bool accepted = session && loadState(*session, bytes, error);
    check.usable = readable && accepted;
    if (!check.usable) {
        check.message = firstError(check.findings);
        if (check.message.empty()) check.message = readable ? error : "This is not a fennrow sound";
    }
    return check;
}

std::optional<PlayResult> playSound(PluginSession& session, const SoundBase& base, const PlayRequest& request,
                                    const std::string& scratch, std::string& error) {
    RenderPlan plan;
    plan.tempo = constantTempo(request.bpm);
    double endBeat = 0.0;
    if (request.audition) {
        auto audition = readAudition(base.documentBytes, base.title, request.bpm, error);
        if (!audition) return std::nullopt;
        plan.notes = std::move(audition->notes);
        plan.meter = audition->meter;
        endBeat = std::max(audition->lengthBeats, notesEndBeat(plan.notes));
    } else {
        plan.notes = demoBassLine(request.bars);
        endBeat = request.bars * kBeatsPerBar;
    }
    const double lengthBeats = endBeat + kTailSeconds * request.bpm / 60.0;
    plan.lengthSeconds = secondsAtBeat(plan.tempo, lengthBeats);

    PlayResult result;
    result.notesText = notesText(plan.notes);
    result.lengthBeats = numberText(lengthBeats);
    RenderReport report;
    std::optional<StereoAudio> audio = renderPlan(session, plan, nullptr, report, error);
    if (!audio) return std::nullopt;
    result.audioSeconds = durationSeconds(*audio);
    result.renderSeconds = report.wallSeconds;

    const std::string wavPath = scratch + "/play.wav";
    if (!writeWav(wavPath, *audio, SampleFormat::Float32, error)) return std::nullopt;
    auto wav = readWholeFile(wavPath, error);
    if (!wav) return std::nullopt;
    result.wav = std::move(*wav);

    char subtitle[128];
    std::snprintf(subtitle, sizeof subtitle, "%s  |  %g BPM  |  %g kHz", pluginName(session).c_str(),
                  request.bpm, plan.sampleRate / 1000.0);
    result.pictureText = PictureText{base.title, subtitle};
    result.barSeconds = barStartSeconds(plan.tempo, plan.meter, plan.lengthSeconds);
    result.audio = std::move(*audio);
    return result;
}

std::optional<std::string> pictureOf(const PlayResult& result, const std::string& scratch,
                                     std::string& error) {
    const std::string path = scratch + "/play.png";
    if (!writePicture(path, result.audio, result.pictureText, result.barSeconds, PictureLayout{}, error)) {
        return std::nullopt;
    }
    return readWholeFile(path, error);
}

} // namespace fennrow
