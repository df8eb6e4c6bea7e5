#include "net/HttpRequest.h"

#include "base/AsciiCase.h"
#include "base/Errors.h"
#include "net/Text.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace net {

namespace {

// Position of the n-th (from 1) '/' of text, or npos.
std::size_t NthSlash(const std::string& text, int n) {
    std::size_t at = std::string::npos;
    for (int i = 0; i < n; ++i) {
        at = text.find('/', at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos) break;
    }
    return at;
}

// Whether address begins with a scheme name and its colon ("http:", "ftp:"), which
// makes it absolute.
bool HasScheme(const std::string& address) {
    const std::size_t colon = address.find(':');
    if (colon == 0 || colon == std::string::npos || !std::isalpha(static_cast<unsigned char>(address[0]))) return false;
    return std::all_of(address.begin(), address.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

// The port an address names after the host's colon.
int PortOfAddress(const std::string& text) {
    const std::optional<int> port = PortFromText(text);
    if (!port) {
        throw base::Exception("Invalid port \"" + text + "\" in the address: a port is a whole number from 1 to 65535");
    }
    return *port;
}

}  // namespace

void AnalyseAddress(std::string& address, std::string& host, int& port, std::string& path) {
    if (address.empty()) throw base::Exception("Empty URL");
    if (port == 0) port = 80;
    const bool hasDoubleSlash = address.find("//") != std::string::npos;
    const std::size_t third = NthSlash(address, 3);
    if (hasDoubleSlash) {
        path = third == std::string::npos ? std::string() : address.substr(third);
    } else {
        const std::size_t first = address.find('/');
        path = first == std::string::npos ? std::string() : address.substr(first);
    }
    const std::size_t colon = address.find(':');
    if (colon != std::string::npos) {
        const std::string scheme = base::LowerAscii(address.substr(0, colon));
        port = scheme == "gopher" ? 70 : scheme == "ftp" ? 21 : 80;
    }
    std::string hostPart;
    if (hasDoubleSlash) {
        const std::size_t second = NthSlash(address, 2);
        if (second != std::string::npos) {
            hostPart = address.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
        }
    } else if (address[0] != '/') {
        hostPart = address.substr(0, address.find('/'));
    }
    const std::size_t portColon = hostPart.find(':');
    if (portColon != std::string::npos) {
        port = PortOfAddress(hostPart.substr(portColon + 1));
        hostPart.resize(portColon);
    }
    if (!hostPart.empty()) host = hostPart;
    if (path.empty()) {
        path = "/";
        address += "/";
    }
}

std::string ResolveLocation(const std::string& location, const std::string& host, int port, const std::string& path) {
    if (HasScheme(location)) return location;
    if (location.rfind("//", 0) == 0) return "http:" + location;
    const std::string origin = "http://" + host + (port == 80 ? std::string() : ":" + std::to_string(port));
    if (location.rfind('/', 0) == 0) return origin + location;
    const std::string document = path.substr(0, path.find_first_of("?#"));
    if (location.empty() || location[0] == '?' || location[0] == '#') return origin + document + location;
    const std::size_t slash = document.rfind('/');
    return origin + (slash == std::string::npos ? "/" : document.substr(0, slash + 1)) + location;
}

std::string RedirectionAddress(const std::string& location, const std::string& host, int port,
                               const std::string& path) {
    if (location.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        throw base::Exception("Redirection refused: its Location holds a CR, LF or NUL character");
    }
    std::string address = ResolveLocation(location, host, port, path);
    if (base::LowerAscii(address.substr(0, 7)) != "http://") {
        // Only an address with a scheme resolves to itself, and a scheme's characters are safe to show.
        throw base::Exception("Redirection to " + address.substr(0, address.find(':') + 1) +
                              " refused: only http:// addresses are followed");
    }
    return address;
}

std::string GetRequestHeader(const std::string& target, const std::string& host, bool viaProxy,
                             const THeaderInfo& info) {
    std::string header = "GET " + target + " HTTP/1.0\r\n";
    if (viaProxy) header += "Proxy-Connection: Keep-Alive\r\n";
    header += "Host: " + host + "\r\n";
    header += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    header += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    const auto optional = [&header](const char* name, const std::string& value) {
        if (!value.empty()) header += std::string(name) + ": " + value + "\r\n";
    };
    optional("User-Agent", info.LocalProgram);
    optional("From", info.LocalMailAddress);
    optional("Cookie", info.Cookie);
    optional("Referer", info.Referer);
    if (!info.UserId.empty() && !info.Password.empty()) {
        optional("Authorization", "Basic " + Base64(info.UserId + ":" + info.Password));
    }
    header += "Content-type: application/x-www-form-urlencoded\r\n";
    header += "\r\n";
    return header;
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (count > 1) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (count > 2) value |= static_cast<unsigned char>(bytes[i + 2]);
        text += kDigits[(value >> 18) & 63];
        text += kDigits[(value >> 12) & 63];
        text += count > 1 ? kDigits[(value >> 6) & 63] : '=';
        text += count > 2 ? kDigits[value & 63] : '=';
    }
    return text;
}

std::string PercentEncode(std::string_view text, std::string_view keep) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (letterOrDigit || std::string_view("-._~").find(c) != std::string_view::npos ||
            keep.find(c) != std::string_view::npos) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 15];
        }
    }
    return encoded;
}

}  // namespace net
