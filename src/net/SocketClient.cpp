#include "net/SocketClient.h"

#include "base/Format.h"
#include "base/Stream.h"
#include "HostLookup.h"
#include "NetErrors.h"
#include "SocketErrorTable.h"
#include "net/Text.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <vector>

namespace net {

namespace {

constexpr int kRoundMilliseconds = 2;
// A socket whose unread bytes pass this stops being read until they are taken.
constexpr std::size_t kReceiveBacklog = 8 * 1024 * 1024;
// Chunks received for one socket in one round before the others get their turn.
constexpr int kChunksPerRound = 64;
constexpr std::size_t kSendFileChunk = 1024 * 1024;

std::function<void()>& PumpHook() {
    static std::function<void()> hook;
    return hook;
}

// Clears a flag when a scope ends, also by an error.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

// A port outside lowest to 65535 would wrap around when it is narrowed for the socket.
void CheckPort(int port, int lowest) {
    if (!InRange(port, lowest, kMaxPort)) {
        throw ESockError(base::Format("Invalid port number %d: a port is a whole number from %d to %d", port, lowest,
                                      kMaxPort));
    }
}

}  // namespace

// The sockets alive on this thread, served together in every wait round.
struct SocketRounds {
    static std::vector<TSocketClient*>& Live() {
        thread_local std::vector<TSocketClient*> live;
        return live;
    }
    static bool IsLive(const TSocketClient* socket) {
        const auto& live = Live();
        return std::find(live.begin(), live.end(), socket) != live.end();
    }
    static void Serve() {
        std::vector<pollfd> fds;
        std::vector<TSocketClient*> owners;
        for (TSocketClient* socket : Live()) {
            const short interest = socket->PollInterest();
            if (interest == 0) continue;
            fds.push_back(pollfd{socket->socket_.Get(), interest, 0});
            owners.push_back(socket);
        }
        if (fds.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kRoundMilliseconds));
        } else if (::poll(fds.data(), fds.size(), kRoundMilliseconds) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                // A handler of an earlier socket may have closed or destroyed this one.
                if (fds[i].revents != 0 && IsLive(owners[i]) && owners[i]->socket_.Get() == fds[i].fd) {
                    owners[i]->Serve(fds[i].revents);
                }
            }
        }
        if (PumpHook()) PumpHook()();
    }
};

TSocketClient::TSocketClient() { SocketRounds::Live().push_back(this); }

TSocketClient::~TSocketClient() {
    destroying_ = true;
    abort_ = true;
    CloseSocket(false);
    auto& live = SocketRounds::Live();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void TSocketClient::SetPumpHook(std::function<void()> hook) { PumpHook() = std::move(hook); }

bool TSocketClient::Aborted() const {
    return abort_ || (linkedAbort_ != nullptr && linkedAbort_->load());
}

void TSocketClient::Report(int level, const std::string& text) {
    if (destroying_ || ReportLevel < level) return;
    StatusText = text;
    if (OnStatus) OnStatus(text);
}

void TSocketClient::ClearAbortFlag() {
    abort_ = false;
    timedOut_ = false;
}

int TSocketClient::LeadingNumber(std::string_view line) {
    long long number = 0;
    for (std::size_t i = 0; i < line.size() && i < 10; ++i) {
        if (line[i] < '0' || line[i] > '9') break;
        number = number * 10 + (line[i] - '0');
    }
    return static_cast<int>(std::min<long long>(number, 0x7fffffff));
}

void TSocketClient::ConnectNotified() {
    if (OnConnect) OnConnect();
}

// --- waiting -------------------------------------------------------------

TSocketClient::WaitEnd TSocketClient::Wait(const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (done()) return WaitEnd::Done;
        if (Aborted()) return WaitEnd::Aborted;
        if (DeadlinePassed()) return WaitEnd::TimedOut;
        if (TimeOut > 0) {
            const auto quietSince = std::max(start, lastActivity_);
            if (std::chrono::steady_clock::now() - quietSince >= std::chrono::milliseconds(TimeOut)) {
                return WaitEnd::TimedOut;
            }
        }
        SocketRounds::Serve();
    }
}

bool TSocketClient::DeadlinePassed() const {
    return Deadline && std::chrono::steady_clock::now() >= *Deadline;
}

void TSocketClient::RaiseError(int code) {
    Report(kStatusTrace, "Looking Up Error Message");
    errorState_ = true;
    if (OnError) OnError(code, SocketErrorMessage(code));
}

void TSocketClient::RaiseSocketError(int systemError) {
    const int code = SocketErrorCode(systemError);
    RaiseError(code);
    throw ESockError(SocketErrorMessage(code));
}

void TSocketClient::NoteTimedOut() {
    timedOut_ = true;
    Report(kStatusTrace, "Timer Triggered");
}

TSocketClient::WaitEnd TSocketClient::TimerWait(const std::function<bool()>& done) {
    Report(kStatusTrace, "Timer On");
    const WaitEnd end = Wait(done);
    Report(kStatusTrace, "Timer Off");
    if (end == WaitEnd::TimedOut) {
        NoteTimedOut();
        TimerCancel();
    }
    return end;
}

void TSocketClient::RaiseTimedOut() {
    NoteTimedOut();
    if (DeadlinePassed()) throw ESockError(kDeadlineMessage);
    RaiseSocketError(ETIMEDOUT);
}

// --- connecting ----------------------------------------------------------

std::optional<in_addr> TSocketClient::LookUpHost() {
    const std::string& name = Proxy.empty() ? Host : Proxy;
    in_addr address{};
    if (ParseDottedAddress(name, address)) return address;
    Report(kStatusTrace, "Resolve Host");
    const HostLookup lookup(name);
    const WaitEnd end = TimerWait([&] { return lookup.Done(); });
    if (end == WaitEnd::TimedOut) throw ESockError("Host Lookup Timed Out");
    if (end == WaitEnd::Aborted) throw ESockError("Host Lookup Canceled");
    if (!lookup.Succeeded()) return std::nullopt;
    if (OnHostResolved) OnHostResolved();
    return lookup.Address();
}

void TSocketClient::OpenSocket() {
    CloseSocket(false);
    socket_ = SocketHandle(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket_.Valid()) RaiseSocketError(errno);
    // Closing resets the connection at once instead of lingering.
    const linger noLinger{1, 0};
    ::setsockopt(socket_.Get(), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    errorState_ = false;
    sendError_ = 0;
    receiveError_ = 0;
    acceptPending_ = false;
    acceptError_ = false;
    sendBuffer_.clear();
    sendOffset_ = 0;
}

void TSocketClient::Connect() {
    Report(kStatusTrace, "Connecting");
    ClearAbortFlag();
    if (Connected()) throw ESockError("Already connected");
    const int port = Proxy.empty() ? Port : ProxyPort;
    CheckPort(port, 1);
    std::optional<in_addr> address = LookUpHost();
    if (!address && OnInvalidHost) {
        bool handled = false;
        OnInvalidHost(handled);
        if (handled) address = LookUpHost();
    }
    if (!address) throw ESockError("Null Remote Address");

    OpenSocket();
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr = *address;
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) {
        state_ = State::Connected;
        ConnectNotified();
        return;
    }
    if (errno != EINPROGRESS) {
        const int error = errno;
        CloseSocket(false);
        RaiseSocketError(error);
    }
    state_ = State::Connecting;
    TimerWait([this] { return state_ != State::Connecting || errorState_; });
    if (Connected()) return;
    CloseSocket(false);
    if (OnConnectionFailed) OnConnectionFailed();
    if (timedOut_) throw ESockError("Connection Timed out");
    if (Aborted()) throw ESockError("Connection Canceled");
    throw ESockError("Connection Failed");
}

void TSocketClient::CloseSocket(bool notify) {
    const bool wasOpen = socket_.Valid();
    state_ = State::Idle;
    socket_.Reset();
    sendBuffer_.clear();
    sendOffset_ = 0;
    if (wasOpen && notify && !destroying_ && OnDisconnect) OnDisconnect();
}

void TSocketClient::Disconnect() {
    Report(kStatusTrace, "Disconnecting");
    // Raised also when the peer closed first: the owner hears of its own close too.
    CloseSocket(false);
    if (!destroying_ && OnDisconnect) OnDisconnect();
}

void TSocketClient::Cancel() {
    Report(kStatusTrace, "Canceling");
    abort_ = true;
}

void TSocketClient::CertifyConnect() {
    if (!Connected() && OnConnectionRequired) {
        bool handled = false;
        OnConnectionRequired(handled);
    }
    if (!Connected()) throw base::Exception("Not Connected");
}

// --- readiness -----------------------------------------------------------

short TSocketClient::PollInterest() const {
    switch (state_) {
    case State::Connecting: return POLLOUT;
    case State::Listening: return acceptPending_ ? 0 : POLLIN;
    case State::Connected: {
        short interest = received_.Size() < kReceiveBacklog ? POLLIN : 0;
        if (sendOffset_ < sendBuffer_.size()) interest |= POLLOUT;
        return interest;
    }
    case State::Idle: break;
    }
    return 0;
}

void TSocketClient::Serve(short events) {
    switch (state_) {
    case State::Connecting: ServeConnecting(); break;
    case State::Listening:
        if (events & (POLLERR | POLLNVAL)) acceptError_ = true;
        else acceptPending_ = true;
        break;
    case State::Connected:
        if (events & POLLOUT) SendPending();
        if (state_ == State::Connected && (events & (POLLIN | POLLHUP | POLLERR))) ReceivePending();
        break;
    case State::Idle: break;
    }
}

void TSocketClient::ServeConnecting() {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket_.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) {
        state_ = State::Connected;
        lastActivity_ = std::chrono::steady_clock::now();
        ConnectNotified();
    } else {
        RaiseError(SocketErrorCode(error));
    }
}

void TSocketClient::ReceivePending() {
    if (serving_) return;
    FlagScope guard(serving_);
    for (int round = 0; round < kChunksPerRound; ++round) {
        char* space = received_.Prepare(kChunkSize);
        const ssize_t count = ::recv(socket_.Get(), space, kChunkSize, 0);
        received_.Commit(count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count == 0) {
            Report(kStatusDetail, "Request Close Socket");
            CloseSocket(true);
            return;
        }
        if (count < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            receiveError_ = errno;
            RaiseError(SocketErrorCode(errno));
            CloseSocket(true);
            return;
        }
        lastActivity_ = std::chrono::steady_clock::now();
        if (counting_) {
            BytesReceived += count;
            if (OnPacketRecvd) OnPacketRecvd();
        }
        ReceivedDataCheck();
        if (static_cast<std::size_t>(count) < kChunkSize || state_ != State::Connected) return;
    }
}

void TSocketClient::SendPending() {
    if (serving_) return;
    FlagScope guard(serving_);
    Report(kStatusDetail, "Sending Buffer");
    while (sendOffset_ < sendBuffer_.size()) {
        const std::size_t chunk = std::min(kChunkSize, sendBuffer_.size() - sendOffset_);
        const ssize_t count = ::send(socket_.Get(), sendBuffer_.data() + sendOffset_, chunk, MSG_NOSIGNAL);
        if (count < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            sendError_ = errno;
            RaiseError(SocketErrorCode(errno));
            return;
        }
        sendOffset_ += static_cast<std::size_t>(count);
        lastActivity_ = std::chrono::steady_clock::now();
        if (counting_) {
            BytesSent += count;
            if (OnPacketSent) OnPacketSent();
        }
    }
    sendBuffer_.clear();
    sendOffset_ = 0;
}

// --- sending and receiving -----------------------------------------------

void TSocketClient::Write(std::string_view bytes) {
    Report(kStatusTrace, "Write");
    if (!Connected()) throw base::Exception("Not Connected");
    sendBuffer_.append(bytes);
    SendPending();
    const WaitEnd end = Wait([this] { return sendBuffer_.empty() || sendError_ != 0 || !Connected(); });
    if (end == WaitEnd::Aborted) {
        abort_ = false;
        throw EAbortError("Socket send aborted");
    }
    if (end == WaitEnd::TimedOut) RaiseTimedOut();
    if (sendError_ != 0) throw ESockError(SocketErrorMessage(SocketErrorCode(sendError_)));
    if (!sendBuffer_.empty()) throw base::Exception("Not Connected");
}

void TSocketClient::WriteLine(std::string_view text) {
    Report(kStatusTrace, "Writeln");
    std::string line(text);
    line += "\r\n";
    Write(line);
}

std::string TSocketClient::ReadLine() {
    Report(kStatusTrace, "ReadLn");
    const auto lineEnd = [this] { return received_.View().substr(0, kMaxLineLength).find('\n'); };
    const WaitEnd end = Wait([&] {
        return lineEnd() != std::string_view::npos || received_.Size() >= kMaxLineLength || !Connected();
    });
    if (Aborted()) throw EAbortError("Socket readln aborted");
    if (end == WaitEnd::TimedOut) RaiseTimedOut();
    const std::size_t found = lineEnd();
    if (found != std::string_view::npos) return received_.Take(found + 1);
    if (received_.Size() >= kMaxLineLength) {
        throw ESockError(base::Format("Line longer than %zu bytes", kMaxLineLength));
    }
    if (received_.Empty()) throw base::Exception("Not Connected");
    return received_.Take(received_.Size());
}

std::string TSocketClient::ReadBytes(std::size_t count) {
    Report(kStatusTrace, base::Format("Read( %zu )", count));
    const WaitEnd end = Wait([&] { return received_.Size() >= count || !Connected(); });
    if (end == WaitEnd::Aborted) {
        abort_ = false;
        throw EAbortError("Socket send aborted");
    }
    if (end == WaitEnd::TimedOut) RaiseTimedOut();
    return received_.Take(count == 0 ? received_.Size() : count);
}

void TSocketClient::AwaitData() {
    const WaitEnd end = Wait([this] { return !received_.Empty() || !Connected(); });
    if (Aborted()) throw EAbortError("Socket readln aborted");
    if (end == WaitEnd::TimedOut) RaiseTimedOut();
}

void TSocketClient::CheckReceiveError() const {
    if (receiveError_ != 0) throw ESockError(SocketErrorMessage(SocketErrorCode(receiveError_)));
}

void TSocketClient::SetCounting(bool on) {
    counting_ = on;
    if (on) BytesReceived = 0;
}

std::string TSocketClient::Transaction(const std::string& command) {
    Report(kStatusTrace, "Transaction");
    replyNumber_ = 0;
    WriteLine(command);
    std::string reply = ReadLine();
    Report(kStatusProtocol, reply);
    replyNumber_ = LeadingNumber(reply);
    return reply;
}

void TSocketClient::Capture(std::int64_t limit, const std::function<void(std::string_view)>& sink) {
    FlagScope counting(counting_);
    BytesReceived = 0;
    std::int64_t total = 0;
    for (;;) {
        if (Aborted()) {
            abort_ = false;
            throw EAbortError("Socket capture aborted");
        }
        std::size_t take = received_.Size();
        if (limit >= 0) take = static_cast<std::size_t>(std::min<std::int64_t>(take, limit - total));
        if (take > 0) {
            if (total + static_cast<std::int64_t>(take) > kMaxCaptureSize) {
                throw ESockError(base::Format("Received data larger than %lld bytes",
                                              static_cast<long long>(kMaxCaptureSize)));
            }
            sink(received_.View().substr(0, take));
            received_.Consume(take);
            total += static_cast<std::int64_t>(take);
        }
        if (limit >= 0 && total >= limit) return;
        if (!Connected() && received_.Empty()) {
            CheckReceiveError();
            return;
        }
        const WaitEnd end = Wait([this] { return !received_.Empty() || !Connected(); });
        if (end == WaitEnd::TimedOut) RaiseTimedOut();
    }
}

std::string TSocketClient::CaptureString(std::int64_t limit) {
    Report(kStatusTrace, "Capture String");
    std::string target;
    if (BytesExpected > 0 && BytesExpected <= kMaxCaptureSize) {
        target.reserve(static_cast<std::size_t>(BytesExpected));
    }
    Capture(limit, [&](std::string_view bytes) { target.append(bytes); });
    return target;
}

void TSocketClient::CaptureStream(base::MemoryStream& target) {
    Report(kStatusTrace, "Capture Stream");
    target.Clear();
    if (BytesExpected > 0 && BytesExpected <= kMaxCaptureSize) {
        target.Reserve(static_cast<std::size_t>(BytesExpected));
    }
    Capture(-1, [&](std::string_view bytes) { target.WriteBuffer(bytes.data(), bytes.size()); });
    target.Seek(0);
}

void TSocketClient::CaptureFile(const std::string& fileName) {
    Report(kStatusTrace, "CaptureFile");
    base::FileStream file(fileName, base::FileStream::Mode::Create);
    Capture(-1, [&](std::string_view bytes) { file.WriteBuffer(bytes.data(), bytes.size()); });
    file.Close();
}

void TSocketClient::SendFile(const std::string& fileName) {
    Report(kStatusTrace, "SendFile");
    base::FileStream file(fileName, base::FileStream::Mode::Read);
    std::string chunk(kSendFileChunk, '\0');
    for (;;) {
        const std::size_t count = file.Read(chunk.data(), chunk.size());
        if (count == 0) break;
        Write(std::string_view(chunk).substr(0, count));
    }
}

// --- listening -----------------------------------------------------------

void TSocketClient::Listen(const std::string& localAddress) {
    Report(kStatusTrace, "Listening");
    CheckPort(Port, 0);
    OpenSocket();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!localAddress.empty() && !ParseDottedAddress(localAddress, local.sin_addr)) {
        RaiseSocketError(EINVAL);
    }
    local.sin_port = htons(static_cast<std::uint16_t>(Port));
    if (::bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(socket_.Get(), 1) != 0) {
        const int error = errno;
        CloseSocket(false);
        RaiseSocketError(error);
    }
    state_ = State::Listening;
}

SocketHandle TSocketClient::Accept() {
    Report(kStatusDetail, "Accepting");
    for (;;) {
        const WaitEnd end = Wait([this] { return acceptPending_ || acceptError_ || state_ != State::Listening; });
        if (end == WaitEnd::Aborted) throw ESockError("Accepting Canceled");
        if (end == WaitEnd::TimedOut) RaiseTimedOut();
        if (acceptError_ || state_ != State::Listening) throw ESockError("Error creating Data Connection");
        acceptPending_ = false;
        const int accepted = ::accept4(socket_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (accepted >= 0) return SocketHandle(accepted);
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
            throw ESockError("Error creating Data Connection");
        }
    }
}

void TSocketClient::AttachAccepted(SocketHandle accepted) {
    CloseSocket(false);
    socket_ = std::move(accepted);
    const linger noLinger{1, 0};
    ::setsockopt(socket_.Get(), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    received_.Clear();
    receiveError_ = 0;
    state_ = State::Connected;
    lastActivity_ = std::chrono::steady_clock::now();
}

std::string TSocketClient::LocalAddressText() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    std::string result(text);
    std::replace(result.begin(), result.end(), '.', ',');
    return result;
}

std::string TSocketClient::LocalPortText() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
    const unsigned port = ntohs(local.sin_port);
    return base::Format(",%u,%u", port >> 8, port & 0xff);
}

}  // namespace net
