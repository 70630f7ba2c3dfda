// fennrow-studio's rules, checked against the running program over a real
// socket: requests are written by hand so that they can lie about their Host,
// Origin, token and size the way a hostile page or program would.

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"
#include "platform/utf8.h"
#include "zip_builder.h"

namespace fennrow::test {
namespace {

namespace fs = std::filesystem;

// One folder per process: CTest runs the tests side by side.
const fs::path kWork = fs::path(FENNROW_STUDIO_WORK_DIR) / ("rules-" + std::to_string(::getpid()));
const fs::path kSounds = kWork / "sounds";
const fs::path kOutside = kWork / "outside";

struct Reply {
    int status = 0;
    std::string body;
};

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class Studio {
public:
    // `user`: run as this user id (and group), when the test runs as root.
    explicit Studio(int askedPort = 0, const fs::path& folder = kSounds, int user = -1) {
        int out[2];
        int err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            for (const int fd : {out[0], out[1], err[0], err[1]}) ::close(fd);
            const std::string portText = std::to_string(askedPort);
            if (user >= 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(user, user, user) != 0 ||
                              ::setresuid(user, user, user) != 0))
                ::_exit(126);
            ::execl(FENNROW_STUDIO_PROGRAM, FENNROW_STUDIO_PROGRAM, "--port", portText.c_str(),
                    folder.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        errors_ = err[0];
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        std::smatch match;
        if (std::regex_match(line, match,
                             std::regex(R"(http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{64}))"))) {
            port = std::stoi(match[1]);
            token = match[2];
        }
    }
    ~Studio() {
        if (errors_ >= 0) ::close(errors_);
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }

    // What it wrote to its error stream until it ended, and its exit code;
    // one still running after ten seconds is stopped (-1).
    int ended(std::string& errors) {
        char buffer[4096];
        pollfd ready{errors_, POLLIN, 0};
        while (::poll(&ready, 1, 10000) > 0) {
            const ssize_t n = ::read(errors_, buffer, sizeof buffer);
            if (n <= 0) break;
            errors.append(buffer, static_cast<std::size_t>(n));
        }
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int port = 0;
    std::string token;

private:
    pid_t pid_ = -1;
    int errors_ = -1;
};

class StudioRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fs::remove_all(kWork);
        fs::create_directories(kSounds / "sub");
        fs::create_directories(kOutside);
        writeText(kOutside / "secret.json", R"({"kind":"instance","spec":"1.0","plugin":"fennrow"})");
        fs::create_directory_symlink(kOutside, kSounds / "link-out");
        fs::create_symlink(kOutside / "secret.json", kSounds / "link-file.json");
        // Found by the first walk of the folder.
        writeText(kSounds / "sub" / "target.json", "{}");
        fs::create_symlink("sub/target.json", kSounds / "alias.json");
        writeText(kSounds / "bad-\xff.json", "{}");
        studio_ = new Studio();
        ASSERT_GT(studio_->port, 0) << "fennrow-studio did not print its address";
    }
    static void TearDownTestSuite() {
        delete studio_;
        studio_ = nullptr;
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }

    static std::string host() { return "127.0.0.1:" + std::to_string(studio_->port); }

    static int connectToStudio() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(studio_->port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    // Sends the raw request and reads the reply until the server closes; a
    // server that keeps silent for `patienceSeconds` gives no reply (status 0).
    static Reply raw(const std::string& request, int patienceSeconds = 60) {
        Reply reply;
        const int fd = connectToStudio();
        if (fd < 0) return reply;
        const timeval patience{patienceSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        std::string text;
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
        std::sscanf(text.c_str(), "HTTP/1.1 %d", &reply.status);
        const std::size_t bodyStart = text.find("\r\n\r\n");
        if (bodyStart != std::string::npos) reply.body = text.substr(bodyStart + 4);
        return reply;
    }

    struct Call {
        std::string method = "GET";
        std::string target;
        std::string body;
        std::string extraHeaders;
        std::string contentType = "application/json";
        bool withToken = true;
    };

    static Reply send(const Call& call, int patienceSeconds = 60) {
        std::string request = call.method + " " + call.target + " HTTP/1.1\r\n";
        request += "Host: " + host() + "\r\n";
        if (call.withToken) request += "X-Studio-Token: " + studio_->token + "\r\n";
        if (call.method == "POST") {
            request += "Content-Type: " + call.contentType + "\r\n";
            request += "Content-Length: " + std::to_string(call.body.size()) + "\r\n";
        }
        request += call.extraHeaders + "Connection: close\r\n\r\n" + call.body;
        return raw(request, patienceSeconds);
    }

    static Reply get(const std::string& target) {
        Call call;
        call.target = target;
        return send(call);
    }

    static Reply post(const std::string& target, const std::string& body) {
        Call call;
        call.method = "POST";
        call.target = target;
        call.body = body;
        return send(call);
    }

    // A save request for the fresh instance's sound (from /api/info).
    static std::string saveBody(const std::string& path, bool overwrite, double tone) {
        document::JsonParseResult info = document::parseJson(get("/api/info").body);
        document::JsonValue sound = *findMember(info.value, "sound");
        setMember(*findMember(sound, "params"), "3", document::jsonNumber(tone));
        document::JsonValue body = document::jsonObject();
        setMember(body, "base", document::jsonObject());
        setMember(body, "sound", std::move(sound));
        setMember(body, "path", document::jsonString(path));
        setMember(body, "overwrite", document::jsonBool(overwrite));
        return writeJson(body);
    }

    static std::string openBody(const std::string& path) { return R"({"path":")" + path + R"("})"; }

    // Opens a document and plays the sound the answer gives, with `extra`
    // members in the request.
    static Reply playOpened(const std::string& name, const std::string& extra) {
        const Reply opened = post("/api/open", openBody(name));
        document::JsonParseResult answer = document::parseJson(opened.body);
        if (!answer.ok || !findMember(answer.value, "document")) return opened;
        return post("/api/play", R"({"base":{"document":)" +
                                     writeJson(*findMember(answer.value, "document")) + R"(},"sound":)" +
                                     writeJson(*findMember(answer.value, "sound")) + "," + extra + "}");
    }

    // The requests of a test go to another studio while this lives.
    struct Talking {
        explicit Talking(Studio& other) : kept(studio_) { studio_ = &other; }
        ~Talking() { studio_ = kept; }
        Studio* kept;
    };

    static std::vector<std::string> listed(const std::string& target) {
        document::JsonParseResult parsed = document::parseJson(get(target).body);
        std::vector<std::string> names;
        if (const document::JsonValue* documents =
                parsed.ok ? findMember(parsed.value, "documents") : nullptr) {
            for (const document::JsonValue& item : documents->items()) names.emplace_back(item.string());
        }
        return names;
    }

    static Studio* studio_;
};

Studio* StudioRules::studio_ = nullptr;

TEST_F(StudioRules, RefusesRequestsWithoutTheTokenOrForAnotherHost) {
    const std::string port = std::to_string(studio_->port);
    struct Case {
        const char* what;
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"token", "GET /api/info HTTP/1.1\r\nHost: 127.0.0.1:" + port + "\r\nConnection: close\r\n\r\n", 200},
        {"no token", "GET /api/info HTTP/1.1\r\nHost: 127.0.0.1:" + port + "\r\nConnection: close\r\n\r\n",
         403},
        {"wrong token",
         "GET /api/info?token=" + std::string(64, '0') + " HTTP/1.1\r\nHost: 127.0.0.1:" + port +
             "\r\nConnection: close\r\n\r\n",
         403},
        {"token prefix",
         "GET /api/info?token=" + studio_->token.substr(0, 63) + " HTTP/1.1\r\nHost: 127.0.0.1:" + port +
             "\r\nConnection: close\r\n\r\n",
         403},
        {"page without token", "GET / HTTP/1.1\r\nHost: localhost:" + port + "\r\nConnection: close\r\n\r\n",
         403},
        {"rebound name",
         "GET /?token=" + studio_->token + " HTTP/1.1\r\nHost: attacker.example:" + port +
             "\r\nConnection: close\r\n\r\n",
         421},
        {"other port",
         "GET /?token=" + studio_->token + " HTTP/1.1\r\nHost: 127.0.0.1:1\r\nConnection: close\r\n\r\n",
         421},
        {"no Host", "GET /?token=" + studio_->token + " HTTP/1.1\r\nConnection: close\r\n\r\n", 421},
        {"two Hosts",
         "GET /?token=" + studio_->token + " HTTP/1.1\r\nHost: 127.0.0.1:" + port +
             "\r\nHost: attacker.example\r\nConnection: close\r\n\r\n",
         421},
    };
    for (const Case& c : cases) {
        std::string request = c.request;
        if (std::string(c.what) == "token")
            request.insert(request.find("\r\n") + 2, "X-Studio-Token: " + studio_->token + "\r\n");
        EXPECT_EQ(raw(request).status, c.status) << c.what;
    }
    // The page itself, with the token in its address, under either loopback name.
    const Reply page = raw("GET /?token=" + studio_->token + " HTTP/1.1\r\nHost: localhost:" + port +
                           "\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("studio.js?token=" + studio_->token), std::string::npos);
}

TEST_F(StudioRules, RefusesCrossOriginAndOversizedWrites) {
    struct Case {
        const char* what;
        std::string headers;
        std::string contentType;
        int status;
    };
    const std::string body = openBody("missing.json");
    const Case cases[] = {
        {"same origin", "Origin: http://" + host() + "\r\nSec-Fetch-Site: same-origin\r\n",
         "application/json", 404},
        {"foreign origin", "Origin: http://attacker.example\r\n", "application/json", 403},
        {"origin on another port", "Origin: http://127.0.0.1:1\r\n", "application/json", 403},
        {"cross-site fetch", "Sec-Fetch-Site: cross-site\r\n", "application/json", 403},
        {"same-site fetch", "Sec-Fetch-Site: same-site\r\n", "application/json", 403},
        {"form post", "", "text/plain", 415},
    };
    for (const Case& c : cases) {
        Call call;
        call.method = "POST";
        call.target = "/api/open";
        call.body = body;
        call.extraHeaders = c.headers;
        call.contentType = c.contentType;
        EXPECT_EQ(send(call).status, c.status) << c.what;
    }
    Call huge;
    huge.method = "POST";
    huge.target = "/api/save";
    huge.body = std::string(300 << 10, ' ');
    EXPECT_EQ(send(huge).status, 413);
}

TEST_F(StudioRules, ReadsAndWritesOnlyInsideTheSoundFolder) {
    for (const char* name : {"../outside/secret.json", "/etc/passwd", "sub/../../outside/secret.json",
                             "./x.json", "link-out/secret.json", "link-file.json", "sub\\..\\x.json", ""}) {
        const Reply reply = post("/api/open", openBody(name));
        EXPECT_EQ(reply.status, 404) << name;
        EXPECT_EQ(reply.body.find("\"document\""), std::string::npos) << name;
    }
    const std::string secret = fileText(kOutside / "secret.json");
    for (const char* name : {"../outside/new.json", "link-out/new.json", "link-file.json", "sub/../x.json",
                             "x.txt", "missing-folder/x.json"}) {
        EXPECT_EQ(post("/api/save", saveBody(name, true, 0.3)).status, 403) << name;
    }
    EXPECT_FALSE(fs::exists(kOutside / "new.json"));
    EXPECT_EQ(fileText(kOutside / "secret.json"), secret);
    EXPECT_TRUE(fs::is_symlink(kSounds / "link-file.json"));
}

TEST_F(StudioRules, OverwritesOnlyWhenAsked) {
    const fs::path saved = kSounds / "sub" / "kept.json";
    ASSERT_EQ(post("/api/save", saveBody("sub/kept.json", false, 0.25)).status, 200);
    const std::string first = fileText(saved);
    EXPECT_NE(first.find("\"tone\":0.25"), std::string::npos) << first;

    const Reply again = post("/api/save", saveBody("sub/kept.json", false, 0.75));
    EXPECT_EQ(again.status, 409);
    EXPECT_NE(again.body.find("\"exists\":true"), std::string::npos);
    EXPECT_EQ(fileText(saved), first);

    EXPECT_EQ(post("/api/save", saveBody("sub/kept.json", true, 0.75)).status, 200);
    EXPECT_NE(fileText(saved).find("\"tone\":0.75"), std::string::npos);
}

// A value beyond what the plugin's 32-bit parameters hold is refused, as the
// plugin refuses it, instead of being taken and echoed back as null.
TEST_F(StudioRules, RefusesAParameterValueNoFloatHolds) {
    const Reply refused = post("/api/save", saveBody("huge.json", false, 1e300));
    EXPECT_EQ(refused.status, 400);
    EXPECT_NE(refused.body.find("Parameter values are sent as numbers under their ids"), std::string::npos)
        << refused.body;
    EXPECT_FALSE(fs::exists(kSounds / "huge.json"));
}

TEST_F(StudioRules, RefusesUnusableDocumentsWithThePluginsMessage) {
    struct Case {
        const char* file;
        const char* text;
        const char* code;
        const char* message;
    };
    const Case cases[] = {
        {"other.json", R"({"kind":"instance","spec":"1.0","plugin":"other","params":{}})", "wrong-plugin",
         "An instance of other, not fennrow"},
        {"broken.json", R"({"kind":"instance",)", "document-unreadable", "The document is not valid JSON"},
        {"clip.json", R"({"kind":"clip","spec":"1.0"})", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        writeText(kSounds / c.file, c.text);
        const Reply reply = post("/api/open", openBody(c.file));
        EXPECT_EQ(reply.status, 422) << c.file;
        EXPECT_EQ(reply.body.find("\"document\""), std::string::npos) << c.file;
        if (c.code) {
            EXPECT_NE(reply.body.find(std::string("\"code\":\"") + c.code + "\""), std::string::npos)
                << reply.body;
            EXPECT_NE(reply.body.find(c.message), std::string::npos) << reply.body;
        }
    }
}

TEST_F(StudioRules, SavesWhatThePluginWritesKeepingUnknownMembers) {
    writeText(kSounds / "newer.json", R"({"kind":"instance","plugin":"fennrow","hints":{"colour":"teal"},)"
                                      R"("params":{"tone":0.2,"futureKnob":3},"state":{"motion":[1,2,3]}})");
    const Reply opened = post("/api/open", openBody("newer.json"));
    ASSERT_EQ(opened.status, 200) << opened.body;
    // The plugin's own findings, as it reports them.
    EXPECT_NE(opened.body.find(R"("code":"spec-missing","path":"/spec")"), std::string::npos) << opened.body;
    EXPECT_NE(opened.body.find(R"("code":"curve-length","path":"/state/motion")"), std::string::npos);

    document::JsonParseResult answer = document::parseJson(opened.body);
    document::JsonValue body = document::jsonObject();
    document::JsonValue base = document::jsonObject();
    setMember(base, "document", *findMember(answer.value, "document"));
    setMember(body, "base", std::move(base));
    setMember(body, "sound", *findMember(answer.value, "sound"));
    setMember(body, "path", document::jsonString("newer-saved.json"));
    ASSERT_EQ(post("/api/save", writeJson(body)).status, 200);
    const std::string saved = fileText(kSounds / "newer-saved.json");
    EXPECT_NE(saved.find(R"("hints":{"colour":"teal"})"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("futureKnob":3)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("tone":0.2)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("spec":"1.0")"), std::string::npos) << saved;
}

TEST_F(StudioRules, APortInUseIsAnErrorAndTheFirstStudioKeepsIt) {
    Studio second(studio_->port);
    std::string errors;
    EXPECT_EQ(second.ended(errors), 1);
    EXPECT_NE(errors.find("is in use"), std::string::npos) << errors;
    EXPECT_EQ(get("/api/documents").status, 200);
}

TEST_F(StudioRules, SlowAndIdleConnectionsLeaveThePageItsAnswers) {
    std::vector<int> sockets;
    for (int i = 0; i < 1000; ++i) sockets.push_back(connectToStudio());
    // Heads that never end, as a slow sender's would.
    for (int i = 0; i < 8; ++i) {
        const int fd = connectToStudio();
        const std::string part = "GET /api/documents HTTP/1.1\r\nHost: " + host() + "\r\nX-Slow: ";
        ::send(fd, part.data(), part.size(), MSG_NOSIGNAL);
        sockets.push_back(fd);
    }
    Call call;
    call.target = "/api/documents";
    EXPECT_EQ(send(call, 2).status, 200);
    EXPECT_EQ(post("/api/open", openBody("missing.json")).status, 404);
    for (const int fd : sockets) {
        if (fd >= 0) ::close(fd);
    }
}

TEST_F(StudioRules, RefusesDocumentsBeyondItsBoundsBeforeUnpackingThem) {
    using test::EntrySpec;
    constexpr std::uint32_t kGigabyte = 1u << 30;
    const auto entry = [](const char* name, const char* text, std::optional<std::uint32_t> claimed) {
        EntrySpec spec;
        spec.name = name;
        spec.content = test::bytesOf(text);
        spec.uncompressedSize = claimed; // what the archive claims, checked before any unpacking
        return spec;
    };
    const EntrySpec huge = entry("instance.json", R"({"kind":"instance"})", kGigabyte);
    const EntrySpec asset = entry("assets/big", "x", kGigabyte);
    const struct {
        const char* file;
        std::vector<EntrySpec> entries;
        const char* says;
    } cases[] = {
        {"huge.zip", {huge}, "unpacks to more than"},
        {"two.zip", {entry("instance.json", "{}", std::nullopt), asset, asset}, "unpacks to more than"},
        {"big.json", {}, "the document is 1 MB"},
    };
    for (const auto& c : cases) {
        const fs::path file = kSounds / c.file;
        if (c.entries.empty()) {
            writeText(file, R"({"kind":"instance","spec":"1.0","plugin":"fennrow","pad":")" +
                                std::string(1 << 20, 'x') + "\"}");
        } else {
            test::ArchiveSpec archive;
            archive.entries = c.entries;
            const test::Bytes zip = test::buildZip(archive);
            writeText(file, std::string(zip.begin(), zip.end()));
        }
        const Reply reply = post("/api/open", openBody(c.file));
        EXPECT_EQ(reply.status, 413) << c.file;
        EXPECT_NE(reply.body.find(c.says), std::string::npos) << reply.body;
    }
}

TEST_F(StudioRules, NamesAreUtf8AndReplacingKeepsWhatTheOwnerSet) {
    EXPECT_EQ(post("/api/save", saveBody("bad-\xc3(.json", false, 0.3)).status, 403);

    // The longest name the folder takes can be replaced too.
    const std::string longName = std::string(250, 'l') + ".json";
    EXPECT_EQ(post("/api/save", saveBody(longName, false, 0.3)).status, 200);
    EXPECT_EQ(post("/api/save", saveBody(longName, true, 0.4)).status, 200);
    EXPECT_NE(fileText(kSounds / longName).find("\"tone\":0.4"), std::string::npos);

    const fs::path mine = kSounds / "mine.json";
    ASSERT_EQ(post("/api/save", saveBody("mine.json", false, 0.3)).status, 200);
    fs::permissions(mine, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(post("/api/save", saveBody("mine.json", true, 0.5)).status, 200);
    EXPECT_EQ(fs::status(mine).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    const fs::path locked = kSounds / "locked.json";
    ASSERT_EQ(post("/api/save", saveBody("locked.json", false, 0.3)).status, 200);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = fileText(locked);
    const Reply refused = post("/api/save", saveBody("locked.json", true, 0.5));
    EXPECT_EQ(refused.status, 403);
    EXPECT_NE(refused.body.find("read-only"), std::string::npos) << refused.body;
    EXPECT_EQ(fileText(locked), before);

    // A link is listed under its own name; a name that is not UTF-8 is left
    // out, and the list stays JSON.
    const Reply list = get("/api/documents");
    document::JsonParseResult parsed = document::parseJson(list.body);
    ASSERT_TRUE(parsed.ok) << list.body;
    std::vector<std::string> names;
    for (const document::JsonValue& item : findMember(parsed.value, "documents")->items())
        names.emplace_back(item.string());
    EXPECT_NE(std::find(names.begin(), names.end(), "alias.json"), names.end()) << list.body;
    EXPECT_NE(std::find(names.begin(), names.end(), "mine.json"), names.end()) << list.body;
    EXPECT_EQ(list.body.find("bad-"), std::string::npos);
}

TEST_F(StudioRules, PlaysTheAuditionClipUnderItsTempoMap) {
    // Four beats at 120 BPM, four at 60, and a second of tail: 7 s.
    writeText(kSounds / "audition.json",
              R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{},"audition":)"
              R"({"kind":"clip","spec":"1.0","length":8,"tempo":[{"at":0,"bpm":120},{"at":4,"bpm":60}],)"
              R"("notes":[{"at":0,"len":1,"pitch":40},{"at":7,"len":1,"pitch":43}]}})");
    const Reply played = playOpened("audition.json", R"("source":"audition","tempo":120)");
    ASSERT_EQ(played.status, 200) << played.body;
    document::JsonParseResult answer = document::parseJson(played.body);
    EXPECT_NEAR(findMember(answer.value, "audioSeconds")->number(), 7.0, 1e-3) << played.body;
}

TEST_F(StudioRules, RefusesATempoOrLengthItWouldHaveToChange) {
    writeText(kSounds / "plain.json", R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{}})");
    for (const char* transport : {R"("tempo":1000)", R"("tempo":"")", R"("tempo":10)", R"("tempo":null)",
                                  R"("bars":0)", R"("bars":2.5)", R"("bars":17)"}) {
        const Reply reply = playOpened("plain.json", transport);
        EXPECT_EQ(reply.status, 400) << transport << " " << reply.body;
    }
    EXPECT_EQ(playOpened("plain.json", R"("tempo":400,"bars":1)").status, 200);
}

TEST_F(StudioRules, LeavesAFileTheSystemDoesNotLetItsUserWriteAlone) {
    if (::geteuid() != 0) GTEST_SKIP() << "runs the studio as another user, which needs root";
    constexpr int kNobody = 65534;
    const fs::path folder = kWork / "theirs";
    fs::create_directories(folder);
    ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    // Root's file, readable by all, in a folder the studio's user owns.
    const fs::path rootsFile = folder / "roots.json";
    writeText(rootsFile, R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{}})");
    fs::permissions(rootsFile, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                   fs::perms::others_read);
    Studio asNobody(0, folder, kNobody);
    ASSERT_GT(asNobody.port, 0);
    Talking talking(asNobody);
    const std::string before = fileText(rootsFile);
    const Reply reply = post("/api/save", saveBody("roots.json", true, 0.5));
    EXPECT_EQ(reply.status, 403) << reply.body;
    EXPECT_NE(reply.body.find("may not write"), std::string::npos) << reply.body;
    EXPECT_EQ(fileText(rootsFile), before);
    struct stat info {};
    ASSERT_EQ(::stat(rootsFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
    // Its own files it replaces as ever.
    EXPECT_EQ(post("/api/save", saveBody("own.json", false, 0.3)).status, 200);
    EXPECT_EQ(post("/api/save", saveBody("own.json", true, 0.4)).status, 200);
}

TEST_F(StudioRules, ListsTheFirstDocumentsInOrderWithWhatItSavedAndFindsTheRestByName) {
    const fs::path folder = kWork / "many";
    fs::create_directories(folder);
    constexpr int kDocuments = 2050;
    for (int i = 0; i < kDocuments; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "b-%04d.json", i);
        writeText(folder / name, "{}");
    }
    Studio many(0, folder);
    ASSERT_GT(many.port, 0);
    Talking talking(many);
    std::vector<std::string> names = listed("/api/documents");
    ASSERT_EQ(names.size(), 2000u);
    EXPECT_EQ(names.front(), "b-0000.json");
    EXPECT_EQ(names.back(), "b-1999.json");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));

    // Saved names before and past the cut are both listed, in their places.
    ASSERT_EQ(post("/api/save", saveBody("a-my-new-bass.json", false, 0.3)).status, 200);
    ASSERT_EQ(post("/api/save", saveBody("c-mine.json", false, 0.3)).status, 200);
    names = listed("/api/documents");
    EXPECT_EQ(names.front(), "a-my-new-bass.json");
    EXPECT_EQ(names.back(), "c-mine.json");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));

    EXPECT_EQ(listed("/api/documents?filter=B-2049"), std::vector<std::string>{"b-2049.json"});
    EXPECT_EQ(listed("/api/documents?filter=mine").size(), 1u);
}

TEST_F(StudioRules, AFolderSwappedForALinkNeverLeadsOutside) {
    const fs::path swapped = kOutside / "swapped";
    fs::create_directories(swapped);
    fs::create_directories(kSounds / "swap");
    const std::string outsideOnly =
        R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{"tone":0.9}})";
    writeText(swapped / "only-outside.json", outsideOnly);
    fs::create_directory_symlink(swapped, kSounds / "swap-link");
    const std::string body = saveBody("swap/x.json", true, 0.3);

    // Another program exchanges the folder and the link as fast as it can.
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        const std::string a = (kSounds / "swap").string(), b = (kSounds / "swap-link").string();
        while (!done) ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    });
    int opened = 0;
    for (int i = 0; i < 300; ++i) {
        post("/api/save", body);
        if (post("/api/open", openBody("swap/only-outside.json")).status == 200) ++opened;
    }
    done = true;
    swapper.join();
    EXPECT_EQ(opened, 0) << "opens read a file that exists only outside the folder";
    std::vector<std::string> outside;
    for (const fs::directory_entry& entry : fs::directory_iterator(swapped))
        outside.push_back(entry.path().filename().string());
    EXPECT_EQ(outside, std::vector<std::string>{"only-outside.json"});
}

TEST_F(StudioRules, ABodyThatNeverComesIsRefusedAtOnceAndHoldsNobody) {
    std::vector<int> sockets;
    for (int i = 0; i < 8; ++i) {
        const int fd = connectToStudio();
        const std::string head = "POST /api/save HTTP/1.1\r\nHost: " + host() +
                                 "\r\nContent-Type: application/json\r\nContent-Length: 300000\r\n\r\n";
        ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
        sockets.push_back(fd);
    }
    const auto start = std::chrono::steady_clock::now();
    Call call;
    call.target = "/api/documents";
    EXPECT_EQ(send(call, 2).status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // Each is answered without its body.
    for (const int fd : sockets) {
        const timeval patience{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        char buffer[512] = {};
        EXPECT_GT(::recv(fd, buffer, sizeof buffer - 1, 0), 0);
        EXPECT_EQ(std::string(buffer).rfind("HTTP/1.1 413", 0), 0u) << buffer;
        ::close(fd);
    }
}

TEST_F(StudioRules, AFloodOfIdleConnectionsLeavesARequestWhoseBodyIsOnItsWay) {
    const std::string body = openBody("missing.json");
    const int asking = connectToStudio();
    const std::string head =
        "POST /api/open HTTP/1.1\r\nHost: " + host() + "\r\nX-Studio-Token: " + studio_->token +
        "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n";
    ::send(asking, head.data(), head.size(), MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // More connections that ask nothing than the studio keeps waiting.
    std::vector<int> idle;
    for (int i = 0; i < 400; ++i) idle.push_back(connectToStudio());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::send(asking, body.data(), body.size(), MSG_NOSIGNAL);
    const timeval patience{5, 0};
    ::setsockopt(asking, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    char answer[64] = {};
    EXPECT_GT(::recv(asking, answer, sizeof answer - 1, 0), 0);
    EXPECT_EQ(std::string(answer).rfind("HTTP/1.1 404", 0), 0u) << answer;
    ::close(asking);
    for (const int fd : idle) {
        if (fd >= 0) ::close(fd);
    }
}

TEST_F(StudioRules, ErrorsNameWhatWentWrongInUtf8AndTheIconNeedsNoToken) {
    const Reply reply = post("/api/open", R"({"path":"bad-\ud800.json"})");
    EXPECT_EQ(reply.status, 404);
    document::JsonParseResult parsed = document::parseJson(reply.body);
    ASSERT_TRUE(parsed.ok) << reply.body;
    EXPECT_TRUE(platform::isValidUtf8(reply.body)) << reply.body;

    const Reply icon = raw("GET /favicon.ico HTTP/1.1\r\nHost: " + host() + "\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(icon.status, 200);
}

} // namespace
} // namespace fennrow::test
