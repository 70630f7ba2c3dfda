// The extension lookup: which table answers which id.
#include "entry/plugin_extensions.h"
#include "plugin/params_extension.h"
#include "plugin/ports.h"
#include "plugin/session_extension.h"
#include "presets/preset_load_extension.h"
#include "presets/state_extension.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

namespace fennrow::test {
namespace {

using test::TestPlugin;

TEST(Extensions, AnswerExactIdsOnly) {
    TestPlugin p;
    struct Case {
        const char* id;
        const void* table;
    };
    const Case cases[] = {
        {"clap.audio-ports", &plugin::kAudioPortsExtension},
        {"clap.note-ports", &plugin::kNotePortsExtension},
        {"clap.params", &plugin::kParamsExtension},
        {"clap.state", &presets::kStateExtension},
        {"clap.preset-load/2", &presets::kPresetLoadExtension},
        {"clap.preset-load.draft/2", &presets::kPresetLoadExtension},
        {"com.brightmoss.session/1", &plugin::kSessionExtension},
        {"clap.latency", nullptr},
        {"clap.gui", nullptr},
        {"clap.tail", nullptr},
        {"CLAP.PARAMS", nullptr},
        {"clap.params ", nullptr},
        {"com.brightmoss.session/2", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(p.plugin->get_extension(p.plugin, c.id), c.table) << c.id;
    EXPECT_EQ(p.plugin->get_extension(p.plugin, nullptr), nullptr);
}

} // namespace
} // namespace fennrow::test
