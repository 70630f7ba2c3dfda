#include "entry/descriptor.h"

#include <fennrow_version.h>

namespace fennrow::entry {

const clap_plugin_descriptor_t kPluginDescriptor = {
    CLAP_VERSION_INIT,
    plugin::kPluginId,
    plugin::kPluginName,
    plugin::kPluginVendor,
    "", // url
    "", // manual_url
    "", // support_url
    kFennrowVersion,
    plugin::kPluginDescription,
    plugin::kPluginFeatures,
};

} // namespace fennrow::entry
