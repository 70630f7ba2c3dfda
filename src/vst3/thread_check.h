// The thread contract, checked: a host creates an instance and calls its
// component, controller and unit info on its main thread; process and
// setProcessing may come on another. Debug builds (and the thread tests) check
// each main-thread entry, as a careful host checks a plugin, and stop the
// program at the first call on a wrong thread, naming the entry; other
// builds check nothing.
#pragma once

#include <thread>

namespace fennrow::vst3 {

#if !defined(NDEBUG) || defined(FENNROW_CHECK_THREADS)
inline constexpr bool kCheckThreads = true;
#else
inline constexpr bool kCheckThreads = false;
#endif

struct ThreadCheck {
    std::thread::id main = std::this_thread::get_id(); // the thread that created the instance
};

// Stops the program, naming the entry, when called off the main thread.
void checkMainThread(const ThreadCheck& check, const char* entry);

} // namespace fennrow::vst3
