// The command line of fennrow-render.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "note_list.h"
#include "wav_writer.h"

namespace fennrow {

// "--set NAME=VALUE[@BEAT]": a parameter by name or id, its value as text, and
// the beat at which it changes (none: before the render starts).
struct SetRequest {
    std::string name;
    std::string valueText;
    std::optional<double> beat;
};

enum class Mode { Render, Demo, ListPresets, ListParams, Help, Version };

struct Options {
    Mode mode = Mode::Render;
    std::string pluginPath; // empty: the fennrow.clap of this build

    std::string presetName;
    std::string presetFile;
    std::string stateFile;
    std::string saveStateFile;

    std::vector<NoteSpec> notes; // empty: the demo bass line (or the audition)
    bool audition = false;
    std::vector<SetRequest> sets;

    double tempo = 120.0;
    std::optional<double> lengthBeats;
    double tailSeconds = 1.0;
    double sampleRate = 48000.0;
    uint32_t blockSize = 256;

    std::string outWav;
    std::string outPng;
    int pictureWidth = 1200;
    int pictureHeight = 500;
    SampleFormat format = SampleFormat::Float32;
    bool formatGiven = false;

    std::string demoDir;
    int demoBars = 4;
    bool quiet = false;
};

struct ParseResult {
    std::optional<Options> options;
    std::string error; // one line, when options is empty
};

ParseResult parseOptions(int argc, const char* const* argv);

std::string usageText();

} // namespace fennrow
