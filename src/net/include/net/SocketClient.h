#pragma once
// TSocketClient: one TCP connection on a non-blocking socket, wrapped in
// blocking-style operations. Every wait runs rounds: each round serves the
// readiness of every socket of this thread (in order, on this thread), sleeps at
// most 2 ms in poll() and calls the application's pump hook, so the window stays
// alive while a network call is pending.
#include "base/Stream.h"
#include "net/ByteQueue.h"
#include "net/SocketHandle.h"

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// Receives and sends move at most this many bytes per system call.
constexpr std::size_t kChunkSize = 16383;
// A reply or header line may not be longer than this (line end included).
constexpr std::size_t kMaxLineLength = 64 * 1024;
// Captured content may not be larger than this.
constexpr std::int64_t kMaxCaptureSize = std::int64_t{1} << 30;
// The error text of a read, send or accept that Deadline ended.
constexpr const char* kDeadlineMessage = "Operation time limit reached";

// Levels of the status texts: a text is reported when ReportLevel is at least its level.
enum StatusLevel : int {
    kStatusProtocol = 1,
    kStatusCompleted = 2,
    kStatusDetail = 4,
    kStatusTrace = 8,
    kStatusErrorTrace = 16,
};

class TSocketClient {
public:
    TSocketClient();
    virtual ~TSocketClient();
    TSocketClient(const TSocketClient&) = delete;
    TSocketClient& operator=(const TSocketClient&) = delete;

    // The application's event pump, called once per wait round by every client.
    static void SetPumpHook(std::function<void()> hook);

    std::string Host;
    int Port = 0;
    // Milliseconds; bounds host lookup, connecting, and any read, send or accept
    // that sees no traffic for this long. 0: no limit.
    int TimeOut = 0;
    // When set, every wait ends as timed out once this moment has passed, however
    // busy the connection: an overall bound on the operations that follow, where
    // TimeOut bounds only silence. Reads, sends and accepts then raise
    // kDeadlineMessage; host lookup and connecting raise their time-out texts.
    std::optional<std::chrono::steady_clock::time_point> Deadline;
    int ReportLevel = 0;
    std::string Proxy;
    int ProxyPort = 0;
    std::int64_t BytesExpected = 0;
    std::int64_t BytesReceived = 0;
    std::int64_t BytesSent = 0;
    std::string StatusText;

    std::function<void()> OnConnect;
    std::function<void()> OnDisconnect;
    std::function<void(int code, const std::string& message)> OnError;
    std::function<void(bool& handled)> OnInvalidHost;
    std::function<void()> OnHostResolved;
    std::function<void(bool& handled)> OnConnectionRequired;
    std::function<void(const std::string& text)> OnStatus;
    std::function<void()> OnConnectionFailed;
    std::function<void()> OnPacketRecvd;
    std::function<void()> OnPacketSent;

    bool Connected() const { return state_ == State::Connected; }
    bool TimedOut() const { return timedOut_; }
    bool Aborted() const;
    int ReplyNumber() const { return replyNumber_; }

    void Connect();
    void Disconnect();
    // Sets the abort flag, which ends every wait.
    void Cancel();
    void CertifyConnect();

    void Write(std::string_view bytes);
    void WriteLine(std::string_view text);
    // One line including its line feed. A last line without a line feed is
    // returned as it stands once the peer has closed.
    std::string ReadLine();
    // count bytes (fewer only when the peer closed first); 0: what is buffered.
    std::string ReadBytes(std::size_t count);
    // Waits until bytes are buffered or the peer has closed.
    void AwaitData();
    // Writes command as a line and reads one reply line; sets ReplyNumber.
    std::string Transaction(const std::string& command);
    // Reads until the peer closes (limit < 0) or until limit bytes have come.
    std::string CaptureString(std::int64_t limit = -1);
    // Empties target and reads into it until the peer closes; target is then at position 0.
    void CaptureStream(base::MemoryStream& target);
    void CaptureFile(const std::string& fileName);
    void SendFile(const std::string& fileName);

    // Binds to localAddress (dotted IPv4; empty: every interface) and Port, and listens.
    void Listen(const std::string& localAddress = {});
    // Waits for one incoming connection and returns it.
    SocketHandle Accept();
    // Closes the listening socket and carries on with an accepted connection.
    void AttachAccepted(SocketHandle accepted);

    std::string LocalAddressText() const;
    std::string LocalPortText() const;

    // Lets the abort flag of owner end this socket's waits as well.
    void LinkAbortFlag(const TSocketClient& owner) { linkedAbort_ = &owner.abort_; }
    // Counts every received byte in BytesReceived (from 0), not only during a capture.
    void SetCounting(bool on);

    // Raises the error that ended the connection while receiving, if one did
    // (a reset, unlike a close, means the data did not all come).
    void CheckReceiveError() const;

    std::size_t BufferedCount() const { return received_.Size(); }
    void DiscardBuffered() { received_.Clear(); }

protected:
    void Report(int level, const std::string& text);
    void ClearAbortFlag();
    void SetAbortFlag() { abort_ = true; }
    std::string_view Buffered() const { return received_.View(); }
    static int LeadingNumber(std::string_view line);
    void SetReplyNumber(int number) { replyNumber_ = number; }

    // The connection has been made; raises OnConnect unless a client means something else by it.
    virtual void ConnectNotified();
    // Runs after each receive (the FTP client's closing-reply watch).
    virtual void ReceivedDataCheck() {}
    // Runs when the time limit of a lookup or connection has passed.
    virtual void TimerCancel() {}

private:
    enum class State { Idle, Connecting, Connected, Listening };
    enum class WaitEnd { Done, Aborted, TimedOut };

    friend struct SocketRounds;

    WaitEnd Wait(const std::function<bool()>& done);
    bool DeadlinePassed() const;
    // Marks the client timed out, with its status text.
    void NoteTimedOut();
    // Waits for a lookup or a connection, between the timer's status texts; a wait
    // the time limit ends marks the client timed out and runs TimerCancel.
    WaitEnd TimerWait(const std::function<bool()>& done);
    [[noreturn]] void RaiseTimedOut();
    [[noreturn]] void RaiseSocketError(int systemError);
    void RaiseError(int code);
    std::optional<in_addr> LookUpHost();
    void OpenSocket();
    void CloseSocket(bool notify);
    short PollInterest() const;
    void Serve(short events);
    void ServeConnecting();
    void ReceivePending();
    void SendPending();
    void Capture(std::int64_t limit, const std::function<void(std::string_view)>& sink);

    SocketHandle socket_;
    State state_ = State::Idle;
    ByteQueue received_;
    std::string sendBuffer_;
    std::size_t sendOffset_ = 0;
    std::atomic<bool> abort_{false};
    const std::atomic<bool>* linkedAbort_ = nullptr;
    bool timedOut_ = false;
    bool errorState_ = false;
    int sendError_ = 0;
    int receiveError_ = 0;
    bool acceptPending_ = false;
    bool acceptError_ = false;
    bool counting_ = false;
    bool serving_ = false;
    bool destroying_ = false;
    int replyNumber_ = 0;
    std::chrono::steady_clock::time_point lastActivity_{};
};

}  // namespace net
