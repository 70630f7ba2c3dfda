#include "page_assets.h"

namespace fennrow {
namespace {

struct ContentType {
    std::string_view ending;
    const char* type;
};

constexpr ContentType kContentTypes[] = {
    {".html", "text/html; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".svg", "image/svg+xml"},
    {".png", "image/png"},
    {".wasm", "application/wasm"},
};

} // namespace

const PageAsset* findPageAsset(std::string_view name) {
    for (std::size_t i = 0; i < kPageAssetCount; ++i) {
        if (name == kPageAssets[i].name) return &kPageAssets[i];
    }
    return nullptr;
}

const char* contentTypeFor(std::string_view name) {
    for (const ContentType& entry : kContentTypes) {
        if (name.size() >= entry.ending.size() &&
            name.substr(name.size() - entry.ending.size()) == entry.ending) {
            return entry.type;
        }
    }
    return "application/octet-stream";
}

} // namespace fennrow
