// The saved form of a sound: the retained instance document with the members
// this plugin owns rewritten from the current sound.
#pragma once

#include "document/instance_document.h"
#include "document/json_value.h"
#include "engine/sound.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fennrow::presets {

// The compact JSON text of `retained` (left unchanged) carrying `sound`: what a
// save writes. A given seed replaces the document's own.
std::string writeSoundDocument(const document::InstanceDocument& retained, const engine::SoundSnapshot& sound,
                               std::optional<std::uint64_t> seed);

// The bytes of that text, counted without writing it.
std::size_t soundDocumentSize(const document::InstanceDocument& retained, const engine::SoundSnapshot& sound,
                              std::optional<std::uint64_t> seed);

} // namespace fennrow::presets
