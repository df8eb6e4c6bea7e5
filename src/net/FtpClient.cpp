#include "net/FtpClient.h"

#include "base/AsciiCase.h"
#include "base/Format.h"
#include "NetErrors.h"
#include "net/Text.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace net {

namespace {

bool IsContinued(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || (line.size() >= 4 && line[3] == '-'));
}

// A line end inside a command would end it early and send the rest as a command of
// its own; a NUL ends it early on many servers.
void CheckSendable(const std::string& command) {
    constexpr std::string_view kUnsendable("\r\n\0", 3);
    constexpr std::string_view kWordEnds(" \r\n\0", 4);
    if (command.find_first_of(kUnsendable) == std::string::npos) return;
    const std::string word = command.substr(0, command.find_first_of(kWordEnds));
    throw FTPException("Command " + word + " not sent: its text holds a CR, LF or NUL character");
}

// A reply line as an error message: without its line end.
std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

int OperationOf(const std::string& command) {
    const std::string word = base::UpperAscii(command.substr(0, command.find(' ')));
    if (word == "CWD") return kFtpChangeFolder;
    if (word == "DELE") return kFtpDeleteFile;
    if (word == "MKD") return kFtpMakeFolder;
    if (word == "RMD") return kFtpRemoveFolder;
    return command == "PWD" ? kFtpCurrentFolder : kFtpOtherCommand;
}

// A listing line without its line end; lines of one or two characters stay as they are.
// A last line the server closed without a line feed has no end to remove.
std::string WithoutListingLineEnd(std::string line) {
    if (line.size() > 2 && line.back() == '\n') {
        const bool crlf = line[line.size() - 2] == '\r';
        line.resize(line.size() - (crlf ? 2 : 1));
    }
    return line;
}

}  // namespace

int VendorFromSystemReply(const std::string& replyText) {
    static constexpr struct {
        std::string_view text;
        int vendor;
    } kKinds[] = {
        {"UNIX", kVendorUnix}, {"NETWARE", kVendorNetWare}, {"DOS", kVendorDos},
        {"VMS", kVendorVMS},   {"MVS", kVendorMVS},         {"VM", kVendorVM},
        {"MACOS", kVendorMacintosh}, {"OS/400", kVendorOS400},
    };
    for (const auto& kind : kKinds) {
        if (replyText.find(kind.text) != std::string::npos) return kind.vendor;
    }
    return kVendorOther;
}

long long BytesFromReply(const std::string& replyText) {
    const std::string upper = base::UpperAscii(replyText);
    const std::size_t byte = upper.find("BYTE");
    if (byte == std::string::npos) return 0;
    std::size_t end = byte;
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(upper[end - 1]))) --end;
    if (end == 0) return 0;
    std::size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(upper[start - 1]))) --start;
    long long count = 0;
    for (std::size_t i = start; i < end && i < start + 18; ++i) count = count * 10 + (upper[i] - '0');
    return count;
}

TFtpClient::TFtpClient() { Port = 21; }

TFtpClient::~TFtpClient() = default;

void TFtpClient::ReceivedDataCheck() {
    const std::string_view waiting = Buffered();
    if (waiting.size() >= 4 && (waiting.substr(0, 3) == "421" || waiting.substr(0, 3) == "426")) {
        SetAbortFlag();
    }
}

void TFtpClient::TimerCancel() {
    if (data_) data_->Cancel();
}

void TFtpClient::Abort() {
    if (data_) data_->Cancel();
}

// --- one command and its reply ---------------------------------------------

std::string TFtpClient::ReadContinuation(std::string line) {
    std::size_t replySize = line.size();
    while (IsContinued(line)) {
        line = ReadLine();
        Report(kStatusProtocol, line);
        replySize += line.size();
        if (replySize > kMaxReplySize) throw ESockError(base::Format("Reply larger than %zu bytes", kMaxReplySize));
    }
    return line;
}

std::string TFtpClient::Exchange(const std::string& command, const std::string& shownAs,
                                 bool discardWaiting) {
    CheckSendable(command);
    if (discardWaiting) DiscardBuffered();
    if (!shownAs.empty()) Report(kStatusProtocol, shownAs);
    replyLine_ = Transaction(command);
    replyText_ = ReadContinuation(replyLine_);
    return replyText_;
}

// --- session ----------------------------------------------------------------

void TFtpClient::CheckLoginReply(const std::string& replyText) {
    if (!InRange(ReplyNumber(), 401, 599)) return;
    if (OnConnectionFailed) OnConnectionFailed();
    throw FTPException(WithoutLineEnd(replyText));
}

std::string TFtpClient::LoginUser() const { return Proxy.empty() ? UserID : UserID + "@" + Host; }

void TFtpClient::LogIn() {
    replyLine_ = ReadLine();
    Report(kStatusProtocol, replyLine_);
    ReadContinuation(replyLine_);
    if ((UserID.empty() || Password.empty()) && OnAuthenticationNeeded) {
        bool handled = false;
        OnAuthenticationNeeded(handled);
    }
    const std::string user = LoginUser();
    CheckLoginReply(Exchange("USER " + user, "USER " + user, false));
    if (ReplyNumber() == 331) CheckLoginReply(Exchange("PASS " + Password, "PASS ", false));
    if (OnConnect) OnConnect();
}

void TFtpClient::Connect() {
    ClearAbortFlag();
    if (Connected()) return;
    // Login texts that cannot be sent stop the session before it starts.
    CheckSendable("USER " + LoginUser());
    CheckSendable("PASS " + Password);
    // A session the server ended leaves its parser behind; the new one starts afresh.
    parser_.reset();
    DiscardBuffered();
    TSocketClient::Connect();
    try {
        LogIn();
    } catch (...) {
        // The login error goes on; a server that no longer answers gets no "QUIT".
        if (Aborted() || TimedOut()) {
            TSocketClient::Disconnect();
        } else {
            try {
                Disconnect();
            } catch (const base::Exception&) {
                TSocketClient::Disconnect();
            }
        }
        Report(kStatusProtocol, "Disconnected");
        throw;
    }
}

void TFtpClient::Disconnect() {
    ClearAbortFlag();
    if (!Connected()) return;
    Report(kStatusProtocol, "QUIT");
    parser_.reset();
    Vendor = kVendorAutomatic;
    std::string reply;
    try {
        reply = Exchange("QUIT", {}, true);
    } catch (...) {
        TSocketClient::Disconnect();
        throw;
    }
    const int number = ReplyNumber();
    TSocketClient::Disconnect();
    if (InRange(number, 301, 599)) throw FTPException(WithoutLineEnd(reply));
}

// --- commands ---------------------------------------------------------------

bool TFtpClient::Fail(int operation, const std::string& replyText) {
    if (!OnFailure) throw FTPException(WithoutLineEnd(replyText));
    bool handled = false;
    OnFailure(handled, operation);
    if (!handled) throw FTPException(WithoutLineEnd(replyText));
    return false;
}

void TFtpClient::SendCommand(const std::string& command) {
    const int operation = OperationOf(command);
    ClearAbortFlag();
    CertifyConnect();
    const std::string reply = Exchange(command, command, true);
    const int number = ReplyNumber();
    if (InRange(number, 400, 599)) {
        if (InRange(number, 500, 502) && OnUnSupportedFunction) OnUnSupportedFunction(operation);
        Fail(operation, reply);
        return;
    }
    if (OnSuccess) OnSuccess(operation);
}

void TFtpClient::ChangeFolder(const std::string& folder) { SendCommand("CWD " + folder); }

std::string TFtpClient::CurrentFolder() {
    SendCommand("PWD");
    const std::size_t open = replyLine_.find('"');
    if (open == std::string::npos) return {};
    // A quote inside the folder's name is written twice.
    std::string folder;
    for (std::size_t i = open + 1; i < replyLine_.size(); ++i) {
        if (replyLine_[i] != '"') {
            folder += replyLine_[i];
        } else if (i + 1 < replyLine_.size() && replyLine_[i + 1] == '"') {
            folder += replyLine_[++i];
        } else {
            return folder;
        }
    }
    return {};
}

// --- listing ----------------------------------------------------------------

void TFtpClient::DetectVendor() {
    if (Vendor == kVendorAutomatic) {
        try {
            SendCommand("SYST");
        } catch (const FTPException&) {
            // A server that refuses "SYST" is of no kind we know.
        }
        Vendor = VendorFromSystemReply(replyText_);
    }
    // Every server kind lists in the Unix style.
    parser_ = std::make_unique<TFTPUnixList>();
}

// Announces the data port and asks for the listing; false when a failure was handled.
bool TFtpClient::OpenDataConnection() {
    data_->TimeOut = TimeOut;
    data_->Deadline = Deadline;
    data_->Port = 0;
    std::string address = LocalAddressText();
    std::replace(address.begin(), address.end(), ',', '.');
    data_->Listen(address);
    const std::string port = "PORT " + LocalAddressText() + data_->LocalPortText();
    std::string reply = Exchange(port, port, true);
    if (InRange(ReplyNumber(), 301, 599)) return Fail(kFtpListFolder, reply);
    reply = Exchange("LIST", "LIST", true);
    const int number = ReplyNumber();
    if (InRange(number, 301, 599)) {
        if (InRange(number, 500, 502) && OnUnSupportedFunction) OnUnSupportedFunction(kFtpListFolder);
        return Fail(kFtpListFolder, reply);
    }
    BytesExpected = BytesFromReply(reply);
    return true;
}

void TFtpClient::ReadListing() {
    while (data_->Connected() || data_->BufferedCount() > 0) {
        if (data_->Aborted()) throw EAbortError("Socket readln aborted");
        if (data_->BufferedCount() == 0) {
            data_->AwaitData();
            continue;
        }
        if (data_->BytesReceived > kMaxCaptureSize) {
            throw ESockError("Listing larger than 1073741824 bytes");
        }
        const std::string line = WithoutListingLineEnd(data_->ReadLine());
        if (ParseList) parser_->ParseLine(line);
        if (OnListItem) OnListItem(line);
    }
    data_->CheckReceiveError();
}

void TFtpClient::ReadClosingReply() {
    replyLine_ = ReadLine();
    Report(kStatusProtocol, replyLine_);
    ReadContinuation(replyLine_);
}

void TFtpClient::ListFolder() {
    ClearAbortFlag();
    CertifyConnect();
    data_ = std::make_unique<TSocketClient>();
    try {
        DiscardBuffered();
        if (ParseList) {
            if (!parser_) DetectVendor();
            parser_->Clear();
        }
        if (!OpenDataConnection()) {
            data_.reset();
            return;
        }
        if (OnTransactionStart) OnTransactionStart();
        data_->LinkAbortFlag(*this);
        data_->AttachAccepted(data_->Accept());
        data_->SetCounting(true);
        if (!Aborted() && !TimedOut()) ReadListing();
        if (OnTransactionStop) OnTransactionStop();
        const long long received = data_->BytesReceived;
        data_->Disconnect();
        Report(kStatusProtocol, "Received " + std::to_string(received) + " Bytes");
        if (!Aborted() && !TimedOut()) ReadClosingReply();
    } catch (...) {
        data_.reset();
        throw;
    }
    data_.reset();
    if (OnSuccess) OnSuccess(kFtpListFolder);
}

}  // namespace net
