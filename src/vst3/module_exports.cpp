// The symbols a VST 3 host looks for in the module, and nothing else:
// GetPluginFactory, and ModuleEntry/ModuleExit (Linux) or InitDll/ExitDll
// (Windows) around the module's life.
#include "vst3/plugin_factory.h"

#if defined(_WIN32)
#define FENNROW_VST3_EXPORT __declspec(dllexport)
#else
#define FENNROW_VST3_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

FENNROW_VST3_EXPORT vst3::FUnknown* VST3_API GetPluginFactory() { return fennrow::vst3::pluginFactory(); }

#if defined(_WIN32)
FENNROW_VST3_EXPORT bool InitDll() { return fennrow::vst3::enterModule(); }
FENNROW_VST3_EXPORT bool ExitDll() { return fennrow::vst3::leaveModule(); }
#else
FENNROW_VST3_EXPORT bool ModuleEntry(void*) { return fennrow::vst3::enterModule(); }
FENNROW_VST3_EXPORT bool ModuleExit() { return fennrow::vst3::leaveModule(); }
#endif

} // extern "C"
