#include "archive/sha256.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace fennrow::archive {
namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::array<std::uint32_t, 8> kInitialState = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

constexpr std::size_t kBlockBytes = 64;
constexpr std::size_t kLengthBytes = 8;

using State = std::array<std::uint32_t, 8>;

constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t loadBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void compress(State& state, const std::uint8_t* block) {
    std::array<std::uint32_t, 64> w{};
    for (int t = 0; t < 16; ++t) w[t] = loadBigEndian32(block + 4 * t);
    for (int t = 16; t < 64; ++t) {
        const std::uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int t = 0; t < 64; ++t) {
        const std::uint32_t sum1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
        const std::uint32_t choose = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + sum1 + choose + kRoundConstants[t] + w[t];
        const std::uint32_t sum0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
        const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const std::uint32_t t2 = sum0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

} // namespace

Sha256 sha256Begin() {
    Sha256 digest;
    digest.state = kInitialState;
    return digest;
}

void sha256Update(Sha256& digest, const std::uint8_t* data, std::size_t size) {
    digest.length += size;
    if (digest.blockFill > 0) {
        const std::size_t taken = std::min(size, kBlockBytes - digest.blockFill);
        std::memcpy(digest.block.data() + digest.blockFill, data, taken);
        digest.blockFill += taken;
        data += taken;
        size -= taken;
        if (digest.blockFill < kBlockBytes) return;
        compress(digest.state, digest.block.data());
        digest.blockFill = 0;
    }
    // Whole blocks straight from the input; the rest waits for more.
    for (; size >= kBlockBytes; data += kBlockBytes, size -= kBlockBytes) compress(digest.state, data);
    if (size > 0) std::memcpy(digest.block.data(), data, size);
    digest.blockFill = size;
}

std::string sha256FinishHex(Sha256& digest) {
    // The last 0..63 bytes, the 0x80 marker and the bit length fill one tail
    // block when they fit in it, two otherwise.
    const std::size_t remainder = digest.blockFill;
    std::array<std::uint8_t, 2 * kBlockBytes> tail{};
    if (remainder > 0) std::memcpy(tail.data(), digest.block.data(), remainder);
    tail[remainder] = 0x80;
    const std::size_t tailBlocks = remainder + 1 + kLengthBytes <= kBlockBytes ? 1 : 2;
    const std::uint64_t bitLength = digest.length * 8;
    std::uint8_t* lengthField = tail.data() + tailBlocks * kBlockBytes - kLengthBytes;
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        lengthField[i] = static_cast<std::uint8_t>(bitLength >> (8 * (kLengthBytes - 1 - i)));
    for (std::size_t i = 0; i < tailBlocks; ++i) compress(digest.state, tail.data() + i * kBlockBytes);

    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (std::uint32_t word : digest.state) {
        for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(kHexDigits[(word >> shift) & 0xFu]);
    }
    return hex;
}

std::string sha256Hex(const std::uint8_t* data, std::uint64_t size) {
    Sha256 digest = sha256Begin();
    // Pieces a size_t can hold, on a system where it is narrower than 64 bits.
    constexpr std::uint64_t kPieceBytes = std::uint64_t{1} << 30;
    for (; size > kPieceBytes; data += kPieceBytes, size -= kPieceBytes)
        sha256Update(digest, data, static_cast<std::size_t>(kPieceBytes));
    sha256Update(digest, data, static_cast<std::size_t>(size));
    return sha256FinishHex(digest);
}

} // namespace fennrow::archive
