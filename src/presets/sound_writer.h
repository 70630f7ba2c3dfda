// The saved form of a sound: the retained instance document with the members
// this plugin owns rewritten from the current sound.
#pragma once

#include "document/instance_document.h"
#include "document/json_value.h"
#include "engine/sound.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fennrow {

// The JSON value of `retained` (left unchanged) carrying `sound`; a given
// seed replaces the document's own.
JsonValue soundDocumentValue(const InstanceDocument& retained, const SoundSnapshot& sound,
                             std::optional<std::uint64_t> seed);

// The compact JSON text of that value: what a save writes.
std::string writeSoundDocument(const InstanceDocument& retained, const SoundSnapshot& sound,
                               std::optional<std::uint64_t> seed);

} // namespace fennrow
