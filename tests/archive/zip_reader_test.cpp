#include "archive/zip_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "archive/package_reader.h"
#include "support/allocation_probe.h"
#include "zip_builder.h"

namespace fennrow::test {
namespace {

using test::ArchiveSpec;
using test::Bytes;
using test::bytesOf;
using test::EntrySpec;

struct Finding {
    document::Severity severity;
    std::string code;
    std::string path;
    std::string message;
    bool operator==(const Finding&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Finding& f) {
    return os << severityName(f.severity) << " " << f.code << " [" << f.path << "] " << f.message;
}

std::vector<Finding> findingsOf(const document::DiagnosticList& list) {
    std::vector<Finding> out;
    for (const document::Diagnostic& d : list) out.push_back({d.severity, d.code, d.path, d.message});
    return out;
}

struct ZipOutcome {
    archive::ZipResult result;
    std::vector<Finding> findings;
    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const archive::ZipEntry& e : result.entries) n.push_back(e.name);
        return n;
    }
};

ZipOutcome read(const Bytes& archive, const archive::ZipLimits& limits = archive::kDocumentZipLimits) {
    document::DiagnosticList list;
    ZipOutcome o;
    o.result = readZip(archive.data(), archive.size(), list, limits);
    o.findings = findingsOf(list);
    return o;
}

Finding archiveError(std::string code, std::string message, std::string path = "") {
    return {document::Severity::Error, std::move(code), std::move(path), std::move(message)};
}

Finding entryWarning(std::string code, std::string path, std::string message) {
    return {document::Severity::Warning, std::move(code), std::move(path), std::move(message)};
}

EntrySpec file(std::string name, std::string content, std::uint16_t method = 8) {
    EntrySpec e;
    e.name = std::move(name);
    e.content = bytesOf(content);
    e.method = method;
    return e;
}

ArchiveSpec archiveOf(std::vector<EntrySpec> entries) {
    ArchiveSpec spec;
    spec.entries = std::move(entries);
    return spec;
}

const Bytes kEmptyEndRecord = {0x50, 0x4b, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// ---- Archive-level failures --------------------------------------------------

struct ArchiveCase {
    const char* name;
    Bytes archive;
    archive::ZipLimits limits;
    std::vector<Finding> findings; // empty: ok
};

std::vector<ArchiveCase> archiveCases() {
    std::vector<ArchiveCase> cases;
    const archive::ZipLimits limits = archive::kDocumentZipLimits;
    cases.push_back({"only an empty end record", kEmptyEndRecord, limits, {}});
    cases.push_back({"21 bytes",
                     Bytes(kEmptyEndRecord.begin(), kEmptyEndRecord.end() - 1),
                     limits,
                     {archiveError("zip-unreadable", "Too short to be a zip archive")}});
    {
        ArchiveSpec spec;
        spec.comment = bytesOf("made by hand");
        cases.push_back({"a comment reaching the end", test::buildZip(spec), limits, {}});
        spec.trailing = bytesOf("x");
        cases.push_back({"a byte after the comment",
                         test::buildZip(spec),
                         limits,
                         {archiveError("zip-unreadable", "No end-of-archive record")}});
        spec.trailing.clear();
        spec.commentLength = 3;
        cases.push_back({"a comment length short of the end",
                         test::buildZip(spec),
                         limits,
                         {archiveError("zip-unreadable", "No end-of-archive record")}});
    }
    {
        // A comment of the largest size is still found; the scan goes no further back.
        ArchiveSpec spec = archiveOf({file("a", "x")});
        spec.comment = Bytes(0xFFFF, 'c');
        cases.push_back({"a comment of 65535 bytes", test::buildZip(spec), limits, {}});
    }
    const auto split = [&](auto change) {
        ArchiveSpec spec = archiveOf({file("a", "x")});
        change(spec);
        return test::buildZip(spec);
    };
    const Finding splitError =
        archiveError("zip-unsupported", "Archives split over several files are not supported");
    cases.push_back({"this disk 1", split([](ArchiveSpec& s) { s.thisDisk = 1; }), limits, {splitError}});
    cases.push_back(
        {"directory disk 1", split([](ArchiveSpec& s) { s.directoryDisk = 1; }), limits, {splitError}});
    cases.push_back(
        {"entries on disk differ", split([](ArchiveSpec& s) { s.entriesOnDisk = 2; }), limits, {splitError}});
    const Finding zip64Error = archiveError("zip-unsupported", "Zip64 archives are not supported");
    cases.push_back({"total entries 0xFFFF",
                     split([](ArchiveSpec& s) { s.totalEntries = 0xFFFF; }),
                     limits,
                     {zip64Error}});
    cases.push_back({"directory size 0xFFFFFFFF",
                     split([](ArchiveSpec& s) { s.directorySize = 0xFFFFFFFF; }),
                     limits,
                     {zip64Error}});
    cases.push_back({"directory offset 0xFFFFFFFF",
                     split([](ArchiveSpec& s) { s.directoryOffset = 0xFFFFFFFF; }),
                     limits,
                     {zip64Error}});
    const Finding outOfBounds = archiveError("zip-unreadable", "Central directory out of bounds");
    cases.push_back({"directory past the end record",
                     split([](ArchiveSpec& s) { s.directorySize = 1000; }),
                     limits,
                     {outOfBounds}});
    cases.push_back({"directory offset near 4 GiB",
                     split([](ArchiveSpec& s) { s.directoryOffset = 0xFFFFFFF0; }),
                     limits,
                     {outOfBounds}});
    const Finding damaged = archiveError("zip-unreadable", "Damaged central directory");
    cases.push_back({"more entries counted than written",
                     split([](ArchiveSpec& s) { s.totalEntries = 2; }),
                     limits,
                     {damaged}});
    cases.push_back({"directory one byte into the local header",
                     split([](ArchiveSpec& s) { s.directoryOffset = 1; }),
                     limits,
                     {damaged}});
    {
        ArchiveSpec spec = archiveOf({file("abc", "x")});
        Bytes bytes = test::buildZip(spec);
        // Shrink the directory size by one byte so the name runs past its end.
        const std::size_t end = bytes.size() - 22;
        bytes[end + 12] -= 1;
        cases.push_back({"a name running past the directory", bytes, limits, {damaged}});
    }
    {
        ArchiveSpec spec = archiveOf({file("a", "x"), file("b", "y")});
        spec.entries[1].compressedSize = 0xFFFFFFFF;
        cases.push_back({"a Zip64 entry after a good one",
                         test::buildZip(spec),
                         limits,
                         {archiveError("zip-unsupported", "Zip64 entries are not supported", "/b")}});
        spec.entries[1].compressedSize.reset();
        spec.entries[1].uncompressedSize = 0xFFFFFFFF;
        cases.push_back({"a Zip64 uncompressed size",
                         test::buildZip(spec),
                         limits,
                         {archiveError("zip-unsupported", "Zip64 entries are not supported", "/b")}});
        spec.entries[1].uncompressedSize.reset();
        spec.entries[1].localOffset = 0xFFFFFFFF;
        cases.push_back({"a Zip64 local offset",
                         test::buildZip(spec),
                         limits,
                         {archiveError("zip-unsupported", "Zip64 entries are not supported", "/b")}});
    }
    {
        const archive::ZipLimits small{10, 100, 150};
        const Finding tooLarge =
            archiveError("zip-too-large", "The archive unpacks to more than allowed", "/b");
        ArchiveSpec spec = archiveOf({file("a", std::string(100, 'a')), file("b", std::string(101, 'b'))});
        cases.push_back({"one entry over the entry limit", test::buildZip(spec), small, {tooLarge}});
        spec = archiveOf({file("a", std::string(100, 'a')), file("b", std::string(51, 'b'))});
        cases.push_back({"entries together over the total", test::buildZip(spec), small, {tooLarge}});
        spec = archiveOf({file("a", std::string(100, 'a')), file("b", std::string(50, 'b'))});
        cases.push_back({"entries exactly at the total", test::buildZip(spec), small, {}});
        // A folder's declared size counts too, and so do skipped entries.
        EntrySpec folder = file("assets/", "");
        folder.uncompressedSize = 60;
        spec = archiveOf({folder, file("../a", std::string(40, 'a')), file("b", std::string(51, 'b'))});
        cases.push_back(
            {"a folder and a skipped entry count toward the total",
             test::buildZip(spec),
             small,
             {entryWarning("zip-unsafe-name", "/../a", "The entry name leaves the archive; skipped"),
              tooLarge}});
        // A bomb: the declared size is refused before anything is inflated.
        spec = archiveOf({file("b", std::string(1000000, 'z'))});
        cases.push_back({"a real bomb over the limit", test::buildZip(spec), {10, 1000, 1000}, {tooLarge}});
    }
    return cases;
}

TEST(ZipReader, ArchiveLevelChecks) {
    for (const ArchiveCase& c : archiveCases()) {
        SCOPED_TRACE(c.name);
        const ZipOutcome o = read(c.archive, c.limits);
        EXPECT_EQ(o.findings, c.findings);
        EXPECT_EQ(o.result.ok, c.findings.empty() || c.findings.back().severity != document::Severity::Error);
        if (!o.result.ok) {
            EXPECT_TRUE(o.result.entries.empty());
        }
    }
}

Bytes manyEntries(int count) {
    ArchiveSpec spec;
    for (int i = 0; i < count; ++i) spec.entries.push_back(file("e" + std::to_string(i), "", 0));
    return test::buildZip(spec);
}

TEST(ZipReader, EntryCountLimitNamesTheMaximum) {
    const ZipOutcome atLimit = read(manyEntries(10000));
    EXPECT_TRUE(atLimit.result.ok);
    EXPECT_EQ(atLimit.result.entries.size(), 10000u);
    const ZipOutcome over = read(manyEntries(10001));
    EXPECT_FALSE(over.result.ok);
    EXPECT_EQ(over.findings,
              std::vector<Finding>{archiveError("zip-too-large", "More entries than allowed (10000)")});
}

// ---- Entry-level findings ---------------------------------------------------

struct EntryCase {
    const char* name;
    ArchiveSpec spec;
    std::vector<Finding> findings;
    std::vector<std::string> accepted;
};

std::vector<EntryCase> entryCases() {
    std::vector<EntryCase> cases;
    const std::string unsafe = "The entry name leaves the archive; skipped";
    {
        std::vector<EntrySpec> entries;
        std::vector<Finding> findings;
        for (const char* name :
             {"../x", "a/../b", "..", "a/..", "/abs", "d:x", "a\\b", "a\tb", "a\x01", "", "a:b"}) {
            entries.push_back(file(name, "unsafe"));
            findings.push_back(entryWarning("zip-unsafe-name", "/" + std::string(name), unsafe));
        }
        for (const char* name : {"a/./b", "a//b", ".", "x..", "..x/y", "caf\xc3\xa9", "ab:"})
            entries.push_back(file(name, "fine"));
        cases.push_back({"unsafe names are skipped",
                         archiveOf(entries),
                         findings,
                         {"a/./b", "a//b", ".", "x..", "..x/y", "caf\xc3\xa9", "ab:"}});
    }
    cases.push_back({"folders are skipped silently",
                     archiveOf({file("assets/", "", 0), file("../", "", 0), file("assets/a", "x")}),
                     {},
                     {"assets/a"}});
    {
        EntrySpec first = file("instance.json", "{}", 12);
        cases.push_back(
            {"a duplicate of a skipped entry is still a duplicate",
             archiveOf({first, file("instance.json", "{}")}),
             {entryWarning("zip-method", "/instance.json", "Entries are stored or deflated; skipped"),
              entryWarning("zip-duplicate-name", "/instance.json",
                           "A second entry of the same name; skipped")},
             {}});
        cases.push_back(
            {"the first of two names stays",
             archiveOf({file("a", "first"), file("a", "second")}),
             {entryWarning("zip-duplicate-name", "/a", "A second entry of the same name; skipped")},
             {"a"}});
    }
    {
        EntrySpec encrypted = file("secret", "x");
        encrypted.flags = 1;
        cases.push_back(
            {"encrypted",
             archiveOf({encrypted, file("b", "y")}),
             {entryWarning("zip-encrypted", "/secret", "Encrypted entries are not supported; skipped")},
             {"b"}});
    }
    {
        EntrySpec badLocal = file("a", "x");
        badLocal.localSignature = 0x04034b51;
        EntrySpec farLocal = file("b", "y");
        farLocal.localOffset = 100000;
        const std::string damaged = "The entry's header is damaged; skipped";
        cases.push_back({"damaged local headers",
                         archiveOf({badLocal, farLocal, file("c", "z")}),
                         {entryWarning("zip-damaged-entry", "/a", damaged),
                          entryWarning("zip-damaged-entry", "/b", damaged)},
                         {"c"}});
    }
    {
        EntrySpec longData = file("a", "xyz", 0);
        longData.compressedSize = 100000;
        longData.uncompressedSize = 100000;
        cases.push_back(
            {"data running past the archive",
             archiveOf({longData}),
             {entryWarning("zip-damaged-entry", "/a", "The entry runs past the archive; skipped")},
             {}});
    }
    {
        EntrySpec short1 = file("short", std::string(500, 'q'));
        short1.uncompressedSize = 501;
        EntrySpec bad = file("bad", "zz");
        bad.packed = Bytes{0x07};
        EntrySpec lying = file("lying", std::string(500, 'q'));
        lying.uncompressedSize = 499;
        EntrySpec stored = file("stored", "abc", 0);
        stored.compressedSize = 2;
        stored.uncompressedSize = 3;
        cases.push_back(
            {"entries that do not unpack",
             archiveOf({short1, bad, lying, stored, file("good", "fine")}),
             {entryWarning("zip-damaged-entry", "/short", "Cannot decompress: wrong size; skipped"),
              entryWarning("zip-damaged-entry", "/bad", "Cannot decompress: invalid block type; skipped"),
              entryWarning("zip-damaged-entry", "/lying",
                           "Cannot decompress: more data than declared; skipped"),
              entryWarning("zip-damaged-entry", "/stored", "Stored sizes disagree; skipped")},
             {"good"}});
    }
    {
        EntrySpec altered = file("altered", "original", 0);
        altered.packed = bytesOf("0riginal");
        EntrySpec wrongCrc = file("deflated", "some text some text");
        wrongCrc.crc = 12345;
        cases.push_back({"checksum mismatches",
                         archiveOf({file("first", "1"), altered, wrongCrc, file("last", "2")}),
                         {entryWarning("zip-checksum", "/altered", "Checksum mismatch; skipped"),
                          entryWarning("zip-checksum", "/deflated", "Checksum mismatch; skipped")},
                         {"first", "last"}});
    }
    {
        // The central directory is authoritative; the local header only
        // places the data, with an extra field of its own length.
        EntrySpec e = file("a", "hello hello hello");
        e.localExtra = Bytes(7, 0xAA);
        e.centralExtra = Bytes(12, 0xBB);
        e.centralComment = bytesOf("a comment on the entry");
        cases.push_back({"extra fields and comments", archiveOf({e, file("b", "x", 0)}), {}, {"a", "b"}});
    }
    {
        EntrySpec empty = file("empty", "", 8);
        EntrySpec emptyStored = file("empty-stored", "", 0);
        cases.push_back({"empty entries", archiveOf({empty, emptyStored}), {}, {"empty", "empty-stored"}});
    }
    return cases;
}

TEST(ZipReader, EntryLevelFindings) {
    for (const EntryCase& c : entryCases()) {
        SCOPED_TRACE(c.name);
        const ZipOutcome o = read(test::buildZip(c.spec));
        EXPECT_TRUE(o.result.ok);
        EXPECT_EQ(o.findings, c.findings);
        EXPECT_EQ(o.names(), c.accepted);
        for (const archive::ZipEntry& entry : o.result.entries) {
            for (const EntrySpec& spec : c.spec.entries) {
                if (spec.name == entry.name) {
                    EXPECT_EQ(entry.data, spec.content) << entry.name;
                    break;
                }
            }
        }
    }
}

TEST(ZipReader, AFailedArchiveDropsWhatItHadAccepted) {
    ArchiveSpec spec = archiveOf({file("a", "x"), file("b", "y"), file("c", "z")});
    spec.entries[2].uncompressedSize = 0xFFFFFFFF;
    const ZipOutcome o = read(test::buildZip(spec));
    EXPECT_FALSE(o.result.ok);
    EXPECT_TRUE(o.result.entries.empty());
}

// ---- Hostile archives are bounded -------------------------------------------

TEST(ZipReader, ADeclaredSizeDoesNotClaimMemory) {
    // 1 GiB declared, a few bytes of data: within the limits, but the reader
    // must not reserve what the compressed bytes could never produce.
    EntrySpec bomb = file("bomb", std::string(1000, 'a'));
    bomb.uncompressedSize = 1073741824u;
    const Bytes archive = test::buildZip(archiveOf({bomb}));
    const test::AllocationProbe probe;
    const ZipOutcome o = read(archive);
    EXPECT_LT(probe.largest(), 1u << 20);
    EXPECT_EQ(o.findings, std::vector<Finding>{entryWarning("zip-damaged-entry", "/bomb",
                                                            "Cannot decompress: wrong size; skipped")});
}

TEST(ZipReader, AnEntryThatUnpacksToMoreThanDeclaredIsCutOff) {
    // 20 MB of zeros declared as 1000 bytes: decoding stops at the declared size.
    EntrySpec bomb = file("bomb", std::string(20000000, '\0'));
    bomb.uncompressedSize = 1000;
    const Bytes archive = test::buildZip(archiveOf({bomb}));
    const test::AllocationProbe probe;
    const ZipOutcome o = read(archive);
    EXPECT_LT(probe.largest(), 1u << 20);
    EXPECT_EQ(o.findings,
              std::vector<Finding>{entryWarning("zip-damaged-entry", "/bomb",
                                                "Cannot decompress: more data than declared; skipped")});
}

const std::set<std::string> kZipCodes = {"zip-unreadable",  "zip-unsupported",    "zip-too-large",
                                         "zip-unsafe-name", "zip-duplicate-name", "zip-encrypted",
                                         "zip-method",      "zip-damaged-entry",  "zip-checksum"};

void expectBounded(const Bytes& archive) {
    const ZipOutcome o = read(archive);
    for (const Finding& f : o.findings) ASSERT_TRUE(kZipCodes.count(f.code)) << f;
    if (!o.result.ok) {
        ASSERT_TRUE(o.result.entries.empty());
        ASSERT_FALSE(o.findings.empty());
        ASSERT_EQ(o.findings.back().severity, document::Severity::Error);
    }
}

// Every prefix and many single-byte damages of a real archive: findings only
// from the zip reader's list, and (under AddressSanitizer) no read outside
// the buffer. Each prefix is copied to a buffer of its own exact size.
TEST(ZipReader, TruncatedAndDamagedArchivesStayInBounds) {
    std::mt19937 rng(11);
    ArchiveSpec spec = archiveOf({file("instance.json", "{\"kind\":\"instance\",\"spec\":\"1.0\"}"),
                                  file("assets/", "", 0), file("clip.json", std::string(300, 'c'), 0),
                                  file("notes.txt", "text text text text text text")});
    spec.comment = bytesOf("comment");
    const Bytes archive = test::buildZip(spec);
    for (std::size_t cut = 0; cut <= archive.size(); ++cut) {
        expectBounded(Bytes(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(cut)));
    }
    for (int round = 0; round < 5000; ++round) {
        Bytes damaged = archive;
        damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        if (round % 2) damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        expectBounded(damaged);
    }
}

} // namespace
} // namespace fennrow::test
