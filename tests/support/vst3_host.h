// A fake VST 3 host: the module opened as a host opens it, the objects a host
// hands a plugin (streams, event lists, parameter changes, a component
// handler) with switches to make them awkward, and an instance driven
// through the plugin's interfaces.
#pragma once

#include <vst3/vst3.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace fennrow::test {

// The parameter a host chooses programs with. Hosts save their automation
// under it, so it never changes.
inline constexpr vst3::ParamID kProgramParamId = 0x70726F67;

// The built fennrow.vst3 module: loaded, entered, and its factory.
class Vst3Module {
public:
    explicit Vst3Module(const std::string& path = FENNROW_VST3_MODULE_PATH);
    // A module linked into the program: its factory, as GetPluginFactory gave it.
    explicit Vst3Module(vst3::FUnknown* linkedFactory);
    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    const std::string& error() const { return error_; }
    vst3::FUnknown* factory() const { return factory_; }
    bool hasSymbol(const char* name) const;

    // The factory's own table, once the host has asked for IPluginFactory3.
    const vst3::IPluginFactory3Vtbl* factory3() const;

private:
    void* handle_ = nullptr;
    bool entered_ = false;
    vst3::FUnknown* factory_ = nullptr;
    std::string error_;
};

class MemoryStream {
public:
    explicit MemoryStream(std::string bytes = {});
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    vst3::IBStream* stream() { return reinterpret_cast<vst3::IBStream*>(&face_); }

    std::string bytes;
    std::size_t position = 0;
    std::int32_t maxChunk = INT32_MAX; // at most this many bytes per call
    int failAfterCalls = -1;           // the call after this many answers kInternalError
    bool falseAtEnd = false;           // answer kResultFalse with the last bytes, as some hosts do
    int calls = 0;

private:
    struct Face {
        const vst3::IBStreamVtbl* vtbl;
        MemoryStream* self;
    } face_;
    friend struct MemoryStreamAccess;
};

class EventList {
public:
    EventList();
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    vst3::IEventList* list() { return reinterpret_cast<vst3::IEventList*>(&face_); }
    EventList& noteOn(std::int32_t offset, std::int16_t pitch, float velocity, std::int32_t noteId = -1,
                      std::int16_t channel = 0);
    EventList& noteOff(std::int32_t offset, std::int16_t pitch, float velocity = 0.0f,
                       std::int32_t noteId = -1, std::int16_t channel = 0);
    void clear() { events.clear(); }

    std::vector<vst3::Event> events;

private:
    struct Face {
        const vst3::IEventListVtbl* vtbl;
        EventList* self;
    } face_;
};

class ParameterChanges {
public:
    ParameterChanges();
    ParameterChanges(const ParameterChanges&) = delete;
    ParameterChanges& operator=(const ParameterChanges&) = delete;

    vst3::IParameterChanges* changes() { return reinterpret_cast<vst3::IParameterChanges*>(&face_); }
    ParameterChanges& point(vst3::ParamID id, std::int32_t offset, double normalized);
    void clear() { queues_.clear(); }
    // The points given for one parameter (as a plugin's output), in order.
    std::vector<std::pair<std::int32_t, double>> pointsOf(vst3::ParamID id) const;
    std::size_t queueCount() const { return queues_.size(); }

private:
    struct Queue {
        const vst3::IParamValueQueueVtbl* vtbl;
        vst3::ParamID id;
        std::vector<std::pair<std::int32_t, double>> points;
    };
    struct Face {
        const vst3::IParameterChangesVtbl* vtbl;
        ParameterChanges* self;
    } face_;
    std::size_t queueFor(vst3::ParamID id); // the queue's index, made if new
    std::deque<Queue> queues_;              // a queue handed out stays where it is
    friend struct ParameterChangesAccess;
};

class ComponentHandler {
public:
    ComponentHandler();
    ComponentHandler(const ComponentHandler&) = delete;
    ComponentHandler& operator=(const ComponentHandler&) = delete;

    vst3::IComponentHandler* handler() { return reinterpret_cast<vst3::IComponentHandler*>(&face_); }

    std::vector<std::int32_t> restarts;
    int edits = 0; // beginEdit, performEdit and endEdit calls
    int references = 1;

private:
    struct Face {
        const vst3::IComponentHandlerVtbl* vtbl;
        ComponentHandler* self;
    } face_;
    friend struct ComponentHandlerAccess;
};

// Stereo 32-bit output buffers and the process data of one call.
class Vst3Block {
public:
    explicit Vst3Block(std::int32_t frames, std::int32_t channels = 2, float fill = 0.5f);

    vst3::ProcessData* data(vst3::IEventList* events = nullptr, vst3::IParameterChanges* changes = nullptr,
                            vst3::ProcessContext* context = nullptr);
    std::vector<float>& channel(std::size_t index) { return samples_[index]; }

    vst3::AudioBusBuffers output{};
    vst3::ProcessData process{};

private:
    std::vector<std::vector<float>> samples_;
    std::vector<float*> pointers_;
};

// One instance from the module's factory, with its interfaces.
class Vst3Instance {
public:
    explicit Vst3Instance(const Vst3Module& module);
    ~Vst3Instance();
    Vst3Instance(const Vst3Instance&) = delete;
    Vst3Instance& operator=(const Vst3Instance&) = delete;

    bool valid() const { return component != nullptr && processor != nullptr && controller != nullptr; }

    // The usual host order: initialize, set up, activate, start processing.
    bool start(double sampleRate = 48000.0, std::int32_t maxBlock = 512);

    vst3::tresult process(vst3::ProcessData* data) { return processorVtbl().process(processor, data); }
    std::string saveState();
    vst3::tresult loadState(MemoryStream& stream) {
        return componentVtbl().setState(component, stream.stream());
    }

    double value(vst3::ParamID id) { return controllerVtbl().getParamNormalized(controller, id); }
    vst3::tresult setValue(vst3::ParamID id, double normalized) {
        return controllerVtbl().setParamNormalized(controller, id, normalized);
    }

    // Chooses a program by its name (ASCII) in the program list, as a host's
    // menu does: the controller's answer when it knows no such name.
    vst3::tresult chooseProgram(const std::string& name);
    // The name of the program the list shows.
    std::string shownProgram();

    const vst3::IComponentVtbl& componentVtbl() const {
        return *reinterpret_cast<const vst3::IComponentVtbl*>(component->vtbl);
    }
    const vst3::IAudioProcessorVtbl& processorVtbl() const {
        return *reinterpret_cast<const vst3::IAudioProcessorVtbl*>(processor->vtbl);
    }
    const vst3::IEditControllerVtbl& controllerVtbl() const {
        return *reinterpret_cast<const vst3::IEditControllerVtbl*>(controller->vtbl);
    }
    const vst3::IUnitInfoVtbl& unitsVtbl() const {
        return *reinterpret_cast<const vst3::IUnitInfoVtbl*>(units->vtbl);
    }

    vst3::FUnknown* component = nullptr;
    vst3::FUnknown* processor = nullptr;
    vst3::FUnknown* controller = nullptr;
    vst3::FUnknown* units = nullptr;
};

// Asks an object for an interface; null if it does not have it.
vst3::FUnknown* queryFace(vst3::FUnknown* object, const vst3::Uid& iid);
void releaseFace(vst3::FUnknown* object);

std::string utf8Of(const vst3::char16* text);

} // namespace fennrow::test
