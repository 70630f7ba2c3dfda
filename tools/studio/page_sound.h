// The sound as the page edits it: parameter values by CLAP id and the eight
// curves of 64 points, and where the curves sit in an instance document.
#pragma once

#include <clap/clap.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/json_value.h"

namespace fennrow {

constexpr std::size_t kPageCurveCount = 8;
constexpr std::size_t kPageCurvePoints = 64;

using CurvePoints = std::array<float, kPageCurvePoints>;
using PageCurves = std::array<CurvePoints, kPageCurveCount>;

struct CurveSlot {
    const char* key; // member name under "state", or under "state"/"arcs"
    bool underArcs;
    const char* label;
    const char* group; // the parameter group the editor is shown with
};

// In the plugin's curve order: three motion curves, then five arcs.
extern const std::array<CurveSlot, kPageCurveCount> kCurveSlots;

struct PageSound {
    std::vector<std::pair<clap_id, double>> params;
    PageCurves curves{};
};

// The curves of an instance document as the plugin writes it; nothing when
// one is missing or is not 64 numbers.
std::optional<PageCurves> curvesOfDocument(const document::JsonValue& document);

// Puts the curves into the document's "state", each point as a 32-bit float.
void putCurves(document::JsonValue& document, const PageCurves& curves);

// The page's groups, in the README's order, and the group of a parameter id
// ("Other" for an id the table does not know).
extern const std::array<const char*, 6> kParamGroups;
const char* groupOfParam(clap_id id);

} // namespace fennrow
