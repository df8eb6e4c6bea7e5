// scripts/model-server on loopback, HTTP on a free port: what it serves, what it
// refuses, and that no client can hold it.
#include "net/FtpClient.h"
#include "net/ListingRow.h"
#include "net/ServerProcess.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

#include "base/Stream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

const std::string kModelServer = std::string(KORVANE_SOURCE_DIR) + "/scripts/model-server";
constexpr int kWaitMilliseconds = 30000;  // only a server that never answers comes near it

// A TCP connection to a loopback port, read with a bound on every wait.
class Connection {
public:
    explicit Connection(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << "port " << port;
    }
    ~Connection() {
        if (fd_ >= 0) ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Send(const std::string& text) {
        EXPECT_EQ(::send(fd_, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
    }

    // The next line, without its line end; empty when the peer closed or went silent.
    std::string ReadLine() {
        while (buffer_.find('\n') == std::string::npos && Receive()) {
        }
        const std::size_t end = buffer_.find('\n');
        if (end == std::string::npos) return {};
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    // Everything up to the peer's close; false when it stayed open.
    bool ReadToClose(std::string& text) {
        while (Receive()) {
        }
        text = buffer_;
        return closed_;
    }

private:
    bool Receive() {
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, kWaitMilliseconds) <= 0) return false;
        char chunk[4096];
        const ssize_t count = ::recv(fd_, chunk, sizeof chunk, 0);
        closed_ = count <= 0;
        if (closed_) return false;
        buffer_.append(chunk, static_cast<std::size_t>(count));
        return true;
    }

    int fd_;
    std::string buffer_;
    bool closed_ = false;
};

class ModelServer : public ::testing::Test {
protected:
    void SetUp() override {
        Save("box.3ds", "model");
        Save("my model.3ds", "model");
        Save("ev\r\n-rw-r--r-- 1 u g 9 Dec 7 08:10 forged.3ds", "x");
        std::filesystem::create_directory_symlink("/", folder.Path() / "escape");
        std::filesystem::create_symlink(folder.File("box.3ds"), folder.Path() / "inside.3ds");
        std::filesystem::create_directory(folder.Path() / "sub");
        std::filesystem::create_symlink("/etc/passwd", folder.Path() / "sub" / "index.html");
        ASSERT_EQ(::mkfifo(folder.File("fifo.3ds").c_str(), 0600), 0);
    }
    // The server with a free HTTP port; silent connections closed after idleSeconds.
    void Start(const std::string& idleSeconds = "60") {
        httpPort = nettest::UnusedPort();
        server = std::make_unique<nettest::ServerProcess>(
            kModelServer, std::vector<std::string>{folder.Path().string(), "--ftp-port", "0", "--http-port",
                                                   std::to_string(httpPort), "--idle-timeout", idleSeconds});
    }
    void Save(const std::string& name, const std::string& text) {
        base::WriteFileAtomically(folder.File(name), text.data(), text.size());
    }

    // The status code of a GET of path, and the body.
    std::string Get(const std::string& path, std::string* body = nullptr) {
        Connection http(httpPort);
        http.Send("GET " + path + " HTTP/1.0\r\n\r\n");
        std::string reply;
        EXPECT_TRUE(http.ReadToClose(reply)) << path;
        if (body) *body = reply.substr(reply.find("\r\n\r\n") + 4);
        return reply.substr(9, 3);
    }

    // A logged-in FTP control connection.
    std::unique_ptr<Connection> LogIn() {
        auto ftp = std::make_unique<Connection>(server->Port());
        EXPECT_EQ(ftp->ReadLine().substr(0, 3), "220");
        ftp->Send("USER anonymous\r\n");
        EXPECT_EQ(ftp->ReadLine().substr(0, 3), "331");
        ftp->Send("PASS guest\r\n");
        EXPECT_EQ(ftp->ReadLine().substr(0, 3), "230");
        return ftp;
    }

    testsupport::TempDir folder;
    int httpPort = 0;
    std::unique_ptr<nettest::ServerProcess> server;
};

TEST_F(ModelServer, HttpServesRegularFilesInsideTheFolderOnly) {
    Start();
    const struct {
        const char* path;
        const char* status;
    } cases[] = {
        {"/ximg/box.3ds", "200"},
        {"/ximg/my%20model.3ds", "200"},
        {"/ximg/inside.3ds", "200"},
        {"/ximg/", "200"},
        {"/ximg/escape/etc/passwd", "404"},
        {"/ximg/escape/", "404"},
        // A folder's index.html is not served in the folder's place.
        {"/ximg/sub/index.html", "404"},
        {"/ximg/sub/", "200"},
        {"/ximg/..%2F..%2F..%2Fetc/passwd", "404"},
        {"/ximg/fifo.3ds", "404"},
        {"/ximg/a%00b.3ds", "400"},
        {"/ximg/box.3ds%00", "400"},
        {"/box.3ds", "404"},
    };
    for (const auto& c : cases) {
        std::string body;
        EXPECT_EQ(Get(c.path, &body), c.status) << c.path;
        EXPECT_EQ(body.find("root:"), std::string::npos) << c.path;
    }
    // The server still answers after all of them.
    EXPECT_EQ(Get("/ximg/box.3ds"), "200");
}

// A FIFO is refused at once and the FTP side goes on serving; a name holding a line
// break is left out of the listing, so no row can be forged.
TEST_F(ModelServer, FtpRefusesAFifoAndListsNoForgedRow) {
    Start();
    const std::unique_ptr<Connection> ftp = LogIn();
    ftp->Send("RETR fifo.3ds\r\n");
    EXPECT_EQ(ftp->ReadLine().substr(0, 3), "550");
    LogIn();

    net::TFtpClient client;
    client.Host = "127.0.0.1";
    client.Port = server->Port();
    client.TimeOut = 10000;
    client.UserID = "anonymous";
    client.Password = "guest";
    std::vector<std::string> names;
    client.OnListItem = [&](const std::string& line) { names.push_back(net::ListingLineToRow(line).value().Name); };
    client.Connect();
    client.ListFolder();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"box.3ds", "escape", "fifo.3ds", "inside.3ds", "my model.3ds", "sub"}));
}

TEST_F(ModelServer, SilentConnectionsAreClosed) {
    Start("1");
    Connection http(httpPort);
    http.Send("GET /ximg/box.3ds HTTP/1.0\r\n");
    std::string text;
    EXPECT_TRUE(http.ReadToClose(text)) << "half a request held the HTTP connection";
    EXPECT_EQ(text.find("model"), std::string::npos);

    const std::unique_ptr<Connection> ftp = LogIn();
    EXPECT_TRUE(ftp->ReadToClose(text)) << "an idle FTP session was not closed";
    EXPECT_EQ(text.substr(0, 3), "421");
}

TEST(ModelServerHost, EmptyHostIsRefusedAndOtherMachinesAreWarnedOf) {
    const testsupport::TempDir folder;
    const testsupport::ProcessResult empty =
        testsupport::RunProcess({kModelServer, folder.Path().string(), "--host", ""});
    EXPECT_NE(empty.exitCode, 0);
    EXPECT_NE(empty.err.find("--host is empty"), std::string::npos) << empty.err;
    // A missing folder ends the run before anything listens.
    const testsupport::ProcessResult open =
        testsupport::RunProcess({kModelServer, folder.File("missing"), "--host", "0.0.0.0"});
    EXPECT_NE(open.err.find("warning: 0.0.0.0 is not a loopback address"), std::string::npos) << open.err;
    const testsupport::ProcessResult loopback =
        testsupport::RunProcess({kModelServer, folder.File("missing"), "--host", "localhost"});
    EXPECT_EQ(loopback.err.find("warning"), std::string::npos) << loopback.err;
}

}  // namespace
