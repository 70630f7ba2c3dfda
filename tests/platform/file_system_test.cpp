#include "platform/environment.h"
#include "platform/file_system.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fennrow::test {
namespace {

namespace fs = std::filesystem;
using test::pathFromUtf8;
using test::utf8FromPath;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
// A character device: opening it works, reading it must not.
constexpr const char* kDevices[] = {"NUL", "\\\\.\\NUL", "CON"};
#else
constexpr char kSeparator = '/';
constexpr const char* kDevices[] = {"/dev/zero", "/dev/null"};
#endif

// Names as users have them, in UTF-8: accents, a German sharp s, CJK, and a
// letter outside the basic plane (a surrogate pair in UTF-16).
constexpr const char* kUserNames[] = {"Zo\xC3\xAB", "B\xC3\xA4sse.json", "\xE9\x9F\xB3\xE8\x89\xB2.json",
                                      "\xF0\x9F\x8E\xB8 bass.json"};

// A folder of its own for each test, removed afterwards; paths are UTF-8.
class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root = test::makeScratchFolder("fennrow-platform");
        ASSERT_FALSE(root.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string write(const std::string& utf8Name, const std::string& content) {
        const fs::path path = root / pathFromUtf8(utf8Name);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return utf8FromPath(path);
    }
    std::string rootUtf8() const { return utf8FromPath(root); }
    fs::path root;
};

TEST_F(PlatformFiles, ReadsWholeFilesIncludingEmptyAndBinaryOnes) {
    const std::string content("{\"a\":1}\0\xFF tail", 14);
    const auto bytes = platform::readWholeFile(write("doc.json", content), 1 << 20);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), content);

    const auto empty = platform::readWholeFile(write("empty.json", ""), 1 << 20);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST_F(PlatformFiles, OpensFilesWhoseFoldersAndNamesAreNotAscii) {
    for (const char* name : kUserNames) {
        const std::string folder = platform::pathJoin(rootUtf8(), "Zo\xC3\xAB");
        const std::string path = platform::pathJoin(platform::pathJoin(folder, "Presets"), name);
        fs::create_directories(pathFromUtf8(path).parent_path());
        std::ofstream(pathFromUtf8(path), std::ios::binary) << name;
        const auto bytes = platform::readWholeFile(path, 1 << 20);
        ASSERT_TRUE(bytes.has_value()) << path;
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), name);
        EXPECT_TRUE(platform::folderExists(folder));
    }
}

TEST_F(PlatformFiles, RefusesWhatIsNotAReadableFileOfBoundedSize) {
    const std::string exact = write("exact.json", std::string(100, 'x'));
    EXPECT_TRUE(platform::readWholeFile(exact, 100).has_value());
    EXPECT_FALSE(platform::readWholeFile(exact, 99).has_value());

    EXPECT_FALSE(
        platform::readWholeFile(platform::pathJoin(rootUtf8(), "missing.json"), 1 << 20).has_value());
    EXPECT_FALSE(platform::readWholeFile(rootUtf8(), 1 << 20).has_value());
    EXPECT_FALSE(platform::readWholeFile("", 1 << 20).has_value());
    EXPECT_FALSE(
        platform::readWholeFile(std::string_view(exact.c_str(), exact.size() + 1), 1 << 20).has_value());
    for (const char* device : kDevices)
        EXPECT_FALSE(platform::readWholeFile(device, 1 << 16).has_value()) << device;
}

// Locations that are not well-formed UTF-8 (Latin-1, a lone surrogate, an
// overlong form, a cut sequence) cannot name a file; they are refused like a
// missing file, never passed on to the system half-converted.
TEST_F(PlatformFiles, LocationsThatAreNotUtf8AreRefused) {
    write("caf\xC3\xA9.json", "{}");
    for (const char* bad : {"caf\xED\xA0\x80.json", "caf\xC0\xAF.json", "caf\xC3"}) {
        const std::string path = platform::pathJoin(rootUtf8(), bad);
        EXPECT_FALSE(platform::readWholeFile(path, 1 << 20).has_value()) << path;
        EXPECT_FALSE(platform::folderExists(path)) << path;
    }
}

// Windows hosts may send a location in the ANSI code page; elsewhere such a
// location names nothing the plugin opens. Either way it is shown as UTF-8.
TEST_F(PlatformFiles, ALatin1LocationOpensOnlyWhereTheCodePageIsLatin1) {
    write("caf\xC3\xA9.json", "{}");
    const std::string latin1 = platform::pathJoin(rootUtf8(), "caf\xE9.json");
#if defined(_WIN32)
    const bool codePageIsLatin1 = ::GetACP() == 1252;
#else
    const bool codePageIsLatin1 = false;
#endif
    EXPECT_EQ(platform::readWholeFile(latin1, 1 << 20).has_value(), codePageIsLatin1);
    EXPECT_EQ(platform::locationText(latin1),
              platform::pathJoin(rootUtf8(), codePageIsLatin1 ? "caf\xC3\xA9.json" : "caf\xEF\xBF\xBD.json"));
}

#if !defined(_WIN32)
TEST_F(PlatformFiles, ANonUtf8NameIsRefusedEvenWhenSuchAFileExists) {
    // The same name must fail on every system, also where the bytes could be opened.
    const std::string latin1 = write("caf\xE9.json", "{}");
    ASSERT_TRUE(fs::exists(latin1));
    EXPECT_FALSE(platform::readWholeFile(latin1, 1 << 20).has_value());
    fs::create_directory(root / "caf\xE9");
    EXPECT_FALSE(platform::folderExists((root / "caf\xE9").string()));
}

TEST_F(PlatformFiles, AFifoIsRefusedWithoutBlocking) {
    // A FIFO without a writer would hang a blocking open.
    const std::string fifo = (root / "pipe.json").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(platform::readWholeFile(fifo, 1 << 16).has_value());
}
#endif

TEST_F(PlatformFiles, AHugeSparseFileIsRefusedWithoutReadingIt) {
    const std::string path = write("huge.json", "");
    fs::resize_file(pathFromUtf8(path), (std::uint64_t{1} << 32) + 1);
    EXPECT_FALSE(platform::readWholeFile(path, std::uint64_t{1} << 31).has_value());
}

TEST_F(PlatformFiles, FolderExistsOnlyForFolders) {
    EXPECT_TRUE(platform::folderExists(rootUtf8()));
    EXPECT_FALSE(platform::folderExists(write("file.json", "{}")));
    EXPECT_FALSE(platform::folderExists(platform::pathJoin(rootUtf8(), "nothing")));
    EXPECT_FALSE(platform::folderExists(""));
}

TEST(PlatformPaths, JoinsWithTheSystemsSeparatorOnce) {
    const std::string sep(1, kSeparator);
    EXPECT_EQ(platform::pathSeparator(), kSeparator);
    EXPECT_EQ(platform::pathJoin("base", "part"), "base" + sep + "part");
    EXPECT_EQ(platform::pathJoin("base" + sep, "part"), "base" + sep + "part");
    EXPECT_EQ(platform::pathJoin("base/", "part"), "base/part");
    EXPECT_EQ(platform::pathJoin("", "part"), "part");
    EXPECT_EQ(platform::pathJoin(platform::pathJoin("a", "b"), "c"), "a" + sep + "b" + sep + "c");
}

TEST(PlatformEnvironment, ReadsSetUnsetAndNonAsciiValuesInBothForms) {
    for (platform::EnvironmentForm form :
         {platform::EnvironmentForm::Wide, platform::EnvironmentForm::Narrow}) {
        test::ScopedEnvironment scoped("FENNROW_PLATFORM_TEST", "C:\\Users\\Zo\xC3\xAB\\AppData");
        EXPECT_EQ(fennrow::platform::environmentValue("FENNROW_PLATFORM_TEST", form),
                  "C:\\Users\\Zo\xC3\xAB\\AppData");
        test::setEnvironment("FENNROW_PLATFORM_TEST", "/home/\xE9\x9F\xB3");
        EXPECT_EQ(fennrow::platform::environmentValue("FENNROW_PLATFORM_TEST", form), "/home/\xE9\x9F\xB3");
        test::setEnvironment("FENNROW_PLATFORM_TEST", "");
        EXPECT_EQ(fennrow::platform::environmentValue("FENNROW_PLATFORM_TEST", form).has_value(),
                  test::kEnvironmentKeepsEmptyValues);
        test::setEnvironment("FENNROW_PLATFORM_TEST", std::nullopt);
        EXPECT_FALSE(fennrow::platform::environmentValue("FENNROW_PLATFORM_TEST", form).has_value());
    }
}

#if !defined(_WIN32)
TEST(PlatformEnvironment, AValueThatIsNotUtf8IsNoValue) {
    test::ScopedEnvironment scoped("FENNROW_PLATFORM_TEST", "/home/j\xFCrgen");
    EXPECT_FALSE(platform::environmentValue("FENNROW_PLATFORM_TEST").has_value());
}
#endif

} // namespace
} // namespace fennrow::test
