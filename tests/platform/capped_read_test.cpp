// However large a source is, or claims to be, a read takes at most its limit
// and one byte, and its buffer never grows past that.
#include "platform/capped_read.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#if defined(__linux__)
#include <unistd.h>
#endif

namespace fennrow::test {
namespace {

// Holds `holds` bytes, the first one `first`, claims `claimed`; counts what it gives.
struct CountingSource {
    std::uint64_t claimed = 0;
    std::uint64_t holds = 0;
    std::uint8_t first = 'x';
    std::uint64_t given = 0;
};

std::int64_t give(const void* context, std::uint8_t* into, std::size_t capacity) {
    auto& source = *const_cast<CountingSource*>(static_cast<const CountingSource*>(context));
    const std::uint64_t count = std::min<std::uint64_t>(capacity, source.holds - source.given);
    std::memset(into, 'x', static_cast<std::size_t>(count));
    if (source.given == 0 && count > 0) into[0] = source.first;
    source.given += count;
    return static_cast<std::int64_t>(count);
}

// A content that starts with "{" may hold 1 MiB; anything else the caller's most.
std::uint64_t smallerForBraces(const std::uint8_t* head, std::size_t size) {
    return size > 0 && head[0] == '{' ? std::uint64_t{1} << 20 : ~std::uint64_t{0};
}

TEST(CappedRead, TakesAtMostTheLimitAndOneByteWhateverTheSourceClaims) {
    constexpr std::uint64_t kLimit = std::uint64_t{4} << 20;
    constexpr std::uint64_t kHuge = std::uint64_t{1} << 40;
    const struct {
        const char* name;
        std::uint64_t claimed;
        std::uint64_t holds;
        std::uint8_t first;
        platform::CappedEnd end;
        std::uint64_t most; // the largest limit that applies
    } cases[] = {
        {"claims nothing, holds more (a file under /proc)", 0, kHuge, 'x', platform::CappedEnd::OverLimit,
         kLimit},
        {"claims a page, holds more", 4096, kHuge, 'x', platform::CappedEnd::OverLimit, kLimit},
        {"claims and holds more (a sparse file)", kHuge, kHuge, 'x', platform::CappedEnd::OverLimit, kLimit},
        {"claims more than it holds", kHuge, 10, 'x', platform::CappedEnd::OverLimit, kLimit},
        {"exactly the limit", kLimit, kLimit, 'x', platform::CappedEnd::End, kLimit},
        {"exactly the limit, claiming nothing", 0, kLimit, 'x', platform::CappedEnd::End, kLimit},
        {"empty", 0, 0, 'x', platform::CappedEnd::End, kLimit},
        {"past the limit its first bytes set", 0, kHuge, '{', platform::CappedEnd::OverLimit,
         std::uint64_t{1} << 20},
        {"within the limit its first bytes set", 0, 1000, '{', platform::CappedEnd::End,
         std::uint64_t{1} << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountingSource source{c.claimed, c.holds, c.first};
        const platform::CappedBytes read =
            readCapped(platform::ByteSource{&source, give, c.claimed}, kLimit, smallerForBraces);
        EXPECT_EQ(read.end, c.end);
        EXPECT_LE(source.given, c.most + 1);
        EXPECT_LE(read.bytes.capacity(), c.most + 1);
        if (c.end == platform::CappedEnd::End) EXPECT_EQ(read.bytes.size(), c.holds);
    }
}

#if defined(__linux__)
// Files under /proc claim to be empty and are not; a link to one in a preset
// folder reads like the file itself.
TEST(CappedRead, AProcFileOrALinkToItIsReadOnlyToTheLimit) {
    namespace fs = std::filesystem;
    const fs::path link = fs::temp_directory_path() / ("fennrow-proc-link-" + std::to_string(::getpid()));
    fs::create_symlink("/proc/self/maps", link);
    for (const std::string path : {std::string("/proc/self/maps"), link.string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(platform::readFile(path, 100).status, platform::FileReadStatus::TooLarge);
        const platform::FileRead whole = platform::readFile(path, std::uint64_t{64} << 20);
        EXPECT_EQ(whole.status, platform::FileReadStatus::Read);
        EXPECT_GT(whole.bytes.size(), 100u);
    }
    fs::remove(link);
}
#endif

} // namespace
} // namespace fennrow::test
