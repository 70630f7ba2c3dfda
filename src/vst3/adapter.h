// One fennrow instance as a VST 3 host sees it: a single object that is the
// component, the audio processor, the edit controller and the unit info at
// once, and behind them one CLAP plugin instance that it drives as a careful
// CLAP host would.
#pragma once

#include "vst3/block_events.h"
#include "vst3/param_map.h"
#include "vst3/program_list.h"
#include "vst3/thread_check.h"

#include <clap/clap.h>
#include <vst3/vst3.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::vst3 {

struct Adapter;

// What an interface pointer points to: the table the host calls through and
// the object behind it.
struct Face {
    const void* vtbl;
    Adapter* owner;
};

// The program-change parameter of the factory-sound list; no CLAP parameter
// has this id.
inline constexpr ::vst3::ParamID kProgramParamId = 0x70726F67; // "prog"
inline constexpr ::vst3::ProgramListID kProgramListId = 1;

struct OutputBus {
    std::string name;
    std::uint32_t channels = 0;
};

struct Adapter {
    Adapter();
    ~Adapter();
    Adapter(const Adapter&) = delete;
    Adapter& operator=(const Adapter&) = delete;

    // ---- Set at creation, then only read, from any thread ----
    Face component;
    Face processor;
    Face controller;
    Face units;
    Face contextRequirements;
    std::atomic<std::uint32_t> references{1};

    // The CLAP side.
    clap_host_t host{};
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_preset_load_t* presetLoad = nullptr;

    // What the host sees, read from the plugin once.
    std::vector<ControllerParam> specs;
    std::vector<Program> programs; // the factory sounds, then the entry for any other sound
    bool hasOutput = false;
    OutputBus output;
    bool hasNoteInput = false;
    std::string noteInputName;
    ThreadCheck threads;

    // ---- Main thread ----
    bool componentInitialized = false;
    bool controllerInitialized = false;
    // The controller's view: normalised values of the parameters in spec
    // order, and the program shown.
    std::vector<double> shown;
    std::int32_t program = 0;
    ::vst3::IComponentHandler* handler = nullptr;
    double sampleRate = 0.0;
    std::int32_t maxBlock = 0;
    bool setUp = false;

    // ---- Shared between the main thread and the audio thread ----
    // Written on the main thread only; process plays silence while false.
    std::atomic<bool> active{false};
    // setProcessing(false), from whichever thread the host calls it on: the
    // next process call stops the plugin's processing (and starts it again).
    std::atomic<bool> stopRequested{false};
    // The audio-thread role: held by process while it runs, and by the main
    // thread while it stops processing when no process call can come. CLAP
    // calls start_processing, stop_processing and process only from its
    // holder, never from two threads at once.
    std::atomic<bool> audioRole{false};
    // Values of a load, for the audio thread to report to the host as output
    // parameter changes of its next process call (spec order). The host is
    // never called back from inside its own call: it may hold a lock there
    // that its callbacks take too.
    std::vector<std::atomic<double>> loadedValues;
    std::atomic<bool> loadToReport{false};

    // ---- The holder of the audio-thread role (sized on the main thread while
    // inactive) ----
    bool started = false;          // the plugin's processing has started
    std::uint32_t chunkFrames = 0; // at most what the plugin was activated for
    BlockEvents events;
    std::vector<float> scratch; // two channels of chunkFrames
};

// Creates an instance with its CLAP plugin created and initialised; null if
// the plugin cannot be made.
Adapter* createAdapter();

inline Adapter* ownerOf(void* face) { return face != nullptr ? static_cast<Face*>(face)->owner : nullptr; }

// FUnknown, shared by every face.
::vst3::tresult VST3_API queryInterface(void* self, const char* iid, void** obj);
std::uint32_t VST3_API addRef(void* self);
std::uint32_t VST3_API release(void* self);
inline constexpr ::vst3::FUnknownVtbl kUnknownMethods = {queryInterface, addRef, release};

// The index of a CLAP parameter's spec, or -1.
int specIndex(const Adapter& adapter, ::vst3::ParamID id);
// Reads every value the plugin holds into the controller's view.
void refreshShown(Adapter& adapter);
// After a load: refreshes the view, so that a host reading values sees the
// loaded ones at once, and leaves them for the next process call to report.
void afterLoad(Adapter& adapter);
// Hands an edit of the controller to an inactive plugin (see setParamNormalized).
void sendEdit(Adapter& adapter, int index, double normalized);
// Chooses a program: a factory sound is loaded through the plugin's preset
// load, every time it is chosen.
bool loadProgram(Adapter& adapter, std::int32_t index);
// After a state load: shows the factory sound the plugin now holds, if its
// state is exactly that sound's, and the edited-sound entry otherwise.
void recogniseProgram(Adapter& adapter);
// Takes the audio-thread role if nobody holds it; gives it back.
bool tryAudioRole(Adapter& adapter);
void leaveAudioRole(Adapter& adapter);
// The processing side's teardown (main thread): stop processing, waiting for
// a running process call to end, and deactivate.
void stopAndDeactivate(Adapter& adapter);

extern const ::vst3::IComponentVtbl kComponentVtbl;
extern const ::vst3::IAudioProcessorVtbl kAudioProcessorVtbl;
extern const ::vst3::IProcessContextRequirementsVtbl kContextRequirementsVtbl;
extern const ::vst3::IEditControllerVtbl kEditControllerVtbl;
extern const ::vst3::IUnitInfoVtbl kUnitInfoVtbl;

} // namespace fennrow::vst3
