// The built plugin library, reached only through clap_entry as a host would.
#include "support/audio_block.h"
#include "support/built_module.h"
#include "support/event_list.h"
#include "support/fake_host.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fennrow::test {
namespace {

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module, nullptr); }
    std::shared_ptr<ClapModule> module = test::openBuiltModule();
};

TEST_F(ModuleTest, EntryRecordAndFactories) {
    const clap_plugin_entry_t* entry = module->entry;
    EXPECT_EQ(entry->clap_version.major, 1u);
    EXPECT_EQ(entry->clap_version.minor, 2u);
    EXPECT_EQ(entry->clap_version.revision, 10u);
    EXPECT_NE(pluginFactory(*module), nullptr);
    const void* discovery = entry->get_factory("clap.preset-discovery-factory/2");
    EXPECT_NE(discovery, nullptr);
    EXPECT_EQ(entry->get_factory("clap.preset-discovery-factory/draft-2"), discovery);
    const char* unknown[] = {"clap.preset-discovery-factory", "clap.plugin-factory ", "CLAP.PLUGIN-FACTORY",
                             "", "clap.plugin-invalidation-factory/1"};
    for (const char* id : unknown) EXPECT_EQ(entry->get_factory(id), nullptr) << id;
    EXPECT_EQ(entry->get_factory(nullptr), nullptr);
}

TEST_F(ModuleTest, DescriptorCarriesItsExactStrings) {
    const clap_plugin_factory_t* factory = pluginFactory(*module);
    EXPECT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* desc = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->clap_version.revision, 10u);
    EXPECT_STREQ(desc->id, "com.brightmoss.fennrow");
    EXPECT_STREQ(desc->name, "fennrow");
    EXPECT_STREQ(desc->vendor, "Brightmoss");
    ASSERT_NE(desc->url, nullptr);
    ASSERT_NE(desc->manual_url, nullptr);
    ASSERT_NE(desc->support_url, nullptr);
    EXPECT_STREQ(desc->url, "");
    EXPECT_STREQ(desc->manual_url, "");
    EXPECT_STREQ(desc->support_url, "");
    EXPECT_STREQ(desc->version, "0.1.3");
    EXPECT_STREQ(desc->description, "A bass you play: a clean mono sub under everything else");
    std::vector<std::string> features;
    for (const char* const* f = desc->features; *f != nullptr; ++f) features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"instrument", "synthesizer", "stereo"}));
}

TEST_F(ModuleTest, CreatesOnlyForTheExactPluginId) {
    const clap_plugin_factory_t* factory = pluginFactory(*module);
    test::FakeHost host;
    const char* wrong[] = {"com.brightmoss.fennrow ", "COM.BRIGHTMOSS.FENNROW", "com.brightmoss", ""};
    for (const char* id : wrong) EXPECT_EQ(factory->create_plugin(factory, host.clap(), id), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, host.clap(), nullptr), nullptr);
    EXPECT_TRUE(host.calls.empty());

    const clap_plugin_t* a = factory->create_plugin(factory, host.clap(), "com.brightmoss.fennrow");
    const clap_plugin_t* b = factory->create_plugin(factory, host.clap(), "com.brightmoss.fennrow");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->desc, factory->get_plugin_descriptor(factory, 0));
    EXPECT_EQ(a->plugin_data, static_cast<const void*>(a));
    EXPECT_TRUE(host.calls.empty()); // creation asks the host nothing
    a->destroy(a);
    b->destroy(b);
}

TEST_F(ModuleTest, AHostSessionFromCreationToDestruction) {
    const clap_plugin_factory_t* factory = pluginFactory(*module);
    test::FakeHost host;
    const clap_plugin_t* plugin = factory->create_plugin(factory, host.clap(), "com.brightmoss.fennrow");
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(plugin->init(plugin));
    EXPECT_EQ(host.count("event_registry.query com.brightmoss.events/1"), 1);

    const auto* params =
        static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->count(plugin), 23u);
    for (uint32_t i = 0; i < 23; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(plugin, i, &info));
        EXPECT_EQ(info.id, i + 1);
        double value = -1.0;
        ASSERT_TRUE(params->get_value(plugin, info.id, &value));
        EXPECT_EQ(value, info.default_value) << info.name;
    }
    EXPECT_NE(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS), nullptr);
    EXPECT_NE(plugin->get_extension(plugin, CLAP_EXT_NOTE_PORTS), nullptr);
    EXPECT_NE(plugin->get_extension(plugin, CLAP_EXT_STATE), nullptr);
    EXPECT_NE(plugin->get_extension(plugin, CLAP_EXT_PRESET_LOAD), nullptr);
    EXPECT_NE(plugin->get_extension(plugin, "com.brightmoss.session/1"), nullptr);
    EXPECT_EQ(plugin->get_extension(plugin, "clap.gui"), nullptr);

    ASSERT_TRUE(plugin->activate(plugin, 44100.0, 1, 512));
    ASSERT_TRUE(plugin->start_processing(plugin));
    test::InputEvents events;
    events.noteOn(0, 36, 1.0).param(100, 1, 1.0).noteOff(300, 36);
    test::AudioBlock block(512);
    EXPECT_EQ(plugin->process(plugin, block.process(events.clap())), CLAP_PROCESS_CONTINUE);
    double peak = 0.0;
    for (float s : block.channel(0)) peak = std::max(peak, std::fabs(static_cast<double>(s)));
    EXPECT_GT(peak, 0.0);
    double weight = 0.0;
    ASSERT_TRUE(params->get_value(plugin, 1, &weight));
    EXPECT_EQ(weight, 1.0);
    plugin->stop_processing(plugin);
    plugin->reset(plugin);
    plugin->deactivate(plugin);
    plugin->on_main_thread(plugin);
    plugin->destroy(plugin);
}

// Hosts keep plugins in folders named after users and vendors; the library
// must load and run from one whose name is not ASCII (LoadLibraryW on Windows).
TEST(ModuleLoading, LoadsAndRunsFromAFolderWithAnyLetters) {
    const std::filesystem::path folder = test::makeScratchFolder("fennrow-module");
    ASSERT_FALSE(folder.empty());
    const std::filesystem::path copy =
        folder / test::pathFromUtf8("Zo\xC3\xAB \xE9\x9F\xB3") / "fennrow.clap";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(FENNROW_MODULE_PATH, copy);
    {
        const std::shared_ptr<ClapModule> moved = test::openBuiltModule(test::utf8FromPath(copy));
        ASSERT_NE(moved, nullptr);
        const clap_plugin_factory_t* factory = pluginFactory(*moved);
        test::FakeHost host;
        const clap_plugin_t* plugin = factory->create_plugin(factory, host.clap(), "com.brightmoss.fennrow");
        ASSERT_NE(plugin, nullptr);
        EXPECT_TRUE(plugin->init(plugin));
        plugin->destroy(plugin);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

#if !defined(_WIN32) // a Windows DLL's exports are checked with objdump by the build
// What the library offers the dynamic linker: clap_entry and nothing else.
TEST(ModuleExports, OnlyClapEntryIsExported) {
    const std::string command = std::string("nm -D --defined-only '") + FENNROW_MODULE_PATH + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const size_t space = text.find_last_of(' ');
        symbols.push_back(space == std::string::npos ? text : text.substr(space + 1));
    }
    ASSERT_EQ(pclose(pipe), 0) << command;
    EXPECT_EQ(symbols, std::vector<std::string>{"clap_entry"});
}

#endif

} // namespace
} // namespace fennrow::test
