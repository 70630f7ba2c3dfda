#include "param_lookup.h"

#include <cctype>
#include <charconv>

namespace fennrow {

std::string normalisedName(std::string_view name) {
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) out.push_back(static_cast<char>(std::tolower(u)));
    }
    return out;
}

namespace {

// A modulation amount shown as "Motion to Tone" is stored under the key
// "motionToneDepth"; accept that spelling too.
std::string depthKey(std::string_view name) {
    constexpr std::string_view kTo = " to ";
    const std::size_t at = name.find(kTo);
    if (at == std::string_view::npos) return {};
    return normalisedName(name.substr(0, at)) + normalisedName(name.substr(at + kTo.size())) + "depth";
}

} // namespace

const ParamInfo* findParam(const std::vector<ParamInfo>& params, std::string_view nameOrId) {
    clap_id id = 0;
    const char* end = nameOrId.data() + nameOrId.size();
    auto [ptr, ec] = std::from_chars(nameOrId.data(), end, id);
    const bool isId = ec == std::errc() && ptr == end;
    const std::string wanted = normalisedName(nameOrId);
    for (const ParamInfo& param : params) {
        if (isId ? param.id == id : normalisedName(param.name) == wanted || depthKey(param.name) == wanted) {
            return &param;
        }
    }
    return nullptr;
}

} // namespace fennrow
