// Feeds the input to the FTP client as its server's replies, through a socket
// pair, while the client sends commands; then reads it as a folder listing
// through a socket, the listing parser and the line-to-row logic.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ScriptedPeer.h"
#include "base/Errors.h"
#include "net/FtpClient.h"
#include "net/FtpDirectoryList.h"
#include "net/ListingRow.h"

namespace {

// Commands sent before the replies are given up; each reads one reply.
constexpr int kMaxCommands = 200;
constexpr int kTimeOutMs = 1000;

void ReadReplies(const std::string& replies) {
    fuzz::ScriptedPeer server(replies);
    net::TFtpClient client;
    client.TimeOut = kTimeOutMs;
    client.AttachAccepted(server.TakeNearEnd());
    try {
        for (int i = 0; i < kMaxCommands && client.Connected(); ++i) {
            if (i % 2 == 0) {
                client.CurrentFolder();
            } else {
                client.SendCommand("SYST");
                net::VendorFromSystemReply(client.ReplyLine());
                net::BytesFromReply(client.ReplyLine());
            }
        }
    } catch (const base::Exception&) {
    }
}

void ReadListing(const std::string& listing) {
    fuzz::ScriptedPeer server(listing);
    net::TSocketClient data;
    data.TimeOut = kTimeOutMs;
    data.AttachAccepted(server.TakeNearEnd());
    net::TFTPUnixList parser;
    try {
        while (data.Connected() || data.BufferedCount() > 0) {
            data.AwaitData();
            if (data.BufferedCount() == 0) break;
            std::string line = data.ReadLine();
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            parser.ParseLine(line);
            net::ListingLineToRow(line);
        }
    } catch (const base::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadReplies(bytes);
    ReadListing(bytes);
    return 0;
}
