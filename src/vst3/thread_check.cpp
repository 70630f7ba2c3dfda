#include "vst3/thread_check.h"

#include "vst3/class_info.h"

#include <cstdio>
#include <cstdlib>

namespace fennrow::vst3 {

void checkMainThread(const ThreadCheck& check, const char* entry) {
    if constexpr (kCheckThreads) {
        if (std::this_thread::get_id() == check.main) return;
        std::fprintf(stderr, "%s: %s called off the main thread\n", kHostName, entry);
        std::abort();
    }
}

} // namespace fennrow::vst3
