#include "net/HttpClient.h"
#include "NetErrors.h"
#include "net/SocketClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace net {
namespace {

// A client whose connection is one end of a local socket pair; the test holds the other.
class PairedSocket : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
        client.AttachAccepted(SocketHandle(fds[0]));
        peer = SocketHandle(fds[1]);
        client.TimeOut = 3000;
    }
    void PeerSends(const std::string& bytes) {
        ASSERT_EQ(::send(peer.Get(), bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }
    std::string PeerReceives() {
        std::string bytes;
        char buffer[4096];
        ssize_t count;
        while ((count = ::recv(peer.Get(), buffer, sizeof buffer, 0)) > 0) bytes.append(buffer, count);
        return bytes;
    }

    TSocketClient client;
    SocketHandle peer;
};

TEST_F(PairedSocket, ReadLineTakesOneLineAndKeepsTheRest) {
    PeerSends("first\r\nsecond\r\nthird");
    EXPECT_EQ(client.ReadLine(), "first\r\n");
    EXPECT_EQ(client.BufferedCount(), std::string("second\r\nthird").size());
    EXPECT_EQ(client.ReadLine(), "second\r\n");
    peer.Reset();
    // A last line without a line feed is still delivered once the peer has closed.
    EXPECT_EQ(client.ReadLine(), "third");
    EXPECT_FALSE(client.Connected());
    EXPECT_THROW(client.ReadLine(), base::Exception);
}

TEST_F(PairedSocket, PeerCloseIsReportedAndRaised) {
    std::vector<std::string> texts;
    int disconnects = 0;
    client.ReportLevel = 4;
    client.OnStatus = [&](const std::string& text) { texts.push_back(text); };
    client.OnDisconnect = [&] { ++disconnects; };
    PeerSends("last words");
    peer.Reset();
    EXPECT_EQ(client.CaptureString(), "last words");
    EXPECT_EQ(texts, std::vector<std::string>{"Request Close Socket"});
    EXPECT_EQ(disconnects, 1);
}

TEST_F(PairedSocket, TransactionReadsTheReplyNumber) {
    PeerSends("257 \"/ximg\" is current directory.\r\n");
    EXPECT_EQ(client.Transaction("PWD"), "257 \"/ximg\" is current directory.\r\n");
    EXPECT_EQ(client.ReplyNumber(), 257);
    EXPECT_EQ(PeerReceives(), "PWD\r\n");
    PeerSends("no number\r\n");
    client.Transaction("X");
    EXPECT_EQ(client.ReplyNumber(), 0);
}

TEST_F(PairedSocket, OverlongLineEndsTheRead) {
    PeerSends(std::string(kMaxLineLength + 10, 'a'));
    try {
        client.ReadLine();
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Line longer than 65536 bytes");
    }
}

TEST_F(PairedSocket, SilentPeerTimesOutReadsWithTheTableText) {
    client.TimeOut = 200;
    int errorCode = 0;
    client.OnError = [&](int code, const std::string&) { errorCode = code; };
    const auto start = std::chrono::steady_clock::now();
    try {
        client.ReadLine();
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "10060:Connection timed out");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(errorCode, 10060);
    EXPECT_TRUE(client.TimedOut());
}

TEST_F(PairedSocket, AbortEndsEveryWaitWithItsText) {
    const struct {
        const char* text;
        std::function<void(TSocketClient&)> wait;
        bool flagStays;
    } cases[] = {
        {"Socket readln aborted", [](TSocketClient& c) { c.ReadLine(); }, true},
        {"Socket send aborted", [](TSocketClient& c) { c.ReadBytes(10); }, false},
        {"Socket capture aborted", [](TSocketClient& c) { c.CaptureString(); }, false},
        {"Socket send aborted", [](TSocketClient& c) { c.Write(std::string(std::size_t{8} << 20, 'w')); }, false},
    };
    for (const auto& c : cases) {
        client.TimeOut = 0;
        int rounds = 0;
        TSocketClient::SetPumpHook([&] {
            if (++rounds == 5) client.Cancel();
        });
        try {
            c.wait(client);
            ADD_FAILURE() << c.text;
        } catch (const EAbortError& error) {
            EXPECT_STREQ(error.what(), c.text);
        }
        EXPECT_EQ(client.Aborted(), c.flagStays) << c.text;
        TSocketClient::SetPumpHook({});
        client.ReadBytes(0);  // clears nothing but proves the socket still works
    }
}

TEST_F(PairedSocket, CaptureCountsAndReportsPackets) {
    const std::string content(100000, 'c');
    int packets = 0;
    client.OnPacketRecvd = [&] { ++packets; };
    PeerSends(content.substr(0, 40000));
    const std::string head = client.ReadBytes(10);
    PeerSends(content.substr(40000));
    peer.Reset();
    const std::string rest = client.CaptureString();
    EXPECT_EQ(head + rest, content);
    EXPECT_GT(packets, 0);
    EXPECT_GT(client.BytesReceived, 0);
    EXPECT_LE(client.BytesReceived, static_cast<std::int64_t>(content.size()));
}

// A peer that sends a byte every 10 ms keeps TimeOut from ever firing; the deadline
// still ends every kind of wait. Sending by the clock rather than by the round keeps
// a fast machine from filling a whole line before the deadline.
TEST_F(PairedSocket, DeadlineEndsWaitsOnABusyConnection) {
    const struct {
        const char* name;
        std::function<void(TSocketClient&)> wait;
    } cases[] = {
        {"ReadLine", [](TSocketClient& c) { c.ReadLine(); }},
        {"ReadBytes", [](TSocketClient& c) { c.ReadBytes(1 << 20); }},
        {"CaptureString", [](TSocketClient& c) { c.CaptureString(); }},
        {"Write", [](TSocketClient& c) { c.Write(std::string(std::size_t{8} << 20, 'w')); }},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        auto lastSent = start;
        // Should the deadline not hold, the abort flag ends the wait instead of the test hanging.
        TSocketClient::SetPumpHook([&] {
            const auto now = std::chrono::steady_clock::now();
            if (now - lastSent >= std::chrono::milliseconds(10)) {
                ::send(peer.Get(), "x", 1, MSG_NOSIGNAL);
                lastSent = now;
            }
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(3)) client.Cancel();
        });
        client.Deadline = start + std::chrono::milliseconds(200);
        try {
            c.wait(client);
            ADD_FAILURE() << c.name;
        } catch (const base::Exception& error) {
            EXPECT_NE(dynamic_cast<const ESockError*>(&error), nullptr) << c.name;
            EXPECT_STREQ(error.what(), kDeadlineMessage) << c.name;
        }
        TSocketClient::SetPumpHook({});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
        EXPECT_TRUE(client.TimedOut()) << c.name;
        client.Deadline.reset();
        client.ReadBytes(0);
        PeerReceives();
    }
}

TEST_F(PairedSocket, ConnectWhileConnectedIsRefused) {
    try {
        client.Connect();
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Already connected");
    }
}

// A port outside 1 to 65535 is refused before any connection: narrowed to 16 bits,
// the port 65536 above the listener's would reach the listener.
TEST(SocketClient, PortOutsideTheRangeIsRefusedWithoutConnecting) {
    TSocketClient listener;
    listener.TimeOut = 200;
    listener.Listen("127.0.0.1");
    unsigned high = 0, low = 0;
    ASSERT_EQ(std::sscanf(listener.LocalPortText().c_str(), ",%u,%u", &high, &low), 2);
    const int port = static_cast<int>(high * 256 + low);
    const struct {
        int port;
        bool viaProxy;
    } cases[] = {{port + 65536, false}, {port - 65536, false}, {0, false}, {port + 65536, true}, {-1, true}};
    for (const auto& c : cases) {
        TSocketClient client;
        client.TimeOut = 3000;
        client.Host = "127.0.0.1";
        client.Port = c.viaProxy ? port : c.port;
        if (c.viaProxy) {
            client.Proxy = "127.0.0.1";
            client.ProxyPort = c.port;
        }
        try {
            client.Connect();
            ADD_FAILURE() << c.port;
        } catch (const ESockError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Invalid port number " + std::to_string(c.port) + ": a port is a whole number from 1 to 65535");
        }
        EXPECT_FALSE(client.Connected());
    }
    EXPECT_THROW(listener.Accept(), ESockError);
    TSocketClient wide;
    wide.Port = 65536;
    EXPECT_THROW(wide.Listen("127.0.0.1"), ESockError);
}

TEST(SocketClient, ListenAcceptAndPortText) {
    TSocketClient listener;
    listener.TimeOut = 3000;
    listener.Listen("127.0.0.1");
    const std::string portText = listener.LocalPortText();
    unsigned high = 0, low = 0;
    ASSERT_EQ(std::sscanf(portText.c_str(), ",%u,%u", &high, &low), 2) << portText;

    TSocketClient client;
    client.TimeOut = 3000;
    client.Host = "127.0.0.1";
    client.Port = static_cast<int>(high * 256 + low);
    bool connected = false;
    client.OnConnect = [&] { connected = true; };
    client.Connect();
    EXPECT_TRUE(connected);
    EXPECT_EQ(client.LocalAddressText(), "127,0,0,1");

    listener.AttachAccepted(listener.Accept());
    client.WriteLine("hello");
    EXPECT_EQ(listener.ReadLine(), "hello\r\n");
    bool disconnected = false;
    client.OnDisconnect = [&] { disconnected = true; };
    client.Disconnect();
    EXPECT_TRUE(disconnected);
    EXPECT_FALSE(client.Connected());
}

// A loopback listener whose queue is full: further connections get no answer.
class FullListener {
public:
    FullListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(::listen(listener_.Get(), 0), 0);
        EXPECT_EQ(::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
        port_ = ntohs(address.sin_port);
        EXPECT_EQ(::connect(queued_.Get(), reinterpret_cast<sockaddr*>(&address), length), 0);
    }
    int Port() const { return port_; }

private:
    SocketHandle listener_{::socket(AF_INET, SOCK_STREAM, 0)};
    SocketHandle queued_{::socket(AF_INET, SOCK_STREAM, 0)};
    int port_ = 0;
};

TEST(SocketClient, ConnectionWithoutAnswerTimesOut) {
    const FullListener listener;
    TSocketClient socket;
    THttpClient http;
    for (TSocketClient* client : {&socket, static_cast<TSocketClient*>(&http)}) {
        client->Host = "127.0.0.1";
        client->Port = listener.Port();
        client->TimeOut = 300;
        int failed = 0;
        client->OnConnectionFailed = [&] { ++failed; };
        const auto start = std::chrono::steady_clock::now();
        try {
            client->Connect();
            ADD_FAILURE();
        } catch (const ESockError& error) {
            EXPECT_STREQ(error.what(), "Connection Timed out");
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(failed, 1);
        EXPECT_TRUE(client->TimedOut());
        EXPECT_FALSE(client->Connected());
    }
}

TEST(SocketClient, AcceptEndsOnAbortOrTimeOut) {
    TSocketClient listener;
    listener.Listen("127.0.0.1");
    int rounds = 0;
    TSocketClient::SetPumpHook([&] {
        if (++rounds == 5) listener.Cancel();
    });
    try {
        listener.Accept();
        ADD_FAILURE();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Accepting Canceled");
    }
    TSocketClient::SetPumpHook({});
    EXPECT_TRUE(listener.Aborted());

    TSocketClient quiet;
    quiet.TimeOut = 200;
    quiet.Listen("127.0.0.1");
    try {
        quiet.Accept();
        ADD_FAILURE();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "10060:Connection timed out");
    }
}

TEST(SocketClient, StatusTextsFollowTheReportLevel) {
    TSocketClient client;
    std::vector<std::string> texts;
    client.OnStatus = [&](const std::string& text) { texts.push_back(text); };
    client.ReportLevel = 4;
    client.Cancel();
    EXPECT_TRUE(texts.empty());
    client.ReportLevel = 8;
    client.Cancel();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Canceling");
    EXPECT_EQ(client.StatusText, "Canceling");
}

TEST(SocketClient, NotConnectedUnlessTheRequiredHandlerConnects) {
    TSocketClient client;
    int asked = 0;
    client.OnConnectionRequired = [&](bool&) { ++asked; };
    try {
        client.CertifyConnect();
        FAIL();
    } catch (const base::Exception& error) {
        EXPECT_STREQ(error.what(), "Not Connected");
    }
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace net
