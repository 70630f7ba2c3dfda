// Time to read a package of 10 MB: a zip holding instance.json and deflated
// assets (text-like and partly random content, as samples and curves would
// be), through the whole path: zip reader, inflate, CRC-32, SHA-256 of every
// asset and the JSON parse of the document. The archive is written once by
// Python's zipfile, so that the bytes come from an independent encoder.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "archive/package_reader.h"

namespace {

constexpr const char* kMakePackage = R"PY(
import hashlib, io, random, sys, zipfile
random.seed(7)
words = [b'bass', b'sub', b'glide', b'pluck', b'arc', b'motion', b'tone', b'drive', b'0.25', b'-1.5', b'{', b'}']
target = 10 * 1024 * 1024
out = io.BytesIO()
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('instance.json', b'{"kind":"instance","spec":"1.0","params":{"weight":0.6,"drive":0.65}}')
    n = 0
    while out.tell() < target:
        if n % 3 == 2:
            data = random.randbytes(500000)
        else:
            data = b' '.join(random.choice(words) + str(random.randrange(1000)).encode() for _ in range(150000))
        z.writestr('assets/' + hashlib.sha256(data).hexdigest(), data)
        n += 1
sys.stdout.buffer.write(out.getvalue())
)PY";

// One asset of 1 GiB (a varied but compressible pattern) beside the
// document, written in pieces so that Python never holds it whole.
constexpr const char* kMakeGibibyteAsset = R"PY(
import hashlib, io, sys, zipfile
piece = bytes((i * 7 + (i >> 9)) & 0xFF for i in range(1 << 20))
count = 1024
digest = hashlib.sha256()
for _ in range(count): digest.update(piece)
out = io.BytesIO()
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.writestr('instance.json', b'{"kind":"instance","spec":"1.0","params":{"weight":0.6}}')
    with z.open('assets/' + digest.hexdigest(), 'w') as asset:
        for _ in range(count): asset.write(piece)
sys.stdout.buffer.write(out.getvalue())
)PY";

std::vector<std::uint8_t> runPython(const char* script) {
    ::setenv("FENNROW_MAKE_PACKAGE", script, 1);
    FILE* pipe = popen("python3 -c \"$FENNROW_MAKE_PACKAGE\"", "r");
    if (!pipe) throw std::runtime_error("cannot run python3");
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + n);
    if (pclose(pipe) != 0 || bytes.empty()) throw std::runtime_error("python3 could not write the package");
    return bytes;
}

void BM_ReadTenMegabytePackage(benchmark::State& state) {
    static const std::vector<std::uint8_t> package = runPython(kMakePackage);
    std::size_t unpacked = 0;
    std::size_t assets = 0;
    for (auto _ : state) {
        fennrow::document::DiagnosticList list;
        const fennrow::archive::Package read =
            fennrow::archive::readPackage(package.data(), package.size(), "instance.json", list);
        if (!read.ok || !list.empty()) {
            state.SkipWithError("the package did not read cleanly");
            return;
        }
        unpacked = 0;
        for (const auto& asset : read.assets) unpacked += asset.data.size();
        assets = read.assets.size();
        benchmark::DoNotOptimize(read.document);
    }
    state.counters["package_MB"] = static_cast<double>(package.size()) / 1e6;
    state.counters["unpacked_MB"] = static_cast<double>(unpacked) / 1e6;
    state.counters["assets"] = static_cast<double>(assets);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * package.size()));
}
BENCHMARK(BM_ReadTenMegabytePackage)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// What loading a sound costs for a package with a 1 GiB asset: every entry
// is unpacked and checked (CRC-32, SHA-256) as a stream, only the document is
// kept. The peak resident size is the archive's own bytes plus a constant.
void BM_CheckGibibyteAsset(benchmark::State& state) {
    static const std::vector<std::uint8_t> package = runPython(kMakeGibibyteAsset);
    for (auto _ : state) {
        fennrow::document::DiagnosticList list;
        const fennrow::archive::Package read = fennrow::archive::readPackage(
            package.data(), package.size(), "instance.json", list, fennrow::archive::kDocumentZipLimits,
            fennrow::archive::PackageContents::DocumentOnly);
        if (!read.ok || !list.empty()) {
            state.SkipWithError("the package did not read cleanly");
            return;
        }
        benchmark::DoNotOptimize(read.document);
    }
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["package_MB"] = static_cast<double>(package.size()) / 1e6;
    state.counters["peak_resident_MB"] = static_cast<double>(usage.ru_maxrss) / 1e3;
}
BENCHMARK(BM_CheckGibibyteAsset)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
