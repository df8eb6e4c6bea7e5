#include "net/HttpClient.h"

#include "base/AsciiCase.h"
#include "base/Errors.h"
#include "base/Format.h"
#include "base/Stream.h"
#include "NetErrors.h"
#include "net/Text.h"

#include <charconv>
#include <string_view>

namespace net {

namespace {

constexpr int kGetCommand = 0;

// The reply number of a status line "HTTP/" version " " code [" " reason], the
// version being a decimal number ("1.1") and the code three digits from 100 to
// 599; kMalformedReply for any other line.
int StatusNumber(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    constexpr std::string_view kPrefix = "HTTP/";
    if (line.substr(0, kPrefix.size()) != kPrefix) return kMalformedReply;
    const std::size_t space = line.find(' ', kPrefix.size());
    if (space == std::string_view::npos || !IsDecimalNumber(line.substr(kPrefix.size(), space - kPrefix.size()))) {
        return kMalformedReply;
    }
    const std::string_view rest = line.substr(space + 1);
    if (rest.size() < 3 || !IsDigits(rest.substr(0, 3)) || (rest.size() > 3 && rest[3] != ' ')) {
        return kMalformedReply;
    }
    const int number = (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
    return InRange(number, 100, 599) ? number : kMalformedReply;
}

struct HeaderField {
    std::string name;   // upper-cased first word, colon included
    std::string value;  // the rest, without leading spaces and line end
};

HeaderField SplitHeaderLine(const std::string& line) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t space = text.find(' ');
    HeaderField field;
    field.name = base::UpperAscii(text.substr(0, space));
    if (space != std::string::npos) {
        const std::size_t start = text.find_first_not_of(' ', space);
        if (start != std::string::npos) field.value = text.substr(start);
    }
    return field;
}

long long FirstNumber(const std::string& text) {
    const std::size_t start = text.find_first_of("0123456789");
    if (start == std::string::npos) return 0;
    long long number = 0;
    std::from_chars(text.data() + start, text.data() + text.size(), number);
    return number;
}

bool IsEmptyLine(const std::string& line) { return line == "\n" || line == "\r\n"; }

}  // namespace

bool ReplyFailed(int replyNumber) { return replyNumber == kMalformedReply || replyNumber > 399; }

THttpClient::THttpClient() = default;

bool IsRedirection(int replyNumber) {
    return replyNumber == 301 || replyNumber == 302 || replyNumber == 303 || replyNumber == 307 ||
           replyNumber == 308;
}

void THttpClient::Get(const std::string& address) {
    address_ = address;
    for (int redirections = 0;; ++redirections) {
        Request();
        const int number = ReplyNumber();
        if (number == 401 && OnAuthenticationNeeded) OnAuthenticationNeeded();
        if (!IsRedirection(number)) return;
        if (!receivedCookie_.empty()) HeaderInfo.Cookie = receivedCookie_;
        bool handled = false;
        if (OnRedirect) OnRedirect(handled);
        if (handled) return;
        if (!location_) throw base::Exception(base::Format("Redirection %d without a Location", number));
        if (redirections == kMaxRedirections) throw base::Exception("Too many redirections");
        address_ = RedirectionAddress(*location_, Host, Port, path_);
    }
}

void THttpClient::Request() {
    AnalyseAddress(address_, Host, Port, path_);
    const std::string header = GetRequestHeader(Proxy.empty() ? path_ : address_, Host, !Proxy.empty(), HeaderInfo);
    if (OnAboutToSend) OnAboutToSend();
    Connect();
    try {
        Exchange(header);
    } catch (...) {
        Disconnect();
        throw;
    }
    Disconnect();
}

void THttpClient::Exchange(const std::string& requestHeader) {
    Write(requestHeader);
    ReadResponse();
    const int number = ReplyNumber();
    if (ReplyFailed(number)) {
        if (OnFailure) OnFailure(kGetCommand);
    } else if (number < 299) {
        if (OnSuccess) OnSuccess(kGetCommand);
        Report(kStatusCompleted, "Transaction Completed");
    }
}

void THttpClient::ReadResponse() {
    ReadResponseHeader();
    ReadContent();
}

void THttpClient::ReadResponseHeader() {
    BytesExpected = 0;
    receivedCookie_.clear();
    location_.reset();
    std::string lines = ReadLine();
    SetReplyNumber(StatusNumber(lines));
    for (;;) {
        // A server may close right after its header lines, without the empty line.
        AwaitData();
        if (BufferedCount() == 0) break;
        const std::string line = ReadLine();
        lines += line;
        if (lines.size() > kMaxHeaderSize) {
            throw ESockError(base::Format("Header larger than %zu bytes", kMaxHeaderSize));
        }
        if (IsEmptyLine(line)) break;
        const HeaderField field = SplitHeaderLine(line);
        if (field.name == "SET-COOKIE:") receivedCookie_ = field.value;
        else if (field.name == "LOCATION:") location_ = field.value;
        else if (field.name == "CONTENT-LENGTH:") BytesExpected = FirstNumber(field.value);
    }
    if (OutputFileMode) {
        base::WriteFileAtomically(Header, lines.data(), lines.size());
    } else {
        Header = std::move(lines);
    }
}

void THttpClient::ReadContent() {
    if (InputFileMode) {
        CaptureFile(Body);
    } else if (ContentStream != nullptr) {
        CaptureStream(*ContentStream);
    } else {
        Body = CaptureString();
    }
}

}  // namespace net
