#include "presets/state_extension.h"

#include "archive/package_reader.h"
#include "platform/capped_read.h"
#include "plugin/param_writes.h"
#include "plugin/plugin_instance.h"
#include "presets/sound_loader.h"
#include "presets/sound_writer.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fennrow::presets {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;

bool writeAll(const clap_ostream_t* stream, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const std::int64_t taken = stream->write(stream, text.data() + done, text.size() - done);
        if (taken <= 0) {
            return false;
        }
        // A stream claiming more than it was offered has taken everything.
        done += std::min<std::uint64_t>(static_cast<std::uint64_t>(taken), text.size() - done);
    }
    return true;
}

std::int64_t readFromHost(const void* context, std::uint8_t* into, std::size_t capacity) {
    const auto* stream = static_cast<const clap_istream_t*>(context);
    const std::size_t asked = std::min(capacity, kReadChunkBytes);
    const std::int64_t got = stream->read(stream, into, asked);
    // A stream claiming more than it was offered has given what it was offered.
    return got > 0 ? std::min<std::int64_t>(got, static_cast<std::int64_t>(asked)) : got;
}

// Reads until the end; an error ends the stream like its end does, and what
// was read before it is used. Nothing is read past the most a package can
// be, told from its first bytes, and one byte more; a stream that goes on is
// refused with the finding for its kind.
std::optional<std::vector<std::uint8_t>> readAll(const clap_istream_t* stream,
                                                 document::DiagnosticList& findings) {
    const platform::ByteSource source{stream, readFromHost, 0};
    platform::CappedBytes read = readCapped(source, archive::kMaxPackageBytes, archive::packageByteLimit);
    if (read.end == platform::CappedEnd::OverLimit) {
        archive::refuseOversizedPackage(findings, read.bytes.data(), read.bytes.size());
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool stateSave(const clap_plugin_t* plugin, const clap_ostream_t* stream) {
    plugin::PluginInstance* instance = plugin::instanceOf(plugin);
    if (instance == nullptr || stream == nullptr || stream->write == nullptr) {
        return false;
    }
    try {
        const engine::SoundSnapshot sound{makeSoundParams(*instance), instance->curves};
        std::optional<std::uint64_t> seed;
        if (instance->session.received) {
            seed = instance->session.value;
        }
        return writeAll(stream, writeSoundDocument(instance->document, sound, seed));
    } catch (...) {
        return false;
    }
}

bool stateLoad(const clap_plugin_t* plugin, const clap_istream_t* stream) {
    plugin::PluginInstance* instance = plugin::instanceOf(plugin);
    if (instance == nullptr || stream == nullptr || stream->read == nullptr) {
        return false;
    }
    try {
        document::DiagnosticList findings;
        const std::optional<std::vector<std::uint8_t>> bytes = readAll(stream, findings);
        // Read into a document of its own, so a failure (or running out of
        // memory half-way) leaves the instance's document as it was.
        document::InstanceDocument document;
        std::optional<engine::SoundSnapshot> sound;
        if (bytes) sound = loadSound(document, bytes->data(), bytes->size(), findings);
        printFindings(stderr, "fennrow state:", findings);
        if (!sound) {
            return false;
        }
        instance->document = std::move(document);
        applyLoadedSound(*instance, *sound);
        // A host showing values (a generic editor, an automation lane) must
        // re-read them. The state is the host's own, so it is not dirty.
        if (instance->hostParams != nullptr && instance->hostParams->rescan != nullptr) {
            instance->hostParams->rescan(instance->host, CLAP_PARAM_RESCAN_VALUES);
        }
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

const clap_plugin_state_t kStateExtension = {stateSave, stateLoad};

} // namespace fennrow::presets
