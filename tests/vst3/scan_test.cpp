// What a host sees when it scans the module: exports, factory, the class,
// interface ids in the system's byte order, buses and arrangements.
#include "support/built_module.h"
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace fennrow::test {
namespace {

using namespace ::vst3;

std::string hex(const Uid& uid) {
    std::string text;
    char digits[3];
    for (char byte : uid.bytes) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(byte));
        text += digits;
    }
    return text;
}

// The ids as bytes, written out by hand for each system: Windows keeps the
// GUID layout, other systems the words in order.
struct UidCase {
    const char* name;
    Uid uid;
    const char* linuxBytes;
    const char* windowsBytes;
};

TEST(Vst3Scan, IdsHaveTheSystemsByteOrder) {
    PClassInfo info{};
    Vst3Module module;
    ASSERT_NE(module.factory3(), nullptr) << module.error();
    ASSERT_EQ(module.factory3()->factory2.factory.getClassInfo(module.factory(), 0, &info), kResultOk);
    const UidCase cases[] = {
        {"class", info.cid, "5F44CEB3D4D4840E6E9578BF7D3A73A2", "B3CE445FD4D40E846E9578BF7D3A73A2"},
        {"FUnknown", kFUnknownIid, "0000000000000000C000000000000046", "0000000000000000C000000000000046"},
        {"IComponent", kIComponentIid, "E831FF31F2D54301928EBBEE25697802",
         "31FF31E8D5F20143928EBBEE25697802"},
        {"IEditController", kIEditControllerIid, "DCD7BBE37742448DA874AACC979C759E",
         "E3BBD7DC42778D44A874AACC979C759E"},
    };
    for (const UidCase& c : cases) {
#if defined(_WIN32)
        EXPECT_EQ(hex(c.uid), c.windowsBytes) << c.name;
#else
        EXPECT_EQ(hex(c.uid), c.linuxBytes) << c.name;
#endif
    }
}

TEST(Vst3Scan, ModuleExportsTheEntryPointsOnly) {
    Vst3Module module;
    ASSERT_NE(module.factory(), nullptr) << module.error();
    EXPECT_TRUE(module.hasSymbol("GetPluginFactory"));
#if defined(_WIN32)
    EXPECT_TRUE(module.hasSymbol("InitDll"));
    EXPECT_TRUE(module.hasSymbol("ExitDll"));
#else
    EXPECT_TRUE(module.hasSymbol("ModuleEntry"));
    EXPECT_TRUE(module.hasSymbol("ModuleExit"));
#endif
    EXPECT_FALSE(module.hasSymbol("clap_entry"));
}

TEST(Vst3Scan, FactoryDescribesOneInstrumentClass) {
    Vst3Module module;
    const IPluginFactory3Vtbl* factory = module.factory3();
    ASSERT_NE(factory, nullptr);
    for (const Uid* iid : {&kIPluginFactoryIid, &kIPluginFactory2Iid, &kIPluginFactory3Iid}) {
        FUnknown* face = queryFace(module.factory(), *iid);
        EXPECT_EQ(face, module.factory());
        releaseFace(face);
    }
    PFactoryInfo factoryInfo{};
    ASSERT_EQ(factory->factory2.factory.getFactoryInfo(module.factory(), &factoryInfo), kResultOk);
    EXPECT_STREQ(factoryInfo.vendor, "Brightmoss");
    EXPECT_EQ(factoryInfo.flags, kUnicode);
    ASSERT_EQ(factory->factory2.factory.countClasses(module.factory()), 1);

    // The version is the CLAP descriptor's, the project's one place.
    const std::shared_ptr<ClapModule> clap = openBuiltModule();
    ASSERT_NE(clap, nullptr);
    ASSERT_NE(pluginFactory(*clap), nullptr);
    const char* version = pluginFactory(*clap)->get_plugin_descriptor(pluginFactory(*clap), 0)->version;

    PClassInfo2 info{};
    ASSERT_EQ(factory->factory2.getClassInfo2(module.factory(), 0, &info), kResultOk);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "fennrow");
    EXPECT_STREQ(info.subCategories, "Instrument|Synth");
    EXPECT_STREQ(info.vendor, "Brightmoss");
    EXPECT_STREQ(info.version, version);
    EXPECT_EQ(info.cardinality, kManyInstances);
    PClassInfoW wide{};
    ASSERT_EQ(factory->getClassInfoUnicode(module.factory(), 0, &wide), kResultOk);
    EXPECT_EQ(utf8Of(wide.name), "fennrow");
    EXPECT_EQ(utf8Of(wide.version), version);
    EXPECT_EQ(std::memcmp(wide.cid.bytes, info.cid.bytes, 16), 0);
    EXPECT_NE(factory->factory2.getClassInfo2(module.factory(), 1, &info), kResultOk);

    void* object = &info;
    const Uid other = makeUid(1, 2, 3, 4);
    EXPECT_NE(factory->factory2.factory.createInstance(module.factory(), other.bytes, kIComponentIid.bytes,
                                                       &object),
              kResultOk);
    EXPECT_EQ(object, nullptr);
}

TEST(Vst3Scan, OneObjectAnswersEveryInterfaceItHas) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    const Uid answered[] = {kFUnknownIid,
                            kIPluginBaseIid,
                            kIComponentIid,
                            kIAudioProcessorIid,
                            kIEditControllerIid,
                            kIUnitInfoIid,
                            kIProcessContextRequirementsIid};
    for (const Uid& iid : answered) {
        FUnknown* face = queryFace(plugin.controller, iid);
        EXPECT_NE(face, nullptr) << hex(iid);
        releaseFace(face);
    }
    const Uid refused[] = {kIPluginFactoryIid, kIComponentHandlerIid, kIBStreamIid,
                           makeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1)}; // IConnectionPoint
    for (const Uid& iid : refused) {
        void* face = &plugin;
        EXPECT_EQ(plugin.component->vtbl->queryInterface(plugin.component, iid.bytes, &face), kNoInterface);
        EXPECT_EQ(face, nullptr);
    }
    // Every face shares one count: what is taken is given back.
    const std::uint32_t before = plugin.component->vtbl->addRef(plugin.component);
    EXPECT_EQ(plugin.units->vtbl->release(plugin.units), before - 1);

    char classId[16] = {};
    EXPECT_EQ(plugin.componentVtbl().getControllerClassId(plugin.component, classId), kNotImplemented);
    EXPECT_EQ(plugin.controllerVtbl().createView(plugin.controller, "editor"), nullptr);
}

TEST(Vst3Scan, BusesAreOneStereoOutputAndOneNoteInput) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    const IComponentVtbl& component = plugin.componentVtbl();
    EXPECT_EQ(component.getBusCount(plugin.component, kAudio, kInput), 0);
    EXPECT_EQ(component.getBusCount(plugin.component, kAudio, kOutput), 1);
    EXPECT_EQ(component.getBusCount(plugin.component, kEvent, kInput), 1);
    EXPECT_EQ(component.getBusCount(plugin.component, kEvent, kOutput), 0);
    BusInfo bus{};
    ASSERT_EQ(component.getBusInfo(plugin.component, kAudio, kOutput, 0, &bus), kResultOk);
    EXPECT_EQ(utf8Of(bus.name), "Main");
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    EXPECT_EQ(bus.flags, kDefaultActive);
    ASSERT_EQ(component.getBusInfo(plugin.component, kEvent, kInput, 0, &bus), kResultOk);
    EXPECT_EQ(bus.mediaType, kEvent);
    EXPECT_EQ(utf8Of(bus.name), "Notes");
    EXPECT_NE(component.getBusInfo(plugin.component, kAudio, kOutput, 1, &bus), kResultOk);
    EXPECT_NE(component.getBusInfo(plugin.component, kAudio, kInput, 0, &bus), kResultOk);

    struct Arrangement {
        std::vector<SpeakerArrangement> inputs;
        std::vector<SpeakerArrangement> outputs;
        tresult expected;
    };
    const Arrangement arrangements[] = {
        {{}, {kStereo}, kResultOk},
        {{}, {kMono}, kResultFalse},
        {{kStereo}, {kStereo}, kResultFalse},
        {{}, {kStereo, kStereo}, kResultFalse},
        {{}, {}, kResultFalse},
    };
    for (Arrangement a : arrangements) {
        EXPECT_EQ(plugin.processorVtbl().setBusArrangements(
                      plugin.processor, a.inputs.data(), static_cast<std::int32_t>(a.inputs.size()),
                      a.outputs.data(), static_cast<std::int32_t>(a.outputs.size())),
                  a.expected);
    }
    SpeakerArrangement suggested = 0;
    ASSERT_EQ(plugin.processorVtbl().getBusArrangement(plugin.processor, kOutput, 0, &suggested), kResultOk);
    EXPECT_EQ(suggested, kStereo);
}

} // namespace
} // namespace fennrow::test
