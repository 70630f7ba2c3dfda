// The one procedure that turns the bytes of a stored document into a sound.
// State load, preset loading and preset discovery all go through it.
#pragma once

#include "document/diagnostics.h"
#include "document/instance_document.h"
#include "document/json_value.h"
#include "engine/sound.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace fennrow::presets {

// Reads bytes (a bare document or a zip package) as an instance document of
// this plugin. On success `retained` is replaced by the document read and the
// sound is returned; otherwise nothing changes and the list says why.
std::optional<engine::SoundSnapshot> loadSound(document::InstanceDocument& retained,
                                               const std::uint8_t* bytes, std::size_t size,
                                               document::DiagnosticList& list);

// Fills 64 curve points from an Array of 64 items. Nothing leaves the curve
// alone; any other shape leaves it alone with a "curve-length" warning.
void readCurve(const document::JsonValue* value, float (&destination)[engine::kCurvePoints],
               std::string_view path, document::DiagnosticList& list);

} // namespace fennrow::presets
