#pragma once
// The pieces of an HTTP/1.0 request: the address analysis and the header lines.
#include <string>
#include <string_view>

#include "base/PercentEscapes.h"

namespace net {

// Optional request header values.
struct THeaderInfo {
    std::string Cookie;
    std::string Referer;
    std::string LocalMailAddress;
    std::string LocalProgram;
    std::string UserId;
    std::string Password;
};

// Splits address into host, port and path. host and port keep their values where
// the address does not name them; a port of 0 becomes 80. An address without a
// path gets "/" appended. Raises "Empty URL" for an empty address, and an error
// naming the port when the address names one that is not a whole number from 1
// to 65535.
void AnalyseAddress(std::string& address, std::string& host, int& port, std::string& path);

// The address a redirection's Location value names, given the host, port and path
// of the request that got it. An address with a scheme stands as it is; "//H/p"
// takes the scheme "http"; "/p" keeps the host and port; "?q", "#f" and an empty
// value keep the path too; any other value is relative to the folder of the path.
std::string ResolveLocation(const std::string& location, const std::string& host, int port, const std::string& path);

// The address a redirection leads to: location resolved as by ResolveLocation.
// Raises an error when location holds a CR, LF or NUL character, which would
// carry text into the next request's header, or when the address is not an
// http:// one (an "ftp://host:port/" is no server to ask over HTTP).
std::string RedirectionAddress(const std::string& location, const std::string& host, int port,
                               const std::string& path);

// The request header of a GET, ending with the empty line. target is the path,
// or through a proxy the whole address.
std::string GetRequestHeader(const std::string& target, const std::string& host, bool viaProxy,
                             const THeaderInfo& info);

std::string Base64(std::string_view bytes);

using base::PercentDecode;
using base::PercentEncode;

}  // namespace net
