// Who may talk to the studio: a page of this server on the loopback address,
// holding the token printed at start-up. The rules are plain functions of the
// request's headers, so they are tested without a network.
#pragma once

#include <string>
#include <string_view>

namespace fennrow {

struct AccessRules {
    std::string token;
    int port = 0;
};

// What the rules look at, as the request carried it (empty when absent).
struct RequestFacts {
    std::string method;
    std::string host;
    std::string origin;
    std::string fetchSite;   // Sec-Fetch-Site
    std::string contentType; // only looked at for writes
    std::string token;       // from the X-Studio-Token header or the token query parameter
};

struct RuleVerdict {
    int status = 0; // 0: allowed; else the HTTP status to answer with
    std::string message;
};

// 32 random bytes as 64 hexadecimal digits.
std::string makeToken();

// Compares in time independent of where the texts differ.
bool sameToken(std::string_view expected, std::string_view given);

// Host first (a foreign name means DNS rebinding), then the token, then for
// anything but GET and HEAD: same origin only, and a JSON body, which a
// cross-site form cannot send without the browser asking first.
RuleVerdict checkRequest(const AccessRules& rules, const RequestFacts& request);

} // namespace fennrow
