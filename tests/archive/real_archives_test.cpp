// Archives written by real tools (Info-ZIP's zip and Python's zipfile), made
// at test time from a small tree of files, must read back to those files.

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "archive/package_reader.h"
#include "archive/sha256.h"
#include "archive/zip_reader.h"
#include "zip_builder.h"

namespace fennrow::test {
namespace {

namespace fs = std::filesystem;

// Archives made by the build machine's own zip and Python tools; a Windows
// test program under Wine cannot run them.
#if !defined(_WIN32)
using test::Bytes;

// Writes entries of a stored, a deflated, a streamed (data descriptors), an
// encrypted and a bzip2/lzma archive from the tree in ./src.
constexpr const char* kMakeArchives = R"SH(
set -e
cd src
zip -q -r ../zip_deflated.zip .
printf 'archive comment\n.\n' | zip -q -z ../zip_deflated.zip
zip -q -0 -r ../zip_stored.zip .
zip -q -r - . | cat > ../zip_piped.zip
zip -q -P secret ../zip_encrypted.zip text.txt instance.json
cd ..
python3 - <<'PY'
import io, os, zipfile

class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)

files = []
for root, dirs, names in os.walk('src'):
    dirs.sort()
    for d in dirs:
        files.append(os.path.relpath(os.path.join(root, d), 'src') + '/')
    for n in sorted(names):
        files.append(os.path.relpath(os.path.join(root, n), 'src'))

def fill(z, method, level=None):
    for name in files:
        if name.endswith('/'):
            z.writestr(name, b'')
        else:
            with open(os.path.join('src', name), 'rb') as f:
                z.writestr(zipfile.ZipInfo(name, (2024, 1, 2, 3, 4, 6)), f.read(), method, level)

with zipfile.ZipFile('py_deflated.zip', 'w') as z:
    z.comment = b'written by zipfile'
    fill(z, zipfile.ZIP_DEFLATED, 9)
with zipfile.ZipFile('py_fast.zip', 'w') as z:
    fill(z, zipfile.ZIP_DEFLATED, 1)
with zipfile.ZipFile('py_stored.zip', 'w') as z:
    fill(z, zipfile.ZIP_STORED)
with open('py_stream.zip', 'wb') as raw:
    with zipfile.ZipFile(Unseekable(raw), 'w') as z:
        fill(z, zipfile.ZIP_DEFLATED)
with zipfile.ZipFile('py_methods.zip', 'w') as z:
    z.writestr('b.txt', b'bzip2 ' * 100, zipfile.ZIP_BZIP2)
    z.writestr('l.txt', b'lzma ' * 100, zipfile.ZIP_LZMA)
    z.writestr('d.txt', b'deflate ' * 100, zipfile.ZIP_DEFLATED)
with zipfile.ZipFile('py_empty.zip', 'w') as z:
    pass
PY
)SH";

class RealArchives : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::system("command -v zip >/dev/null && command -v python3 >/dev/null") != 0) return;
        dir_ = fs::temp_directory_path() / ("fennrow-zip-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "src" / "folder" / "sub");
        std::mt19937 rng(3);
        Bytes random(5000);
        for (auto& b : random) b = static_cast<std::uint8_t>(rng());
        Bytes runs;
        while (runs.size() < 200000)
            runs.insert(runs.end(), 1 + rng() % 3000, static_cast<std::uint8_t>(rng() % 3));
        std::string text;
        while (text.size() < 30000) text += "a bass you play, " + std::to_string(rng() % 1000) + "\n";
        source_ = {
            {"instance.json", test::bytesOf("\xEF\xBB\xBF{\"kind\":\"instance\",\"spec\":\"1.0\"}\n")},
            {"assets/" + archive::sha256Hex(random.data(), random.size()), random},
            {"folder/sub/runs.bin", runs},
            {"folder/empty.txt", {}},
            {"text.txt", test::bytesOf(text)},
        };
        for (const auto& [name, bytes] : source_) {
            fs::create_directories((dir_ / "src" / name).parent_path());
            std::ofstream(dir_ / "src" / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        const std::string command = "cd '" + dir_.string() + "' && sh -c \"$FENNROW_MAKE_ARCHIVES\"";
        ::setenv("FENNROW_MAKE_ARCHIVES", kMakeArchives, 1);
        made_ = std::system(command.c_str()) == 0;
    }

    static void TearDownTestSuite() {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    void SetUp() override {
        if (dir_.empty()) GTEST_SKIP() << "zip or python3 is not installed";
        ASSERT_TRUE(made_) << "making the archives failed";
    }

    static Bytes archive(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    static inline fs::path dir_;
    static inline bool made_ = false;
    static inline std::map<std::string, Bytes> source_;
};

TEST_F(RealArchives, EveryFileReadsBackAndVerifies) {
    for (const char* name : {"zip_deflated.zip", "zip_stored.zip", "zip_piped.zip", "py_deflated.zip",
                             "py_fast.zip", "py_stored.zip", "py_stream.zip"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = archive(name);
        document::DiagnosticList list;
        const archive::ZipResult result =
            readZip(bytes.data(), bytes.size(), list, archive::kDocumentZipLimits);
        EXPECT_TRUE(result.ok);
        EXPECT_TRUE(list.empty()) << list.front().code << " " << list.front().path << " "
                                  << list.front().message;
        std::map<std::string, Bytes> read;
        for (const archive::ZipEntry& entry : result.entries) read[entry.name] = entry.data;
        EXPECT_EQ(read, source_);
    }
}

TEST_F(RealArchives, EncryptedAndOtherMethodsAreSkipped) {
    {
        const Bytes bytes = archive("zip_encrypted.zip");
        document::DiagnosticList list;
        const archive::ZipResult result =
            readZip(bytes.data(), bytes.size(), list, archive::kDocumentZipLimits);
        EXPECT_TRUE(result.ok);
        EXPECT_TRUE(result.entries.empty());
        ASSERT_EQ(list.size(), 2u);
        for (const document::Diagnostic& d : list) EXPECT_EQ(d.code, "zip-encrypted");
    }
    {
        const Bytes bytes = archive("py_methods.zip");
        document::DiagnosticList list;
        const archive::ZipResult result =
            readZip(bytes.data(), bytes.size(), list, archive::kDocumentZipLimits);
        EXPECT_TRUE(result.ok);
        ASSERT_EQ(result.entries.size(), 1u);
        EXPECT_EQ(result.entries[0].name, "d.txt");
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].path, "/b.txt");
        EXPECT_EQ(list[1].path, "/l.txt");
        EXPECT_EQ(list[1].code, "zip-method");
    }
    {
        const Bytes bytes = archive("py_empty.zip");
        EXPECT_EQ(bytes.size(), 22u);
        document::DiagnosticList list;
        EXPECT_TRUE(readZip(bytes.data(), bytes.size(), list, archive::kDocumentZipLimits).ok);
    }
}

TEST_F(RealArchives, APackageFromZipHasItsDocumentAndVerifiedAsset) {
    const Bytes bytes = archive("zip_piped.zip");
    document::DiagnosticList list;
    const archive::Package package = archive::readPackage(bytes.data(), bytes.size(), "instance.json", list);
    ASSERT_TRUE(package.ok);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(stringMemberOr(package.document, "kind", ""), "instance");
    ASSERT_EQ(package.assets.size(), 1u);
    EXPECT_EQ("assets/" + package.assets[0].name, source_.begin()->first);
    EXPECT_EQ(package.otherEntries.size(), 3u);
}

#endif

} // namespace
} // namespace fennrow::test
