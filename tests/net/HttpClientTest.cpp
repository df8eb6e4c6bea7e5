#include "net/HttpClient.h"
#include "net/NetErrors.h"
#include "net/ServerProcess.h"
#include "support/TempDir.h"

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
