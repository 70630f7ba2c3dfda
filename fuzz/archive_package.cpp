// Fuzzes the package reader (and through it the zip reader, inflate and
// SHA-256) with the limits used for documents. Checks that a failed package
// says why with an error and hands back nothing, and that every asset kept
// is named by the digest of its bytes. (A zipped document may be any JSON
// value; telling an object from the rest is the instance reader's job.)

#include <cstdint>
#include <cstdlib>

#include "archive/package_reader.h"
#include "archive/sha256.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fennrow::document::DiagnosticList list;
    const fennrow::archive::Package package =
        fennrow::archive::readPackage(data, size, "instance.json", list);
    if (!package.ok) {
        if (!fennrow::document::hasError(list) || !package.assets.empty() || !package.otherEntries.empty())
            std::abort();
        return 0;
    }
    for (const fennrow::archive::ZipEntry& asset : package.assets) {
        if (fennrow::archive::sha256Hex(asset.data.data(), asset.data.size()) != asset.name) std::abort();
    }
    return 0;
}
