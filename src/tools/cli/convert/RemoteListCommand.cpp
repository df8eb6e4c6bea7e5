#include <optional>
#include <ostream>
#include <string>

#include "base/Errors.h"
#include "base/Texts.h"
#include "cli/ConvertTool.h"
#include "convert/Commands.h"
#include "convert/MaxTime.h"
#include "convert/RemoteInput.h"
#include "convert/TabSeparated.h"
#include "net/FtpClient.h"
#include "net/HttpRequest.h"
#include "net/ListingRow.h"
#include "net/Text.h"

namespace convert {

namespace {

constexpr int kTimeOutMilliseconds = 60000;

struct FtpAddress {
    std::string user = "anonymous";
    std::string password = "PubUsr@";
    std::string host;
    int port = 21;
    std::string path;
};

int ParsePort(const std::string& text) {
    const std::optional<int> port = net::PortFromText(text);
    if (!port) throw UsageError("bad port in the ftp:// address (a whole number from 1 to 65535): " + text);
    return *port;
}

// ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH
FtpAddress ParseFtpAddress(const std::string& text) {
    const std::string scheme = "ftp://";
    if (text.rfind(scheme, 0) != 0) throw UsageError("--remote-list takes an ftp:// address");
    const std::size_t slash = text.find('/', scheme.size());
    std::string authority = text.substr(scheme.size(), slash == std::string::npos ? std::string::npos : slash - scheme.size());
    FtpAddress address;
    if (slash != std::string::npos) address.path = net::PercentDecode(text.substr(slash + 1));
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        address.user = net::PercentDecode(userInfo.substr(0, colon));
        address.password = colon == std::string::npos ? std::string() : net::PercentDecode(userInfo.substr(colon + 1));
        authority = authority.substr(at + 1);
    }
    const std::size_t colon = authority.find(':');
    if (colon != std::string::npos) {
        address.port = ParsePort(authority.substr(colon + 1));
        authority.resize(colon);
    }
    if (authority.empty()) throw UsageError("no host in the ftp:// address");
    address.host = authority;
    return address;
}

// Ends the session; the reason when that failed (a refused "QUIT", a server that
// closed first), which spoils nothing once the listing is complete.
std::string LogOut(net::TFtpClient& client) {
    try {
        client.Disconnect();
    } catch (const base::Exception& error) {
        return error.what();
    }
    return {};
}

}  // namespace

int RunRemoteList(const Arguments& arguments, std::ostream& out) {
    if (arguments.operands.size() != 1) throw UsageError("--remote-list takes one ftp:// address");
    const FtpAddress address = ParseFtpAddress(arguments.operands[0]);
    net::TFtpClient client;
    client.Deadline = DeadlineFromArguments(arguments);
    client.Host = address.host;
    client.Port = address.port;
    client.UserID = address.user;
    client.Password = address.password;
    client.TimeOut = kTimeOutMilliseconds;
    client.OnError = [](int, const std::string& message) { PrintClientMessage(message); };
    client.OnInvalidHost = [](bool&) { PrintClientMessage(base::kInvalidServerName); };
    std::string text;
    client.OnListItem = [&text](const std::string& line) {
        const std::optional<net::TRemoteRow> row = net::ListingLineToRow(line);
        if (row) text += TabSeparatedLine({row->Name, row->SizeText, row->DateText, row->KindText});
    };
    client.Connect();
    if (!address.path.empty()) client.ChangeFolder(address.path);
    client.ListFolder();
    const std::string logoutError = LogOut(client);
    // Nothing is printed unless the whole listing came.
    out << text;
    if (!logoutError.empty()) {
        PrintMessage("warning: the listing is complete, but logging out failed: " + logoutError);
    }
    return 0;
}

}  // namespace convert
