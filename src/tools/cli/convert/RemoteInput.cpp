#include "convert/RemoteInput.h"

#include "base/Errors.h"
#include "base/Format.h"
#include "base/Language.h"
#include "base/Stream.h"
#include "base/Texts.h"
#include "cli/ConvertTool.h"
#include "net/HttpClient.h"
#include "net/HttpRequest.h"

namespace convert {

namespace {

// The web default of the desktop program, so a silent server cannot hold the tool for ever.
constexpr int kTimeOutMilliseconds = 60000;

// Up to the first CR or LF, so that the status line is one line of the message.
std::string StatusLine(const std::string& header) { return header.substr(0, header.find_first_of("\r\n")); }

}  // namespace

void PrintClientMessage(const std::string& text) {
    PrintMessage(base::Translated(text, base::EnvironmentUiLanguage()));
}

bool IsHttpAddress(const std::string& input) { return input.rfind("http://", 0) == 0; }

std::string AddressFileName(const std::string& address) {
    const std::string path = address.substr(0, address.find_first_of("?#"));
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // An escaped "/" or NUL cannot be part of a file name: such a name stays as written.
    const std::string plain = net::PercentDecode(name);
    return plain.find_first_of(std::string("/\0", 2)) == std::string::npos ? plain : name;
}

std::vector<std::uint8_t> FetchHttp(const std::string& address, const Deadline& deadline) {
    net::THttpClient client;
    client.TimeOut = kTimeOutMilliseconds;
    client.Deadline = deadline;
    client.OnError = [](int, const std::string& message) { PrintClientMessage(message); };
    client.OnInvalidHost = [](bool&) { PrintClientMessage(base::kInvalidHostName); };
    base::MemoryStream content;
    client.ContentStream = &content;
    // Spaces, control and non-ASCII bytes typed into the address are escaped; the
    // characters that shape an address, and escapes already written, stay.
    client.Get(net::PercentEncode(address, ":/?#[]@!$&'()*+,;=%"));
    if (client.ReplyNumber() == net::kMalformedReply) {
        throw base::Exception(base::kCouldNotRead, {"The reply has no valid HTTP status line"});
    }
    // Only a 2xx reply carries the file, not a redirection left unfollowed (300,
    // 304). The status line stays as the server sent it: it is escaped where it is printed.
    if (client.ReplyNumber() < 200 || client.ReplyNumber() > 299) {
        throw base::Exception(base::kCouldNotRead, {StatusLine(client.Header)});
    }
    return content.TakeBytes();
}

}  // namespace convert
