// Compact JSON text: no whitespace, members in stored order, numbers in their
// kept spelling when it still stands for the value.
#pragma once

#include <string>

#include "document/json_value.h"

namespace fennrow {

std::string writeJson(const JsonValue& value);
void appendJson(std::string& out, const JsonValue& value);

} // namespace fennrow
