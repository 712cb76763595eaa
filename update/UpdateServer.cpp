#include "update/UpdateServer.h"

#include <cctype>
#include <charconv>

namespace update {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes decoded; nothing on a broken escape.
std::optional<std::string> PercentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        int high = HexDigit(s[i + 1]);
        int low = HexDigit(s[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

UpdateServer DefaultUpdateServer() {
    return UpdateServer{"ftp.zetrovo.ru", 21, "price", "7kq42xmWTcfp"};
}

std::optional<UpdateServer> ParseUpdateServer(std::string_view address) {
    std::string_view rest = Trimmed(address);
    constexpr std::string_view kScheme = "ftp://";
    if (!StartsWithNoCase(rest, kScheme)) return std::nullopt;
    rest.remove_prefix(kScheme.size());
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.find('/') != std::string_view::npos) return std::nullopt;

    UpdateServer server = DefaultUpdateServer();
    // The account ends at the last '@', so that an unescaped '@' in a
    // password still parses the way the user meant it.
    size_t at = rest.rfind('@');
    if (at != std::string_view::npos) {
        std::string_view account = rest.substr(0, at);
        rest.remove_prefix(at + 1);
        size_t colon = account.find(':');
        auto user = PercentDecoded(account.substr(0, colon));
        auto password = colon == std::string_view::npos ? std::optional<std::string>(std::string())
                                                        : PercentDecoded(account.substr(colon + 1));
        if (!user || !password || user->empty()) return std::nullopt;
        server.user = *user;
        server.password = *password;
    }

    std::string_view host = rest;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        size_t close = rest.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = rest.substr(1, close - 1);
        std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            port = after.substr(1);
            if (port.empty()) return std::nullopt;
        }
    } else if (size_t colon = rest.rfind(':'); colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (port.empty()) return std::nullopt;
    }
    if (host.empty()) return std::nullopt;
    for (char c : host) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == '@' || c == '[' || c == ']')
            return std::nullopt;
    }
    server.host = std::string(host);
    if (!port.empty()) {
        int value = 0;
        auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return std::nullopt;
        server.port = value;
    } else {
        server.port = 21;
    }
    return server;
}

UpdateServer UpdateServerFromSetting(std::string_view value) {
    if (auto server = ParseUpdateServer(value)) return *server;
    return DefaultUpdateServer();
}

std::string ServerUrl(const UpdateServer& server) {
    bool ipv6 = server.host.find(':') != std::string::npos;
    std::string url = "ftp://";
    url += ipv6 ? "[" + server.host + "]" : server.host;
    url += ":" + std::to_string(server.port) + "/";
    return url;
}

}  // namespace update
