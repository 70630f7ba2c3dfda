// fennrow-studio's rules, checked against the running program over a real
// socket: requests are written by hand so that they can lie about their Host,
// Origin, token and size the way a hostile page or program would.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"

namespace fennrow {
namespace {

namespace fs = std::filesystem;

const fs::path kWork = fs::path(FENNROW_STUDIO_WORK_DIR) / "rules";
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
    Studio() {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(FENNROW_STUDIO_PROGRAM, FENNROW_STUDIO_PROGRAM, "--port", "0", kSounds.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
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
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }

    int port = 0;
    std::string token;

private:
    pid_t pid_ = -1;
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
        studio_ = new Studio();
        ASSERT_GT(studio_->port, 0) << "fennrow-studio did not print its address";
    }
    static void TearDownTestSuite() {
        delete studio_;
        studio_ = nullptr;
    }

    static std::string host() { return "127.0.0.1:" + std::to_string(studio_->port); }

    // Sends the raw request and reads the reply until the server closes.
    static Reply raw(const std::string& request) {
        Reply reply;
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(studio_->port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return reply;
        }
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

    static Reply send(const Call& call) {
        std::string request = call.method + " " + call.target + " HTTP/1.1\r\n";
        request += "Host: " + host() + "\r\n";
        if (call.withToken) request += "X-Studio-Token: " + studio_->token + "\r\n";
        if (call.method == "POST") {
            request += "Content-Type: " + call.contentType + "\r\n";
            request += "Content-Length: " + std::to_string(call.body.size()) + "\r\n";
        }
        request += call.extraHeaders + "Connection: close\r\n\r\n" + call.body;
        return raw(request);
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
        JsonParseResult info = parseJson(get("/api/info").body);
        JsonValue sound = *findMember(info.value, "sound");
        setMember(*findMember(sound, "params"), "3", jsonNumber(tone));
        JsonValue body = jsonObject();
        setMember(body, "base", jsonObject());
        setMember(body, "sound", std::move(sound));
        setMember(body, "path", jsonString(path));
        setMember(body, "overwrite", jsonBool(overwrite));
        return writeJson(body);
    }

    static std::string openBody(const std::string& path) { return R"({"path":")" + path + R"("})"; }

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

    JsonParseResult answer = parseJson(opened.body);
    JsonValue body = jsonObject();
    JsonValue base = jsonObject();
    setMember(base, "document", *findMember(answer.value, "document"));
    setMember(body, "base", std::move(base));
    setMember(body, "sound", *findMember(answer.value, "sound"));
    setMember(body, "path", jsonString("newer-saved.json"));
    ASSERT_EQ(post("/api/save", writeJson(body)).status, 200);
    const std::string saved = fileText(kSounds / "newer-saved.json");
    EXPECT_NE(saved.find(R"("hints":{"colour":"teal"})"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("futureKnob":3)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("tone":0.2)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"("spec":"1.0")"), std::string::npos) << saved;
}

} // namespace
} // namespace fennrow
