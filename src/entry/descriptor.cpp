#include "entry/descriptor.h"

namespace fennrow {
namespace {

const char* const kFeatures[] = {
    CLAP_PLUGIN_FEATURE_INSTRUMENT,
    CLAP_PLUGIN_FEATURE_SYNTHESIZER,
    CLAP_PLUGIN_FEATURE_STEREO,
    nullptr,
};

} // namespace

const clap_plugin_descriptor_t kPluginDescriptor = {
    CLAP_VERSION_INIT,
    kPluginId,
    "fennrow",
    "Brightmoss",
    "", // url
    "", // manual_url
    "", // support_url
    "0.1.3",
    "A bass you play: a clean mono sub under everything else",
    kFeatures,
};

} // namespace fennrow
