// The studio's own listening socket and connection handling, in front of the
// HTTP library's request processing. The socket is bound without sharing the
// port, so a port in use is an error. A connection reaches a worker only
// once its whole request (head and announced body) has arrived within a
// deadline: slow or idle connections wait in one thread, bounded in number,
// and never hold a worker, so the page keeps its answers.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace httplib {
class Stream;
}

namespace fennrow {

struct ListenerLimits {
    int workers = 4;                // requests handled at once
    int waitingConnections = 128;   // connections whose request is still arriving
    int readyConnections = 64;      // complete requests waiting for a worker
    double requestSeconds = 5.0;    // from connecting to the whole request
    double answerSeconds = 10.0;    // for each write of the answer
    std::size_t headBytes = 16384;  // request line and headers
    std::size_t bodyBytes = 262144; // larger bodies are left to the server to refuse
};

class HttpListener;
struct HttpListenerDeleter {
    void operator()(HttpListener* listener) const;
};
using HttpListenerHandle = std::unique_ptr<HttpListener, HttpListenerDeleter>;

// Binds 127.0.0.1:port (0: any free port); nothing, with the reason, when
// the port cannot be had.
HttpListenerHandle listenOnLoopback(int port, const ListenerLimits& limits, std::string& error);

int listenerPort(const HttpListener& listener);

// Serves until stopListener is called (from any thread): each complete
// request is handed to `serve` on a worker, as a stream that holds the
// request and takes the answer; the connection is closed after it.
void runListener(HttpListener& listener, const std::function<void(httplib::Stream&)>& serve);
void stopListener(HttpListener& listener);

} // namespace fennrow
