#include "discovery_fakes.h"

#include "platform/utf8.h"

#include <cstdlib>
#include <fstream>

namespace fennrow::test {

namespace {
#if defined(_WIN32)
constexpr bool kNamesAreUtf16 = true;
#else
constexpr bool kNamesAreUtf16 = false;
#endif
} // namespace

namespace {

std::string textOr(const char* text, const char* fallback = "(null)") {
    return text != nullptr ? text : fallback;
}

FakeIndexer& indexerOf(const clap_preset_discovery_indexer_t* record) {
    return *static_cast<FakeIndexer*>(record->indexer_data);
}

FakeReceiver& receiverOf(const clap_preset_discovery_metadata_receiver_t* record) {
    return *static_cast<FakeReceiver*>(record->receiver_data);
}

} // namespace

FakeIndexer::FakeIndexer() {
    record.clap_version = CLAP_VERSION_INIT;
    record.name = "fake indexer";
    record.indexer_data = this;
    record.declare_filetype = [](const clap_preset_discovery_indexer_t* self,
                                 const clap_preset_discovery_filetype_t* type) {
        indexerOf(self).calls.push_back("filetype " + textOr(type->name) + "|" + textOr(type->description) +
                                        "|" + textOr(type->file_extension));
        return true;
    };
    record.declare_location = [](const clap_preset_discovery_indexer_t* self,
                                 const clap_preset_discovery_location_t* location) {
        indexerOf(self).calls.push_back("location " + std::to_string(location->flags) + "|" +
                                        textOr(location->name) + "|" + std::to_string(location->kind) + "|" +
                                        textOr(location->location));
        return true;
    };
    record.declare_soundpack = [](const clap_preset_discovery_indexer_t* self,
                                  const clap_preset_discovery_soundpack_t*) {
        indexerOf(self).calls.push_back("soundpack");
        return true;
    };
    record.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* {
        return nullptr;
    };
}

FakeReceiver::FakeReceiver() {
    record.receiver_data = this;
    record.on_error = [](const clap_preset_discovery_metadata_receiver_t* self, int32_t code,
                         const char* message) {
        receiverOf(self).calls.push_back("error " + std::to_string(code) + " " + textOr(message));
    };
    record.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* self, const char* name,
                             const char* key) {
        FakeReceiver& receiver = receiverOf(self);
        receiver.calls.push_back("begin " + textOr(name) + "|" + textOr(key));
        return receiver.begins++ != receiver.refuseBeginAt;
    };
    record.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* self,
                              const clap_universal_plugin_id_t* id) {
        receiverOf(self).calls.push_back("plugin " + textOr(id->abi) + ":" + textOr(id->id));
    };
    record.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver_t* self, const char*) {
        receiverOf(self).calls.push_back("soundpack");
    };
    record.set_flags = [](const clap_preset_discovery_metadata_receiver_t* self, uint32_t) {
        receiverOf(self).calls.push_back("flags");
    };
    record.add_creator = [](const clap_preset_discovery_metadata_receiver_t* self, const char* creator) {
        receiverOf(self).calls.push_back("creator " + textOr(creator));
    };
    record.set_description = [](const clap_preset_discovery_metadata_receiver_t* self, const char*) {
        receiverOf(self).calls.push_back("description");
    };
    record.set_timestamps = [](const clap_preset_discovery_metadata_receiver_t* self, clap_timestamp,
                               clap_timestamp) { receiverOf(self).calls.push_back("timestamps"); };
    record.add_feature = [](const clap_preset_discovery_metadata_receiver_t* self, const char* feature) {
        receiverOf(self).calls.push_back("feature " + textOr(feature));
    };
    record.add_extra_info = [](const clap_preset_discovery_metadata_receiver_t* self, const char*,
                               const char*) { receiverOf(self).calls.push_back("extra"); };
}

std::string shownLatin1(const std::string& location) {
    const std::string name = "caf\xE9.json";
    const std::string shown = kNamesAreUtf16 ? "caf\xC3\xA9.json" : "caf\xEF\xBF\xBD.json";
    return location.substr(0, location.size() - name.size()) + shown;
}

ScratchFolder::ScratchFolder() : path(test::makeScratchFolder("fennrow-presets")) {}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path.empty()) {
        std::filesystem::remove_all(path, ignored);
    }
}

std::string ScratchFolder::write(const std::string& name, const std::string& content) const {
    if (!platform::isValidUtf8(name) && kNamesAreUtf16) {
        // No such file can exist where names are UTF-16; the location is
        // still handed back so that tests can offer it to the plugin.
        return test::utf8FromPath(path) + '\\' + name;
    }
    const std::filesystem::path file = path / test::pathFromUtf8(name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return test::utf8FromPath(file);
}

} // namespace fennrow::test
