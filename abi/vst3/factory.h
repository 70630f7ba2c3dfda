// The plugin factory a module hands out through GetPluginFactory, and the
// records that describe its classes.
#pragma once

#include <vst3/base.h>

#include <cstddef>

namespace vst3 {

struct PFactoryInfo {
    char vendor[64];
    char url[256];
    char email[128];
    std::int32_t flags;
};

enum FactoryFlags : std::int32_t { kNoFlags = 0, kClassesDiscardable = 1 << 0, kUnicode = 1 << 4 };

inline constexpr std::int32_t kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
    Uid cid;
    std::int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    Uid cid;
    std::int32_t cardinality;
    char category[32];
    char name[64];
    std::uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW {
    Uid cid;
    std::int32_t cardinality;
    char category[32];
    char16 name[64];
    std::uint32_t classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

struct IPluginFactoryVtbl {
    FUnknownVtbl unknown;
    tresult(VST3_API* getFactoryInfo)(void* self, PFactoryInfo* info);
    std::int32_t(VST3_API* countClasses)(void* self);
    tresult(VST3_API* getClassInfo)(void* self, std::int32_t index, PClassInfo* info);
    tresult(VST3_API* createInstance)(void* self, FIDString cid, FIDString iid, void** obj);
};

struct IPluginFactory2Vtbl {
    IPluginFactoryVtbl factory;
    tresult(VST3_API* getClassInfo2)(void* self, std::int32_t index, PClassInfo2* info);
};

struct IPluginFactory3Vtbl {
    IPluginFactory2Vtbl factory2;
    tresult(VST3_API* getClassInfoUnicode)(void* self, std::int32_t index, PClassInfoW* info);
    tresult(VST3_API* setHostContext)(void* self, FUnknown* context);
};

inline constexpr Uid kIPluginFactoryIid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr Uid kIPluginFactory2Iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr Uid kIPluginFactory3Iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);

static_assert(sizeof(PFactoryInfo) == 452);
static_assert(sizeof(PClassInfo) == 116);
static_assert(sizeof(PClassInfo2) == 440);
static_assert(sizeof(PClassInfoW) == 696);
static_assert(offsetof(PClassInfoW, name) == 52);
static_assert(offsetof(PClassInfoW, classFlags) == 180);
static_assert(sizeof(IPluginFactoryVtbl) == 7 * sizeof(void*));
static_assert(sizeof(IPluginFactory2Vtbl) == 8 * sizeof(void*));
static_assert(sizeof(IPluginFactory3Vtbl) == 10 * sizeof(void*));

} // namespace vst3
