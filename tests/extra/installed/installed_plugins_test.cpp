// The installed plugins, opened where a host finds them, through the test
// hosts: each one loads, starts and plays a note.
//
//   fennrow_installed_plugins [gtest options] [--clap FILE] [--vst3 FILE]
//
// FILE is the installed fennrow.clap, or the module inside the installed
// fennrow.vst3 bundle. A format without its option is not checked.
#include "support/audio_block.h"
#include "support/built_module.h"
#include "support/event_list.h"
#include "support/fake_host.h"
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow::test {
namespace {

std::string clapPath;
std::string vst3Path;

constexpr double kSampleRate = 48000.0;
constexpr int kFrames = 4800;
constexpr int kKey = 33;

// The note is heard, and nothing the host gets back is NaN or infinite.
void expectPlayed(const std::vector<float>& left, const std::vector<float>& right) {
    float peak = 0.0f;
    for (const std::vector<float>* channel : {&left, &right}) {
        for (float sample : *channel) {
            ASSERT_TRUE(std::isfinite(sample));
            peak = std::max(peak, std::abs(sample));
        }
    }
    EXPECT_GT(peak, 0.01f) << "the note is heard";
}

TEST(InstalledPlugins, ClapPlaysANote) {
    if (clapPath.empty()) GTEST_SKIP() << "no --clap";
    std::shared_ptr<ClapModule> module = openBuiltModule(clapPath);
    ASSERT_NE(module, nullptr);
    const clap_plugin_factory_t* factory = pluginFactory(*module);
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    FakeHost host;
    const clap_plugin_t* plugin = factory->create_plugin(factory, host.clap(), descriptor->id);
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(plugin->init(plugin));
    ASSERT_TRUE(plugin->activate(plugin, kSampleRate, 1, kFrames));
    ASSERT_TRUE(plugin->start_processing(plugin));
    InputEvents events;
    events.noteOn(0, kKey, 0.8);
    AudioBlock block(kFrames);
    EXPECT_EQ(plugin->process(plugin, block.process(events.clap())), CLAP_PROCESS_CONTINUE);
    expectPlayed(block.channel(0), block.channel(1));
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
}

TEST(InstalledPlugins, Vst3PlaysANote) {
    if (vst3Path.empty()) GTEST_SKIP() << "no --vst3";
    Vst3Module module(vst3Path);
    ASSERT_NE(module.factory(), nullptr) << module.error();
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    ASSERT_TRUE(plugin.start(kSampleRate, kFrames));
    EventList events;
    events.noteOn(0, kKey, 0.8f);
    Vst3Block block(kFrames, 2, 0.0f);
    EXPECT_EQ(plugin.process(block.data(events.list())), vst3::kResultOk);
    expectPlayed(block.channel(0), block.channel(1));
}

} // namespace
} // namespace fennrow::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--clap") {
            fennrow::test::clapPath = argv[i + 1];
        } else if (option == "--vst3") {
            fennrow::test::vst3Path = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: %s [gtest options] [--clap FILE] [--vst3 FILE]\n", argv[0]);
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s [gtest options] [--clap FILE] [--vst3 FILE]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
