// Our own declarations of the VST 3 base interface: the basic types, result
// codes, interface ids and FUnknown. Layouts are those of 64-bit Windows and
// Linux, where the interface's records use natural alignment.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define VST3_API __stdcall
#define VST3_COM_COMPATIBLE 1
#else
#define VST3_API
#define VST3_COM_COMPATIBLE 0
#endif

namespace vst3 {

using tresult = std::int32_t;
using TBool = std::uint8_t;
using char16 = char16_t;
using String128 = char16[128];
using FIDString = const char*;
using ParamID = std::uint32_t;
using ParamValue = double;
using UnitID = std::int32_t;
using ProgramListID = std::int32_t;
using SpeakerArrangement = std::uint64_t;
using MediaType = std::int32_t;
using BusDirection = std::int32_t;
using BusType = std::int32_t;
using IoMode = std::int32_t;
using TQuarterNotes = double;
using TSamples = std::int64_t;
using Sample32 = float;
using Sample64 = double;
using SampleRate = double;

// Windows hosts speak COM: their result codes are HRESULTs. Elsewhere the
// codes are small numbers.
#if VST3_COM_COMPATIBLE
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif

// A 16-byte interface or class id, written as four 32-bit words. Windows
// stores the first word and the two halves of the second little-endian (the
// GUID layout); other systems store all four words big-endian.
struct Uid {
    char bytes[16];
};

constexpr char uidByte(std::uint32_t word, int shift) { return static_cast<char>((word >> shift) & 0xFFu); }

constexpr Uid makeUid(std::uint32_t l1, std::uint32_t l2, std::uint32_t l3, std::uint32_t l4) {
#if VST3_COM_COMPATIBLE
    return Uid{{uidByte(l1, 0), uidByte(l1, 8), uidByte(l1, 16), uidByte(l1, 24), uidByte(l2, 16), uidByte(l2, 24),
                uidByte(l2, 0), uidByte(l2, 8), uidByte(l3, 24), uidByte(l3, 16), uidByte(l3, 8), uidByte(l3, 0),
                uidByte(l4, 24), uidByte(l4, 16), uidByte(l4, 8), uidByte(l4, 0)}};
#else
    return Uid{{uidByte(l1, 24), uidByte(l1, 16), uidByte(l1, 8), uidByte(l1, 0), uidByte(l2, 24), uidByte(l2, 16),
                uidByte(l2, 8), uidByte(l2, 0), uidByte(l3, 24), uidByte(l3, 16), uidByte(l3, 8), uidByte(l3, 0),
                uidByte(l4, 24), uidByte(l4, 16), uidByte(l4, 8), uidByte(l4, 0)}};
#endif
}

// Every interface is a pointer to a record whose first member points to its
// table of functions; each function takes that interface pointer first.
struct FUnknownVtbl {
    tresult(VST3_API* queryInterface)(void* self, const char* iid, void** obj);
    std::uint32_t(VST3_API* addRef)(void* self);
    std::uint32_t(VST3_API* release)(void* self);
};

struct FUnknown {
    const FUnknownVtbl* vtbl;
};

inline constexpr Uid kFUnknownIid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

// initialize/terminate, shared by the component and the edit controller.
struct IPluginBaseVtbl {
    FUnknownVtbl unknown;
    tresult(VST3_API* initialize)(void* self, FUnknown* context);
    tresult(VST3_API* terminate)(void* self);
};

inline constexpr Uid kIPluginBaseIid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

static_assert(sizeof(Uid) == 16);
static_assert(sizeof(FUnknownVtbl) == 3 * sizeof(void*));
static_assert(sizeof(IPluginBaseVtbl) == 5 * sizeof(void*));

} // namespace vst3
