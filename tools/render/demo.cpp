// fennrow-render --demo DIR: every factory sound plays the same bass line;
// each gives a WAV and a PNG, and index.html shows them all.

#include <cstdio>
#include <set>

#include "commands.h"
#include "demo_page.h"
#include "file_io.h"
#include "picture.h"
#include "plugin_session.h"
#include "preset_list.h"
#include "progress.h"
#include "renderer.h"

namespace fennrow {
namespace {

// Features every preset of a bass plugin carries say nothing about one sound.
const std::set<std::string> kCommonFeatures{"instrument", "bass", "synthesizer"};

std::string capitalised(std::string word) {
    if (!word.empty() && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word;
}

std::string describe(const PresetEntry& preset, double seconds) {
    std::string text;
    for (const std::string& feature : preset.features) {
        if (kCommonFeatures.count(feature)) continue;
        text += (text.empty() ? "" : " \xC2\xB7 ") + capitalised(feature);
    }
    char length[32];
    std::snprintf(length, sizeof length, "%.1f s", seconds);
    return text.empty() ? std::string(length) : text + " \xC2\xB7 " + length;
}

std::string uniqueSlug(const std::string& name, std::set<std::string>& taken) {
    std::string slug = fileSlug(name);
    for (int n = 2; taken.count(slug); ++n) slug = fileSlug(name) + "-" + std::to_string(n);
    taken.insert(slug);
    return slug;
}

std::string joinPath(const std::string& folder, const std::string& file) {
    return folder.empty() || folder.back() == '/' ? folder + file : folder + "/" + file;
}

} // namespace

int runDemo(const Options& o) {
    std::string error;
    if (!makeFolder(o.demoDir, error)) return fail(error);
    std::shared_ptr<ClapModule> module = openClapModule(pluginPathFor(o), error);
    if (!module) return fail(error);
    const std::vector<PresetEntry> presets = listFactoryPresets(*module, error);
    if (presets.empty()) return fail(error);

    RenderPlan plan;
    plan.notes = demoBassLine(o.demoBars);
    plan.tempo = constantTempo(o.tempo);
    plan.sampleRate = o.sampleRate;
    plan.blockSize = o.blockSize;
    plan.lengthSeconds = secondsAtBeat(plan.tempo, o.demoBars * beatsPerBar(plan.meter)) + o.tailSeconds;
    const std::vector<double> bars = barStartSeconds(plan.tempo, plan.meter, plan.lengthSeconds);
    const SampleFormat format = o.formatGiven ? o.format : SampleFormat::Pcm24;
    const PictureLayout layout{o.pictureWidth, o.pictureHeight};

    DemoPage page;
    page.title = "fennrow: the factory sounds";
    char intro[256];
    std::snprintf(intro, sizeof intro,
                  "Each of the %zu sounds plays the same %d-bar bass line at %g BPM, rendered offline by "
                  "fennrow-render through the plugin's CLAP interface.",
                  presets.size(), o.demoBars, o.tempo);
    page.introduction = intro;

    std::set<std::string> taken;
    ProgressBar bar = startProgress();
    double audioSeconds = 0.0;
    double renderSeconds = 0.0;
    for (std::size_t i = 0; i < presets.size(); ++i) {
        const PresetEntry& preset = presets[i];
        updateProgress(bar, static_cast<double>(i), static_cast<double>(presets.size()), preset.name);
        std::unique_ptr<PluginSession> session = createSession(module, error);
        if (!session) return fail(error);
        if (!loadFactoryPreset(*session, preset.loadKey, error)) return fail(error);
        RenderReport report;
        std::optional<StereoAudio> audio = renderPlan(*session, plan, nullptr, report, error);
        if (!audio) return fail(preset.name + ": " + error);
        audioSeconds += durationSeconds(*audio);
        renderSeconds += report.wallSeconds;

        const std::string slug = uniqueSlug(preset.name, taken);
        DemoCard card{preset.name,   describe(preset, durationSeconds(*audio)),
                      slug + ".png", slug + ".wav",
                      layout.width,  layout.height};
        if (!writeWav(joinPath(o.demoDir, card.audioFile), *audio, format, error)) return fail(error);
        char subtitle[96];
        std::snprintf(subtitle, sizeof subtitle, "%s  |  %g BPM  |  %g kHz", pluginName(*session).c_str(),
                      o.tempo, o.sampleRate / 1000.0);
        if (!writePicture(joinPath(o.demoDir, card.pictureFile), *audio, PictureText{preset.name, subtitle},
                          bars, layout, error)) {
            return fail(error);
        }
        page.cards.push_back(std::move(card));
    }
    finishProgress(bar);
    const std::string pagePath = joinPath(o.demoDir, "index.html");
    if (!writeWholeFile(pagePath, demoPageHtml(page), error)) return fail(error);
    if (!o.quiet) {
        std::printf("%s: %zu sounds; rendering took %s\n", pagePath.c_str(), presets.size(),
                    realTimeSummary(audioSeconds, renderSeconds).c_str());
    }
    return kExitOk;
}

} // namespace fennrow
