// What the studio asks of the plugin, always through its CLAP interface with
// the render host's code: the parameters and their value texts, the factory
// sounds, a sound made of a base (factory sound or document) and the page's
// values, the text the plugin saves for it, and renders of it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio_buffer.h"
#include "audition.h"
#include "document/diagnostics.h"
#include "page_sound.h"
#include "param_info.h"
#include "picture.h"
#include "plugin_loader/clap_module.h"
#include "plugin_session.h"

namespace fennrow {

struct StudioPlugin {
    std::shared_ptr<ClapModule> module;
    std::vector<ParamInfo> params;
    std::vector<std::string> unitTexts; // per parameter, what the plugin writes after the number
    std::vector<std::string> factoryNames;
};

std::optional<StudioPlugin> openStudioPlugin(const std::string& path, std::string& error);

// Where a sound starts: a fresh instance, a factory sound or a document's bytes.
struct SoundBase {
    std::string factoryName;   // used when not empty
    std::string documentBytes; // used when not empty and no factory name is given
    std::string title;         // for pictures
};

// A new instance holding the base with the page's sound (when given) applied:
// the curves through a state load of the plugin's own saved text, the
// parameter values through the params flush.
std::unique_ptr<PluginSession> sessionFor(const StudioPlugin& plugin, const SoundBase& base,
                                          const PageSound* sound, std::string& error);

// The instance's parameter values and curves.
std::optional<PageSound> soundOf(PluginSession& session, const StudioPlugin& plugin, std::string& error);

// A document the page opens, read once: the plugin's own findings, whether
// the plugin accepts it, and if so its sound, the text the plugin saves for
// it (what later plays and saves start from) and its audition clip.
struct OpenedDocument {
    bool usable = false;
    std::string message; // why it was refused: the first error
    document::DiagnosticList findings;
    PageSound sound;
    std::string text;
    std::optional<Audition> audition;
};
// `bytes` must be within the studio's bounds (see documentBoundProblem).
OpenedDocument openDocument(const StudioPlugin& plugin, const std::string& bytes, const std::string& name);

struct PlayRequest {
    const Audition* audition = nullptr; // the document's audition clip instead of the demo line
    std::optional<int> key;             // or one note of this key, as the computer keyboard plays it
    int bars = 4;
    double bpm = 120.0; // the demo line's tempo, and the clip's when it has none
};

struct PlayResult {
    std::string wav;          // 32-bit float WAV
    std::string notesText;    // what was played, as fennrow-render --notes takes it
    std::string lengthBeats;  // the render's length, as fennrow-render --length takes it
    double tempo = 120.0;     // at the start
    double loopSeconds = 0.0; // where the music ends and a loop starts again (the tail follows)
    std::string tempoText;    // see tempoText()
    double audioSeconds = 0.0;
    double renderSeconds = 0.0; // the plugin's block loop
    // What the picture is drawn from, when it is first asked for.
    StereoAudio audio;
    PictureText pictureText;
    std::vector<double> barSeconds;
};

constexpr double kDefaultPlayTempo = 120.0;
constexpr int kMaxPlayBars = 16;
constexpr double kMinPlayTempo = 20.0;
constexpr double kMaxPlayTempo = 400.0;
constexpr double kTailSeconds = 1.0;
constexpr double kKeyNoteBeats = 2.0;
// 16 bars at the slowest tempo fit; a longer audition clip is refused.
constexpr double kMaxPlaySeconds = 200.0;

// The tempo of a map for people: "120", or "120 to 90" when it changes.
std::string tempoText(const TempoMap& tempo);

// Renders the session's sound; `scratch` is a private folder of this render
// alone for its files.
std::optional<PlayResult> playSound(PluginSession& session, const SoundBase& base, const PlayRequest& request,
                                    const std::string& scratch, std::string& error);

// A note of a line as the page's own engine plays it, in seconds from the
// line's start.
struct LineNote {
    int key = 36;
    double onSeconds = 0.0;
    double offSeconds = 0.0;
    double velocity = 0.8;
};

struct PlayLine {
    std::vector<LineNote> notes;
    double loopSeconds = 0.0; // where the music ends and the next pass starts
    double tempo = 120.0;     // at the start
    TempoMap tempoMap;
    std::string tempoText;
};

// The notes playSound would render for the request, timed under its tempo map.
std::optional<PlayLine> playLine(const PlayRequest& request, std::string& error);

// The PNG of a render: waveform over spectrogram. Drawn apart from the render,
// so that the sound can be heard before the picture is ready.
std::optional<std::string> pictureOf(const PlayResult& result, const std::string& scratch,
                                     std::string& error);

} // namespace fennrow
