// The clip writer: known fields in a fixed key order, defaults left out,
// everything the reader kept put back unchanged, and every clip extension that
// the content uses declared.
#pragma once

#include <vector>

#include "document/clip/clip.h"
#include "document/json_value.h"

namespace fennrow::document {

JsonValue writeClip(const Clip& clip);

JsonValue writeNote(const ClipNote& note);
JsonValue writeExpression(const NoteExpression& expression);
JsonValue writeNoteRandom(const NoteRandom& rand);
JsonValue writeTempoPoint(const TempoPoint& point);
JsonValue writeMeterPoint(const MeterPoint& point);
JsonValue writeSwingSetting(const SwingSetting& setting);
JsonValue writeLane(const Lane& lane);
JsonValue writeLanePoint(const LanePoint& point);
JsonValue writeMemberList(const std::vector<JsonMember>& list);

// The declared ids followed by every used one whose id text is not declared
// (versions are not compared, so a declared version stays as it was).
std::vector<ExtensionId> extensionsToDeclare(const Clip& clip);

} // namespace fennrow::document
