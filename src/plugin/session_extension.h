// The session extension "com.brightmoss.session/1": a host that knows it hands
// the plugin a session value (kept as the seed of saved documents), a version
// and a list of strings.
#pragma once

#include <clap/clap.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::plugin {

inline constexpr char kSessionExtensionId[] = "com.brightmoss.session/1";
inline constexpr uint32_t kSessionVersion = 1;

// What the host fills in; little-endian with natural alignment. The host says
// in size how much of it is there, and nothing past that is read. The layout
// hosts build against is the one of 64-bit pointers (below); where pointers
// are 32 bits wide, as in the web build, the same rule gives a shorter record.
struct SessionInfo {
    uint32_t size;
    uint32_t reserved0;
    uint64_t value;
    uint32_t version;
    uint32_t reserved1;
    const char* const* strings; // may be null
    uint32_t stringCount;
};

inline constexpr uint32_t kSessionInfoMinimumSize = offsetof(SessionInfo, version) + sizeof(uint32_t);
inline constexpr uint32_t kSessionInfoWithStringsSize = offsetof(SessionInfo, stringCount) + sizeof(uint32_t);

static_assert(offsetof(SessionInfo, value) == 8);
static_assert(offsetof(SessionInfo, version) == 16);
static_assert(kSessionInfoMinimumSize == 20);
#if UINTPTR_MAX == UINT64_MAX
static_assert(offsetof(SessionInfo, strings) == 24);
static_assert(offsetof(SessionInfo, stringCount) == 32);
static_assert(kSessionInfoWithStringsSize == 36);
#endif

struct SessionRecord {
    bool received = false;
    uint64_t value = 0;
    uint32_t version = 0;
    std::vector<std::string> strings;
};

struct fennrow_session {
    bool (*set)(const clap_plugin_t* plugin, const SessionInfo* info);
};

extern const fennrow_session kSessionExtension;

// The rules of `set` on a plain record, for the extension and for tests.
bool applySessionInfo(SessionRecord& record, const SessionInfo* info);

} // namespace fennrow::plugin
