// The module's one factory: vendor, the one audio-module class, and the
// instances it creates.
#pragma once

#include <vst3/factory.h>

namespace fennrow::vst3 {

// The factory record handed out by GetPluginFactory; it lives as long as the
// module, so its reference count is only nominal.
::vst3::FUnknown* pluginFactory();

// The CLAP entry is initialised once for the module, when the host enters it
// or first asks for the factory, and released when the host leaves.
bool enterModule();
bool leaveModule();

} // namespace fennrow::vst3
