// A CLAP plugin library opened the way a DAW opens one: dlopen or LoadLibraryW, the exported
// clap_entry, its init, and the factories it offers. The render host, the
// test hosts and the benchmarks load the plugin through it alike.
#pragma once

#include <clap/clap.h>

#include <memory>
#include <string>

namespace fennrow {

struct ClapModule {
    std::string path;
    void* handle = nullptr;
    const clap_plugin_entry_t* entry = nullptr;
    bool initialised = false;

    ClapModule() = default;
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;
    // Calls the entry's deinit and closes the library.
    ~ClapModule();
};

// Opens and initialises the library; nothing, with the reason in `error`, when
// the file is missing, is no CLAP library, or its entry refuses to start.
std::shared_ptr<ClapModule> openClapModule(const std::string& path, std::string& error);

// A plugin linked into the program itself, as in the web build, which has no
// dynamic loading: its entry is checked and initialised as a library's is,
// with `path` handed to its init.
std::shared_ptr<ClapModule> openLinkedClapModule(const clap_plugin_entry_t& entry, const std::string& path,
                                                 std::string& error);

const clap_plugin_factory_t* pluginFactory(const ClapModule& module);

// The preset-discovery factory under its current id or its draft id; may be null.
const clap_preset_discovery_factory_t* presetDiscoveryFactory(const ClapModule& module);

} // namespace fennrow
