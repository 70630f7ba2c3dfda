// The built fennrow.clap, opened the way a host opens it: dlopen, clap_entry,
// init, and deinit/dlclose at the end.
#pragma once

#include <clap/clap.h>

#include <string>

namespace fennrow::test {

class ClapModule {
public:
    explicit ClapModule(const std::string& path = FENNROW_MODULE_PATH);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    bool loaded() const { return entry_ != nullptr; }
    const std::string& error() const { return error_; }
    const clap_plugin_entry_t* entry() const { return entry_; }

    const clap_plugin_factory_t* pluginFactory() const;
    const void* factory(const char* id) const;

private:
    void* handle_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    bool initialised_ = false;
    std::string error_;
};

} // namespace fennrow::test
