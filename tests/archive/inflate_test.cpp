#include "archive/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <set>

#include "deflate_writer.h"
#include "support/allocation_probe.h"

namespace fennrow::test {
namespace {

using test::BitWriter;
using test::Bytes;

const std::set<std::string> kListedMessages = {
    "stream ends early",
    "invalid block type",
    "stored block length does not match its complement",
    "more data than declared",
    "too many length or distance codes",
    "incomplete code-length code",
    "invalid code-length code",
    "repeat with no previous length",
    "too many lengths",
    "no end-of-block code",
    "invalid literal/length code lengths",
    "invalid distance code lengths",
    "invalid literal/length code",
    "invalid length symbol",
    "invalid distance code",
    "distance reaches before the start",
};

struct InflateOutcome {
    bool ok;
    Bytes out;
    std::string message;
};

InflateOutcome runInflate(const Bytes& in, std::uint64_t declared) {
    InflateOutcome r{};
    r.ok = archive::inflate(in.data(), in.size(), declared, r.out, r.message);
    return r;
}

// ---- Data shapes for the zlib oracle --------------------------------------

Bytes randomBytes(std::size_t n, std::mt19937& rng) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

Bytes shortPeriod(std::size_t n, std::mt19937& rng) {
    const Bytes pattern = randomBytes(1 + rng() % 7, rng);
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = pattern[i % pattern.size()];
    return b;
}

Bytes longRuns(std::size_t n, std::mt19937& rng) {
    Bytes b;
    while (b.size() < n) b.insert(b.end(), std::min<std::size_t>(n - b.size(), 1 + rng() % 2000), rng() % 4);
    return b;
}

Bytes text(std::size_t n, std::mt19937& rng) {
    static const char* words[] = {"bass ",         "sub ",  "glide ",  "the ", "envelope ", "{\"kind\":",
                                  "\"instance\" ", "0.5, ", "pluck\n", "arc ", "motion ",   "tempo "};
    Bytes b;
    while (b.size() < n) {
        const std::string w = words[rng() % std::size(words)];
        b.insert(b.end(), w.begin(), w.end());
    }
    b.resize(n);
    return b;
}

// Mostly compressible with random stretches, so that zlib mixes block types.
Bytes mixed(std::size_t n, std::mt19937& rng) {
    Bytes b;
    while (b.size() < n) {
        const Bytes part = (rng() % 2) ? randomBytes(1 + rng() % 5000, rng) : text(1 + rng() % 5000, rng);
        b.insert(b.end(), part.begin(), part.end());
    }
    b.resize(n);
    return b;
}

struct Shape {
    const char* name;
    Bytes (*make)(std::size_t, std::mt19937&);
};

const Shape kShapes[] = {
    {"random", randomBytes}, {"period", shortPeriod}, {"runs", longRuns}, {"text", text}, {"mixed", mixed}};
const std::size_t kSizes[] = {0, 1, 2, 3, 257, 258, 259, 4096, 32768 + 5, 65536 + 17, 150000};
const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};

TEST(InflateOracle, DecodesWhatZlibWritesAtEveryLevelAndStrategy) {
    std::mt19937 rng(1234);
    for (const Shape& shape : kShapes) {
        for (std::size_t size : kSizes) {
            const Bytes original = shape.make(size, rng);
            for (int level = 0; level <= 9; ++level) {
                for (int strategy : kStrategies) {
                    // The largest inputs take every level once, not every strategy too.
                    if (size > 70000 && strategy != kStrategies[level % 5]) continue;
                    const Bytes packed = test::zlibDeflate(original, level, strategy);
                    const InflateOutcome r = runInflate(packed, original.size());
                    ASSERT_TRUE(r.ok) << shape.name << " size " << size << " level " << level << " strategy "
                                      << strategy << ": " << r.message;
                    ASSERT_EQ(r.out, original) << shape.name << " size " << size << " level " << level;
                }
            }
        }
    }
}

// Decoding to a sink holds the last 32 KiB and nothing more: the pieces
// handed on are at most a window long, no allocation grows with the output,
// and together they are the stream's bytes.
TEST(InflateOracle, DecodesToASinkInFixedMemory) {
    std::mt19937 rng(5);
    const Bytes original = mixed(std::size_t{6} << 20, rng);
    const Bytes packed = test::zlibDeflate(original, 6, Z_DEFAULT_STRATEGY);
    struct Collected {
        Bytes bytes;
        std::size_t largestPiece = 0;
    } collected;
    collected.bytes.reserve(original.size());
    const archive::InflateSink sink{&collected,
                                    [](void* context, const std::uint8_t* bytes, std::size_t count) {
                                        auto& c = *static_cast<Collected*>(context);
                                        c.largestPiece = std::max(c.largestPiece, count);
                                        c.bytes.insert(c.bytes.end(), bytes, bytes + count);
                                    }};
    std::string message;
    const test::AllocationProbe probe;
    ASSERT_TRUE(inflateTo(packed.data(), packed.size(), original.size(), sink, message)) << message;
    EXPECT_LT(probe.largest(), std::size_t{40} << 10);
    EXPECT_LE(collected.largestPiece, std::size_t{32} << 10);
    EXPECT_EQ(collected.bytes, original);
}

TEST(InflateOracle, DecodesFlushedStreamsWithSmallWindowsAndManyBlocks) {
    std::mt19937 rng(99);
    for (const Shape& shape : kShapes) {
        const Bytes original = shape.make(40000, rng);
        for (int memLevel : {1, 9}) {
            for (std::size_t flushEvery : {std::size_t{1}, std::size_t{100}, std::size_t{7777}}) {
                const Bytes packed = test::zlibDeflate(original, 6, Z_DEFAULT_STRATEGY, memLevel, flushEvery);
                const InflateOutcome r = runInflate(packed, original.size());
                ASSERT_TRUE(r.ok) << shape.name << " flush " << flushEvery << ": " << r.message;
                ASSERT_EQ(r.out, original) << shape.name << " flush " << flushEvery;
            }
        }
    }
}

TEST(InflateOracle, EveryTruncationEndsEarly) {
    std::mt19937 rng(7);
    for (const Shape& shape : kShapes) {
        const Bytes original = shape.make(3000, rng);
        for (int level : {0, 1, 9}) {
            const Bytes packed =
                test::zlibDeflate(original, level, level == 1 ? Z_FIXED : Z_DEFAULT_STRATEGY);
            for (std::size_t cut = 0; cut < packed.size(); ++cut) {
                const Bytes prefix(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut));
                const InflateOutcome r = runInflate(prefix, original.size());
                ASSERT_FALSE(r.ok) << shape.name << " cut at " << cut;
                ASSERT_EQ(r.message, "stream ends early") << shape.name << " cut at " << cut;
                ASSERT_LE(r.out.size(), original.size());
            }
        }
    }
}

// Corrupted streams must either fail with one of the decoder's messages or
// decode to something, but never produce more than declared. Running under
// AddressSanitizer also shows that no byte outside the input is read.
TEST(InflateOracle, CorruptedStreamsFailCleanlyWithinTheDeclaredSize) {
    std::mt19937 rng(2024);
    std::set<std::string> seen;
    for (int round = 0; round < 3000; ++round) {
        const Shape& shape = kShapes[round % std::size(kShapes)];
        const Bytes original = shape.make(1 + rng() % 3000, rng);
        Bytes packed = test::zlibDeflate(original, static_cast<int>(rng() % 10), kStrategies[rng() % 5]);
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f)
            packed[rng() % packed.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        const std::uint64_t declared = (round % 3 == 0) ? original.size() / 2 : original.size();
        const InflateOutcome r = runInflate(packed, declared);
        ASSERT_LE(r.out.size(), declared);
        if (!r.ok) {
            ASSERT_TRUE(kListedMessages.count(r.message)) << r.message;
            seen.insert(r.message);
        }
    }
    // Random damage reaches the common failures; the rest are made by hand below.
    EXPECT_TRUE(seen.count("more data than declared"));
    EXPECT_TRUE(seen.count("distance reaches before the start"));
}

TEST(Inflate, AppendsAfterWhatTheOutputAlreadyHolds) {
    const Bytes original = {'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b'};
    const Bytes packed = test::zlibDeflate(original, 9, Z_DEFAULT_STRATEGY);
    Bytes out = {'x', 'y'};
    std::string message;
    ASSERT_TRUE(archive::inflate(packed.data(), packed.size(), original.size(), out, message)) << message;
    EXPECT_EQ(out, (Bytes{'x', 'y', 'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b'}));
}

// ---- Hand-built streams ----------------------------------------------------

// Fixed-code symbol codes of RFC 1951.
void fixedLiteral(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.code(symbol - 256, 7);
    else
        w.code(0xC0 + symbol - 280, 8);
}

Bytes storedBlock(bool final, const Bytes& payload) {
    Bytes b = {static_cast<std::uint8_t>(final ? 1 : 0)};
    const auto len = static_cast<std::uint16_t>(payload.size());
    b.push_back(len & 0xFF);
    b.push_back(len >> 8);
    b.push_back(~len & 0xFF);
    b.push_back((~len >> 8) & 0xFF);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// A complete literal/length code over all 286 symbols: 226 of length 8 and 60
// of length 9 (226 * 2 + 60 = 512).
std::vector<int> completeLiteralLengths() {
    std::vector<int> lengths(286, 8);
    for (int s = 226; s < 286; ++s) lengths[s] = 9;
    return lengths;
}

struct HandCase {
    const char* name;
    Bytes stream;
    std::uint64_t declared;
    bool ok;
    std::string messageOrOutput; // message on failure, decoded bytes on success
};

std::vector<HandCase> handCases() {
    std::vector<HandCase> cases;
    const auto fixed = [](std::initializer_list<int> symbols, bool final = true) {
        BitWriter w;
        w.bits(final ? 1 : 0, 1);
        w.bits(1, 2);
        for (int s : symbols) fixedLiteral(w, s);
        return w.bytes;
    };
    cases.push_back({"empty input", {}, 10, false, "stream ends early"});
    cases.push_back({"block type 3", {0x07}, 10, false, "invalid block type"});
    cases.push_back({"stored length mismatch",
                     {0x01, 0x05, 0x00, 0x00, 0x00},
                     10,
                     false,
                     "stored block length does not match its complement"});
    cases.push_back({"stored block of length 0", storedBlock(true, {}), 0, true, ""});
    cases.push_back({"stored block cut short", Bytes{0x01, 0x05, 0x00}, 10, false, "stream ends early"});
    {
        Bytes b = storedBlock(true, {'a', 'b', 'c'});
        b.pop_back();
        cases.push_back({"stored payload cut short", b, 10, false, "stream ends early"});
    }
    cases.push_back({"stored block past the declared size", storedBlock(true, {'a', 'b', 'c'}), 2, false,
                     "more data than declared"});
    {
        Bytes b = storedBlock(false, {'a'});
        const Bytes last = storedBlock(true, {'b'});
        b.insert(b.end(), last.begin(), last.end());
        cases.push_back({"two stored blocks", b, 2, true, "ab"});
    }
    cases.push_back({"fixed block of only end-of-block", fixed({256}), 0, true, ""});
    cases.push_back({"fixed literals to the declared size", fixed({'h', 'i', 256}), 2, true, "hi"});
    cases.push_back(
        {"one literal past the declared size", fixed({'h', 'i', 256}), 1, false, "more data than declared"});
    {
        // 'x', then length 258 at distance 1: symbol 285, distance code 0.
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedLiteral(w, 'x');
        fixedLiteral(w, 285);
        w.code(0, 5);
        fixedLiteral(w, 256);
        cases.push_back(
            {"distance 1 length 258 repeats the byte", w.bytes, 259, true, std::string(259, 'x')});
        cases.push_back({"a match past the declared size", w.bytes, 258, false, "more data than declared"});
        Bytes trailing = w.bytes;
        trailing.insert(trailing.end(), {0xFF, 0xFF, 0x00, 0x12});
        cases.push_back(
            {"bytes after the final block are ignored", trailing, 259, true, std::string(259, 'x')});
    }
    {
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedLiteral(w, 257); // length 3
        w.code(0, 5);         // distance 1, with nothing produced yet
        cases.push_back(
            {"a match before any output", w.bytes, 10, false, "distance reaches before the start"});
    }
    {
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedLiteral(w, 'a');
        fixedLiteral(w, 257);
        w.code(2, 5); // distance 3 > 1 byte produced
        cases.push_back({"a match further back than the output", w.bytes, 10, false,
                         "distance reaches before the start"});
    }
    cases.push_back({"fixed symbol 286", fixed({'a', 286}), 10, false, "invalid length symbol"});
    cases.push_back({"fixed symbol 287", fixed({287}), 10, false, "invalid length symbol"});
    {
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedLiteral(w, 'a');
        fixedLiteral(w, 257);
        w.code(30, 5); // distance symbols 30 and 31 have no meaning
        w.bits(0, 16); // enough bits to try every longer code
        cases.push_back({"fixed distance symbol 30", w.bytes, 10, false, "invalid distance code"});
    }
    {
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedLiteral(w, 'a');
        cases.push_back({"fixed block without end-of-block", w.bytes, 10, false, "stream ends early"});
    }
    {
        BitWriter w; // not final, then nothing
        w.bits(0, 1);
        w.bits(1, 2);
        fixedLiteral(w, 256);
        cases.push_back({"no final block", w.bytes, 10, false, "stream ends early"});
    }
    // Dynamic blocks.
    {
        const std::vector<int> lit = completeLiteralLengths();
        const auto codes = test::canonicalCodes(lit);
        BitWriter w;
        test::writeDynamicHeader(w, true, lit, {1}); // a single distance code of length 1
        w.code(codes['x'], lit['x']);
        w.code(codes[285], lit[285]);
        w.code(0, 1); // distance symbol 0: distance 1
        w.code(codes['y'], lit['y']);
        w.code(codes[256], lit[256]);
        cases.push_back({"dynamic block with one distance code of length 1", w.bytes, 300, true,
                         std::string(259, 'x') + "y"});
    }
    {
        BitWriter w;
        test::writeDynamicHeader(w, true, completeLiteralLengths(), {2, 2});
        cases.push_back(
            {"two distance codes of length 2", w.bytes, 300, false, "invalid distance code lengths"});
    }
    {
        BitWriter w;
        test::writeDynamicHeader(w, true, completeLiteralLengths(), {1, 1, 1});
        cases.push_back(
            {"over-subscribed distance code", w.bytes, 300, false, "invalid distance code lengths"});
    }
    {
        std::vector<int> lit = completeLiteralLengths();
        lit[0] = 7; // over-subscribed
        BitWriter w;
        test::writeDynamicHeader(w, true, lit, {1});
        cases.push_back(
            {"over-subscribed literal code", w.bytes, 300, false, "invalid literal/length code lengths"});
    }
    {
        std::vector<int> lit = completeLiteralLengths();
        lit[0] = 0; // one code left over
        BitWriter w;
        test::writeDynamicHeader(w, true, lit, {1});
        cases.push_back(
            {"incomplete literal code", w.bytes, 300, false, "invalid literal/length code lengths"});
    }
    {
        std::vector<int> lit = completeLiteralLengths();
        lit[256] = 0;
        BitWriter w;
        test::writeDynamicHeader(w, true, lit, {1});
        cases.push_back({"no end-of-block code", w.bytes, 300, false, "no end-of-block code"});
    }
    {
        // Only the end-of-block symbol, with a single code of length 1 ("0"); the
        // unused code "1" then matches nothing.
        std::vector<int> lit(257, 0);
        lit[256] = 1;
        BitWriter w;
        test::writeDynamicHeader(w, true, lit, {0});
        BitWriter ok = w;
        ok.code(0, 1);
        cases.push_back({"a lone end-of-block code", ok.bytes, 0, true, ""});
        w.code(1, 1);
        w.bits(0, 16);
        cases.push_back({"bits matching no literal code", w.bytes, 10, false, "invalid literal/length code"});
    }
    {
        BitWriter w; // HLIT = 30: 287 literal/length codes
        w.bits(1, 1);
        w.bits(2, 2);
        w.bits(30, 5);
        w.bits(0, 5);
        w.bits(0, 4);
        w.bits(0, 16);
        cases.push_back({"287 literal codes", w.bytes, 10, false, "too many length or distance codes"});
    }
    {
        BitWriter w; // HDIST = 30: 31 distance codes
        w.bits(1, 1);
        w.bits(2, 2);
        w.bits(0, 5);
        w.bits(30, 5);
        w.bits(0, 4);
        w.bits(0, 16);
        cases.push_back({"31 distance codes", w.bytes, 10, false, "too many length or distance codes"});
    }
    const auto codeLengthHeader = [](std::initializer_list<int> codeLengthLengths) {
        BitWriter w;
        w.bits(1, 1);
        w.bits(2, 2);
        w.bits(0, 5);
        w.bits(0, 5);
        w.bits(static_cast<std::uint32_t>(codeLengthLengths.size() - 4), 4);
        for (int l : codeLengthLengths) w.bits(static_cast<std::uint32_t>(l), 3);
        return w;
    };
    {
        BitWriter w = codeLengthHeader({1, 1, 1, 0}); // three codes of length 1
        w.bits(0, 16);
        cases.push_back(
            {"over-subscribed code-length code", w.bytes, 10, false, "incomplete code-length code"});
        BitWriter v = codeLengthHeader({1, 0, 0, 0});
        v.bits(0, 16);
        cases.push_back({"incomplete code-length code", v.bytes, 10, false, "incomplete code-length code"});
        BitWriter u = codeLengthHeader({0, 0, 0, 0});
        u.bits(0, 16);
        cases.push_back({"empty code-length code", u.bytes, 10, false, "invalid code-length code"});
    }
    {
        // Symbols 16 and 18 of the code-length code, with codes "0" and "1".
        BitWriter w = codeLengthHeader({1, 0, 1, 0});
        w.code(0, 1);
        w.bits(0, 2);
        cases.push_back({"repeat as the first length", w.bytes, 10, false, "repeat with no previous length"});
        BitWriter v = codeLengthHeader({1, 0, 1, 0});
        v.code(1, 1);
        v.bits(127, 7); // 138 zeros
        v.code(1, 1);
        v.bits(127, 7); // 276 > 258 lengths
        cases.push_back({"a repeat past the last length", v.bytes, 10, false, "too many lengths"});
        BitWriter t = codeLengthHeader({1, 0, 1, 0});
        t.code(1, 1);
        cases.push_back({"lengths cut short", t.bytes, 10, false, "stream ends early"});
    }
    return cases;
}

TEST(Inflate, HandBuiltStreams) {
    for (const HandCase& c : handCases()) {
        SCOPED_TRACE(c.name);
        const InflateOutcome r = runInflate(c.stream, c.declared);
        EXPECT_EQ(r.ok, c.ok) << r.message;
        if (c.ok) {
            EXPECT_EQ(std::string(r.out.begin(), r.out.end()), c.messageOrOutput);
        } else {
            EXPECT_EQ(r.message, c.messageOrOutput);
            EXPECT_LE(r.out.size(), c.declared);
        }
    }
}

} // namespace
} // namespace fennrow::test
