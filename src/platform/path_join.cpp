#include "platform/file_system.h"

namespace fennrow {

std::string pathJoin(std::string_view base, std::string_view part) {
    std::string joined(base);
    if (!joined.empty() && joined.back() != pathSeparator() && joined.back() != '/') {
        joined.push_back(pathSeparator());
    }
    joined.append(part);
    return joined;
}

} // namespace fennrow
