// Nothing thrown may reach the host: every host-called function that may
// allocate runs its body through guarded, which answers the given failure.
#pragma once

namespace fennrow::vst3 {

template <typename Result, typename Body>
Result guarded(Result onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

} // namespace fennrow::vst3
