// Builds small zip archives with stored (uncompressed) entries for tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace fennrow::test {

// The archive bytes of the given (name, content) entries, in order.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries);

} // namespace fennrow::test
