#include "http_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace fennrow {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBacklog = 512;
constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::size_t kReadChunk = 16384;

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

bool waitFor(int fd, short events, int milliseconds) {
    pollfd p{fd, events, 0};
    int n = 0;
    do {
        n = ::poll(&p, 1, milliseconds);
    } while (n < 0 && errno == EINTR);
    return n > 0;
}

// Where the value of a header starts in a request head (the name in lower
// case, with its colon), or npos.
std::size_t headerValueAt(std::string_view head, std::string_view name) {
    for (std::size_t at = head.find("\r\n"); at != std::string_view::npos; at = head.find("\r\n", at + 2)) {
        const std::size_t start = at + 2;
        if (head.size() - start < name.size()) break;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(head[start + i])) == name[i];
        }
        if (same) return start + name.size();
    }
    return std::string_view::npos;
}

// The value of Content-Length, 0 when there is none or it cannot be read
// (the server then answers for itself).
std::size_t announcedBody(std::string_view head) {
    std::size_t i = headerValueAt(head, "content-length:");
    if (i == std::string_view::npos) return 0;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t')) ++i;
    std::size_t value = 0;
    for (; i < head.size() && head[i] >= '0' && head[i] <= '9'; ++i) {
        if (value > (std::size_t{1} << 40)) break;
        value = value * 10 + static_cast<std::size_t>(head[i] - '0');
    }
    return value;
}

// A connection whose request is arriving, or has arrived.
struct Connection {
    int fd = -1;
    Clock::time_point deadline;
    std::string bytes;
    std::size_t needed = 0; // head and body, once the head is complete
    bool tooLarge = false;  // its head announced a body over the limit
    bool draining = false;  // answered; what it still sends is read and dropped until it closes
};

// Waiting for a body that will be refused holds nobody: the answer goes at
// once, and the connection is given this long to stop sending.
constexpr auto kDrainTime = std::chrono::seconds(1);
constexpr std::string_view kTooLargeBody = R"({"error":"The request is too large"})";

// Evicting a connection that has sent nothing costs nobody a request.
bool isIdle(const Connection& c) { return c.bytes.empty() || c.draining; }

bool isWhole(const Connection& c) { return c.needed != 0 && c.bytes.size() >= c.needed; }

// The request as it arrived, then the socket for anything after it (a
// chunked body) and for the answer.
class BufferedStream final : public httplib::Stream {
public:
    BufferedStream(Connection& connection, const ListenerLimits& limits)
        : c_(connection), readDeadline_(connection.deadline),
          writeWait_(static_cast<int>(limits.answerSeconds * 1000)) {}

    bool is_readable() const override {
        return at_ < c_.bytes.size() || waitFor(c_.fd, POLLIN, millisecondsUntil(readDeadline_));
    }
    bool is_writable() const override { return waitFor(c_.fd, POLLOUT, writeWait_); }

    ssize_t read(char* ptr, size_t size) override {
        if (at_ < c_.bytes.size()) {
            const std::size_t n = std::min(size, c_.bytes.size() - at_);
            std::memcpy(ptr, c_.bytes.data() + at_, n);
            at_ += n;
            return static_cast<ssize_t>(n);
        }
        if (!waitFor(c_.fd, POLLIN, millisecondsUntil(readDeadline_))) return -1;
        ssize_t n = 0;
        do {
            n = ::recv(c_.fd, ptr, size, 0);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n = 0;
        do {
            n = ::send(c_.fd, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { endpoint(false, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { endpoint(true, ip, port); }
    socket_t socket() const override { return c_.fd; }

private:
    void endpoint(bool local, std::string& ip, int& port) const {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        const int got = local ? ::getsockname(c_.fd, reinterpret_cast<sockaddr*>(&address), &length)
                              : ::getpeername(c_.fd, reinterpret_cast<sockaddr*>(&address), &length);
        char text[INET_ADDRSTRLEN] = "";
        if (got == 0) ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
        ip = text;
        port = got == 0 ? ntohs(address.sin_port) : 0;
    }

    Connection& c_;
    std::size_t at_ = 0;
    Clock::time_point readDeadline_;
    int writeWait_;
};

} // namespace

class HttpListener {
public:
    HttpListener(int fd, int port, const ListenerLimits& limits) : fd_(fd), port_(port), limits_(limits) {
        int pipeFds[2] = {-1, -1};
        if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0) {
            wakeRead_ = pipeFds[0];
            wakeWrite_ = pipeFds[1];
        }
    }
    HttpListener(const HttpListener&) = delete;
    HttpListener& operator=(const HttpListener&) = delete;
    ~HttpListener() {
        for (const int fd : {fd_, wakeRead_, wakeWrite_}) {
            if (fd >= 0) ::close(fd);
        }
    }

    int port() const { return port_; }

    void run(const std::function<void(httplib::Stream&)>& serve) {
        std::vector<std::thread> workers;
        workers.reserve(static_cast<std::size_t>(limits_.workers));
        for (int i = 0; i < limits_.workers; ++i) workers.emplace_back([&] { work(serve); });
        gather();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        ready_cv_.notify_all();
        for (std::thread& worker : workers) worker.join();
        for (Connection& c : ready_) ::close(c.fd);
        ready_.clear();
    }

    void stop() {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &byte, 1);
    }

private:
    // One thread: accepts connections and reads their requests until they
    // are whole, then queues them for the workers.
    void gather() {
        std::deque<Connection> waiting;
        std::vector<pollfd> polled;
        for (;;) {
            polled.assign({{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}});
            Clock::time_point next = Clock::now() + std::chrono::seconds(60);
            for (const Connection& c : waiting) {
                polled.push_back({c.fd, POLLIN, 0});
                next = std::min(next, c.deadline);
            }
            if (::poll(polled.data(), polled.size(), millisecondsUntil(next)) < 0 && errno != EINTR) break;
            if (polled[1].revents != 0) break;
            // Reads first, so that connections accepted below are not judged by stale results.
            std::deque<Connection> still;
            const Clock::time_point now = Clock::now();
            for (std::size_t i = 0; i < waiting.size(); ++i) {
                Connection& c = waiting[i];
                const bool readable = polled[i + 2].revents != 0;
                // Ended, or not whole by its deadline: closed.
                const bool gone = (readable && !readMore(c)) || (!isWhole(c) && now >= c.deadline);
                if (!gone && c.tooLarge && !c.draining) refuseTooLarge(c);
                if (gone) {
                    ::close(c.fd);
                } else if (isWhole(c)) {
                    handOver(std::move(c));
                } else {
                    still.push_back(std::move(c));
                }
            }
            waiting = std::move(still);
            if (polled[0].revents != 0) acceptAll(waiting);
        }
        for (Connection& c : waiting) ::close(c.fd);
    }

    void acceptAll(std::deque<Connection>& waiting) {
        for (;;) {
            const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                return;
            }
            Connection c;
            c.fd = fd;
            c.deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(limits_.requestSeconds));
            // A browser's request is usually there already.
            if (!readMore(c)) {
                ::close(fd);
                continue;
            }
            if (c.tooLarge) refuseTooLarge(c);
            if (isWhole(c)) {
                handOver(std::move(c));
                continue;
            }
            // Too many connections waiting: the oldest that has asked
            // nothing goes, so that a flood of idle connections cannot
            // push out a request whose body is on its way.
            if (waiting.size() >= static_cast<std::size_t>(limits_.waitingConnections)) {
                const auto idle = std::find_if(waiting.begin(), waiting.end(), isIdle);
                if (idle == waiting.end() && isIdle(c)) {
                    ::close(c.fd);
                    continue;
                }
                const auto victim = idle != waiting.end() ? idle : waiting.begin();
                ::close(victim->fd);
                waiting.erase(victim);
            }
            waiting.push_back(std::move(c));
        }
    }

    // Reads what is there; false when the connection ended or sent more
    // head than allowed.
    bool readMore(Connection& c) const {
        char buffer[kReadChunk];
        for (;;) {
            const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
            if (n == 0) return false;
            if (c.draining || c.tooLarge) continue;
            c.bytes.append(buffer, static_cast<std::size_t>(n));
            if (c.needed == 0) {
                const std::size_t end = c.bytes.find(kHeadEnd);
                if (end == std::string::npos) {
                    if (c.bytes.size() > limits_.headBytes) return false;
                    continue;
                }
                const std::size_t headSize = end + kHeadEnd.size();
                const std::string_view head = std::string_view(c.bytes).substr(0, headSize);
                // A body in chunks has no length to wait for; the page never sends one.
                if (headerValueAt(head, "transfer-encoding:") != std::string_view::npos) return false;
                const std::size_t body = announcedBody(head);
                if (body > limits_.bodyBytes) {
                    c.tooLarge = true;
                    continue;
                }
                c.needed = headSize + body;
            }
            if (c.bytes.size() >= c.needed) return true;
        }
    }

    // The answer to a body over the limit, from this thread: small enough
    // for any socket buffer, so it never waits.
    static void refuseTooLarge(Connection& c) {
        const std::string answer = "HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\n"
                                   "Content-Length: " +
                                   std::to_string(kTooLargeBody.size()) +
                                   "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
                                   "Connection: close\r\n\r\n" +
                                   std::string(kTooLargeBody);
        [[maybe_unused]] const ssize_t sent = ::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL);
        ::shutdown(c.fd, SHUT_WR);
        c.draining = true;
        c.bytes.clear();
        c.deadline = Clock::now() + kDrainTime;
    }

    void handOver(Connection c) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ready_.size() >= static_cast<std::size_t>(limits_.readyConnections)) {
            ::close(c.fd);
            return;
        }
        ready_.push_back(std::move(c));
        ready_cv_.notify_one();
    }

    void work(const std::function<void(httplib::Stream&)>& serve) {
        for (;;) {
            Connection c;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_cv_.wait(lock, [this] { return stopping_ || !ready_.empty(); });
                if (ready_.empty()) return;
                c = std::move(ready_.front());
                ready_.pop_front();
            }
            // The body may still be on its way only when it was not announced.
            c.deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(limits_.requestSeconds));
            BufferedStream stream(c, limits_);
            try {
                serve(stream);
            } catch (...) {
                // The connection is closed without an answer; the studio goes on.
            }
            ::shutdown(c.fd, SHUT_WR);
            ::close(c.fd);
        }
    }

    int fd_;
    int port_;
    ListenerLimits limits_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::mutex mutex_;
    std::condition_variable ready_cv_;
    std::deque<Connection> ready_;
    bool stopping_ = false;
};

void HttpListenerDeleter::operator()(HttpListener* listener) const { delete listener; }

HttpListenerHandle listenOnLoopback(int port, const ListenerLimits& limits, std::string& error) {
    const std::string where = "127.0.0.1:" + std::to_string(port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = "cannot open a socket: " + std::string(std::strerror(errno));
        return nullptr;
    }
    // Address reuse lets a studio start again at once on the port it had;
    // port sharing (SO_REUSEPORT) is never asked for, so a port another
    // program listens on is refused.
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kBacklog) != 0) {
        const int cause = errno;
        ::close(fd);
        error = cause == EADDRINUSE
                    ? where + " is in use by another program; choose another --port, or 0 for a free one"
                    : "cannot listen on " + where + ": " + std::strerror(cause);
        return nullptr;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return HttpListenerHandle(new HttpListener(fd, ntohs(address.sin_port), limits));
}

int listenerPort(const HttpListener& listener) { return listener.port(); }
void runListener(HttpListener& listener, const std::function<void(httplib::Stream&)>& serve) {
    listener.run(serve);
}
void stopListener(HttpListener& listener) { listener.stop(); }

} // namespace fennrow
