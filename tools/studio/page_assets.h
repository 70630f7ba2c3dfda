// The page's files, compiled into the program from tools/studio/page.
#pragma once

#include <cstddef>
#include <string_view>

namespace fennrow {

struct PageAsset {
    const char* name; // file name, e.g. "studio.js"
    const unsigned char* bytes;
    std::size_t size;
};

extern const PageAsset kPageAssets[];
extern const std::size_t kPageAssetCount;

// The asset with this file name, or null.
const PageAsset* findPageAsset(std::string_view name);

// "text/html; charset=utf-8" and the like, by file name ending.
const char* contentTypeFor(std::string_view name);

} // namespace fennrow
