#include "deflate_writer.h"

#include <zlib.h>

#include <stdexcept>

namespace fennrow::test {

Bytes zlibDeflate(const Bytes& input, int level, int strategy, int memLevel, std::size_t flushEvery) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    Bytes out(deflateBound(&z, input.size()) + 64 + (flushEvery ? input.size() / flushEvery * 8 : 0));
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    std::size_t done = 0;
    do {
        const std::size_t chunk =
            flushEvery ? std::min(flushEvery, input.size() - done) : input.size() - done;
        z.next_in = const_cast<Bytef*>(input.data() + done);
        z.avail_in = static_cast<uInt>(chunk);
        done += chunk;
        const int flush = done == input.size() ? Z_FINISH : Z_FULL_FLUSH;
        const int rc = deflate(&z, flush);
        if (rc != (flush == Z_FINISH ? Z_STREAM_END : Z_OK)) throw std::runtime_error("deflate failed");
    } while (done < input.size());
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void BitWriter::bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        if (bitCount % 8 == 0) bytes.push_back(0);
        bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1u) << (bitCount % 8));
        ++bitCount;
    }
}

void BitWriter::code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) bits((code >> i) & 1u, 1);
}

void BitWriter::alignAndAppend(const Bytes& raw) {
    bitCount = static_cast<int>(bytes.size()) * 8;
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    bitCount += static_cast<int>(raw.size()) * 8;
}

std::vector<std::uint32_t> canonicalCodes(const std::vector<int>& lengths) {
    int counts[16] = {};
    for (int l : lengths) ++counts[l];
    counts[0] = 0;
    std::uint32_t next[16] = {};
    std::uint32_t code = 0;
    for (int bits = 1; bits < 16; ++bits) {
        code = (code + counts[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size());
    for (std::size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
    return codes;
}

void writeDynamicHeader(BitWriter& w, bool final, const std::vector<int>& literalLengths,
                        const std::vector<int>& distanceLengths) {
    w.bits(final ? 1 : 0, 1);
    w.bits(2, 2);
    w.bits(static_cast<std::uint32_t>(literalLengths.size() - 257), 5);
    w.bits(static_cast<std::uint32_t>(distanceLengths.size() - 1), 5);
    w.bits(19 - 4, 4);
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (int symbol : order) w.bits(symbol < 16 ? 4 : 0, 3);
    // Symbols 0..15 all have length 4, so each one's code is the symbol itself.
    for (int l : literalLengths) w.code(static_cast<std::uint32_t>(l), 4);
    for (int l : distanceLengths) w.code(static_cast<std::uint32_t>(l), 4);
}

} // namespace fennrow::test
