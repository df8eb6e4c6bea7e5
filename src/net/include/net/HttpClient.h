#pragma once
// THttpClient: HTTP/1.0 GET on a fresh connection per request, reading the
// content until the server closes, following redirections.
#include "base/Stream.h"
#include "net/HttpRequest.h"
#include "net/SocketClient.h"

#include <functional>
#include <optional>
#include <string>

namespace net {

// Redirections followed by one Get before it gives up.
constexpr int kMaxRedirections = 10;
// The reply number of a response whose status line is not "HTTP/" + version +
// space + three digits (from 100 to 599).
constexpr int kMalformedReply = 0;
// A response header (all its lines) may not be larger than this.
constexpr std::size_t kMaxHeaderSize = 1024 * 1024;

class THttpClient : public TSocketClient {
public:
    THttpClient();

    // Memory mode: the content of the last response. File mode: the file that receives it.
    std::string Body = "Default.htm";
    // Memory mode: the response header lines as received. File mode: the file that receives them.
    std::string Header = "Head.txt";
    bool InputFileMode = false;
    bool OutputFileMode = false;
    // Memory mode: when set, the content goes into this stream instead of Body, so a
    // caller that reads it as a stream holds it once. Each response empties it first;
    // it is left positioned at its start.
    base::MemoryStream* ContentStream = nullptr;
    THeaderInfo HeaderInfo;

    std::function<void(int command)> OnSuccess;
    std::function<void(int command)> OnFailure;
    std::function<void()> OnAboutToSend;
    std::function<void(bool& handled)> OnRedirect;
    std::function<void()> OnAuthenticationNeeded;

    // Fetches address, following redirections (see IsRedirection) to the address
    // their Location names (see RedirectionAddress, which also says what is
    // refused); the reply number of the last response is ReplyNumber(). A failed
    // response (see ReplyFailed) raises OnFailure, not an error, and its content
    // is still delivered. A redirection without a Location raises an error.
    void Get(const std::string& address);

    // Reads one response from the open connection: the status line, the header
    // lines and the content.
    void ReadResponse();

    // The Location value of the last response, as received; none without one.
    const std::optional<std::string>& Location() const { return location_; }

    // The address of the last request (after redirections) and its path.
    const std::string& Address() const { return address_; }
    const std::string& Path() const { return path_; }

protected:
    void TimerCancel() override { SetAbortFlag(); }

private:
    void Request();
    void Exchange(const std::string& requestHeader);
    void ReadResponseHeader();
    void ReadContent();

    std::string address_;
    std::string path_;
    std::string receivedCookie_;
    std::optional<std::string> location_;
};

// Whether a reply number means a failed request: one above 399, or kMalformedReply.
bool ReplyFailed(int replyNumber);

// Whether a reply number is a redirection that Get follows: 301, 302, 303, 307 or
// 308. Any other (299, 300, 304) is the final response.
bool IsRedirection(int replyNumber);

}  // namespace net
