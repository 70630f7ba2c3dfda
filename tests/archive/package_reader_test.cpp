#include "archive/package_reader.h"

#include <gtest/gtest.h>

#include "archive/sha256.h"
#include "document/json_parser.h"
#include "support/allocation_probe.h"
#include "zip_builder.h"

namespace fennrow::test {
namespace {

using test::ArchiveSpec;
using test::Bytes;
using test::bytesOf;
using test::EntrySpec;

const std::string kDocument = "{\"kind\":\"instance\",\"spec\":\"1.0\"}";

struct PackageOutcome {
    archive::Package package;
    document::DiagnosticList list;
    std::vector<std::string> codes() const {
        std::vector<std::string> c;
        for (const document::Diagnostic& d : list) c.push_back(d.code);
        return c;
    }
};

PackageOutcome readBytes(const Bytes& bytes) {
    PackageOutcome o;
    o.package = archive::readPackage(bytes.data(), bytes.size(), "instance.json", o.list);
    return o;
}

// An object holding one array: `values` values in all.
std::string arrayOfZeros(std::size_t values) {
    std::string text = "{\"a\":[";
    for (std::size_t i = 2; i < values; ++i) text += i == 2 ? "0" : ",0";
    return text + "]}";
}

EntrySpec entry(std::string name, const Bytes& content, std::uint16_t method = 8) {
    EntrySpec e;
    e.name = std::move(name);
    e.content = content;
    e.method = method;
    return e;
}

std::string assetName(const Bytes& content) {
    return "assets/" + archive::sha256Hex(content.data(), content.size());
}

struct BareCase {
    const char* name;
    std::string bytes;
    bool ok;
};

TEST(PackageReader, BareDocuments) {
    const BareCase cases[] = {
        {"plain", kDocument, true},
        {"byte-order mark and blank lines", "\xEF\xBB\xBF\r\n\n \t" + kDocument + "\n", true},
        {"blank lines without a mark", "\n\n" + kDocument, true},
        {"empty object", "{}", true},
        {"an array", "[1]", false},
        {"a letter", "x{}", false},
        {"empty", "", false},
        {"only whitespace", " \n\t\r", false},
        {"only a byte-order mark", "\xEF\xBB\xBF", false},
        {"two bytes of a mark", "\xEF\xBB", false},
        {"a mark after whitespace", " \xEF\xBB\xBF{}", false},
        {"a lone PK", "PK", false},
    };
    for (const BareCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageOutcome o = readBytes(bytesOf(c.bytes));
        EXPECT_EQ(o.package.ok, c.ok);
        EXPECT_EQ(o.package.documentName, "instance.json");
        if (c.ok) {
            EXPECT_TRUE(o.list.empty());
            EXPECT_EQ(o.package.document.type(), document::JsonType::Object);
        } else {
            ASSERT_EQ(o.list.size(), 1u);
            EXPECT_EQ(o.list[0].severity, document::Severity::Error);
            EXPECT_EQ(o.list[0].code, "package-unreadable");
            EXPECT_EQ(o.list[0].path, "");
            EXPECT_EQ(o.list[0].message, "Neither a JSON document nor a zip archive");
        }
    }
}

TEST(PackageReader, ABareDocumentThatIsNotJson) {
    const PackageOutcome o = readBytes(bytesOf("\xEF\xBB\xBF {\"a\":1,\"a\":2}"));
    EXPECT_FALSE(o.package.ok);
    ASSERT_EQ(o.list.size(), 1u);
    EXPECT_EQ(o.list[0].code, "document-unreadable");
    EXPECT_EQ(o.list[0].path, "");
    EXPECT_EQ(o.list[0].message, "The document is not valid JSON: duplicate key \"a\"");
}

TEST(PackageReader, ABareDocumentIsBoundedInBytesAlone) {
    std::string largest = "{\"a\":\"\"}";
    largest.insert(6, archive::kMaxDocumentBytes - largest.size(), 'x');
    const struct {
        const char* label;
        std::string text;
        bool ok;
    } cases[] = {
        {"the largest", largest, true},
        {"one byte more", largest + " ", false},
        {"the most values the bytes hold", arrayOfZeros((archive::kMaxDocumentBytes - 7) / 2 + 2), true},
    };
    for (const auto& c : cases) {
        const PackageOutcome o = readBytes(bytesOf(c.text));
        EXPECT_EQ(o.package.ok, c.ok) << c.label;
        EXPECT_EQ(o.codes(),
                  c.ok ? std::vector<std::string>{} : std::vector<std::string>{"document-too-large"})
            << c.label;
    }
}

TEST(PackageReader, ZipWithDocumentAssetsAndOtherEntries) {
    const Bytes good = bytesOf("a curve, or a sample");
    const Bytes other = bytesOf("another asset");
    const std::string goodName = assetName(good);
    std::string upperName = assetName(other);
    for (std::size_t i = 7; i < upperName.size(); ++i)
        upperName[i] = static_cast<char>(std::toupper(upperName[i]));
    const Bytes changed = bytesOf("a curve, or a sample!");

    ArchiveSpec spec;
    spec.entries = {entry("assets/", {}, 0),
                    entry(goodName, good),
                    entry("instance.json", bytesOf("\xEF\xBB\xBF" + kDocument)),
                    entry(assetName(other), changed, 0), // bytes changed after naming
                    entry("assets/README", bytesOf("readme")),
                    entry(upperName, other),
                    entry("assets/" + goodName.substr(7, 63), good),
                    entry("clip.json", bytesOf("{}"))};
    const PackageOutcome o = readBytes(test::buildZip(spec));
    ASSERT_TRUE(o.package.ok);
    EXPECT_EQ(stringMemberOr(o.package.document, "kind", ""), "instance");
    ASSERT_EQ(o.package.assets.size(), 1u);
    EXPECT_EQ(o.package.assets[0].name, goodName.substr(7));
    EXPECT_EQ(o.package.assets[0].data, good);
    std::vector<std::string> others;
    for (const archive::ZipEntry& e : o.package.otherEntries) others.push_back(e.name);
    EXPECT_EQ(others, (std::vector<std::string>{"assets/README", upperName,
                                                "assets/" + goodName.substr(7, 63), "clip.json"}));
    ASSERT_EQ(o.list.size(), 1u);
    EXPECT_EQ(o.list[0].severity, document::Severity::Warning);
    EXPECT_EQ(o.list[0].code, "asset-corrupt");
    EXPECT_EQ(o.list[0].path, "/" + assetName(other));
    EXPECT_EQ(o.list[0].message, "The asset does not match its name; left out, the plugin falls back");
}

struct Finding {
    std::string code;
    std::string path;
    std::string message;
    bool operator==(const Finding&) const = default;
};

std::vector<Finding> findingsOf(const document::DiagnosticList& list) {
    std::vector<Finding> findings;
    for (const document::Diagnostic& d : list) findings.push_back({d.code, d.path, d.message});
    return findings;
}

// Every entry is unpacked and checked again whether the reader keeps only the
// document or everything: the same findings, in the same order (the zip
// reader's in archive order, then the package's), from either read.
TEST(PackageReader, EveryEntryIsCheckedWhateverIsKept) {
    const Bytes asset = bytesOf(std::string(100000, 'a') + "a long asset, past one window of the decoder");
    const Bytes changed = bytesOf("changed after naming");
    const std::string changedName = assetName(bytesOf("named for this"));
    ArchiveSpec spec;
    spec.entries = {entry(changedName, changed),
                    entry("clip.json", bytesOf("{}")),
                    entry("notes.txt", bytesOf("not deflate data")),
                    entry(assetName(asset), asset),
                    entry("instance.json", bytesOf(kDocument)),
                    entry("../escape", bytesOf("x")),
                    entry("readme.txt", bytesOf("kept by a full read")),
                    entry(assetName(bytesOf("late")), bytesOf("late, and changed"), 0)};
    spec.entries[1].crc = 7;
    spec.entries[2].packed = Bytes{0xFF, 0xFF};
    const Bytes archive = test::buildZip(spec);
    const std::string asset0 = "The asset does not match its name; left out, the plugin falls back";
    const std::vector<Finding> expected = {
        {"zip-checksum", "/clip.json", "Checksum mismatch; skipped"},
        {"zip-damaged-entry", "/notes.txt", "Cannot decompress: invalid block type; skipped"},
        {"zip-unsafe-name", "/../escape", "The entry name leaves the archive; skipped"},
        {"asset-corrupt", "/" + changedName, asset0},
        {"asset-corrupt", "/" + assetName(bytesOf("late")), asset0},
    };
    for (const archive::PackageContents contents :
         {archive::PackageContents::Everything, archive::PackageContents::DocumentOnly}) {
        document::DiagnosticList list;
        const archive::Package package = readPackage(archive.data(), archive.size(), "instance.json", list,
                                                     archive::kDocumentZipLimits, contents);
        ASSERT_TRUE(package.ok);
        EXPECT_EQ(stringMemberOr(package.document, "kind", ""), "instance");
        EXPECT_EQ(findingsOf(list), expected);
        EXPECT_EQ(package.assets.size(), contents == archive::PackageContents::Everything ? 1u : 0u);
        EXPECT_EQ(package.otherEntries.empty(), contents == archive::PackageContents::DocumentOnly);
    }
}

// The document alone costs the document and a fixed decoder, whatever the
// other entries unpack to.
TEST(PackageReader, CheckingTheOtherEntriesKeepsNothingOfThem) {
    const Bytes big(std::size_t{16} << 20, 0x5A);
    ArchiveSpec spec;
    spec.entries = {entry(assetName(big), big), entry("other.bin", big),
                    entry("instance.json", bytesOf(kDocument))};
    const Bytes archive = test::buildZip(spec);
    document::DiagnosticList list;
    const test::AllocationProbe probe;
    const archive::Package package =
        readPackage(archive.data(), archive.size(), "instance.json", list, archive::kDocumentZipLimits,
                    archive::PackageContents::DocumentOnly);
    EXPECT_LT(probe.largest(), std::size_t{64} << 10);
    EXPECT_TRUE(package.ok);
    EXPECT_TRUE(list.empty());
}

TEST(PackageReader, ZipFailures) {
    const Bytes asset = bytesOf("asset");
    struct Case {
        const char* name;
        Bytes bytes;
        std::vector<std::string> codes;
        std::string lastPath;
        std::string lastMessage;
    };
    ArchiveSpec badJson;
    badJson.entries = {entry("instance.json", bytesOf("{\"kind\":")), entry(assetName(asset), asset)};
    ArchiveSpec noDocument;
    noDocument.entries = {entry("Instance.json", bytesOf(kDocument)),
                          entry("../instance.json", bytesOf(kDocument))};
    ArchiveSpec damagedDocument;
    damagedDocument.entries = {entry("instance.json", bytesOf(kDocument), 0)};
    damagedDocument.entries[0].crc = 1;
    // Declared one byte too large: refused from the directory, so the bytes
    // that would not inflate are never looked at.
    ArchiveSpec oversizeDocument;
    oversizeDocument.entries = {entry("instance.json", bytesOf(kDocument))};
    oversizeDocument.entries[0].packed = bytesOf("not deflate data");
    oversizeDocument.entries[0].uncompressedSize = static_cast<std::uint32_t>(archive::kMaxDocumentBytes + 1);
    const Bytes emptyArchive = test::buildZip(ArchiveSpec{});
    Bytes notAZip = bytesOf("PK\x03\x04 but nothing else follows");
    const Case cases[] = {
        {"an empty archive",
         emptyArchive,
         {"document-missing"},
         "/instance.json",
         "The archive has no instance.json"},
        {"a document that is not JSON",
         test::buildZip(badJson),
         {"document-unreadable"},
         "/instance.json",
         "The document is not valid JSON: invalid number"},
        {"only near misses of the name",
         test::buildZip(noDocument),
         {"zip-unsafe-name", "document-missing"},
         "/instance.json",
         "The archive has no instance.json"},
        {"a document with a bad checksum",
         test::buildZip(damagedDocument),
         {"zip-checksum", "document-damaged"},
         "/instance.json",
         "The archive's instance.json cannot be read: checksum mismatch"},
        {"a document declared too large",
         test::buildZip(oversizeDocument),
         {"document-too-large"},
         "/instance.json",
         "A document holds at most 4194304 bytes; not read"},
        {"a local header and nothing else", notAZip, {"zip-unreadable"}, "", "No end-of-archive record"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageOutcome o = readBytes(c.bytes);
        EXPECT_FALSE(o.package.ok);
        EXPECT_TRUE(o.package.assets.empty());
        EXPECT_TRUE(o.package.otherEntries.empty());
        EXPECT_EQ(o.codes(), c.codes);
        ASSERT_FALSE(o.list.empty());
        EXPECT_EQ(o.list.back().severity, document::Severity::Error);
        EXPECT_EQ(o.list.back().path, c.lastPath);
        EXPECT_EQ(o.list.back().message, c.lastMessage);
    }
}

} // namespace
} // namespace fennrow::test
