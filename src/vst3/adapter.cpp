#include "vst3/adapter.h"

#include "entry/id_table.h"
#include "vst3/clap_link.h"
#include "vst3/class_info.h"
#include "vst3/factory_states.h"

#include <fennrow_version.h>

#include <cstring>
#include <memory>
#include <new>
#include <thread>

namespace fennrow::vst3 {

namespace {

Adapter* adapterOf(const clap_host_t* host) { return static_cast<Adapter*>(host->host_data); }

// The plugin asks for a rescan after a load, from inside the host's own call:
// the controller's view follows, and the host hears of it afterwards.
void hostRescan(const clap_host_t* host, clap_param_rescan_flags) { afterLoad(*adapterOf(host)); }
void hostClear(const clap_host_t*, clap_id, clap_param_clear_flags) {}
void hostRequestFlush(const clap_host_t*) {}
void hostMarkDirty(const clap_host_t*) {}

const clap_host_params_t kHostParams = {hostRescan, hostClear, hostRequestFlush};
const clap_host_state_t kHostState = {hostMarkDirty};

// No preset-load extension: the plugin then reports a failed load on the
// standard error stream itself, which is all a VST 3 host could be told.
const entry::IdTable kHostExtensions[] = {
    {CLAP_EXT_PARAMS, &kHostParams},
    {CLAP_EXT_STATE, &kHostState},
};

const void* hostGetExtension(const clap_host_t*, const char* id) { return findById(kHostExtensions, id); }

void hostRequest(const clap_host_t*) {}

// One parameter value event as a CLAP input list, for params.flush.
struct OneEvent {
    clap_event_param_value_t event{};
    clap_input_events_t list{};
};

uint32_t oneEventSize(const clap_input_events_t*) { return 1; }
const clap_event_header_t* oneEventGet(const clap_input_events_t* list, uint32_t index) {
    return index == 0 ? &static_cast<const OneEvent*>(list->ctx)->event.header : nullptr;
}
bool pushNothing(const clap_output_events_t*, const clap_event_header_t*) { return false; }
const clap_output_events_t kNoOutput = {nullptr, pushNothing};

void flushValue(Adapter& adapter, clap_id id, double plain) {
    OneEvent one;
    one.event = paramEvent(id, plain).param;
    one.list = {&one, oneEventSize, oneEventGet};
    adapter.params->flush(adapter.plugin, &one.list, &kNoOutput);
}

struct InterfaceEntry {
    const ::vst3::Uid* iid;
    Face Adapter::*face;
};

// FUnknown and IPluginBase are answered by the component, as its first bases.
const InterfaceEntry kInterfaces[] = {
    {&::vst3::kFUnknownIid, &Adapter::component},
    {&::vst3::kIPluginBaseIid, &Adapter::component},
    {&::vst3::kIComponentIid, &Adapter::component},
    {&::vst3::kIAudioProcessorIid, &Adapter::processor},
    {&::vst3::kIProcessContextRequirementsIid, &Adapter::contextRequirements},
    {&::vst3::kIEditControllerIid, &Adapter::controller},
    {&::vst3::kIUnitInfoIid, &Adapter::units},
};

void readPorts(Adapter& adapter) {
    const auto* audio = static_cast<const clap_plugin_audio_ports_t*>(
        adapter.plugin->get_extension(adapter.plugin, CLAP_EXT_AUDIO_PORTS));
    clap_audio_port_info_t audioInfo{};
    if (audio != nullptr && audio->count(adapter.plugin, false) > 0 &&
        audio->get(adapter.plugin, 0, false, &audioInfo)) {
        audioInfo.name[CLAP_NAME_SIZE - 1] = 0;
        adapter.hasOutput = true;
        adapter.output = {audioInfo.name, audioInfo.channel_count};
    }
    const auto* notes = static_cast<const clap_plugin_note_ports_t*>(
        adapter.plugin->get_extension(adapter.plugin, CLAP_EXT_NOTE_PORTS));
    clap_note_port_info_t noteInfo{};
    if (notes != nullptr && notes->count(adapter.plugin, true) > 0 &&
        notes->get(adapter.plugin, 0, true, &noteInfo)) {
        noteInfo.name[CLAP_NAME_SIZE - 1] = 0;
        adapter.hasNoteInput = true;
        adapter.noteInputName = noteInfo.name;
    }
}

} // namespace

Adapter::Adapter()
    : component{&kComponentVtbl, this}, processor{&kAudioProcessorVtbl, this},
      controller{&kEditControllerVtbl, this}, units{&kUnitInfoVtbl, this}, contextRequirements{
                                                                               &kContextRequirementsVtbl,
                                                                               this} {
    host = {CLAP_VERSION_INIT,
            this,
            kHostName,
            plugin::kPluginVendor,
            "",
            kFennrowVersion,
            hostGetExtension,
            hostRequest,
            hostRequest,
            hostRequest};
}

Adapter::~Adapter() {
    if (plugin != nullptr) {
        stopAndDeactivate(*this);
        plugin->destroy(plugin);
    }
    if (handler != nullptr) handler->vtbl->unknown.release(handler);
}

Adapter* createAdapter() {
    std::unique_ptr<Adapter> adapter(new (std::nothrow) Adapter());
    if (!adapter) return nullptr;
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory == nullptr) return nullptr;
    adapter->plugin = factory->create_plugin(factory, &adapter->host, plugin::kPluginId);
    if (adapter->plugin == nullptr) return nullptr;
    if (!adapter->plugin->init(adapter->plugin)) return nullptr;
    const clap_plugin_t* plugin = adapter->plugin;
    adapter->params =
        static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    adapter->state = static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
    adapter->presetLoad =
        static_cast<const clap_plugin_preset_load_t*>(plugin->get_extension(plugin, CLAP_EXT_PRESET_LOAD));
    if (adapter->params == nullptr || adapter->state == nullptr) return nullptr;
    readPorts(*adapter);
    adapter->specs = readControllerParams(plugin, adapter->params);
    if (adapter->presetLoad != nullptr) adapter->programs = readFactoryPrograms(clap_entry);
    adapter->shown.assign(adapter->specs.size(), 0.0);
    adapter->loadedValues = std::vector<std::atomic<double>>(adapter->specs.size());
    refreshShown(*adapter);
    return adapter.release();
}

::vst3::tresult VST3_API queryInterface(void* self, const char* iid, void** obj) {
    if (obj == nullptr) return ::vst3::kInvalidArgument;
    *obj = nullptr;
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || iid == nullptr) return ::vst3::kInvalidArgument;
    for (const InterfaceEntry& entry : kInterfaces) {
        if (std::memcmp(entry.iid->bytes, iid, sizeof entry.iid->bytes) == 0) {
            adapter->references.fetch_add(1);
            *obj = &(adapter->*entry.face);
            return ::vst3::kResultOk;
        }
    }
    return ::vst3::kNoInterface;
}

std::uint32_t VST3_API addRef(void* self) {
    Adapter* adapter = ownerOf(self);
    return adapter != nullptr ? adapter->references.fetch_add(1) + 1 : 0;
}

std::uint32_t VST3_API release(void* self) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return 0;
    const std::uint32_t left = adapter->references.fetch_sub(1) - 1;
    if (left == 0) delete adapter;
    return left;
}

int specIndex(const Adapter& adapter, ::vst3::ParamID id) {
    for (std::size_t index = 0; index < adapter.specs.size(); ++index) {
        if (adapter.specs[index].id == id) return static_cast<int>(index);
    }
    return -1;
}

void refreshShown(Adapter& adapter) {
    for (std::size_t index = 0; index < adapter.specs.size(); ++index) {
        double plain = 0.0;
        if (adapter.params->get_value(adapter.plugin, adapter.specs[index].id, &plain)) {
            adapter.shown[index] = toNormalized(adapter.specs[index], plain);
        }
    }
}

void afterLoad(Adapter& adapter) {
    refreshShown(adapter);
    for (std::size_t index = 0; index < adapter.shown.size(); ++index) {
        adapter.loadedValues[index].store(adapter.shown[index], std::memory_order_relaxed);
    }
    adapter.loadToReport.store(true, std::memory_order_release);
}

void sendEdit(Adapter& adapter, int index, double normalized) {
    if (adapter.active.load()) return;
    const ControllerParam& spec = adapter.specs[static_cast<std::size_t>(index)];
    flushValue(adapter, spec.id, toPlain(spec, normalized));
}

bool loadProgram(Adapter& adapter, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= adapter.programs.size()) return false;
    const Program& chosen = adapter.programs[static_cast<std::size_t>(index)];
    // Choosing the edited-sound entry keeps the sound as it is.
    if (chosen.loadKey.empty()) {
        adapter.program = index;
        return true;
    }
    if (adapter.presetLoad == nullptr ||
        !adapter.presetLoad->from_location(adapter.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                           chosen.loadKey.c_str())) {
        return false;
    }
    adapter.program = index;
    afterLoad(adapter);
    return true;
}

void recogniseProgram(Adapter& adapter) {
    if (adapter.programs.empty()) return;
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    adapter.program = static_cast<std::int32_t>(adapter.programs.size()) - 1;
    if (factory == nullptr) return;
    const std::vector<std::string>& states = factoryStates(*factory, plugin::kPluginId, adapter.programs);
    const std::string current = savedState(adapter.plugin, adapter.state);
    for (std::size_t index = 0; index < states.size(); ++index) {
        if (!current.empty() && states[index] == current) {
            adapter.program = static_cast<std::int32_t>(index);
            return;
        }
    }
}

bool tryAudioRole(Adapter& adapter) { return !adapter.audioRole.exchange(true, std::memory_order_acquire); }

void leaveAudioRole(Adapter& adapter) { adapter.audioRole.store(false, std::memory_order_release); }

// After active is cleared a process call only looks and leaves, so the wait
// is for at most the one call that may be running.
void stopAndDeactivate(Adapter& adapter) {
    if (!adapter.active.load()) return;
    adapter.active.store(false, std::memory_order_release);
    while (!tryAudioRole(adapter)) std::this_thread::yield();
    // No process call can come now: this thread is the audio thread CLAP
    // speaks of, for as long as it holds the role.
    if (adapter.started) adapter.plugin->stop_processing(adapter.plugin);
    adapter.started = false;
    adapter.stopRequested.store(false);
    leaveAudioRole(adapter);
    adapter.plugin->deactivate(adapter.plugin);
}

} // namespace fennrow::vst3
