#include "score.h"

#include "support/audio_block.h"
#include "support/built_module.h"
#include "support/event_list.h"
#include "support/fake_host.h"
#include "support/vst3_host.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fennrow::test {

namespace {

double beatsAt(const ScoreTransport& transport, double sampleRate, std::uint32_t frame) {
    return transport.startBeats + frame * transport.tempo / (60.0 * sampleRate);
}

template <typename Item>
std::vector<Item> within(const std::vector<Item>& items, std::uint32_t first, std::uint32_t end) {
    std::vector<Item> found;
    for (const Item& item : items) {
        if (item.frame >= first && item.frame < end) found.push_back(item);
    }
    return found;
}

} // namespace

Score bassLine(std::int32_t blockSize, std::optional<ScoreTransport> transport) {
    Score score;
    score.blockSize = blockSize;
    score.transport = transport;
    score.program = "Wobble";
    const std::uint32_t beat = 24000; // at 120 beats per minute, 48 kHz
    score.frames = 16 * beat;
    const std::int16_t keys[] = {28, 28, 31, 33, 28, 35, 33, 31};
    for (std::uint32_t step = 0; step < 8; ++step) {
        const std::uint32_t start = step * 2 * beat + 37 * step;
        score.notes.push_back({start, keys[step], 0.5f + 0.06f * static_cast<float>(step)});
        // Every other note is held into the next one: legato glide.
        const std::uint32_t length = step % 2 == 0 ? 2 * beat + 1000 : beat + 555;
        score.notes.push_back({start + length, keys[step], 0.0f});
    }
    std::sort(score.notes.begin(), score.notes.end(),
              [](const ScoreNote& a, const ScoreNote& b) { return a.frame < b.frame; });
    for (std::uint32_t i = 0; i < 40; ++i) {
        score.points.push_back({i * 9001 + 3, 3, 0.1 + 0.02 * i});   // Tone
        score.points.push_back({i * 15013 + 11, 12, (i % 5) / 4.0}); // Arc bars, stepped
    }
    std::sort(score.points.begin(), score.points.end(),
              [](const ScorePoint& a, const ScorePoint& b) { return a.frame < b.frame; });
    return score;
}

Rendered renderThroughVst3(const Score& score) {
    Rendered out;
    Vst3Module module;
    Vst3Instance plugin(module);
    if (!plugin.valid() || !plugin.start(score.sampleRate, score.blockSize)) return out;
    if (!score.program.empty() && plugin.chooseProgram(score.program) != vst3::kResultOk) return out;
    for (std::uint32_t first = 0; first < score.frames;
         first += static_cast<std::uint32_t>(score.blockSize)) {
        const std::uint32_t end = std::min(score.frames, first + static_cast<std::uint32_t>(score.blockSize));
        const auto frames = static_cast<std::int32_t>(end - first);
        EventList events;
        for (const ScoreNote& note : within(score.notes, first, end)) {
            const auto offset = static_cast<std::int32_t>(note.frame - first);
            if (note.velocity > 0.0f) {
                events.noteOn(offset, note.key, note.velocity);
            } else {
                events.noteOff(offset, note.key);
            }
        }
        ParameterChanges changes;
        for (const ScorePoint& point : within(score.points, first, end)) {
            changes.point(point.id, static_cast<std::int32_t>(point.frame - first), point.normalized);
        }
        vst3::ProcessContext context{};
        if (score.transport) {
            context.state = vst3::kTempoValid | vst3::kProjectTimeMusicValid |
                            (score.transport->playing ? std::uint32_t{vst3::kPlaying} : 0u);
            context.sampleRate = score.sampleRate;
            context.tempo = score.transport->tempo;
            context.projectTimeMusic = beatsAt(*score.transport, score.sampleRate, first);
        }
        Vst3Block block(frames);
        if (plugin.process(block.data(events.list(), changes.changes(),
                                      score.transport ? &context : nullptr)) != vst3::kResultOk) {
            return out;
        }
        out.left.insert(out.left.end(), block.channel(0).begin(), block.channel(0).end());
        out.right.insert(out.right.end(), block.channel(1).begin(), block.channel(1).end());
    }
    out.ok = true;
    return out;
}

Rendered renderThroughClap(const Score& score) {
    Rendered out;
    BuiltPlugin clap;
    const clap_plugin_t* plugin = clap.plugin;
    const clap_plugin_params_t* params = clap.params;
    if (plugin == nullptr) return out;
    if (!score.program.empty() &&
        !clap.presetLoad->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                        score.program.c_str())) {
        return out;
    }
    plugin->activate(plugin, score.sampleRate, 1, static_cast<uint32_t>(score.blockSize));
    plugin->start_processing(plugin);
    for (std::uint32_t first = 0; first < score.frames;
         first += static_cast<std::uint32_t>(score.blockSize)) {
        const std::uint32_t end = std::min(score.frames, first + static_cast<std::uint32_t>(score.blockSize));
        // At one frame, parameter values first, then notes in order.
        InputEvents events;
        const std::vector<ScorePoint> points = within(score.points, first, end);
        const std::vector<ScoreNote> notes = within(score.notes, first, end);
        std::size_t p = 0;
        std::size_t n = 0;
        while (p < points.size() || n < notes.size()) {
            const bool takePoint =
                n >= notes.size() || (p < points.size() && points[p].frame <= notes[n].frame);
            if (takePoint) {
                const ScorePoint& point = points[p++];
                clap_param_info_t info{};
                for (uint32_t index = 0; index < params->count(plugin); ++index) {
                    params->get_info(plugin, index, &info);
                    if (info.id == point.id) break;
                }
                events.param(point.frame - first, point.id,
                             info.min_value + point.normalized * (info.max_value - info.min_value));
            } else {
                const ScoreNote& note = notes[n++];
                if (note.velocity > 0.0f) {
                    events.noteOn(note.frame - first, note.key, note.velocity);
                } else {
                    events.add(noteEvent(CLAP_EVENT_NOTE_OFF, note.frame - first, note.key, 0.0));
                }
            }
        }
        clap_event_transport_t transport{};
        if (score.transport) {
            transport =
                makeTransport(CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
                                  (score.transport->playing ? CLAP_TRANSPORT_IS_PLAYING : 0),
                              score.transport->tempo, beatsAt(*score.transport, score.sampleRate, first));
        }
        AudioBlock block(end - first);
        plugin->process(plugin, block.process(events.clap(), score.transport ? &transport : nullptr));
        out.left.insert(out.left.end(), block.channel(0).begin(), block.channel(0).end());
        out.right.insert(out.right.end(), block.channel(1).begin(), block.channel(1).end());
    }
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    out.ok = true;
    return out;
}

} // namespace fennrow::test
