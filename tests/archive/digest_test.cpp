#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/sha256.h"

namespace fennrow::test {
namespace {

std::string sha256Of(const std::string& s) {
    return archive::sha256Hex(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(Sha256, PublishedVectors) {
    const std::pair<std::string, const char*> vectors[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmno"
         "pqrst"
         "nopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, digest] : vectors)
        EXPECT_EQ(sha256Of(input), digest) << input.size() << " bytes";
}

#if !defined(_WIN32) // needs the build machine's sha256sum
// Every length 0..300 (so both tail-block layouts and the 55/56/64 borders)
// against the system's sha256sum, fed the same random bytes.
TEST(Sha256, AgreesWithSha256sumOnEveryLengthUpTo300) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("fennrow-sha-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::mt19937 rng(42);
    std::map<std::string, std::string> ours;
    for (int n = 0; n <= 300; ++n) {
        std::string bytes(static_cast<std::size_t>(n), '\0');
        for (auto& c : bytes) c = static_cast<char>(rng());
        const std::string name = "len" + std::to_string(n);
        std::ofstream(dir / name, std::ios::binary) << bytes;
        ours[name] = sha256Of(bytes);
    }
    const std::string command = "cd '" + dir.string() + "' && sha256sum len*";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512];
    int compared = 0;
    while (fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string digest, name;
        fields >> digest >> name;
        ASSERT_TRUE(ours.count(name)) << name;
        EXPECT_EQ(ours[name], digest) << name;
        ++compared;
    }
    pclose(pipe);
    fs::remove_all(dir);
    EXPECT_EQ(compared, 301);
}

#endif

TEST(Crc32, CheckValueAndZlibAgreement) {
    const std::string check = "123456789";
    EXPECT_EQ(archive::crc32(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(archive::crc32(nullptr, 0), 0u);
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes(rng() % 5000);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
        const auto expected =
            static_cast<std::uint32_t>(::crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
        ASSERT_EQ(fennrow::archive::crc32(bytes.data(), bytes.size()), expected) << bytes.size() << " bytes";
    }
}

} // namespace
} // namespace fennrow::test
