#include "renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace fennrow {

std::optional<StereoAudio> renderPlan(PluginSession& session, const RenderPlan& plan,
                                      const ProgressFunction& progress, RenderReport& report,
                                      std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    const double wantedFrames = std::ceil(plan.lengthSeconds * plan.sampleRate);
    if (!(wantedFrames <= static_cast<double>(kMaxRenderFrames))) {
        char text[160];
        std::snprintf(text, sizeof text, "a render of %.4g s is too long; at %g Hz the limit is %.0f s",
                      plan.lengthSeconds, plan.sampleRate, kMaxRenderFrames / plan.sampleRate);
        error = text;
        return std::nullopt;
    }
    const std::size_t totalFrames = static_cast<std::size_t>(std::max(0.0, wantedFrames));
    StereoAudio audio;
    audio.sampleRate = plan.sampleRate;
    audio.left.assign(totalFrames, 0.0f);
    audio.right.assign(totalFrames, 0.0f);

    if (!activateSession(session, plan.sampleRate, plan.blockSize, error)) return std::nullopt;

    const std::vector<ScheduledEvent> schedule =
        scheduleEvents(plan.notes, plan.changes, plan.tempo, plan.sampleRate);
    std::size_t nextEvent = 0;
    EventQueue queue;
    queue.events.reserve(64);
    const clap_input_events_t inEvents = inputEvents(queue);

    for (std::size_t start = 0; start < totalFrames; start += plan.blockSize) {
        const uint32_t frames =
            static_cast<uint32_t>(std::min<std::size_t>(plan.blockSize, totalFrames - start));
        collectBlock(schedule, nextEvent, static_cast<int64_t>(start), frames, queue);
        const double seconds = static_cast<double>(start) / plan.sampleRate;
        const clap_event_transport_t transport = makeTransport(plan.tempo, plan.meter, seconds);

        const BlockResult block = processBlock(session, audio.left.data() + start, audio.right.data() + start,
                                               frames, static_cast<int64_t>(start), transport, inEvents);
        if (!block.processed) {
            error = "the plugin failed to process the block at " + std::to_string(seconds) + " s";
            deactivateSession(session);
            return std::nullopt;
        }
        report.nonFiniteSamples += block.nonFiniteSamples;
        if (progress) progress(static_cast<double>(start + frames) / plan.sampleRate, plan.lengthSeconds);
    }
    deactivateSession(session);
    serviceMainThread(session);
    report.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return audio;
}

double renderLengthSeconds(const std::vector<NoteSpec>& notes, const TempoMap& tempo, double tailSeconds) {
    return secondsAtBeat(tempo, notesEndBeat(notes)) + std::max(0.0, tailSeconds);
}

std::vector<double> barStartSeconds(const TempoMap& tempo, const Meter& meter, double lengthSeconds) {
    std::vector<double> bars;
    const double barLength = beatsPerBar(meter);
    for (int bar = 1;; ++bar) {
        const double seconds = secondsAtBeat(tempo, bar * barLength);
        if (seconds >= lengthSeconds) break;
        bars.push_back(seconds);
    }
    return bars;
}

} // namespace fennrow
