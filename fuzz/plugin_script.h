// The byte language of the whole-plugin fuzzer: a script is a list of host
// actions, each one opcode byte followed by its arguments, read front to back.
// A script that runs out reads zeros. The corpus maker writes its seeds with
// the same helpers, so seeds and fuzzer cannot drift apart.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace fennrow::fuzz {

enum class HostAction : uint8_t {
    Create,     // a new instance, if there is none
    Init,       // u8 offered host extensions, u8 event-space id
    Activate,   // u32 sample rate code, u16 max frames code
    Deactivate, //
    Reset,      //
    Process,    // u16 frames, u8 layout, transport, events
    Flush,      // events
    StateLoad,  // u8 source and its bytes, u8 chunk code, u8 failure code
    StateSave,  // u8 chunk code, u8 failure code, u8 refuse-all flag
    PresetLoad, // u8 location mode and its arguments
    Values,     // u8 value code, u8 text length, text
    Session,    // u8 size code, u64 value, u8 version code, u8 string count, strings
    Destroy,    //
    Count
};

// Bits of the Init argument: which host extensions the host offers.
enum HostOffer : uint8_t {
    kOfferParams = 1,
    kOfferState = 2,
    kOfferPresetLoad = 4,
    kOfferPresetLoadDraft = 8,
    kOfferEventRegistry = 16,
    kRegistryKnowsSpace = 32,
    kOfferEverything = 63,
};

// Event kinds of the process and flush arguments.
enum class ScriptEvent : uint8_t {
    NoteOn,
    NoteOff,
    NoteChoke,
    ParamValue,
    OwnSpace,   // an event of the plugin's own space, of any claimed size
    OtherCore,  // a core event the plugin does not handle
    OtherSpace, // an event of a space the plugin does not know
    Count
};

// Preset-load modes.
enum class PresetMode : uint8_t {
    FileBytes,
    MissingFile,
    Folder,
    FactoryByIndex,
    FactoryByKey,
    NullKey,
    OtherKind,
    NullLocation,
    Count
};

// State-load sources.
enum class StateSource : uint8_t { Bytes, LastSaved, ChangedByte, Truncated, Count };

class ScriptReader {
public:
    ScriptReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return position_ >= size_; }

    template <typename T>
    T take() {
        unsigned char raw[sizeof(T)] = {};
        const std::size_t count = std::min(sizeof(T), size_ - position_);
        std::memcpy(raw, data_ + position_, count);
        position_ += count;
        T value;
        std::memcpy(&value, raw, sizeof value);
        return value;
    }

    uint8_t byte() { return take<uint8_t>(); }

    std::string bytes(std::size_t count) {
        count = std::min(count, size_ - position_);
        std::string out(reinterpret_cast<const char*>(data_ + position_), count);
        position_ += count;
        return out;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

class ScriptWriter {
public:
    template <typename T>
    ScriptWriter& put(T value) {
        text.append(reinterpret_cast<const char*>(&value), sizeof value);
        return *this;
    }
    ScriptWriter& action(HostAction a) { return put(static_cast<uint8_t>(a)); }
    ScriptWriter& raw(std::string_view bytes) {
        text.append(bytes);
        return *this;
    }

    std::string text;
};

} // namespace fennrow::fuzz
