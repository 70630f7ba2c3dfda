#pragma once
// What the studio asks of the plugin, always through its CLAP interface with
// the render host's code: the parameters and their value texts, the factory
// sounds, a sound made of a base (factory sound or document) and the page's
// values, the text the plugin saves for it, and renders of it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio_buffer.h"
#include "clap_module.h"
#include "document/diagnostics.h"
#include "page_sound.h"
#include "param_info.h"
#include "picture.h"
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

// A document the page wants to open: the plugin's own findings, and whether
// the plugin accepts it. A refused document's message is its first error.
struct DocumentCheck {
    bool usable = false;
    std::string message;
    DiagnosticList findings;
};
DocumentCheck checkDocument(const StudioPlugin& plugin, const std::string& bytes);

struct PlayRequest {
    bool audition = false; // the document's audition clip instead of the demo line
    int bars = 4;
    double bpm = 120.0;
};

struct PlayResult {
    std::string wav;         // 32-bit float WAV
    std::string notesText;   // what was played, as fennrow-render --notes takes it
    std::string lengthBeats; // the render's length, as fennrow-render --length takes it
    double audioSeconds = 0.0;
    double renderSeconds = 0.0; // the plugin's block loop
    // What the picture is drawn from, when it is first asked for.
    StereoAudio audio;
    PictureText pictureText;
    std::vector<double> barSeconds;
};

constexpr int kMaxPlayBars = 16;
constexpr double kTailSeconds = 1.0;

// Renders the session's sound; `scratch` is a private folder for the files.
std::optional<PlayResult> playSound(PluginSession& session, const SoundBase& base, const PlayRequest& request,
                                    const std::string& scratch, std::string& error);

// The PNG of a render: waveform over spectrogram. Drawn apart from the render,
// so that the sound can be heard before the picture is ready.
std::optional<std::string> pictureOf(const PlayResult& result, const std::string& scratch,
                                     std::string& error);

} // namespace fennrow
