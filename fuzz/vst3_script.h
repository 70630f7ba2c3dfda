// The byte language of the VST 3 fuzzer: a script is a list of host calls,
// each one action byte followed by its arguments, read with the whole-plugin
// fuzzer's reader (a script that runs out reads zeros). The corpus maker
// writes its seeds with the same names.
#pragma once

#include <cstdint>

namespace fennrow::fuzz {

enum class Vst3Action : uint8_t {
    Create,     // a new instance, if there is none
    Initialize, // component and controller
    Setup,      // u8 sample size code, u8 block code, u8 rate code
    Activate,   // u8 on
    Processing, // u8 on
    Process,    // u16 frames, u8 layout, notes, parameter queues, context
    SetState,   // u8 source (even: u16 length and bytes; odd: the last saved), u8 chunk code [, u8 failure]
    GetState,   // u8 chunk code, u8 failure code
    SetValue,   // parameter id, value code
    Texts,      // parameter id, value code, u8 length and text, two value codes
    Program,    // u8 program code
    ComponentState, // the last saved state to the controller
    Handler,        // u8 given
    Terminate,      //
    Destroy,        //
    Count
};

// Bits of the Process layout byte; its two lowest bits give the channel count.
enum Vst3Layout : uint8_t {
    kLayoutFlush = 4,     // no frames
    kLayoutOutputs = 8,   // a list for output parameter changes
    kLayoutNoNotes = 16,  // no event list
    kLayoutNoPoints = 32, // no parameter changes
    kLayoutNoContext = 64,
};

// A parameter queue's mode byte that puts a point on every frame.
inline constexpr uint8_t kEveryFrame = 0xFF;
// Offset codes below this are followed by a u16 offset.
inline constexpr uint8_t kOffsetCodes = 250;

} // namespace fennrow::fuzz
