// Finding a parameter by what a user types: its id, or its name with case,
// blanks and punctuation ignored ("punch time", "punchTime", "Punch-Time"),
// and a depth "A to B" also as "aBDepth" (as saved states spell it).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "param_info.h"

namespace fennrow {

std::string normalisedName(std::string_view name);

const ParamInfo* findParam(const std::vector<ParamInfo>& params, std::string_view nameOrId);

} // namespace fennrow
