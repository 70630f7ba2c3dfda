#include "support/vst3_host.h"

#include "plugin_loader/shared_library.h"

#include <algorithm>
#include <cstring>

namespace fennrow::test {

using namespace ::vst3;

namespace {

#if defined(_WIN32)
constexpr const char* kEnterName = "InitDll";
constexpr const char* kLeaveName = "ExitDll";
using EnterFunction = bool (*)();
bool callEnter(void* function, void*) { return reinterpret_cast<EnterFunction>(function)(); }
#else
constexpr const char* kEnterName = "ModuleEntry";
constexpr const char* kLeaveName = "ModuleExit";
using EnterFunction = bool (*)(void*);
bool callEnter(void* function, void* handle) { return reinterpret_cast<EnterFunction>(function)(handle); }
#endif

using LeaveFunction = bool (*)();
using GetFactoryFunction = FUnknown*(VST3_API*)();

template <typename Self, typename Face>
Self* selfOf(void* face) {
    return static_cast<Face*>(face)->self;
}

// Host objects live on the test's stack: their reference counts are nominal.
tresult VST3_API noInterface(void*, const char*, void** obj) {
    if (obj != nullptr) *obj = nullptr;
    return kNoInterface;
}
std::uint32_t VST3_API nominalRef(void*) { return 1; }

} // namespace

Vst3Module::Vst3Module(const std::string& path) {
    handle_ = openLibrary(path, error_);
    if (handle_ == nullptr) return;
    void* enter = librarySymbol(handle_, kEnterName);
    if (enter == nullptr || !callEnter(enter, handle_)) {
        error_ = "module entry failed";
        return;
    }
    entered_ = true;
    auto getFactory = reinterpret_cast<GetFactoryFunction>(librarySymbol(handle_, "GetPluginFactory"));
    if (getFactory == nullptr) {
        error_ = "no GetPluginFactory";
        return;
    }
    factory_ = getFactory();
    if (factory_ == nullptr) error_ = "GetPluginFactory answered null";
}

Vst3Module::Vst3Module(FUnknown* linkedFactory) : factory_(linkedFactory) {
    if (factory_ == nullptr) error_ = "no factory";
}

Vst3Module::~Vst3Module() {
    if (factory_ != nullptr) factory_->vtbl->release(factory_);
    if (entered_) {
        if (void* leave = librarySymbol(handle_, kLeaveName)) reinterpret_cast<LeaveFunction>(leave)();
    }
    if (handle_ != nullptr) closeLibrary(handle_);
}

bool Vst3Module::hasSymbol(const char* name) const {
    return handle_ != nullptr && librarySymbol(handle_, name) != nullptr;
}

const IPluginFactory3Vtbl* Vst3Module::factory3() const {
    return factory_ != nullptr ? reinterpret_cast<const IPluginFactory3Vtbl*>(factory_->vtbl) : nullptr;
}

// --- MemoryStream -----------------------------------------------------------

struct MemoryStreamAccess {
    static MemoryStream* of(void* face) { return selfOf<MemoryStream, MemoryStream::Face>(face); }

    static bool failsNow(MemoryStream* stream) {
        ++stream->calls;
        return stream->failAfterCalls >= 0 && stream->calls > stream->failAfterCalls;
    }

    static tresult VST3_API read(void* face, void* buffer, std::int32_t numBytes,
                                 std::int32_t* numBytesRead) {
        MemoryStream* stream = of(face);
        if (numBytesRead != nullptr) *numBytesRead = 0;
        if (failsNow(stream)) return kInternalError;
        if (buffer == nullptr || numBytes < 0) return kInvalidArgument;
        const std::size_t left = stream->bytes.size() - stream->position;
        const std::size_t count =
            std::min({left, static_cast<std::size_t>(numBytes), static_cast<std::size_t>(stream->maxChunk)});
        std::memcpy(buffer, stream->bytes.data() + stream->position, count);
        stream->position += count;
        if (numBytesRead != nullptr) *numBytesRead = static_cast<std::int32_t>(count);
        const bool atEnd = stream->position == stream->bytes.size();
        return stream->falseAtEnd && atEnd ? kResultFalse : kResultOk;
    }

    static tresult VST3_API write(void* face, void* buffer, std::int32_t numBytes,
                                  std::int32_t* numBytesWritten) {
        MemoryStream* stream = of(face);
        if (numBytesWritten != nullptr) *numBytesWritten = 0;
        if (failsNow(stream)) return kInternalError;
        if (buffer == nullptr || numBytes < 0) return kInvalidArgument;
        const std::int32_t count = std::min(numBytes, stream->maxChunk);
        stream->bytes.replace(stream->position, static_cast<std::size_t>(count),
                              static_cast<const char*>(buffer), static_cast<std::size_t>(count));
        stream->position += static_cast<std::size_t>(count);
        if (numBytesWritten != nullptr) *numBytesWritten = count;
        return kResultOk;
    }

    static tresult VST3_API seek(void* face, std::int64_t pos, std::int32_t mode, std::int64_t* result) {
        MemoryStream* stream = of(face);
        const std::int64_t base = mode == kIBSeekSet   ? 0
                                  : mode == kIBSeekCur ? static_cast<std::int64_t>(stream->position)
                                                       : static_cast<std::int64_t>(stream->bytes.size());
        const std::int64_t target =
            std::clamp<std::int64_t>(base + pos, 0, static_cast<std::int64_t>(stream->bytes.size()));
        stream->position = static_cast<std::size_t>(target);
        if (result != nullptr) *result = target;
        return kResultOk;
    }

    static tresult VST3_API tell(void* face, std::int64_t* pos) {
        if (pos == nullptr) return kInvalidArgument;
        *pos = static_cast<std::int64_t>(of(face)->position);
        return kResultOk;
    }

    static constexpr IBStreamVtbl kVtbl = {{noInterface, nominalRef, nominalRef}, read, write, seek, tell};
};

MemoryStream::MemoryStream(std::string initial)
    : bytes(std::move(initial)), face_{&MemoryStreamAccess::kVtbl, this} {}

// --- EventList --------------------------------------------------------------

namespace {

EventList* eventListOf(void* face) {
    struct Face {
        const IEventListVtbl* vtbl;
        EventList* self;
    };
    return static_cast<Face*>(face)->self;
}

std::int32_t VST3_API eventCount(void* face) {
    return static_cast<std::int32_t>(eventListOf(face)->events.size());
}

tresult VST3_API getEvent(void* face, std::int32_t index, Event* event) {
    EventList* list = eventListOf(face);
    if (event == nullptr || index < 0 || static_cast<std::size_t>(index) >= list->events.size())
        return kInvalidArgument;
    *event = list->events[static_cast<std::size_t>(index)];
    return kResultOk;
}

tresult VST3_API addEvent(void*, Event*) { return kResultFalse; }

const IEventListVtbl kEventListVtbl = {{noInterface, nominalRef, nominalRef}, eventCount, getEvent, addEvent};

} // namespace

EventList::EventList() : face_{&kEventListVtbl, this} {}

EventList& EventList::noteOn(std::int32_t offset, std::int16_t pitch, float velocity, std::int32_t noteId,
                             std::int16_t channel) {
    Event event{};
    event.sampleOffset = offset;
    event.type = kNoteOnEvent;
    event.noteOn = {channel, pitch, 0.0f, velocity, 0, noteId};
    events.push_back(event);
    return *this;
}

EventList& EventList::noteOff(std::int32_t offset, std::int16_t pitch, float velocity, std::int32_t noteId,
                              std::int16_t channel) {
    Event event{};
    event.sampleOffset = offset;
    event.type = kNoteOffEvent;
    event.noteOff = {channel, pitch, velocity, noteId, 0.0f};
    events.push_back(event);
    return *this;
}

// --- ParameterChanges -------------------------------------------------------

struct ParameterChangesAccess {
    using Queue = ParameterChanges::Queue;

    static ParameterChanges* of(void* face) { return selfOf<ParameterChanges, ParameterChanges::Face>(face); }
    static Queue* queueOf(void* face) { return static_cast<Queue*>(face); }

    static ParamID VST3_API queueId(void* face) { return queueOf(face)->id; }
    static std::int32_t VST3_API pointCount(void* face) {
        return static_cast<std::int32_t>(queueOf(face)->points.size());
    }
    static tresult VST3_API getPoint(void* face, std::int32_t index, std::int32_t* offset,
                                     ParamValue* value) {
        Queue* queue = queueOf(face);
        if (offset == nullptr || value == nullptr || index < 0 ||
            static_cast<std::size_t>(index) >= queue->points.size()) {
            return kInvalidArgument;
        }
        *offset = queue->points[static_cast<std::size_t>(index)].first;
        *value = queue->points[static_cast<std::size_t>(index)].second;
        return kResultOk;
    }
    static tresult VST3_API addPoint(void* face, std::int32_t offset, ParamValue value, std::int32_t* index) {
        Queue* queue = queueOf(face);
        queue->points.emplace_back(offset, value);
        if (index != nullptr) *index = static_cast<std::int32_t>(queue->points.size()) - 1;
        return kResultOk;
    }

    static std::int32_t VST3_API queueCount(void* face) {
        return static_cast<std::int32_t>(of(face)->queues_.size());
    }
    static IParamValueQueue* VST3_API queueAt(void* face, std::int32_t index) {
        ParameterChanges* changes = of(face);
        if (index < 0 || static_cast<std::size_t>(index) >= changes->queues_.size()) return nullptr;
        return reinterpret_cast<IParamValueQueue*>(&changes->queues_[static_cast<std::size_t>(index)]);
    }
    static IParamValueQueue* VST3_API addQueue(void* face, const ParamID* id, std::int32_t* index) {
        if (id == nullptr) return nullptr;
        ParameterChanges* changes = of(face);
        const std::size_t found = changes->queueFor(*id);
        if (index != nullptr) *index = static_cast<std::int32_t>(found);
        return reinterpret_cast<IParamValueQueue*>(&changes->queues_[found]);
    }

    static constexpr IParamValueQueueVtbl kQueueVtbl = {
        {noInterface, nominalRef, nominalRef}, queueId, pointCount, getPoint, addPoint};
    static constexpr IParameterChangesVtbl kVtbl = {
        {noInterface, nominalRef, nominalRef}, queueCount, queueAt, addQueue};
};

ParameterChanges::ParameterChanges() : face_{&ParameterChangesAccess::kVtbl, this} {}

std::size_t ParameterChanges::queueFor(ParamID id) {
    for (std::size_t index = 0; index < queues_.size(); ++index) {
        if (queues_[index].id == id) return index;
    }
    queues_.push_back({&ParameterChangesAccess::kQueueVtbl, id, {}});
    return queues_.size() - 1;
}

ParameterChanges& ParameterChanges::point(ParamID id, std::int32_t offset, double normalized) {
    queues_[queueFor(id)].points.emplace_back(offset, normalized);
    return *this;
}

std::vector<std::pair<std::int32_t, double>> ParameterChanges::pointsOf(ParamID id) const {
    for (const Queue& queue : queues_) {
        if (queue.id == id) return queue.points;
    }
    return {};
}

// --- ComponentHandler -------------------------------------------------------

struct ComponentHandlerAccess {
    static ComponentHandler* of(void* face) { return selfOf<ComponentHandler, ComponentHandler::Face>(face); }
    static std::uint32_t VST3_API addRef(void* face) {
        return static_cast<std::uint32_t>(++of(face)->references);
    }
    static std::uint32_t VST3_API release(void* face) {
        return static_cast<std::uint32_t>(--of(face)->references);
    }
    static tresult VST3_API edit(void* face, ParamID) {
        ++of(face)->edits;
        return kResultOk;
    }
    static tresult VST3_API perform(void* face, ParamID, ParamValue) {
        ++of(face)->edits;
        return kResultOk;
    }
    static tresult VST3_API restart(void* face, std::int32_t flags) {
        of(face)->restarts.push_back(flags);
        return kResultOk;
    }
    static constexpr IComponentHandlerVtbl kVtbl = {
        {noInterface, addRef, release}, edit, perform, edit, restart};
};

ComponentHandler::ComponentHandler() : face_{&ComponentHandlerAccess::kVtbl, this} {}

// --- Vst3Block --------------------------------------------------------------

Vst3Block::Vst3Block(std::int32_t frames, std::int32_t channels, float fill)
    : samples_(static_cast<std::size_t>(channels),
               std::vector<float>(static_cast<std::size_t>(frames), fill)) {
    for (std::vector<float>& channel : samples_) pointers_.push_back(channel.data());
    output.numChannels = channels;
    output.channelBuffers32 = pointers_.data();
    process.processMode = kRealtime;
    process.symbolicSampleSize = kSample32;
    process.numSamples = frames;
    process.numOutputs = 1;
    process.outputs = &output;
}

ProcessData* Vst3Block::data(IEventList* events, IParameterChanges* changes, ProcessContext* context) {
    process.inputEvents = events;
    process.inputParameterChanges = changes;
    process.processContext = context;
    return &process;
}

// --- Vst3Instance -----------------------------------------------------------

FUnknown* queryFace(FUnknown* object, const Uid& iid) {
    void* face = nullptr;
    if (object == nullptr || object->vtbl->queryInterface(object, iid.bytes, &face) != kResultOk)
        return nullptr;
    return static_cast<FUnknown*>(face);
}

void releaseFace(FUnknown* object) {
    if (object != nullptr) object->vtbl->release(object);
}

Vst3Instance::Vst3Instance(const Vst3Module& module) {
    const IPluginFactory3Vtbl* factory = module.factory3();
    if (factory == nullptr) return;
    PClassInfo info{};
    if (factory->factory2.factory.getClassInfo(module.factory(), 0, &info) != kResultOk) return;
    void* object = nullptr;
    if (factory->factory2.factory.createInstance(module.factory(), info.cid.bytes, kIComponentIid.bytes,
                                                 &object) != kResultOk) {
        return;
    }
    component = static_cast<FUnknown*>(object);
    processor = queryFace(component, kIAudioProcessorIid);
    controller = queryFace(component, kIEditControllerIid);
    units = queryFace(component, kIUnitInfoIid);
}

Vst3Instance::~Vst3Instance() {
    if (component != nullptr) {
        componentVtbl().setActive(component, 0);
        componentVtbl().base.terminate(component);
    }
    if (controller != nullptr) controllerVtbl().base.terminate(controller);
    releaseFace(units);
    releaseFace(controller);
    releaseFace(processor);
    releaseFace(component);
}

bool Vst3Instance::start(double sampleRate, std::int32_t maxBlock) {
    if (!valid()) return false;
    if (componentVtbl().base.initialize(component, nullptr) != kResultOk) return false;
    ProcessSetup setup{kRealtime, kSample32, maxBlock, sampleRate};
    if (processorVtbl().setupProcessing(processor, &setup) != kResultOk) return false;
    if (componentVtbl().setActive(component, 1) != kResultOk) return false;
    return processorVtbl().setProcessing(processor, 1) == kResultOk;
}

std::string Vst3Instance::saveState() {
    MemoryStream stream;
    if (componentVtbl().getState(component, stream.stream()) != kResultOk) return {};
    return stream.bytes;
}

tresult Vst3Instance::chooseProgram(const std::string& name) {
    std::u16string text(name.begin(), name.end());
    double normalized = -1.0;
    const tresult found =
        controllerVtbl().getParamValueByString(controller, kProgramParamId, text.data(), &normalized);
    return found == kResultOk ? setValue(kProgramParamId, normalized) : found;
}

std::string Vst3Instance::shownProgram() {
    char16 text[128] = {};
    controllerVtbl().getParamStringByValue(controller, kProgramParamId, value(kProgramParamId), text);
    return utf8Of(text);
}

std::string utf8Of(const char16* text) {
    std::string out;
    for (; *text != 0; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

} // namespace fennrow::test
