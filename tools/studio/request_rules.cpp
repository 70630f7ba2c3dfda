#include "request_rules.h"

#include <array>
#include <cstdio>
#include <random>

namespace fennrow {
namespace {

constexpr std::size_t kTokenBytes = 32;
constexpr std::string_view kLoopbackNames[] = {"127.0.0.1", "localhost"};
constexpr std::string_view kJsonType = "application/json";

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isOwnHost(const AccessRules& rules, std::string_view host) {
    const std::string port = ":" + std::to_string(rules.port);
    for (std::string_view name : kLoopbackNames) {
        if (equalsIgnoringCase(host, std::string(name) + port)) return true;
    }
    return false;
}

bool isOwnOrigin(const AccessRules& rules, std::string_view origin) {
    return origin.substr(0, 7) == "http://" && isOwnHost(rules, origin.substr(7));
}

bool isRead(std::string_view method) { return method == "GET" || method == "HEAD"; }

bool isJson(std::string_view contentType) {
    const std::string_view type = contentType.substr(0, contentType.find(';'));
    return equalsIgnoringCase(type, kJsonType);
}

} // namespace

std::string makeToken() {
    std::random_device device; // the kernel's random source on Linux
    std::string token;
    for (std::size_t i = 0; i < kTokenBytes; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(device() & 0xFFu));
        token += hex;
    }
    return token;
}

bool sameToken(std::string_view expected, std::string_view given) {
    unsigned difference = expected.size() == given.size() ? 0u : 1u;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const char g = i < given.size() ? given[i] : '\0';
        difference |= static_cast<unsigned char>(expected[i] ^ g);
    }
    return difference == 0 && !expected.empty();
}

RuleVerdict checkRequest(const AccessRules& rules, const RequestFacts& request) {
    if (!isOwnHost(rules, request.host)) {
        return {421, "This server answers only to 127.0.0.1:" + std::to_string(rules.port)};
    }
    if (!sameToken(rules.token, request.token)) {
        return {403, "The address lacks the studio's token; open the address fennrow-studio printed"};
    }
    if (isRead(request.method)) return {};
    if (!request.origin.empty() && !isOwnOrigin(rules, request.origin)) {
        return {403, "Changes are accepted only from the studio's own page"};
    }
    if (!request.fetchSite.empty() && request.fetchSite != "same-origin") {
        return {403, "Changes are accepted only from the studio's own page"};
    }
    if (!isJson(request.contentType)) return {415, "Changes are sent as application/json"};
    return {};
}

} // namespace fennrow
