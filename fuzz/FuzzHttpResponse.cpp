// Feeds the input to the HTTP client as a response (status line, header lines,
// content) through a socket pair, takes a redirection's Location to the address
// it leads to and through the address analysis, and analyses the input itself as
// an address.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ScriptedPeer.h"
#include "base/Errors.h"
#include "net/HttpClient.h"
#include "net/HttpRequest.h"

namespace {

constexpr int kTimeOutMs = 1000;

void Analyse(std::string address) {
    std::string host = "127.0.0.1";
    int port = 80;
    std::string path;
    try {
        net::AnalyseAddress(address, host, port, path);
        net::ResolveLocation(address, host, port, path);
    } catch (const base::Exception&) {
    }
}

void ReadResponse(const std::string& response) {
    fuzz::ScriptedPeer server(response);
    net::THttpClient client;
    client.Host = "127.0.0.1";
    client.Port = 80;
    client.TimeOut = kTimeOutMs;
    client.AttachAccepted(server.TakeNearEnd());
    try {
        client.ReadResponse();
    } catch (const base::Exception&) {
        return;
    }
    if (!net::IsRedirection(client.ReplyNumber()) || !client.Location()) return;
    try {
        Analyse(net::RedirectionAddress(*client.Location(), client.Host, client.Port, "/"));
    } catch (const base::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Analyse(bytes);
    ReadResponse(bytes);
    return 0;
}
