#include "vst3/plugin_factory.h"

#include "vst3/adapter.h"
#include "vst3/clap_link.h"
#include "vst3/class_info.h"
#include "vst3/text16.h"

#include <fennrow_version.h>

#include <cstring>

namespace fennrow::vst3 {

namespace {

using namespace ::vst3;

// Hosts load, enter and leave modules on their main thread.
int moduleUsers = 0;
bool entryReady = false;

const Uid* const kFactoryInterfaces[] = {&kFUnknownIid, &kIPluginFactoryIid, &kIPluginFactory2Iid,
                                         &kIPluginFactory3Iid};

struct Factory {
    const IPluginFactory3Vtbl* vtbl;
};

tresult VST3_API factoryQueryInterface(void* self, const char* iid, void** obj) {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (iid == nullptr) return kInvalidArgument;
    for (const Uid* known : kFactoryInterfaces) {
        if (std::memcmp(known->bytes, iid, sizeof known->bytes) == 0) {
            *obj = self;
            return kResultOk;
        }
    }
    return kNoInterface;
}

std::uint32_t VST3_API factoryAddRef(void*) { return 1; }
std::uint32_t VST3_API factoryRelease(void*) { return 1; }

tresult VST3_API getFactoryInfo(void*, PFactoryInfo* info) {
    if (info == nullptr) return kInvalidArgument;
    *info = PFactoryInfo{};
    copyBytes(info->vendor, plugin::kPluginVendor);
    info->flags = kUnicode;
    return kResultOk;
}

std::int32_t VST3_API countClasses(void*) { return 1; }

tresult VST3_API getClassInfo(void*, std::int32_t index, PClassInfo* info) {
    if (info == nullptr || index != 0) return kInvalidArgument;
    *info = PClassInfo{};
    info->cid = kClassId;
    info->cardinality = kManyInstances;
    copyBytes(info->category, kCategory);
    copyBytes(info->name, plugin::kPluginName);
    return kResultOk;
}

tresult VST3_API getClassInfo2(void*, std::int32_t index, PClassInfo2* info) {
    if (info == nullptr || index != 0) return kInvalidArgument;
    *info = PClassInfo2{};
    info->cid = kClassId;
    info->cardinality = kManyInstances;
    copyBytes(info->category, kCategory);
    copyBytes(info->name, plugin::kPluginName);
    copyBytes(info->subCategories, plugin::kVst3SubCategories);
    copyBytes(info->vendor, plugin::kPluginVendor);
    copyBytes(info->version, kFennrowVersion);
    copyBytes(info->sdkVersion, kInterfaceVersion);
    return kResultOk;
}

tresult VST3_API getClassInfoUnicode(void*, std::int32_t index, PClassInfoW* info) {
    if (info == nullptr || index != 0) return kInvalidArgument;
    *info = PClassInfoW{};
    info->cid = kClassId;
    info->cardinality = kManyInstances;
    copyBytes(info->category, kCategory);
    copyUtf16(info->name, plugin::kPluginName);
    copyBytes(info->subCategories, plugin::kVst3SubCategories);
    copyUtf16(info->vendor, plugin::kPluginVendor);
    copyUtf16(info->version, kFennrowVersion);
    copyUtf16(info->sdkVersion, kInterfaceVersion);
    return kResultOk;
}

tresult VST3_API setHostContext(void*, FUnknown*) { return kResultOk; }

tresult VST3_API createInstance(void*, FIDString cid, FIDString iid, void** obj) {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || iid == nullptr) return kInvalidArgument;
    if (std::memcmp(cid, kClassId.bytes, sizeof kClassId.bytes) != 0) return kNoInterface;
    if (!entryReady && !enterModule()) return kInternalError;
    Adapter* adapter = nullptr;
    try {
        adapter = createAdapter();
    } catch (...) {
        adapter = nullptr;
    }
    if (adapter == nullptr) return kOutOfMemory;
    // The host's reference comes from queryInterface; the creation's own one
    // is given back either way.
    const tresult result = queryInterface(&adapter->component, iid, obj);
    release(&adapter->component);
    return result;
}

const IPluginFactory3Vtbl kFactoryVtbl = {
    {{{factoryQueryInterface, factoryAddRef, factoryRelease},
      getFactoryInfo,
      countClasses,
      getClassInfo,
      createInstance},
     getClassInfo2},
    getClassInfoUnicode,
    setHostContext,
};

Factory factory = {&kFactoryVtbl};

} // namespace

FUnknown* pluginFactory() {
    if (!entryReady) enterModule();
    return reinterpret_cast<FUnknown*>(&factory);
}

bool enterModule() {
    ++moduleUsers;
    // The plugin ignores the path it is given; it has no files of its own.
    if (!entryReady) entryReady = clap_entry.init("");
    return entryReady;
}

bool leaveModule() {
    if (moduleUsers > 0) --moduleUsers;
    if (moduleUsers == 0 && entryReady) {
        clap_entry.deinit();
        entryReady = false;
    }
    return true;
}

} // namespace fennrow::vst3
