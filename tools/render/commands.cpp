#include "commands.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "audition.h"
#include "file_io.h"
#include "param_lookup.h"
#include "picture.h"
#include "plugin_session.h"
#include "preset_list.h"
#include "progress.h"
#include "renderer.h"

#ifndef FENNROW_DEFAULT_PLUGIN
#define FENNROW_DEFAULT_PLUGIN "fennrow.clap"
#endif

namespace fennrow {
namespace {

constexpr int kDefaultBars = 2;

struct LoadedSound {
    std::unique_ptr<PluginSession> session;
    std::string title;
    std::string documentBytes; // the preset file or state, for --audition
};

std::string fileStem(const std::string& path) { return std::filesystem::path(path).stem().string(); }

std::optional<LoadedSound> openWithSound(const Options& o, std::string& error) {
    std::shared_ptr<ClapModule> module = openClapModule(pluginPathFor(o), error);
    if (!module) return std::nullopt;
    LoadedSound sound;
    sound.session = createSession(module, error);
    if (!sound.session) return std::nullopt;
    sound.title = pluginName(*sound.session);
    if (!o.presetName.empty()) {
        if (!loadFactoryPreset(*sound.session, o.presetName, error)) return std::nullopt;
        sound.title = o.presetName;
    } else if (!o.presetFile.empty()) {
        if (!loadPresetFile(*sound.session, o.presetFile, error)) return std::nullopt;
        sound.title = fileStem(o.presetFile);
        if (o.audition) {
            auto bytes = readWholeFile(o.presetFile, error);
            if (!bytes) return std::nullopt;
            sound.documentBytes = std::move(*bytes);
        }
    } else if (!o.stateFile.empty()) {
        auto bytes = readWholeFile(o.stateFile, error);
        if (!bytes) return std::nullopt;
        if (!loadState(*sound.session, *bytes, error)) {
            error += " in " + o.stateFile;
            return std::nullopt;
        }
        sound.title = fileStem(o.stateFile);
        sound.documentBytes = std::move(*bytes);
    }
    return sound;
}

// Splits --set requests into values set before the render and changes at beats.
bool resolveSets(const PluginSession& session, const std::vector<ParamInfo>& params,
                 const std::vector<SetRequest>& sets, std::vector<ParamValue>& now,
                 std::vector<ParamChange>& timed, std::string& error) {
    for (const SetRequest& request : sets) {
        const ParamInfo* param = findParam(params, request.name);
        if (!param) {
            error = "the plugin has no parameter \"" + request.name + "\" (see --list-params)";
            return false;
        }
        auto value = paramValueFromText(session, *param, request.valueText);
        if (!value || *value < param->minValue || *value > param->maxValue) {
            char range[96];
            std::snprintf(range, sizeof range, "%g to %g", param->minValue, param->maxValue);
            error = "\"" + request.valueText + "\" is not a value of " + param->name + " (" + range + ")";
            return false;
        }
        if (request.beat) {
            timed.push_back({param, *value, *request.beat});
        } else {
            now.push_back({param, *value});
        }
    }
    return true;
}

struct Score {
    std::vector<NoteSpec> notes;
    TempoMap tempo;
    Meter meter;
    double endBeat = 0.0; // at least the last note's end
};

std::optional<Score> scoreFor(const Options& o, const LoadedSound& sound, std::string& error) {
    Score score;
    if (o.audition) {
        const std::string name = o.presetFile.empty() ? o.stateFile : o.presetFile;
        auto audition = readAudition(sound.documentBytes, name, o.tempo, error);
        if (!audition) return std::nullopt;
        if (audition->skippedNotes > 0 && !o.quiet) {
            std::fprintf(stderr,
                         "fennrow-render: %d note(s) of the audition cannot be played and are left out\n",
                         audition->skippedNotes);
        }
        score.notes = std::move(audition->notes);
        score.tempo = audition->tempo;
        score.meter = audition->meter;
        score.endBeat = audition->endBeat;
    } else {
        score.notes = o.notes.empty() ? demoBassLine(kDefaultBars) : o.notes;
        score.tempo = constantTempo(o.tempo);
        score.endBeat = notesEndBeat(score.notes);
    }
    return score;
}

std::string renderSubtitle(const std::string& pluginLabel, const TempoMap& tempo, double sampleRate) {
    char text[128];
    std::snprintf(text, sizeof text, "%s  |  %g BPM  |  %g kHz", pluginLabel.c_str(),
                  tempo.changes.front().bpm, sampleRate / 1000.0);
    return text;
}

} // namespace

int fail(const std::string& message) {
    std::fprintf(stderr, "fennrow-render: %s\n", message.c_str());
    return kExitFailure;
}

std::string pluginPathFor(const Options& options) {
    if (!options.pluginPath.empty()) return options.pluginPath;
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        // Beside the program in a build folder; in lib/clap of the same prefix
        // once installed (bin/ and lib/clap/ of /usr, or of an install prefix).
        const std::filesystem::path folder = self.parent_path();
        for (const std::filesystem::path& candidate :
             {folder / "fennrow.clap", folder.parent_path() / "lib" / "clap" / "fennrow.clap"}) {
            if (std::filesystem::exists(candidate, ec)) return candidate.string();
        }
    }
    return FENNROW_DEFAULT_PLUGIN;
}

int runRender(const Options& o) {
    std::string error;
    std::optional<LoadedSound> sound = openWithSound(o, error);
    if (!sound) return fail(error);
    PluginSession& session = *sound->session;

    const std::vector<ParamInfo> params = listParams(session);
    std::vector<ParamValue> now;
    RenderPlan plan;
    if (!resolveSets(session, params, o.sets, now, plan.changes, error)) return fail(error);
    if (!flushParams(session, now, error)) return fail(error);

    if (!o.saveStateFile.empty()) {
        auto state = saveState(session, error);
        if (!state || !writeWholeFile(o.saveStateFile, *state, error)) return fail(error);
    }
    if (o.outWav.empty() && o.outPng.empty()) return kExitOk;

    std::optional<Score> score = scoreFor(o, *sound, error);
    if (!score) return fail(error);
    plan.notes = std::move(score->notes);
    plan.tempo = score->tempo;
    plan.meter = score->meter;
    plan.sampleRate = o.sampleRate;
    plan.blockSize = o.blockSize;
    plan.lengthSeconds = o.lengthBeats ? secondsAtBeat(plan.tempo, *o.lengthBeats)
                                       : secondsAtBeat(plan.tempo, score->endBeat) + o.tailSeconds;

    ProgressBar bar = startProgress();
    RenderReport report;
    std::optional<StereoAudio> audio = renderPlan(
        session, plan, [&](double done, double total) { updateProgress(bar, done, total, sound->title); },
        report, error);
    finishProgress(bar);
    if (!audio) return fail(error);
    if (report.nonFiniteSamples > 0) {
        std::fprintf(stderr,
                     "fennrow-render: warning: the plugin produced %zu samples that are not numbers; "
                     "they are written as 0\n",
                     report.nonFiniteSamples);
    }
    if (!o.outWav.empty() && !writeWav(o.outWav, *audio, o.format, error)) return fail(error);
    if (!o.outPng.empty()) {
        const PictureText text{sound->title,
                               renderSubtitle(pluginName(session), plan.tempo, plan.sampleRate)};
        if (!writePicture(o.outPng, *audio, text, barStartSeconds(plan.tempo, plan.meter, plan.lengthSeconds),
                          PictureLayout{o.pictureWidth, o.pictureHeight}, error)) {
            return fail(error);
        }
    }
    if (!o.quiet) {
        const std::string& target = o.outWav.empty() ? o.outPng : o.outWav;
        std::printf("%s: %s, %s\n", target.c_str(), sound->title.c_str(),
                    realTimeSummary(durationSeconds(*audio), report.wallSeconds).c_str());
    }
    return kExitOk;
}

int runListPresets(const Options& o) {
    std::string error;
    std::shared_ptr<ClapModule> module = openClapModule(pluginPathFor(o), error);
    if (!module) return fail(error);
    const std::vector<PresetEntry> presets = listFactoryPresets(*module, error);
    if (presets.empty()) return fail(error);
    for (const PresetEntry& preset : presets) {
        std::string features;
        for (const std::string& feature : preset.features)
            features += (features.empty() ? "" : ", ") + feature;
        std::printf("%-24s %s\n", preset.name.c_str(), features.c_str());
    }
    return kExitOk;
}

int runListParams(const Options& o) {
    std::string error;
    std::optional<LoadedSound> sound = openWithSound(o, error);
    if (!sound) return fail(error);
    const std::vector<ParamInfo> params = listParams(*sound->session);
    if (params.empty()) return fail("the plugin has no parameters");
    std::printf("%4s  %-18s %-14s %-22s %s\n", "id", "name", "value", "range", "default");
    for (const ParamInfo& p : params) {
        char range[48];
        std::snprintf(range, sizeof range, "%g .. %g%s", p.minValue, p.maxValue, p.stepped ? " (steps)" : "");
        const std::string value = paramValueText(*sound->session, p.id, paramValue(*sound->session, p.id));
        const std::string defaultText = paramValueText(*sound->session, p.id, p.defaultValue);
        std::printf("%4u  %-18s %-14s %-22s %s\n", p.id, p.name.c_str(), value.c_str(), range,
                    defaultText.c_str());
    }
    return kExitOk;
}

} // namespace fennrow
