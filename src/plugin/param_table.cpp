#include "plugin/param_table.h"

#include "engine/sound.h"

namespace fennrow::plugin {

// Table order is the host's parameter order and must never change: hosts store
// automation by id and documents by key. The slot is where the engine reads it.
const ParamSpec kParamTable[kParamCount] = {
    {"weight", 1, "Weight", "", 0.0f, 1.0f, 0.6f, false, 0},
    {"drive", 2, "Drive", "", 0.0f, 1.0f, 0.65f, false, 1},
    {"tone", 3, "Tone", "", 0.0f, 1.0f, 0.5f, false, 2},
    {"punch", 4, "Punch", "", 0.0f, 1.0f, 0.3f, false, 3},
    {"punchTime", 5, "Punch time", "s", 0.01f, 0.3f, 0.06f, false, 4},
    {"shape", 6, "Shape", "", 0.0f, 1.0f, 0.4f, false, 5},
    {"motion", 7, "Motion", "", 0.0f, 1.0f, 0.0f, false, 6},
    {"motionRate", 8, "Motion rate", "beats", 0.25f, 16.0f, 1.0f, false, 7},
    {"glide", 9, "Glide", "s", 0.0f, 0.4f, 0.05f, false, 11},
    {"spread", 10, "Spread", "", 0.0f, 1.0f, 0.0f, false, 13},
    {"arcAmount", 11, "Arc amount", "", 0.0f, 1.0f, 0.0f, false, 15},
    {"arcBars", 12, "Arc bars", "bars", 1.0f, 16.0f, 8.0f, true, 16},
    {"arcDrift", 13, "Arc drift", "", 0.0f, 1.0f, 1.0f, false, 17},
    {"pluck", 14, "Pluck", "", 0.0f, 1.0f, 0.0f, false, 14},
    {"arcShapeDepth", 15, "Arc to Shape", "", 0.0f, 1.0f, 1.0f, false, 18},
    {"arcToneDepth", 16, "Arc to Tone", "", 0.0f, 1.0f, 1.0f, false, 19},
    {"arcDriveDepth", 17, "Arc to Drive", "", 0.0f, 1.0f, 1.0f, false, 20},
    {"arcMotionDepth", 18, "Arc to Motion", "", 0.0f, 1.0f, 1.0f, false, 21},
    {"arcSpreadDepth", 19, "Arc to Spread", "", 0.0f, 1.0f, 0.0f, false, 22},
    {"legato", 20, "Legato", "", 0.0f, 1.0f, 1.0f, true, 12},
    {"motionToneDepth", 21, "Motion to Tone", "", 0.0f, 1.0f, 1.0f, false, 8},
    {"motionDriveDepth", 22, "Motion to Drive", "", 0.0f, 1.0f, 0.0f, false, 9},
    {"motionLevelDepth", 23, "Motion to Level", "", 0.0f, 1.0f, 0.0f, false, 10},
};

static_assert(kParamCount == engine::kSoundParamCount);

int paramIndexById(uint32_t id) {
    for (int i = 0; i < kParamCount; ++i) {
        if (kParamTable[i].id == id) return i;
    }
    return -1;
}

int paramIndexByKey(std::string_view key) {
    for (int i = 0; i < kParamCount; ++i) {
        if (key == kParamTable[i].key) return i;
    }
    return -1;
}

} // namespace fennrow::plugin
