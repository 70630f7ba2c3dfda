#include "entry/descriptor.h"

#include <fennrow_version.h>

namespace fennrow {

const clap_plugin_descriptor_t kPluginDescriptor = {
    CLAP_VERSION_INIT,
    kPluginId,
    kPluginName,
    kPluginVendor,
    "", // url
    "", // manual_url
    "", // support_url
    kFennrowVersion,
    kPluginDescription,
    kPluginFeatures,
};

} // namespace fennrow
