#include "presets/sound_writer.h"

#include "document/json_writer.h"
#include "plugin/param_table.h"
#include "presets/sound_layout.h"

#include <algorithm>
#include <span>
#include <string_view>

namespace fennrow::presets {

namespace {

document::JsonValue curveArray(const float (&points)[engine::kCurvePoints]) {
    document::JsonValue array = document::jsonArray();
    array.reserveItems(engine::kCurvePoints);
    for (float point : points) {
        array.appendItem(document::jsonFloat(point));
    }
    return array;
}

// A member that was read with the wrong type sits in the kept remainder, and
// writing the document merges it back over what is written here. For the
// members the plugin owns that would undo the save: a kept "params" would
// replace the current values and lose the sound, a kept "plugin" or
// "formatVersion" would stop the save from claiming the document, and a kept
// bad "seed" would hide the session's seed. The plugin's values win; the kept
// ones are dropped.
void dropKeptOwnedMembers(document::KeptJson& remainder, bool seedGiven) {
    auto owned = [seedGiven](const document::JsonMember& member) {
        return member.key == kParamsKey || member.key == "plugin" || member.key == "formatVersion" ||
               (seedGiven && member.key == "seed");
    };
    const std::span<const document::JsonMember> members = remainder->members();
    if (std::none_of(members.begin(), members.end(), owned)) {
        return;
    }
    document::JsonValue kept = document::jsonObject();
    for (const document::JsonMember& member : members) {
        if (!owned(member)) {
            appendNewMember(kept, member.key, member.value);
        }
    }
    remainder = std::move(kept);
}

// `retained` with the members the plugin owns set from `sound`.
document::InstanceDocument savedDocument(const document::InstanceDocument& retained,
                                         const engine::SoundSnapshot& sound,
                                         std::optional<std::uint64_t> seed) {
    document::InstanceDocument copy = retained;
    copy.plugin = plugin::kPluginName;
    copy.formatVersion = 1;
    if (seed) {
        copy.seed = seed;
    }
    // Linear in the document's parameters: the table's 23 keys are looked up
    // once each.
    for (const plugin::ParamSpec& row : plugin::kParamTable) {
        setListMember(copy.params, row.key, document::jsonFloat(slotValue(sound.params, row.slot)));
    }
    dropKeptOwnedMembers(copy.remainder, seed.has_value());

    // Written over the kept state, which may be most of the document and is
    // not copied.
    int curve = 0;
    for (const char* name : kMotionCurveNames) {
        setMember(copy.stateRewrites, name, curveArray(sound.curves.points[curve++]));
    }
    document::JsonValue arcs = document::jsonObject();
    curve = kFirstArcCurve;
    for (const char* name : kArcCurveNames) {
        setMember(arcs, name, curveArray(sound.curves.points[curve++]));
    }
    setMember(copy.stateRewrites, kArcsKey, std::move(arcs));
    return copy;
}

} // namespace

std::string writeSoundDocument(const document::InstanceDocument& retained, const engine::SoundSnapshot& sound,
                               std::optional<std::uint64_t> seed) {
    std::string text;
    document::JsonOutput out{&text};
    writeInstance(out, savedDocument(retained, sound, seed));
    return text;
}

std::size_t soundDocumentSize(const document::InstanceDocument& retained, const engine::SoundSnapshot& sound,
                              std::optional<std::uint64_t> seed) {
    document::JsonOutput counted;
    writeInstance(counted, savedDocument(retained, sound, seed));
    return counted.size;
}

} // namespace fennrow::presets
