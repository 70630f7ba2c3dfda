#include "sound_record.h"

#include <cstdio>
#include <cstring>

#include "file_io.h"
#include "note_list.h"
#include "plugin_session.h"
#include "renderer.h"

namespace fennrow {
namespace {

constexpr double kTempo = 120.0;
constexpr double kTailSeconds = 1.0;

std::string pathIn(const std::string& folder, const std::string& file) { return folder + "/" + file; }

std::unique_ptr<PluginSession> sessionWith(const std::shared_ptr<ClapModule>& module,
                                           const std::string& soundName, std::string& error) {
    std::unique_ptr<PluginSession> session = createSession(module, error);
    if (session && !loadFactoryPreset(*session, soundName, error)) return nullptr;
    return session;
}

// One line per parameter: id, value with every digit a double holds, and
// the plugin's own text for it.
std::string valuesText(const PluginSession& session) {
    std::string text;
    for (const ParamInfo& param : listParams(session)) {
        const double value = paramValue(session, param.id);
        char number[64];
        std::snprintf(number, sizeof number, "%u\t%.17g\t", param.id, value);
        text += number + paramValueText(session, param.id, value) + "\t" + param.name + "\n";
    }
    return text;
}

std::string interleavedBytes(const StereoAudio& audio) {
    std::string bytes(audio.left.size() * 2 * sizeof(float), '\0');
    for (std::size_t i = 0; i < audio.left.size(); ++i) {
        const float frame[2] = {audio.left[i], audio.right[i]};
        std::memcpy(bytes.data() + i * sizeof frame, frame, sizeof frame);
    }
    return bytes;
}

} // namespace

std::string soundSlug(const std::string& name) {
    std::string slug;
    for (char c : name) slug += c == ' ' ? '-' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return slug;
}

bool recordSound(const std::shared_ptr<ClapModule>& module, const std::string& soundName,
                 const std::string& folder, int bars, RecordTiming& timing, std::string& error) {
    std::unique_ptr<PluginSession> session = sessionWith(module, soundName, error);
    if (!session) return false;
    const std::optional<std::string> state = saveState(*session, error);
    if (!state) return false;

    RenderPlan plan;
    plan.notes = demoBassLine(bars);
    plan.tempo = constantTempo(kTempo);
    plan.lengthSeconds = renderLengthSeconds(plan.notes, plan.tempo, kTailSeconds);
    RenderReport report;
    const std::optional<StereoAudio> audio = renderPlan(*session, plan, nullptr, report, error);
    if (!audio) return false;
    timing.audioSeconds += durationSeconds(*audio);
    timing.wallSeconds += report.wallSeconds;

    const std::string slug = soundSlug(soundName);
    return writeWholeFile(pathIn(folder, slug + ".state.json"), *state, error) &&
           writeWholeFile(pathIn(folder, slug + ".values.txt"), valuesText(*session), error) &&
           writeWholeFile(pathIn(folder, slug + ".f32"), interleavedBytes(*audio), error);
}

bool reloadSound(const std::shared_ptr<ClapModule>& module, const std::string& soundName,
                 const std::string& folder, std::string& error) {
    const std::string slug = soundSlug(soundName);
    const std::optional<std::string> theirs = readWholeFile(pathIn(folder, slug + ".state.json"), error);
    if (!theirs) return false;
    std::unique_ptr<PluginSession> session = createSession(module, error);
    if (!session || !loadState(*session, *theirs, error)) return false;
    const std::optional<std::string> ours = saveState(*session, error);
    if (!ours) return false;
    if (*ours != *theirs) {
        error = soundName + ": the state saved again differs from the one loaded\n  loaded: " + *theirs +
                "\n  saved:  " + *ours;
        return false;
    }
    const std::optional<std::string> theirValues = readWholeFile(pathIn(folder, slug + ".values.txt"), error);
    if (!theirValues) return false;
    if (valuesText(*session) != *theirValues) {
        error = soundName + ": the values after loading the state differ from the other build's";
        return false;
    }
    return true;
}

} // namespace fennrow
