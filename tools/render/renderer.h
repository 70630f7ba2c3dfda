// The block loop: activates the plugin, hands it block after block with the
// transport and the events that fall into each block, and collects its
// stereo output.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audio_buffer.h"
#include "event_list.h"
#include "note_list.h"
#include "plugin_session.h"
#include "tempo_map.h"
#include "transport.h"

namespace fennrow {

constexpr double kDefaultSampleRate = 48000.0;
constexpr uint32_t kDefaultBlockSize = 256;
// About eleven minutes at 48 kHz: 256 MiB of samples.
constexpr std::size_t kMaxRenderFrames = std::size_t{1} << 25;

struct RenderPlan {
    std::vector<NoteSpec> notes;
    std::vector<ParamChange> changes;
    TempoMap tempo;
    Meter meter;
    double lengthSeconds = 1.0;
    double sampleRate = kDefaultSampleRate;
    uint32_t blockSize = kDefaultBlockSize;
};

struct RenderReport {
    double wallSeconds = 0.0;
    std::size_t nonFiniteSamples = 0; // replaced by 0 in the output
};

using ProgressFunction = std::function<void(double doneSeconds, double totalSeconds)>;

// Renders the plan; nothing, with the reason in `error`, if the plugin fails.
std::optional<StereoAudio> renderPlan(PluginSession& session, const RenderPlan& plan,
                                      const ProgressFunction& progress, RenderReport& report,
                                      std::string& error);

// The end of the last note plus a tail for the release.
double renderLengthSeconds(const std::vector<NoteSpec>& notes, const TempoMap& tempo, double tailSeconds);

// The start of every bar after the first within the render.
std::vector<double> barStartSeconds(const TempoMap& tempo, const Meter& meter, double lengthSeconds);

} // namespace fennrow
