#include "presets/state_extension.h"

#include "archive/package_reader.h"
#include "platform/utf8.h"
#include "plugin/param_writes.h"
#include "plugin/plugin_instance.h"
#include "presets/sound_loader.h"
#include "presets/sound_writer.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace fennrow {

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

// Reads until the end; an error ends the stream like its end does, and what
// was read before it is used. A text already longer than any document that
// loads is not read further: what was read is enough for the refusal.
std::vector<std::uint8_t> readAll(const clap_istream_t* stream) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[kReadChunkBytes];
    for (;;) {
        const std::int64_t got = stream->read(stream, chunk, sizeof chunk);
        if (got <= 0) {
            return bytes;
        }
        const auto count = std::min<std::uint64_t>(static_cast<std::uint64_t>(got), sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + count);
        if (bytes.size() > kMaxDocumentBytes && !looksLikeZip(bytes.data(), bytes.size())) {
            return bytes;
        }
    }
}

// Paths and messages may quote the document's own keys and strings, which
// need not be UTF-8; the lines are.
void printFindings(const DiagnosticList& findings) {
    for (const Diagnostic& finding : findings) {
        std::fprintf(stderr, "fennrow state: %s %s %s\n", wellFormedUtf8(finding.code).c_str(),
                     wellFormedUtf8(finding.path).c_str(), wellFormedUtf8(finding.message).c_str());
    }
}

bool stateSave(const clap_plugin_t* plugin, const clap_ostream_t* stream) {
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr || stream == nullptr || stream->write == nullptr) {
        return false;
    }
    try {
        const SoundSnapshot sound{makeSoundParams(*instance), instance->curves};
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
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr || stream == nullptr || stream->read == nullptr) {
        return false;
    }
    try {
        const std::vector<std::uint8_t> bytes = readAll(stream);
        // Read into a document of its own, so a failure (or running out of
        // memory half-way) leaves the instance's document as it was.
        InstanceDocument document;
        DiagnosticList findings;
        const std::optional<SoundSnapshot> sound = loadSound(document, bytes.data(), bytes.size(), findings);
        printFindings(findings);
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

} // namespace fennrow
