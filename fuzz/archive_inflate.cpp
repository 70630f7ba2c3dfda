// Fuzzes the DEFLATE decoder. The first two bytes choose the declared size;
// the rest is the stream. Beyond not crashing, checks that the output never
// passes the declared size and that a successful decode is reproduced exactly
// when the declared size is its own length, and refused one byte below it.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/inflate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint64_t declared = (std::uint64_t{data[0]} | (std::uint64_t{data[1]} << 8)) * 16;
    data += 2;
    size -= 2;

    std::vector<std::uint8_t> out;
    std::string message;
    const bool ok = fennrow::archive::inflate(data, size, declared, out, message);
    if (out.size() > declared) std::abort();
    if (!ok) {
        if (message.empty()) std::abort();
        return 0;
    }

    std::vector<std::uint8_t> again;
    if (!fennrow::archive::inflate(data, size, out.size(), again, message) || again != out) std::abort();
    if (!out.empty()) {
        std::vector<std::uint8_t> shorter;
        if (fennrow::archive::inflate(data, size, out.size() - 1, shorter, message) ||
            message != "more data than declared")
            std::abort();
    }
    return 0;
}
