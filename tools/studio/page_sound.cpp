#include "page_sound.h"

#include <cmath>

namespace fennrow {
namespace {

struct ParamGroupEntry {
    clap_id id;
    const char* group;
};

constexpr const char* kNotes = "Notes";
constexpr const char* kToneDrive = "Tone and drive";
constexpr const char* kPunchPluck = "Punch and pluck";
constexpr const char* kMotion = "Motion";
constexpr const char* kArcs = "Arcs";
constexpr const char* kSpread = "Spread";

constexpr ParamGroupEntry kParamGroupTable[] = {
    {20, kNotes},     {9, kNotes},      {1, kToneDrive},   {2, kToneDrive}, {3, kToneDrive}, {6, kToneDrive},
    {4, kPunchPluck}, {5, kPunchPluck}, {14, kPunchPluck}, {7, kMotion},    {8, kMotion},    {21, kMotion},
    {22, kMotion},    {23, kMotion},    {11, kArcs},       {12, kArcs},     {13, kArcs},     {15, kArcs},
    {16, kArcs},      {17, kArcs},      {18, kArcs},       {19, kArcs},     {10, kSpread},
};

constexpr const char* kStateKey = "state";
constexpr const char* kArcsKey = "arcs";

const document::JsonValue* curveValue(const document::JsonValue& document, const CurveSlot& slot) {
    const document::JsonValue* state = findMember(document, kStateKey);
    if (!state) return nullptr;
    if (slot.underArcs) state = findMember(*state, kArcsKey);
    return state ? findMember(*state, slot.key) : nullptr;
}

document::JsonValue curveArray(const CurvePoints& points) {
    document::JsonValue array = document::jsonArray();
    for (const float point : points) array.appendItem(document::jsonFloat(point));
    return array;
}

} // namespace

const std::array<CurveSlot, kPageCurveCount> kCurveSlots{{
    {"motion", false, "Motion to tone", kMotion},
    {"motionDrive", false, "Motion to drive", kMotion},
    {"motionLevel", false, "Motion to level", kMotion},
    {"Shape", true, "Arc to shape", kArcs},
    {"Tone", true, "Arc to tone", kArcs},
    {"Drive", true, "Arc to drive", kArcs},
    {"Motion", true, "Arc to motion", kArcs},
    {"Spread", true, "Arc to spread", kArcs},
}};

const std::array<const char*, 6> kParamGroups{kNotes, kToneDrive, kPunchPluck, kMotion, kArcs, kSpread};

const char* groupOfParam(clap_id id) {
    for (const ParamGroupEntry& entry : kParamGroupTable) {
        if (entry.id == id) return entry.group;
    }
    return "Other";
}

std::optional<PageCurves> curvesOfDocument(const document::JsonValue& document) {
    PageCurves curves{};
    for (std::size_t c = 0; c < kPageCurveCount; ++c) {
        const document::JsonValue* value = curveValue(document, kCurveSlots[c]);
        if (!value || value->type() != document::JsonType::Array || value->items().size() != kPageCurvePoints)
            return std::nullopt;
        for (std::size_t i = 0; i < kPageCurvePoints; ++i) {
            const document::JsonValue& item = value->items()[i];
            curves[c][i] =
                item.type() == document::JsonType::Number ? static_cast<float>(item.number()) : 0.0f;
        }
    }
    return curves;
}

void putCurves(document::JsonValue& document, const PageCurves& curves) {
    document::JsonValue* state = findMember(document, kStateKey);
    if (!state || state->type() != document::JsonType::Object) {
        setMember(document, kStateKey, document::jsonObject());
        state = findMember(document, kStateKey);
    }
    document::JsonValue arcs = document::jsonObject();
    for (std::size_t c = 0; c < kPageCurveCount; ++c) {
        const CurveSlot& slot = kCurveSlots[c];
        if (slot.underArcs) {
            setMember(arcs, slot.key, curveArray(curves[c]));
        } else {
            setMember(*state, slot.key, curveArray(curves[c]));
        }
    }
    setMember(*state, kArcsKey, std::move(arcs));
}

} // namespace fennrow
