#include "plugin/session_extension.h"

#include "plugin/plugin_instance.h"

#include <cstddef>
#include <cstring>

namespace fennrow::plugin {
namespace {

template <typename T>
T fieldAt(const SessionInfo* info, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(info) + offset, sizeof value);
    return value;
}

bool sessionSet(const clap_plugin_t* plugin, const SessionInfo* info) {
    PluginInstance* instance = instanceOf(plugin);
    return instance != nullptr && applySessionInfo(instance->session, info);
}

} // namespace

const fennrow_session kSessionExtension = {sessionSet};

bool applySessionInfo(SessionRecord& record, const SessionInfo* info) {
    if (info == nullptr) return false;
    // Read field by field: a shorter record than ours is allowed, and its
    // missing tail may not even be readable memory.
    const uint32_t size = fieldAt<uint32_t>(info, offsetof(SessionInfo, size));
    if (size < kSessionInfoMinimumSize) return false;
    const uint32_t version = fieldAt<uint32_t>(info, offsetof(SessionInfo, version));
    if (version > kSessionVersion) return false;

    // Build the new list aside, so that running out of memory leaves the
    // previous record whole.
    std::vector<std::string> strings;
    if (size >= kSessionInfoWithStringsSize) {
        const auto* array = fieldAt<const char* const*>(info, offsetof(SessionInfo, strings));
        const auto count = fieldAt<uint32_t>(info, offsetof(SessionInfo, stringCount));
        if (array != nullptr) {
            try {
                for (uint32_t i = 0; i < count; ++i) {
                    if (array[i] != nullptr) strings.emplace_back(array[i]);
                }
            } catch (...) {
                return false;
            }
        }
    }
    record.strings.swap(strings);
    record.received = true;
    record.value = fieldAt<uint64_t>(info, offsetof(SessionInfo, value));
    record.version = version;
    return true;
}

} // namespace fennrow::plugin
