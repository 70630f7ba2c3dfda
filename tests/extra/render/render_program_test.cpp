// fennrow-render run as a program against the plugin module of this build.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin_loader/clap_module.h"
#include "wav_writer.h"

namespace fennrow::test {
namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// ctest runs these tests in parallel processes: each test's files carry its
// own name so that no two tests write to the same file.
std::string workPath(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string prefix = test != nullptr ? std::string(test->name()) + "." : std::string();
    return std::string(FENNROW_RENDER_WORK_DIR) + "/" + prefix + name;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// `folder`: where the program starts, if not here.
RunResult run(std::vector<std::string> args, const std::string& folder = {}) {
    const std::string outPath = workPath("run.out");
    const std::string errPath = workPath("run.err");
    args.insert(args.begin(), FENNROW_RENDER_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = fileText(outPath);
    result.err = fileText(errPath);
    return result;
}

std::size_t lineCount(const std::string& text) {
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

std::string lastLine(const std::string& text) {
    if (text.empty()) return {};
    const std::size_t end = text.back() == '\n' ? text.size() - 1 : text.size();
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1));
}

StereoAudio readBack(const std::string& path) {
    std::string error;
    auto audio = readWav(path, error);
    EXPECT_TRUE(audio) << error;
    return audio ? *audio : StereoAudio{};
}

float peak(const StereoAudio& audio) {
    float p = 0.0f;
    for (float v : audio.left) p = std::max(p, std::fabs(v));
    for (float v : audio.right) p = std::max(p, std::fabs(v));
    return p;
}

// Short renders keep the sanitizer build quick.
const std::vector<std::string> kShortLine{"--notes", "A1:0:0.75 C2:0.75:0.5:0.6 E2:1.25:0.75", "--tail",
                                          "0.25"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(RenderProgram, RendersAFactorySoundTheSameWayTwice) {
    // A sound whose arcs and motion follow the transport.
    for (const char* file : {"same-a.wav", "same-b.wav"}) {
        const RunResult r = run(with({"--preset", "Rising Tension", "-o", workPath(file)}, kShortLine));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("real time"), std::string::npos) << r.out;
    }
    const std::string a = fileText(workPath("same-a.wav"));
    EXPECT_GT(a.size(), 44u + 48000u * 8u); // a second of stereo float and more
    EXPECT_EQ(a, fileText(workPath("same-b.wav")));
    EXPECT_GT(peak(readBack(workPath("same-a.wav"))), 0.05f);
}

TEST(RenderProgram, ASavedStateRendersLikeTheSoundItWasSavedFrom) {
    const std::string state = workPath("saved-state.json");
    const RunResult first = run(with({"--preset", "Talking Growl", "--set", "Motion rate=2", "--set",
                                      "tone=0.3", "--save-state", state, "-o", workPath("before-save.wav")},
                                     kShortLine));
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const RunResult second = run(with({"--state", state, "-o", workPath("after-load.wav")}, kShortLine));
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const StereoAudio before = readBack(workPath("before-save.wav"));
    EXPECT_GT(peak(before), 0.05f);
    EXPECT_EQ(before.left, readBack(workPath("after-load.wav")).left);

    // The parameter changes are part of what was saved: without them it sounds different.
    const RunResult plain = run(with({"--preset", "Talking Growl", "-o", workPath("plain.wav")}, kShortLine));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(before.left, readBack(workPath("plain.wav")).left);
}

TEST(RenderProgram, PlaysTheAuditionClipOfAPresetFileUnderItsTempo) {
    const std::string preset = workPath("audition.json");
    writeText(preset, R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{"tone":0.7},
      "audition":{"kind":"clip","spec":"1.0","length":4,"tempo":[{"at":0,"bpm":90}],
        "notes":[{"at":0,"len":1,"pitch":36,"vel":0.9},{"at":2,"len":1.5,"pitch":43},
                 {"at":1,"voice":"v1"}]}})");
    const RunResult clip =
        run({"--preset-file", preset, "--audition", "--tail", "0", "-o", workPath("clip.wav")});
    ASSERT_EQ(clip.exitCode, 0) << clip.err;
    EXPECT_NE(clip.err.find("1 note(s)"), std::string::npos) << clip.err; // the voiced note is left out
    // The same notes from the command line at the clip's tempo give the same audio.
    const RunResult notes = run({"--preset-file", preset, "--notes", "C2:0:1:0.9 G2:2:1.5:1", "--tempo", "90",
                                 "--length", "4", "-o", workPath("notes.wav")});
    ASSERT_EQ(notes.exitCode, 0) << notes.err;
    const StereoAudio fromClip = readBack(workPath("clip.wav"));
    EXPECT_EQ(fromClip.left.size(), static_cast<std::size_t>(std::ceil(4 * 60.0 / 90.0 * 48000)));
    EXPECT_GT(peak(fromClip), 0.05f);
    EXPECT_EQ(fromClip.left, readBack(workPath("notes.wav")).left);
}

TEST(RenderProgram, RefusalsAreOneLineAndANonZeroExit) {
    const std::string otherPlugin = workPath("other-plugin.json");
    writeText(otherPlugin, R"({"kind":"instance","spec":"1.0","plugin":"otherplug","params":{}})");
    const std::string noAudition = workPath("no-audition.json");
    writeText(noAudition, R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{}})");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    } cases[] = {
        // The plugin's own message for a preset it does not have.
        {{"--preset", "No Such Sound", "-o", workPath("x.wav")},
         1,
         "Fennrow has no factory sound No Such Sound"},
        {{"--preset-file", workPath("missing.json"), "-o", workPath("x.wav")},
         1,
         "missing.json cannot be opened"},
        {{"--preset-file", otherPlugin, "-o", workPath("x.wav")}, 1, otherPlugin + ": "},
        {{"--preset-file", noAudition, "--audition", "-o", workPath("x.wav")}, 1, "has no audition clip"},
        {{"--state", otherPlugin, "-o", workPath("x.wav")}, 1, "refused the state"},
        {{"--state", workPath("missing.json"), "-o", workPath("x.wav")}, 1, "cannot be opened"},
        {{"--plugin", workPath("missing.clap"), "-o", workPath("x.wav")}, 1, "no plugin file at"},
        {{"--plugin", otherPlugin, "-o", workPath("x.wav")}, 1, "cannot load"},
        {{"--set", "Loudness=1", "-o", workPath("x.wav")}, 1, "no parameter \"Loudness\""},
        {{"--set", "Arc bars=40", "-o", workPath("x.wav")}, 1, "is not a value of Arc bars"},
        {{"-o", "/nonexistent-folder/x.wav", "--notes", "C2:0:0.1", "--tail", "0"},
         1,
         "/nonexistent-folder/x.wav"},
        {{"--notes", "C2:1e300:1", "-o", workPath("x.wav")}, 1, "too long"},
        {{"--tempo", "fast", "-o", workPath("x.wav")}, 2, "--tempo"},
        {{"--frobnicate"}, 2, "unknown option"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.says << "\n" << r.err;
        // A refused state may come after the plugin's own findings on
        // standard error; the host's verdict is always the one last line.
        const std::string verdict = lastLine(r.err);
        EXPECT_EQ(verdict.rfind("fennrow-render: ", 0), 0u) << r.err;
        EXPECT_NE(verdict.find(c.says), std::string::npos) << r.err;
        if (c.args[0] != "--state") {
            EXPECT_EQ(lineCount(r.err), 1u) << r.err;
        }
    }
}

TEST(RenderProgram, ListsTheFactorySoundsThroughPresetDiscovery) {
    const RunResult r = run({"--list-presets"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(lineCount(r.out), 20u);
    EXPECT_EQ(r.out.rfind("Init ", 0), 0u);
    EXPECT_NE(r.out.find("Deep Sub"), std::string::npos);

    // A plugin named without a folder is the one in the current folder, as
    // a shell user means it, not one dlopen would search for.
    const std::filesystem::path plugin(FENNROW_RENDER_PLUGIN);
    const RunResult bare =
        run({"--plugin", plugin.filename().string(), "--list-presets"}, plugin.parent_path().string());
    ASSERT_EQ(bare.exitCode, 0) << bare.err;
    EXPECT_EQ(bare.out, r.out);
}

// Both are built from one version number; a host and a user must see the same.
TEST(RenderProgram, ItsVersionIsThePluginsVersion) {
    const RunResult r = run({"--version"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string error;
    const std::shared_ptr<ClapModule> module = openClapModule(FENNROW_RENDER_PLUGIN, error);
    ASSERT_NE(module, nullptr) << error;
    const clap_plugin_factory_t* factory = pluginFactory(*module);
    ASSERT_NE(factory, nullptr);
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(r.out, std::string("fennrow-render ") + descriptor->version + "\n");
}

} // namespace
} // namespace fennrow::test
