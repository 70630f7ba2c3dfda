#include "archive/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace fennrow::archive {
namespace {

// The decoder's messages, quoted by the zip reader in its findings.
constexpr const char* kEndsEarly = "stream ends early";
constexpr const char* kBadBlockType = "invalid block type";
constexpr const char* kStoredLengthMismatch = "stored block length does not match its complement";
constexpr const char* kMoreThanDeclared = "more data than declared";
constexpr const char* kTooManyCodes = "too many length or distance codes";
constexpr const char* kBadCodeLengthCode = "incomplete code-length code";
constexpr const char* kNoCodeLengthSymbol = "invalid code-length code";
constexpr const char* kRepeatWithoutLength = "repeat with no previous length";
constexpr const char* kTooManyLengths = "too many lengths";
constexpr const char* kNoEndOfBlock = "no end-of-block code";
constexpr const char* kBadLiteralLengths = "invalid literal/length code lengths";
constexpr const char* kBadDistanceLengths = "invalid distance code lengths";
constexpr const char* kNoLiteralSymbol = "invalid literal/length code";
constexpr const char* kBadLengthSymbol = "invalid length symbol";
constexpr const char* kBadDistance = "invalid distance code";
constexpr const char* kDistanceTooFar = "distance reaches before the start";

constexpr int kMaxCodeBits = 15;
constexpr int kLiteralSymbols = 288; // of which 286 may appear in a dynamic code
constexpr int kMaxDynamicLiterals = 286;
constexpr int kDistanceSymbols = 30;
constexpr int kCodeLengthSymbols = 19;
constexpr int kEndOfBlock = 256;
constexpr int kFirstLengthSymbol = 257;
constexpr int kLastLengthSymbol = 285;

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<std::uint8_t, kCodeLengthSymbols> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

// Bits are taken least significant first, from a buffer refilled one byte at
// a time; decoding a symbol may fill it ahead with whole bytes, which
// aligning to a byte hands back. Reading past the end yields zero bits and
// sets `ranOut`.
struct BitReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    std::uint32_t buffer = 0;
    int bitCount = 0;
    bool ranOut = false;
};

std::uint32_t readBits(BitReader& in, int count) {
    while (in.bitCount < count) {
        if (in.position < in.size) {
            in.buffer |= std::uint32_t{in.data[in.position++]} << in.bitCount;
            in.bitCount += 8;
        } else {
            in.ranOut = true;
            in.bitCount = count; // the missing high bits are already zero
        }
    }
    const std::uint32_t value = in.buffer & ((1u << count) - 1u);
    in.buffer >>= count;
    in.bitCount -= count;
    return value;
}

void alignToByte(BitReader& in) {
    in.position -= static_cast<std::size_t>(in.bitCount / 8);
    in.buffer = 0;
    in.bitCount = 0;
}

// Fills the buffer with whole bytes while they fit; false when fewer than
// `count` bits could be had before the end of the input.
bool fillAhead(BitReader& in, int count) {
    while (in.bitCount <= 24 && in.position < in.size) {
        in.buffer |= std::uint32_t{in.data[in.position++]} << in.bitCount;
        in.bitCount += 8;
    }
    return in.bitCount >= count;
}

// A canonical Huffman code: how many codes have each length, and the symbols
// ordered by code length, then by symbol value.
struct HuffmanCode {
    std::array<std::uint16_t, kMaxCodeBits + 1> counts{};
    std::vector<std::uint16_t> symbols;
};

// Builds `code` from one length per symbol. Returns 0 for a complete code (or
// an empty one), a positive count of unused codes for an incomplete one and a
// negative value for an over-subscribed one.
int buildCode(HuffmanCode& code, const std::uint8_t* lengths, int symbolCount) {
    code.counts.fill(0);
    for (int s = 0; s < symbolCount; ++s) ++code.counts[lengths[s]];
    if (code.counts[0] == symbolCount) {
        code.symbols.clear();
        return 0;
    }
    int left = 1;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
        left <<= 1;
        left -= code.counts[len];
        if (left < 0) return left;
    }
    std::array<std::uint16_t, kMaxCodeBits + 2> offsets{};
    for (int len = 1; len <= kMaxCodeBits; ++len) offsets[len + 1] = offsets[len] + code.counts[len];
    code.symbols.assign(offsets[kMaxCodeBits + 1], 0);
    for (int s = 0; s < symbolCount; ++s) {
        if (lengths[s] != 0) code.symbols[offsets[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
    return left;
}

constexpr int kNoSymbol = -1;

// Canonical decoding, one bit at a time: `first` is the first code of the
// current length and `index` the position of its symbol. The bits come from
// the buffer, filled ahead, and only those of the code found are taken; near
// the end of the input they are read one by one, so that running out is seen.
int decodeSymbol(BitReader& in, const HuffmanCode& code) {
    const bool ahead = fillAhead(in, kMaxCodeBits);
    int value = 0;
    int first = 0;
    int index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
        value |= ahead ? static_cast<int>((in.buffer >> (len - 1)) & 1u) : static_cast<int>(readBits(in, 1));
        const int count = code.counts[len];
        if (value - first < count) {
            if (ahead) {
                in.buffer >>= len;
                in.bitCount -= len;
            }
            return code.symbols[index + (value - first)];
        }
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    if (ahead) {
        in.buffer >>= kMaxCodeBits;
        in.bitCount -= kMaxCodeBits;
    }
    return kNoSymbol;
}

struct FixedCodes {
    HuffmanCode literals;
    HuffmanCode distances;
};

const FixedCodes& fixedCodes() {
    // Built once; the initialisation of a function-local static is thread-safe.
    static const FixedCodes codes = [] {
        FixedCodes built;
        std::array<std::uint8_t, kLiteralSymbols> lengths{};
        for (int s = 0; s < kLiteralSymbols; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        buildCode(built.literals, lengths.data(), kLiteralSymbols);
        std::array<std::uint8_t, kDistanceSymbols> distanceLengths{};
        distanceLengths.fill(5);
        buildCode(built.distances, distanceLengths.data(), kDistanceSymbols);
        return built;
    }();
    return codes;
}

// Back-references reach at most this far, so the decoder keeps only the last
// 32 KiB it produced, in a ring, and hands bytes on to the sink each time the
// ring fills (and when the stream ends or fails).
constexpr std::size_t kWindowBytes = 32768;
constexpr std::size_t kWindowMask = kWindowBytes - 1;

struct Decoder {
    BitReader in;
    const InflateSink& sink;
    std::uint64_t declaredSize;
    std::uint64_t produced = 0;
    std::size_t windowPos = 0;  // where the next byte goes
    std::size_t handedOver = 0; // window bytes before windowPos already given to the sink
    std::array<std::uint8_t, kWindowBytes> window{};
};

void handOver(Decoder& d) {
    if (d.windowPos > d.handedOver)
        d.sink.take(d.sink.context, d.window.data() + d.handedOver, d.windowPos - d.handedOver);
    d.handedOver = d.windowPos;
}

void advanceWindow(Decoder& d, std::size_t count) {
    d.windowPos += count;
    d.produced += count;
    if (d.windowPos == kWindowBytes) {
        handOver(d);
        d.windowPos = 0;
        d.handedOver = 0;
    }
}

void putByte(Decoder& d, std::uint8_t byte) {
    d.window[d.windowPos] = byte;
    advanceWindow(d, 1);
}

const char* storedBlock(Decoder& d) {
    alignToByte(d.in);
    BitReader& in = d.in;
    if (in.size - in.position < 4) return kEndsEarly;
    const std::uint8_t* p = in.data + in.position;
    const unsigned len = p[0] | (p[1] << 8);
    const unsigned nlen = p[2] | (p[3] << 8);
    in.position += 4;
    if (len != (~nlen & 0xFFFFu)) return kStoredLengthMismatch;
    if (in.size - in.position < len) return kEndsEarly;
    if (d.produced + len > d.declaredSize) return kMoreThanDeclared;
    for (std::size_t left = len; left > 0;) {
        const std::size_t piece = std::min(left, kWindowBytes - d.windowPos);
        std::memcpy(d.window.data() + d.windowPos, in.data + in.position, piece);
        in.position += piece;
        left -= piece;
        advanceWindow(d, piece);
    }
    return nullptr;
}

const char* codedBlock(Decoder& d, const HuffmanCode& literals, const HuffmanCode& distances) {
    for (;;) {
        const int symbol = decodeSymbol(d.in, literals);
        if (d.in.ranOut) return kEndsEarly;
        if (symbol == kNoSymbol) return kNoLiteralSymbol;
        if (symbol < kEndOfBlock) {
            if (d.produced >= d.declaredSize) return kMoreThanDeclared;
            putByte(d, static_cast<std::uint8_t>(symbol));
            continue;
        }
        if (symbol == kEndOfBlock) return nullptr;
        if (symbol > kLastLengthSymbol) return kBadLengthSymbol;

        const int lengthIndex = symbol - kFirstLengthSymbol;
        const std::uint32_t length = kLengthBase[lengthIndex] + readBits(d.in, kLengthExtra[lengthIndex]);
        const int distanceSymbol = decodeSymbol(d.in, distances);
        if (d.in.ranOut) return kEndsEarly;
        if (distanceSymbol == kNoSymbol || distanceSymbol >= kDistanceSymbols) return kBadDistance;
        const std::uint32_t distance =
            kDistanceBase[distanceSymbol] + readBits(d.in, kDistanceExtra[distanceSymbol]);
        if (d.in.ranOut) return kEndsEarly;
        if (distance > d.produced) return kDistanceTooFar;
        if (d.produced + length > d.declaredSize) return kMoreThanDeclared;
        // One byte at a time, so that an overlapping copy repeats its pattern.
        // No distance exceeds the window, so the byte it names is still there.
        for (std::uint32_t i = 0; i < length; ++i)
            putByte(d, d.window[(d.windowPos - distance) & kWindowMask]);
    }
}

// Reads the code lengths of a dynamic block and builds its two codes.
const char* readDynamicCodes(BitReader& in, HuffmanCode& literals, HuffmanCode& distances) {
    const int literalCount = static_cast<int>(readBits(in, 5)) + 257;
    const int distanceCount = static_cast<int>(readBits(in, 5)) + 1;
    const int codeLengthCount = static_cast<int>(readBits(in, 4)) + 4;
    if (in.ranOut) return kEndsEarly;
    if (literalCount > kMaxDynamicLiterals || distanceCount > kDistanceSymbols) return kTooManyCodes;

    std::array<std::uint8_t, kCodeLengthSymbols> codeLengthLengths{};
    for (int i = 0; i < codeLengthCount; ++i)
        codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(readBits(in, 3));
    if (in.ranOut) return kEndsEarly;
    HuffmanCode codeLengthCode;
    if (buildCode(codeLengthCode, codeLengthLengths.data(), kCodeLengthSymbols) != 0)
        return kBadCodeLengthCode;

    std::array<std::uint8_t, kMaxDynamicLiterals + kDistanceSymbols> lengths{};
    const int total = literalCount + distanceCount;
    int filled = 0;
    while (filled < total) {
        const int symbol = decodeSymbol(in, codeLengthCode);
        if (in.ranOut) return kEndsEarly;
        if (symbol == kNoSymbol) return kNoCodeLengthSymbol;
        if (symbol < 16) {
            lengths[filled++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t repeated = 0;
        int repeat = 0;
        if (symbol == 16) {
            if (filled == 0) return kRepeatWithoutLength;
            repeated = lengths[filled - 1];
            repeat = 3 + static_cast<int>(readBits(in, 2));
        } else if (symbol == 17) {
            repeat = 3 + static_cast<int>(readBits(in, 3));
        } else {
            repeat = 11 + static_cast<int>(readBits(in, 7));
        }
        if (in.ranOut) return kEndsEarly;
        if (filled + repeat > total) return kTooManyLengths;
        while (repeat-- > 0) lengths[filled++] = repeated;
    }

    if (lengths[kEndOfBlock] == 0) return kNoEndOfBlock;
    // An incomplete code is accepted only as a single code of length 1.
    const auto acceptable = [](const HuffmanCode& code, int left, int symbolCount) {
        if (left < 0) return false;
        if (left == 0) return true;
        return code.counts[1] == 1 && code.counts[0] == symbolCount - 1;
    };
    const int literalLeft = buildCode(literals, lengths.data(), literalCount);
    if (!acceptable(literals, literalLeft, literalCount)) return kBadLiteralLengths;
    const int distanceLeft = buildCode(distances, lengths.data() + literalCount, distanceCount);
    if (!acceptable(distances, distanceLeft, distanceCount)) return kBadDistanceLengths;
    return nullptr;
}

enum BlockType : std::uint32_t { kStored = 0, kFixed = 1, kDynamic = 2 };

} // namespace

bool inflateTo(const std::uint8_t* data, std::size_t size, std::uint64_t declaredSize,
               const InflateSink& sink, std::string& message) {
    // The window is large for a stack; a decoder lives on the heap instead.
    const std::unique_ptr<Decoder> decoder(new Decoder{BitReader{data, size}, sink, declaredSize});
    Decoder& d = *decoder;
    HuffmanCode literals;
    HuffmanCode distances;
    for (;;) {
        const bool final = readBits(d.in, 1) != 0;
        const std::uint32_t type = readBits(d.in, 2);
        const char* error = nullptr;
        if (d.in.ranOut) {
            error = kEndsEarly;
        } else if (type == kStored) {
            error = storedBlock(d);
        } else if (type == kFixed) {
            error = codedBlock(d, fixedCodes().literals, fixedCodes().distances);
        } else if (type == kDynamic) {
            error = readDynamicCodes(d.in, literals, distances);
            if (error == nullptr) error = codedBlock(d, literals, distances);
        } else {
            error = kBadBlockType;
        }
        if (error != nullptr || final) handOver(d);
        if (error != nullptr) {
            message = error;
            return false;
        }
        if (final) return true;
    }
}

bool inflate(const std::uint8_t* data, std::size_t size, std::uint64_t declaredSize,
             std::vector<std::uint8_t>& out, std::string& message) {
    const InflateSink append{&out, [](void* context, const std::uint8_t* bytes, std::size_t count) {
                                 auto& vector = *static_cast<std::vector<std::uint8_t>*>(context);
                                 vector.insert(vector.end(), bytes, bytes + count);
                             }};
    return inflateTo(data, size, declaredSize, append, message);
}

} // namespace fennrow::archive
