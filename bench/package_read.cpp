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

std::vector<std::uint8_t> makePackage() {
    ::setenv("FENNROW_MAKE_PACKAGE", kMakePackage, 1);
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
    static const std::vector<std::uint8_t> package = makePackage();
    std::size_t unpacked = 0;
    std::size_t assets = 0;
    for (auto _ : state) {
        fennrow::DiagnosticList list;
        const fennrow::Package read =
            fennrow::readPackage(package.data(), package.size(), "instance.json", list);
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

} // namespace

BENCHMARK_MAIN();
