#include "net/HttpClient.h"
#include "NetErrors.h"
#include "net/ServerProcess.h"
#include "support/TempDir.h"

#include "base/Format.h"
#include "base/Stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>

namespace net {
namespace {

using nettest::ServerProcess;

class HttpSession : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 random(5);
        content.resize(300000);
        for (char& c : content) c = static_cast<char>(random());
        std::ofstream(root.File("model.bin"), std::ios::binary) << content;
        server = std::make_unique<ServerProcess>("http_server.py", std::vector<std::string>{root.Path().string()});
        client.TimeOut = 5000;
        client.OnFailure = [this](int command) { failures.push_back(command); };
        client.OnSuccess = [this](int command) { successes.push_back(command); };
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server->Port()) + path;
    }

    testsupport::TempDir root;
    std::string content;
    std::unique_ptr<ServerProcess> server;
    THttpClient client;
    std::vector<int> failures;
    std::vector<int> successes;
};

TEST_F(HttpSession, WholeFileInMemory) {
    int packets = 0;
    client.OnPacketRecvd = [&] {
        ++packets;
        EXPECT_EQ(client.BytesExpected, 300000);
        EXPECT_LE(client.BytesReceived, 300000);
    };
    int disconnects = 0;
    client.OnDisconnect = [&] { ++disconnects; };
    client.Get(Url("/model.bin"));
    EXPECT_EQ(client.ReplyNumber(), 200);
    // Once when the server closes after the content, once when the client closes its side.
    EXPECT_EQ(disconnects, 2);
    EXPECT_TRUE(client.Body == content);
    EXPECT_EQ(client.Header.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << client.Header;
    EXPECT_NE(client.Header.find("Content-Length: 300000\r\n"), std::string::npos);
    EXPECT_EQ(client.Header.substr(client.Header.size() - 4), "\r\n\r\n");
    EXPECT_EQ(client.BytesExpected, 300000);
    EXPECT_GT(packets, 0);
    EXPECT_EQ(successes, std::vector<int>{0});
    EXPECT_TRUE(failures.empty());
    EXPECT_FALSE(client.Connected());
}

TEST_F(HttpSession, WholeFileInFileMode) {
    client.InputFileMode = true;
    client.OutputFileMode = true;
    client.Body = root.File("fetched.bin");
    client.Header = root.File("head.txt");
    client.Get(Url("/model.bin"));
    EXPECT_TRUE(base::ReadWholeFile(root.File("fetched.bin")) ==
                std::vector<std::uint8_t>(content.begin(), content.end()));
    const std::vector<std::uint8_t> head = base::ReadWholeFile(root.File("head.txt"));
    EXPECT_EQ(std::string(head.begin(), head.begin() + 17), "HTTP/1.0 200 OK\r\n");
}

TEST_F(HttpSession, ContentWithoutLength) {
    client.Get(Url("/nolength"));
    EXPECT_EQ(client.BytesExpected, 0);
    EXPECT_EQ(client.Body, std::string(100000, 'n'));
}

TEST_F(HttpSession, HeaderEndsWithTheData) {
    client.Get(Url("/headonly"));
    EXPECT_EQ(client.ReplyNumber(), 200);
    EXPECT_EQ(client.Header, "HTTP/1.0 200 OK\r\nX-Note: no empty line follows\r\n");
    EXPECT_EQ(client.Body, "");
    EXPECT_EQ(successes, std::vector<int>{0});
}

TEST_F(HttpSession, EndlessHeaderEndsTheRequest) {
    try {
        client.Get(Url("/endless"));
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Header larger than 1048576 bytes");
    }
    EXPECT_FALSE(client.Connected());
}

TEST_F(HttpSession, ResetConnectionIsNoSuccess) {
    for (const bool fileMode : {false, true}) {
        client.InputFileMode = fileMode;
        client.Body = fileMode ? root.File("reset.bin") : std::string();
        try {
            client.Get(Url("/reset"));
            ADD_FAILURE() << fileMode;
        } catch (const ESockError& error) {
            EXPECT_STREQ(error.what(), "10054:Connection reset by peer");
        }
        EXPECT_TRUE(successes.empty());
        EXPECT_FALSE(client.Connected());
    }
}

TEST_F(HttpSession, RequestHeaderArrivesInItsOrder) {
    client.Get(Url("/echo"));
    EXPECT_EQ(client.Body,
              "GET /echo HTTP/1.0\r\n"
              "Host: 127.0.0.1\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n");
}

TEST_F(HttpSession, ProxyGetsTheWholeAddress) {
    client.Proxy = "127.0.0.1";
    client.ProxyPort = server->Port();
    client.Get("http://www.example.invalid/echo");
    EXPECT_EQ(client.Body.rfind("GET http://www.example.invalid/echo HTTP/1.0\r\n"
                                "Proxy-Connection: Keep-Alive\r\n"
                                "Host: www.example.invalid\r\n",
                                0),
              0u)
        << client.Body;
}

TEST_F(HttpSession, InvalidHostHandlerMayNameAnotherHost) {
    client.OnInvalidHost = [&](bool& handled) {
        client.Host = "127.0.0.1";
        handled = true;
    };
    client.Get("http://nohost.invalid:" + std::to_string(server->Port()) + "/echo");
    EXPECT_EQ(client.ReplyNumber(), 200);
    // The request header was made before the connection, with the host of the address.
    EXPECT_EQ(client.Body.rfind("GET /echo HTTP/1.0\r\nHost: nohost.invalid\r\n", 0), 0u) << client.Body;
}

TEST_F(HttpSession, RedirectionToAnotherHostCarriesTheCookie) {
    int redirects = 0;
    int resolved = 0;
    int aboutToSend = 0;
    client.OnRedirect = [&](bool&) { ++redirects; };
    client.OnHostResolved = [&] { ++resolved; };
    client.OnAboutToSend = [&] { ++aboutToSend; };
    client.Get(Url("/redirect"));
    EXPECT_EQ(redirects, 1);
    // The dotted address needs no lookup; the host name of the redirection does.
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(aboutToSend, 2);
    EXPECT_EQ(client.Host, "localhost");
    EXPECT_EQ(client.Address(), "http://localhost:" + std::to_string(server->Port()) + "/echo");
    EXPECT_EQ(client.HeaderInfo.Cookie, "session=abc");
    EXPECT_EQ(client.Body.rfind("GET /echo HTTP/1.0\r\nHost: localhost\r\n", 0), 0u) << client.Body;
    EXPECT_NE(client.Body.find("Cookie: session=abc\r\n"), std::string::npos);
    EXPECT_EQ(successes, std::vector<int>{0});
}

TEST_F(HttpSession, RelativeRedirectionStaysOnTheServer) {
    client.Get(Url("/relative"));
    EXPECT_EQ(client.ReplyNumber(), 200);
    EXPECT_EQ(client.Body.rfind("GET /echo HTTP/1.0\r\n", 0), 0u) << client.Body;
}

// A relative Location keeps the scheme, host and port of the request; a path
// without a leading "/" is relative to the requested folder.
TEST_F(HttpSession, RelativeRedirectionKeepsTheServerAndItsPort) {
    const std::string origin = Url("");
    const struct {
        std::string requested;
        std::string requestLine;
    } cases[] = {
        {"/dir/goto?echo", "GET /dir/echo HTTP/1.0\r\n"},
        {"/dir/goto?sub%2Fecho", "GET /dir/sub/echo HTTP/1.0\r\n"},
        {"/dir/goto?%2Fecho", "GET /echo HTTP/1.0\r\n"},
        {"/dir/goto?%2F%2F127.0.0.1:" + std::to_string(server->Port()) + "%2Fecho", "GET /echo HTTP/1.0\r\n"},
    };
    for (const auto& c : cases) {
        client.Get(origin + c.requested);
        EXPECT_EQ(client.ReplyNumber(), 200) << c.requested;
        EXPECT_EQ(client.Body.rfind(c.requestLine, 0), 0u) << c.requested << ": " << client.Body;
        const std::string path = c.requestLine.substr(4, c.requestLine.find(' ', 4) - 4);
        EXPECT_EQ(client.Address(), origin + path) << c.requested;
    }
}

// Anything but "HTTP/" + version + space + three digits (100 to 599) fails the
// request: reply number kMalformedReply, OnFailure, the content still delivered.
TEST_F(HttpSession, MalformedStatusLineFailsTheRequest) {
    const struct {
        std::string statusLine;
        int replyNumber;
    } cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {"HTTP/1.0 204", 204},
        {"HTTP/2 404 Not Found", 404},
        {"HTP/1.1 2OO OK", kMalformedReply},
        {"HTTP/1.1 2OO OK", kMalformedReply},
        {std::string("\x01\xfe\x00\x7f garbage", 12), kMalformedReply},
        {"HTTP/1.1", kMalformedReply},
        {"HTTP/1.1 ", kMalformedReply},
        {"HTTP/1.1 2000 OK", kMalformedReply},
        {"HTTP/1.1 -200 OK", kMalformedReply},
        {"HTTP/1.1 20 OK", kMalformedReply},
        {"HTTP/1.1 200OK", kMalformedReply},
        {"HTTP/1.1  200 OK", kMalformedReply},
        {"HTTP/x 200 OK", kMalformedReply},
        {"http/1.1 200 OK", kMalformedReply},
        {"HTTP/1.1 099 Low", kMalformedReply},
        {"HTTP/1.1 600 High", kMalformedReply},
    };
    for (const auto& c : cases) {
        std::string hex;
        for (const unsigned char byte : c.statusLine) hex += base::Format("%02x", byte);
        successes.clear();
        failures.clear();
        client.Get(Url("/raw?" + hex));
        EXPECT_EQ(client.ReplyNumber(), c.replyNumber) << c.statusLine;
        const bool failed = c.replyNumber == kMalformedReply || c.replyNumber > 399;
        EXPECT_EQ(ReplyFailed(client.ReplyNumber()), failed) << c.statusLine;
        EXPECT_EQ(failures, failed ? std::vector<int>{0} : std::vector<int>{}) << c.statusLine;
        EXPECT_EQ(successes, failed ? std::vector<int>{} : std::vector<int>{0}) << c.statusLine;
        EXPECT_EQ(client.Body, "body") << c.statusLine;
    }
}

TEST_F(HttpSession, ContentGoesIntoTheGivenStream) {
    base::MemoryStream content(std::vector<std::uint8_t>(10, 'z'));
    client.ContentStream = &content;
    client.Get(Url("/model.bin"));
    EXPECT_TRUE(content.Bytes() == std::vector<std::uint8_t>(this->content.begin(), this->content.end()));
    EXPECT_EQ(content.Position(), 0u);
    EXPECT_EQ(client.Body, "Default.htm");
    // Each response empties it: only the last one of a redirection is left.
    client.Get(Url("/redirect"));
    const std::string echo(content.Bytes().begin(), content.Bytes().end());
    EXPECT_EQ(echo.rfind("GET /echo HTTP/1.0\r\n", 0), 0u) << echo;
}

// A server that sends a byte every 0.1 s never stays silent for TimeOut; the
// deadline ends the request however far it got.
TEST_F(HttpSession, DeadlineEndsATricklingResponse) {
    for (const char* path : {"/trickle", "/trickle-header"}) {
        client.Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        const auto start = std::chrono::steady_clock::now();
        try {
            client.Get(Url(path));
            ADD_FAILURE() << path;
        } catch (const ESockError& error) {
            EXPECT_STREQ(error.what(), kDeadlineMessage) << path;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << path;
        EXPECT_TRUE(client.TimedOut()) << path;
        EXPECT_FALSE(client.Connected()) << path;
        EXPECT_TRUE(successes.empty()) << path;
    }
}

TEST_F(HttpSession, HandledRedirectionStops) {
    client.OnRedirect = [](bool& handled) { handled = true; };
    client.Get(Url("/redirect"));
    EXPECT_EQ(client.ReplyNumber(), 302);
    EXPECT_EQ(client.Body, "moved");
}

TEST_F(HttpSession, RedirectionLoopEnds) {
    int redirects = 0;
    client.OnRedirect = [&](bool&) { ++redirects; };
    try {
        client.Get(Url("/loop"));
        FAIL();
    } catch (const base::Exception& error) {
        EXPECT_STREQ(error.what(), "Too many redirections");
    }
    EXPECT_EQ(redirects, kMaxRedirections + 1);
    EXPECT_FALSE(client.Connected());
}

// Only 301, 302, 303, 307 and 308 are followed, and only to an http:// address
// whose Location holds no line break; a refused one ends with an error and no
// second request, and any other reply number is the final response.
TEST_F(HttpSession, OnlyRedirectionsToHttpAddressesAreFollowed) {
    const std::string echo = "GET /echo HTTP/1.0\r\n";
    const std::string origin = Url("");
    const struct {
        std::string response;  // status and header lines before the test server's own
        int replyNumber;
        std::string bodyStart;
        std::string error;
    } cases[] = {
        {"HTTP/1.0 301 Moved\r\nLocation: /echo", 200, echo, ""},
        {"HTTP/1.0 303 See Other\r\nLocation: /echo", 200, echo, ""},
        {"HTTP/1.0 307 Temporary\r\nLocation: /echo", 200, echo, ""},
        {"HTTP/1.0 308 Permanent\r\nLocation: " + origin + "/echo", 200, echo, ""},
        {"HTTP/1.0 299 Odd\r\nLocation: /echo", 299, "body", ""},
        {"HTTP/1.0 300 Choices\r\nLocation: /echo", 300, "body", ""},
        {"HTTP/1.0 304 Not Modified\r\nLocation: /echo", 304, "body", ""},
        {"HTTP/1.0 302 Found\r\nLocation: /echo\rX-Injected: yes", 302, "",
         "Redirection refused: its Location holds a CR, LF or NUL character"},
        {"HTTP/1.0 302 Found\r\nLocation: ftp" + origin.substr(4) + "/", 302, "",
         "Redirection to ftp: refused: only http:// addresses are followed"},
        {"HTTP/1.0 302 Found", 302, "", "Redirection 302 without a Location"},
    };
    for (const auto& c : cases) {
        std::string hex;
        for (const unsigned char byte : c.response) hex += base::Format("%02x", byte);
        int requests = 0;
        client.OnAboutToSend = [&] { ++requests; };
        std::string error;
        try {
            client.Get(Url("/raw?" + hex));
        } catch (const base::Exception& raised) {
            error = raised.what();
        }
        EXPECT_EQ(error, c.error) << c.response;
        EXPECT_EQ(client.ReplyNumber(), c.replyNumber) << c.response;
        EXPECT_EQ(requests, c.replyNumber == 200 ? 2 : 1) << c.response;
        EXPECT_EQ(client.Body.rfind(c.bodyStart, 0), 0u) << c.response << ": " << client.Body;
        EXPECT_FALSE(client.Connected()) << c.response;
    }
}

TEST_F(HttpSession, MissingFileKeepsItsPageInBody) {
    client.Get(Url("/missing"));
    EXPECT_EQ(client.ReplyNumber(), 404);
    EXPECT_EQ(client.Body, "<html><body>No such file</body></html>");
    EXPECT_EQ(failures, std::vector<int>{0});
    EXPECT_TRUE(successes.empty());
}

TEST_F(HttpSession, ServerThatStopsSendingTimesOut) {
    client.TimeOut = 500;
    const auto start = std::chrono::steady_clock::now();
    try {
        client.Get(Url("/stall"));
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "10060:Connection timed out");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(client.Connected());
}

TEST_F(HttpSession, AbortEndsTheContent) {
    // The window's cancel command runs inside the pump, once the header is in.
    TSocketClient::SetPumpHook([&] {
        if (client.BytesExpected == 1000) client.Cancel();
    });
    try {
        client.Get(Url("/stall"));
        ADD_FAILURE();
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket capture aborted");
    }
    TSocketClient::SetPumpHook({});
    EXPECT_FALSE(client.Connected());
}

TEST(HttpClient, RefusedConnectionReportsTheTableText) {
    THttpClient client;
    client.TimeOut = 5000;
    std::vector<std::string> errors;
    int failed = 0;
    client.OnError = [&](int code, const std::string& message) {
        errors.push_back(std::to_string(code) + " " + message);
    };
    client.OnConnectionFailed = [&] { ++failed; };
    EXPECT_THROW(client.Get("http://127.0.0.1:" + std::to_string(nettest::UnusedPort()) + "/a.3ds"), ESockError);
    EXPECT_EQ(errors, std::vector<std::string>{"10061 10061:Connection refused"});
    EXPECT_FALSE(client.Connected());
}

TEST(HttpClient, UnknownHostRaisesInvalidHost) {
    THttpClient client;
    client.TimeOut = 5000;
    int invalid = 0;
    client.OnInvalidHost = [&](bool&) { ++invalid; };
    try {
        client.Get("http://nohost.invalid/a.3ds");
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Null Remote Address");
    }
    EXPECT_EQ(invalid, 1);
}

TEST(HttpClient, EmptyAddressIsRefused) {
    THttpClient client;
    try {
        client.Get("");
        FAIL();
    } catch (const base::Exception& error) {
        EXPECT_STREQ(error.what(), "Empty URL");
    }
}

}  // namespace
}  // namespace net
