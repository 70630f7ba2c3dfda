#include "options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "tempo_map.h"

namespace fennrow {
namespace {

constexpr double kMinSampleRate = 8000.0;
constexpr double kMaxSampleRate = 384000.0;
constexpr uint32_t kMaxBlockSize = 8192;
constexpr double kMaxLengthBeats = 4096.0;
constexpr double kMaxTailSeconds = 60.0;
constexpr int kMaxDemoBars = 64;
constexpr int kMinPictureWidth = 320;
constexpr int kMinPictureHeight = 200;
constexpr int kMaxPictureSide = 8000;

bool parsePictureSize(Options& o, std::string_view text, std::string& error) {
    const std::size_t x = text.find('x');
    int width = 0, height = 0;
    bool ok = x != std::string_view::npos;
    if (ok) {
        auto w = std::from_chars(text.data(), text.data() + x, width);
        auto h = std::from_chars(text.data() + x + 1, text.data() + text.size(), height);
        ok = w.ec == std::errc() && w.ptr == text.data() + x && h.ec == std::errc() &&
             h.ptr == text.data() + text.size();
    }
    if (!ok || width < kMinPictureWidth || height < kMinPictureHeight || width > kMaxPictureSide ||
        height > kMaxPictureSide) {
        error = "--png-size takes WIDTHxHEIGHT from 320x200 to 8000x8000, not \"" + std::string(text) + "\"";
        return false;
    }
    o.pictureWidth = width;
    o.pictureHeight = height;
    return true;
}

std::optional<double> number(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool numberIn(std::string_view text, double low, double high, double& out, const char* what,
              std::string& error) {
    auto value = number(text);
    if (!value || *value < low || *value > high) {
        char range[64];
        std::snprintf(range, sizeof range, " must be a number from %g to %g", low, high);
        error = std::string(what) + range + ", not \"" + std::string(text) + "\"";
        return false;
    }
    out = *value;
    return true;
}

bool setText(std::string& field, std::string_view value, std::string&) {
    field = std::string(value);
    return true;
}

std::optional<SetRequest> parseSet(std::string_view text, std::string& error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == text.size()) {
        error = "--set takes NAME=VALUE[@BEAT], not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    SetRequest request;
    request.name = std::string(text.substr(0, equals));
    std::string_view value = text.substr(equals + 1);
    const std::size_t at = value.rfind('@');
    if (at != std::string_view::npos) {
        auto beat = number(value.substr(at + 1));
        if (!beat || *beat < 0.0) {
            error = "--set " + std::string(text) + ": the beat after @ must be a number >= 0";
            return std::nullopt;
        }
        request.beat = beat;
        value = value.substr(0, at);
    }
    request.valueText = std::string(value);
    return request;
}

using Apply = bool (*)(Options&, std::string_view, std::string&);

struct OptionSpec {
    const char* name;
    const char* shortName;
    const char* valueName; // null: a flag without a value
    const char* help;
    Apply apply;
};

const OptionSpec kOptions[] = {
    {"--plugin", nullptr, "PATH", "the .clap file to load (default: the fennrow.clap of this build)",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.pluginPath, v, e); }},
    {"--preset", nullptr, "NAME", "play one of the plugin's factory sounds",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.presetName, v, e); }},
    {"--preset-file", nullptr, "FILE", "play a preset file (instance document or zip package)",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.presetFile, v, e); }},
    {"--state", nullptr, "FILE", "restore a saved plugin state",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.stateFile, v, e); }},
    {"--save-state", nullptr, "FILE", "save the plugin's state (after loading and --set) to FILE",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.saveStateFile, v, e); }},
    {"--notes", nullptr, "LIST",
     "notes KEY:START:LENGTH[:VELOCITY] in beats, e.g. \"C2:0:1 G1:1:0.5:0.7\" (default: a bass line)",
     [](Options& o, std::string_view v, std::string& e) {
         auto notes = parseNoteList(v, e);
         if (!notes) return false;
         o.notes.insert(o.notes.end(), notes->begin(), notes->end());
         return true;
     }},
    {"--audition", nullptr, nullptr, "play the audition clip of the preset file or state",
     [](Options& o, std::string_view, std::string&) { return o.audition = true; }},
    {"--set", nullptr, "NAME=VALUE[@BEAT]",
     "set a parameter (its name, key or id: \"Punch time\", punchTime, 5), at once or at a beat; repeatable",
     [](Options& o, std::string_view v, std::string& e) {
         auto request = parseSet(v, e);
         if (!request) return false;
         o.sets.push_back(*request);
         return true;
     }},
    {"--tempo", nullptr, "BPM", "tempo of the transport (default 120)",
     [](Options& o, std::string_view v, std::string& e) {
         return numberIn(v, kMinTempo, kMaxTempo, o.tempo, "--tempo", e);
     }},
    {"--length", nullptr, "BEATS", "length of the render (default: the last note's end plus the tail)",
     [](Options& o, std::string_view v, std::string& e) {
         double beats = 0.0;
         if (!numberIn(v, 0.001, kMaxLengthBeats, beats, "--length", e)) return false;
         o.lengthBeats = beats;
         return true;
     }},
    {"--tail", nullptr, "SECONDS", "time after the last note (default 1)",
     [](Options& o, std::string_view v, std::string& e) {
         return numberIn(v, 0.0, kMaxTailSeconds, o.tailSeconds, "--tail", e);
     }},
    {"--sample-rate", nullptr, "HZ", "sample rate (default 48000)",
     [](Options& o, std::string_view v, std::string& e) {
         return numberIn(v, kMinSampleRate, kMaxSampleRate, o.sampleRate, "--sample-rate", e);
     }},
    {"--block-size", nullptr, "FRAMES", "frames per process call (default 256)",
     [](Options& o, std::string_view v, std::string& e) {
         double frames = 0.0;
         if (!numberIn(v, 1.0, kMaxBlockSize, frames, "--block-size", e)) return false;
         if (frames != std::floor(frames)) {
             e = "--block-size must be a whole number of frames";
             return false;
         }
         o.blockSize = static_cast<uint32_t>(frames);
         return true;
     }},
    {"--out", "-o", "FILE.wav", "write the audio as WAV",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.outWav, v, e); }},
    {"--format", nullptr, "float|24", "WAV samples: 32-bit float (default) or 24-bit integer",
     [](Options& o, std::string_view v, std::string& e) {
         auto format = parseSampleFormat(v);
         if (!format) {
             e = "--format takes float or 24, not \"" + std::string(v) + "\"";
             return false;
         }
         o.format = *format;
         o.formatGiven = true;
         return true;
     }},
    {"--png", nullptr, "FILE.png", "write a picture: waveform over spectrogram",
     [](Options& o, std::string_view v, std::string& e) { return setText(o.outPng, v, e); }},
    {"--png-size", nullptr, "WIDTHxHEIGHT", "size of the picture in pixels (default 1200x500)",
     parsePictureSize},
    {"--demo", nullptr, "DIR", "render every factory sound into DIR with pictures and index.html",
     [](Options& o, std::string_view v, std::string& e) {
         o.mode = Mode::Demo;
         return setText(o.demoDir, v, e);
     }},
    {"--bars", nullptr, "N", "length of the demo's bass line in bars (default 4)",
     [](Options& o, std::string_view v, std::string& e) {
         double bars = 0.0;
         if (!numberIn(v, 1.0, kMaxDemoBars, bars, "--bars", e)) return false;
         o.demoBars = static_cast<int>(bars);
         return true;
     }},
    {"--list-presets", nullptr, nullptr, "list the plugin's factory sounds",
     [](Options& o, std::string_view, std::string&) {
         o.mode = Mode::ListPresets;
         return true;
     }},
    {"--list-params", nullptr, nullptr, "list the plugin's parameters (after loading a sound)",
     [](Options& o, std::string_view, std::string&) {
         o.mode = Mode::ListParams;
         return true;
     }},
    {"--quiet", "-q", nullptr, "print nothing but errors",
     [](Options& o, std::string_view, std::string&) { return o.quiet = true; }},
    {"--help", "-h", nullptr, "show this help",
     [](Options& o, std::string_view, std::string&) {
         o.mode = Mode::Help;
         return true;
     }},
    {"--version", nullptr, nullptr, "show the version",
     [](Options& o, std::string_view, std::string&) {
         o.mode = Mode::Version;
         return true;
     }},
};

const OptionSpec* findOption(std::string_view name) {
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.name || (spec.shortName && name == spec.shortName)) return &spec;
    }
    return nullptr;
}

std::string checkCombination(const Options& o) {
    const int sources = !o.presetName.empty() + !o.presetFile.empty() + !o.stateFile.empty();
    if (sources > 1) return "choose one of --preset, --preset-file and --state";
    if (o.audition && o.presetFile.empty() && o.stateFile.empty())
        return "--audition plays the clip of a --preset-file or --state";
    if (o.audition && !o.notes.empty()) return "--audition and --notes both give the notes; choose one";
    if (o.mode == Mode::Demo) {
        if (sources > 0 || !o.outWav.empty() || !o.outPng.empty() || !o.saveStateFile.empty() ||
            !o.notes.empty() || o.audition || !o.sets.empty())
            return "--demo renders every factory sound itself; it takes only --plugin, --bars, --tempo, "
                   "--tail, --sample-rate, --block-size, --format and --png-size";
        if (o.demoDir.empty()) return "--demo needs a folder";
    }
    if (o.mode == Mode::Render && o.outWav.empty() && o.outPng.empty() && o.saveStateFile.empty())
        return "nothing to do: give --out, --png, --save-state, --demo or --list-presets (see --help)";
    return {};
}

} // namespace

ParseResult parseOptions(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t equals = arg.find('=');
            if (equals != std::string_view::npos) {
                inlineValue = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
                hasInline = true;
            }
        }
        const OptionSpec* spec = findOption(arg);
        if (!spec) return {std::nullopt, "unknown option \"" + std::string(argv[i]) + "\" (see --help)"};
        std::string_view value;
        if (spec->valueName) {
            if (hasInline) {
                value = inlineValue;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return {std::nullopt, std::string(spec->name) + " needs " + spec->valueName};
            }
        } else if (hasInline) {
            return {std::nullopt, std::string(spec->name) + " takes no value"};
        }
        std::string error;
        if (!spec->apply(options, value, error)) return {std::nullopt, error};
    }
    if (options.mode == Mode::Help || options.mode == Mode::Version) return {options, {}};
    if (std::string problem = checkCombination(options); !problem.empty()) return {std::nullopt, problem};
    return {options, {}};
}

std::string usageText() {
    std::string text = "Usage: fennrow-render [options]\n"
                       "Plays notes through a CLAP plugin, offline, and writes WAV and PNG.\n\n"
                       "  fennrow-render --preset \"Deep Sub\" -o deep.wav --png deep.png\n"
                       "  fennrow-render --preset-file sound.json --audition -o sound.wav\n"
                       "  fennrow-render --demo demo\n\n";
    for (const OptionSpec& spec : kOptions) {
        std::string left = "  ";
        if (spec.shortName) left += std::string(spec.shortName) + ", ";
        left += spec.name;
        if (spec.valueName) left += std::string(" ") + spec.valueName;
        if (left.size() < 30)
            left.resize(30, ' ');
        else
            left += "\n" + std::string(30, ' ');
        text += left + spec.help + "\n";
    }
    return text;
}

} // namespace fennrow
