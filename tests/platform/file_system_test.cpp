#include "platform/environment.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fennrow {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "fennrow-platform-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string write(const std::string& name, const std::string& content) {
        const fs::path path = root / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    fs::path root;
};

TEST_F(PlatformFiles, ReadsWholeFilesIncludingEmptyAndBinaryOnes) {
    const std::string content("{\"a\":1}\0\xFF tail", 14);
    const auto bytes = readWholeFile(write("doc.json", content), 1 << 20);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), content);

    const auto empty = readWholeFile(write("empty.json", ""), 1 << 20);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST_F(PlatformFiles, RefusesWhatIsNotAReadableFileOfBoundedSize) {
    const std::string exact = write("exact.json", std::string(100, 'x'));
    EXPECT_TRUE(readWholeFile(exact, 100).has_value());
    EXPECT_FALSE(readWholeFile(exact, 99).has_value());

    EXPECT_FALSE(readWholeFile((root / "missing.json").string(), 1 << 20).has_value());
    EXPECT_FALSE(readWholeFile(root.string(), 1 << 20).has_value());
    EXPECT_FALSE(readWholeFile("", 1 << 20).has_value());
    EXPECT_FALSE(readWholeFile(root.string() + "/caf\xE9.json", 1 << 20).has_value());
    EXPECT_FALSE(readWholeFile(std::string_view(exact.c_str(), exact.size() + 1), 1 << 20).has_value());
}

TEST_F(PlatformFiles, ANonUtf8NameIsRefusedEvenWhenSuchAFileExists) {
    // The same name must fail on every system, also where the bytes could be opened.
    const std::string latin1 = write("caf\xE9.json", "{}");
    ASSERT_TRUE(fs::exists(latin1));
    EXPECT_FALSE(readWholeFile(latin1, 1 << 20).has_value());
}

TEST_F(PlatformFiles, AHugeSparseFileIsRefusedWithoutReadingIt) {
    const std::string path = write("huge.json", "");
    fs::resize_file(path, (std::uint64_t{1} << 32) + 1);
    EXPECT_FALSE(readWholeFile(path, std::uint64_t{1} << 31).has_value());
}

TEST_F(PlatformFiles, OnlyRegularFilesAreReadAndAFifoDoesNotBlock) {
    // A FIFO without a writer would hang a blocking open; a device never ends.
    const std::string fifo = (root / "pipe.json").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readWholeFile(fifo, 1 << 16).has_value());
    EXPECT_FALSE(readWholeFile("/dev/zero", 1 << 16).has_value());
}

TEST_F(PlatformFiles, FolderExistsOnlyForFolders) {
    EXPECT_TRUE(folderExists(root.string()));
    EXPECT_FALSE(folderExists(write("file.json", "{}")));
    EXPECT_FALSE(folderExists((root / "nothing").string()));
    EXPECT_FALSE(folderExists(""));
    fs::create_directory(root / "caf\xE9");
    EXPECT_FALSE(folderExists((root / "caf\xE9").string()));
}

TEST(PlatformPaths, JoinsWithOneSeparator) {
    const std::string sep(1, pathSeparator());
    EXPECT_EQ(pathJoin("base", "part"), "base" + sep + "part");
    EXPECT_EQ(pathJoin("base" + sep, "part"), "base" + sep + "part");
    EXPECT_EQ(pathJoin("", "part"), "part");
    EXPECT_EQ(pathJoin(pathJoin("a", "b"), "c"), "a" + sep + "b" + sep + "c");
}

TEST(PlatformEnvironment, ReadsSetUnsetAndNonUtf8Values) {
    ::setenv("FENNROW_PLATFORM_TEST", "/home/j\xC3\xBCrgen", 1);
    EXPECT_EQ(environmentValue("FENNROW_PLATFORM_TEST"), "/home/j\xC3\xBCrgen");
    ::setenv("FENNROW_PLATFORM_TEST", "", 1);
    EXPECT_EQ(environmentValue("FENNROW_PLATFORM_TEST"), "");
    ::setenv("FENNROW_PLATFORM_TEST", "/home/j\xFCrgen", 1);
    EXPECT_FALSE(environmentValue("FENNROW_PLATFORM_TEST").has_value());
    ::unsetenv("FENNROW_PLATFORM_TEST");
    EXPECT_FALSE(environmentValue("FENNROW_PLATFORM_TEST").has_value());
}

} // namespace
} // namespace fennrow
