#include "entry/descriptor.h"

#include <fennrow_version.h>

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
    kFennrowVersion,
    "A bass you play: a clean mono sub under everything else",
    kFeatures,
};

} // namespace fennrow
