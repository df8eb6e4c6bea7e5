#include "net/HttpRequest.h"

#include "base/Errors.h"
#include "net/Text.h"

#include <cstdlib>

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
        const std::string scheme = LowerCase(address.substr(0, colon));
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
        port = std::atoi(hostPart.c_str() + portColon + 1);
        hostPart.resize(portColon);
    }
    if (!hostPart.empty()) host = hostPart;
    if (path.empty()) {
        path = "/";
        address += "/";
    }
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

}  // namespace net
