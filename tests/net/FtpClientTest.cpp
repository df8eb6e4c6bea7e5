#include "net/FtpClient.h"
#include "net/ListingRow.h"
#include "NetErrors.h"
#include "net/ServerProcess.h"
#include "support/TempDir.h"

#include "base/Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace net {
namespace {

using nettest::ServerProcess;

// A folder tree served by a real FTP server on loopback, and a client for it.
class FtpSession : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile("box.3ds", std::string(2048, 'b'));
        WriteFile("readme.txt", "hello");
        std::filesystem::create_directory(root.Path() / "models");
        WriteFile("models/a.x", "xof 0303txt 0032");
        std::filesystem::create_directory(root.Path() / "many");
        for (int i = 0; i < 500; ++i) WriteFile("many/file" + std::to_string(i) + ".3ds", "m");
    }

    void WriteFile(const std::string& name, const std::string& content) {
        std::ofstream(root.File(name), std::ios::binary) << content;
    }

    void StartServer(std::vector<std::string> options = {}) {
        options.insert(options.begin(), root.Path().string());
        server = std::make_unique<ServerProcess>("ftp_server.py", options);
        StartServer(nullptr);
    }

    void StartServer(std::nullptr_t) {
        client.Host = "127.0.0.1";
        client.Port = server->Port();
        client.TimeOut = 5000;
        client.ReportLevel = 1;
        client.OnStatus = [this](const std::string& text) { statusTexts.push_back(text); };
        client.OnListItem = [this](const std::string& line) { listLines.push_back(line); };
    }

    // The scripted server: replies replaced by "COMMAND=reply" arguments.
    void StartScriptedServer(const std::vector<std::string>& options) {
        server = std::make_unique<ServerProcess>("ftp_script_server.py", options);
        StartServer(nullptr);
    }

    void ConnectAnonymously() {
        client.UserID = "anonymous";
        client.Password = "PubUsr@";
        client.Connect();
    }

    bool StatusSeen(const std::string& start) const {
        return std::any_of(statusTexts.begin(), statusTexts.end(),
                           [&](const std::string& text) { return text.rfind(start, 0) == 0; });
    }

    testsupport::TempDir root;
    std::unique_ptr<ServerProcess> server;
    TFtpClient client;
    std::vector<std::string> statusTexts;
    std::vector<std::string> listLines;
};

TEST_F(FtpSession, AnonymousLoginListsAUnixFolder) {
    StartServer();
    int connects = 0;
    std::vector<int> successes;
    client.OnConnect = [&] { ++connects; };
    client.OnSuccess = [&](int operation) { successes.push_back(operation); };
    std::vector<std::string> transaction;
    client.OnTransactionStart = [&] { transaction.push_back("start"); };
    client.OnTransactionStop = [&] { transaction.push_back("stop after " + std::to_string(listLines.size())); };
    client.ParseList = true;
    ConnectAnonymously();
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(connects, 1);
    client.ListFolder();
    EXPECT_EQ(transaction, (std::vector<std::string>{"start", "stop after 4"}));

    EXPECT_EQ(client.Vendor, kVendorUnix);
    EXPECT_EQ(successes, (std::vector<int>{kFtpOtherCommand, kFtpListFolder}));
    ASSERT_EQ(listLines.size(), 4u);
    const TFTPDirectoryList* list = client.DirectoryList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Names.size(), 4u);
    const auto box = std::find(list->Names.begin(), list->Names.end(), "box.3ds") - list->Names.begin();
    ASSERT_LT(box, 4);
    EXPECT_EQ(list->Sizes[box], "2048");
    EXPECT_EQ(list->Attributes[box][0], '-');

    std::vector<TRemoteRow> rows;
    for (const std::string& line : listLines) rows.push_back(ListingLineToRow(line).value());
    const auto row = [&](const std::string& name) {
        return *std::find_if(rows.begin(), rows.end(), [&](const TRemoteRow& r) { return r.Name == name; });
    };
    EXPECT_EQ(row("models").SizeText, "<DIR>");
    EXPECT_EQ(row("models").KindText, "フォルダ");
    EXPECT_EQ(row("box.3ds").SizeText, "2.00 KB");
    EXPECT_EQ(row("box.3ds").KindText, "3D-Studio File");

    for (const char* text : {"USER anonymous", "PASS ", "SYST", "PORT 127,0,0,1,", "LIST", "Received ", "226"}) {
        EXPECT_TRUE(StatusSeen(text)) << text;
    }
    EXPECT_FALSE(StatusSeen("PASS PubUsr@"));

    client.Disconnect();
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.Vendor, kVendorAutomatic);
    EXPECT_EQ(client.DirectoryList(), nullptr);
}

TEST_F(FtpSession, StatusTextsFollowTheExchange) {
    StartServer();
    client.ParseList = true;
    ConnectAnonymously();
    client.ListFolder();
    client.Disconnect();
    const char* expected[] = {"220 ", "USER anonymous", "331 ", "PASS ", "230 ", "SYST", "215 UNIX", "PORT 127,0,0,1,",
                              "200 ", "LIST", "125 ", "Received ", "226 ", "QUIT", "221 "};
    std::string seen;
    for (const std::string& text : statusTexts) seen += "[" + text + "]";
    ASSERT_EQ(statusTexts.size(), std::size(expected)) << seen;
    for (std::size_t i = 0; i < statusTexts.size(); ++i) {
        EXPECT_EQ(statusTexts[i].rfind(expected[i], 0), 0u) << i << " " << seen;
    }
    std::size_t bytes = 0;
    for (const std::string& line : listLines) bytes += line.size() + 2;
    EXPECT_EQ(statusTexts[11], "Received " + std::to_string(bytes) + " Bytes");
}

TEST_F(FtpSession, NamedLoginAcceptedOrRefused) {
    StartServer({"--user", "model:secret"});
    const struct {
        const char* user;
        const char* password;
        bool accepted;
    } cases[] = {
        {"model", "secret", true},
        {"model", "wrong", false},
        {"nobody", "secret", false},
    };
    for (const auto& c : cases) {
        client.UserID = c.user;
        client.Password = c.password;
        int failures = 0;
        client.OnConnectionFailed = [&] { ++failures; };
        statusTexts.clear();
        if (c.accepted) {
            client.Connect();
            EXPECT_TRUE(client.Connected());
            client.Disconnect();
        } else {
            try {
                client.Connect();
                ADD_FAILURE() << c.user;
            } catch (const FTPException& error) {
                EXPECT_EQ(std::string(error.what()).substr(0, 4), "530 ") << error.what();
            }
            EXPECT_FALSE(client.Connected());
            EXPECT_EQ(failures, 1);
            EXPECT_TRUE(StatusSeen("QUIT"));
            EXPECT_EQ(statusTexts.back(), "Disconnected");
        }
    }
}

TEST_F(FtpSession, MissingPasswordAsksForAuthentication) {
    StartServer({"--user", "model:secret"});
    client.UserID = "model";
    client.OnAuthenticationNeeded = [&](bool&) { client.Password = "secret"; };
    client.Connect();
    EXPECT_TRUE(client.Connected());
}

TEST_F(FtpSession, GreetingOfSeveralLinesIsReadBeforeTheUser) {
    StartServer({"--long-greeting"});
    ConnectAnonymously();
    const auto user = std::find(statusTexts.begin(), statusTexts.end(), "USER anonymous");
    ASSERT_NE(user, statusTexts.end());
    EXPECT_EQ(std::count_if(statusTexts.begin(), user, [](const std::string& t) { return t.rfind("220", 0) == 0; }), 3);
    EXPECT_EQ(*(user + 1), "331 Username ok, send password.\r\n");
}

TEST_F(FtpSession, FolderChangesAndTheCurrentFolder) {
    StartServer();
    ConnectAnonymously();
    EXPECT_EQ(client.CurrentFolder(), "/");
    std::vector<int> successes;
    client.OnSuccess = [&](int operation) { successes.push_back(operation); };
    client.ChangeFolder("models");
    EXPECT_EQ(client.CurrentFolder(), "/models");
    EXPECT_EQ(successes, (std::vector<int>{kFtpChangeFolder, kFtpCurrentFolder}));

    // A refused folder change raises the reply, unless a failure handler takes it.
    try {
        client.ChangeFolder("missing");
        FAIL();
    } catch (const FTPException& error) {
        EXPECT_EQ(std::string(error.what()).substr(0, 4), "550 ");
    }
    successes.clear();
    int failedOperation = -1;
    client.OnFailure = [&](bool& handled, int operation) {
        failedOperation = operation;
        handled = true;
    };
    client.ChangeFolder("missing");
    EXPECT_EQ(failedOperation, kFtpChangeFolder);
    EXPECT_TRUE(successes.empty());
    EXPECT_EQ(client.CurrentFolder(), "/models");
}

TEST_F(FtpSession, UnsupportedCommandIsReportedBeforeTheFailure) {
    StartServer();
    ConnectAnonymously();
    int unsupported = -1;
    client.OnUnSupportedFunction = [&](int operation) { unsupported = operation; };
    EXPECT_THROW(client.SendCommand("XYZZY"), FTPException);
    EXPECT_EQ(unsupported, kFtpOtherCommand);
}

TEST_F(FtpSession, ListingOfManyEntriesInAFolder) {
    StartServer();
    client.ParseList = true;
    ConnectAnonymously();
    client.ChangeFolder("many");
    client.ListFolder();
    EXPECT_EQ(listLines.size(), 500u);
    EXPECT_EQ(client.DirectoryList()->Names.size(), 500u);
    // A second listing starts the parser's lists afresh.
    listLines.clear();
    client.ListFolder();
    EXPECT_EQ(client.DirectoryList()->Names.size(), 500u);
    EXPECT_EQ(listLines.size(), 500u);
}

TEST_F(FtpSession, DosStyleListingAndServerKind) {
    StartServer({"--dos"});
    client.ParseList = true;
    ConnectAnonymously();
    client.ListFolder();
    EXPECT_EQ(client.Vendor, kVendorOther);
    ASSERT_EQ(listLines.size(), 4u);
    // The Unix parser ignores lines of four fields; the lines still arrive.
    EXPECT_TRUE(client.DirectoryList()->Names.empty());
    const auto folder = std::find_if(listLines.begin(), listLines.end(), [](const std::string& line) {
        return line.find("<DIR>") != std::string::npos && line.find("models") != std::string::npos;
    });
    ASSERT_NE(folder, listLines.end());
    const TRemoteRow row = ListingLineToRow(*folder).value();
    EXPECT_EQ(row.Name, "models");
    EXPECT_EQ(row.SizeText, "<DIR>");
    EXPECT_EQ(row.KindText, "フォルダ");
    EXPECT_EQ(row.DateText.size(), std::string("12-07-26 08:10AM").size()) << row.DateText;
}

TEST_F(FtpSession, BlankListingLineArrivesAsItsLineEnd) {
    StartServer({"--blank-line"});
    ConnectAnonymously();
    client.ListFolder();
    ASSERT_EQ(listLines.size(), 5u);
    EXPECT_EQ(listLines[0], "\r\n");
    // Other lines arrive without their line end.
    EXPECT_NE(listLines[1].back(), '\n');
}

TEST_F(FtpSession, LastListingLineWithoutLineEndKeepsItsName) {
    StartServer({"--no-final-newline"});
    client.ParseList = true;
    ConnectAnonymously();
    client.ListFolder();
    ASSERT_EQ(listLines.size(), 4u);
    std::vector<std::string> names;
    for (const std::string& line : listLines) names.push_back(ListingLineToRow(line).value().Name);
    std::vector<std::string> parsed = client.DirectoryList()->Names;
    std::sort(names.begin(), names.end());
    std::sort(parsed.begin(), parsed.end());
    const std::vector<std::string> expected = {"box.3ds", "many", "models", "readme.txt"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(parsed, expected);
}

TEST_F(FtpSession, UserReplyDecidesTheLogin) {
    const struct {
        const char* userReply;
        bool loggedIn;
    } cases[] = {
        {"USER=230 Logged in without a password.", true},
        {"USER=530 Not allowed.", false},
    };
    for (const auto& c : cases) {
        StartScriptedServer({c.userReply});
        int connects = 0;
        int failures = 0;
        client.OnConnect = [&] { ++connects; };
        client.OnConnectionFailed = [&] { ++failures; };
        statusTexts.clear();
        try {
            ConnectAnonymously();
            EXPECT_TRUE(c.loggedIn) << c.userReply;
        } catch (const FTPException& error) {
            EXPECT_FALSE(c.loggedIn) << c.userReply;
            EXPECT_STREQ(error.what(), "530 Not allowed.");
            EXPECT_EQ(statusTexts.back(), "Disconnected");
        }
        EXPECT_EQ(client.Connected(), c.loggedIn) << c.userReply;
        EXPECT_EQ(connects, c.loggedIn ? 1 : 0) << c.userReply;
        EXPECT_EQ(failures, c.loggedIn ? 0 : 1) << c.userReply;
        EXPECT_FALSE(StatusSeen("PASS")) << c.userReply;
        client.Disconnect();
    }
}

TEST_F(FtpSession, RefusedQuitClosesAndRaises) {
    StartScriptedServer({"QUIT=500 Not now."});
    ConnectAnonymously();
    try {
        client.Disconnect();
        FAIL();
    } catch (const FTPException& error) {
        EXPECT_STREQ(error.what(), "500 Not now.");
    }
    EXPECT_FALSE(client.Connected());
}

TEST_F(FtpSession, ListReplyAnnouncesTheBytesExpected) {
    StartScriptedServer({"LIST=150 Opening data connection for /bin/ls (1234 bytes)."});
    ConnectAnonymously();
    client.ListFolder();
    EXPECT_EQ(client.BytesExpected, 1234);
    EXPECT_EQ(listLines.size(), 2u);
}

TEST_F(FtpSession, ResetDataConnectionIsNoSuccess) {
    StartScriptedServer({"--reset-listing"});
    std::vector<int> successes;
    client.OnSuccess = [&](int operation) { successes.push_back(operation); };
    ConnectAnonymously();
    try {
        client.ListFolder();
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "10054:Connection reset by peer");
    }
    EXPECT_TRUE(successes.empty());
}

TEST_F(FtpSession, ClosingReplyEndsTheListing) {
    StartScriptedServer({"--abort-listing"});
    ConnectAnonymously();
    const auto start = std::chrono::steady_clock::now();
    try {
        client.ListFolder();
        FAIL();
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket readln aborted");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

// A CR, LF or NUL in a text the client would send (a folder name from a listing, a
// decoded address) would let the rest through as a command of its own: it is refused
// with nothing sent, and the session stays usable.
TEST_F(FtpSession, LineBreaksInCommandTextsAreRefusedUnsent) {
    const std::string log = root.File("commands.log");
    StartScriptedServer({"--log=" + log});
    const auto received = [&] {
        const std::vector<std::uint8_t> bytes = std::filesystem::exists(log) ? base::ReadWholeFile(log)
                                                                                : std::vector<std::uint8_t>();
        return std::string(bytes.begin(), bytes.end());
    };
    const struct {
        const char* name;
        std::function<void(TFtpClient&)> run;
        bool beforeLogin;
        const char* command;
    } cases[] = {
        {"user", [](TFtpClient& c) { c.UserID = "anonymous\r\nDELE x"; }, true, "USER"},
        {"password", [](TFtpClient& c) { c.Password = "PubUsr@\nDELE x"; }, true, "PASS"},
        {"proxy host", [&](TFtpClient& c) {
             c.Proxy = "127.0.0.1";
             c.ProxyPort = server->Port();
             c.Host = "h\rDELE x";
         }, true, "USER"},
        {"folder", [](TFtpClient& c) { c.ChangeFolder("a\r\nDELE x"); }, false, "CWD"},
        {"folder with NUL", [](TFtpClient& c) { c.ChangeFolder(std::string("a\0DELE x", 8)); }, false, "CWD"},
        {"command", [](TFtpClient& c) { c.SendCommand("NOOP\nDELE x"); }, false, "NOOP"},
    };
    for (const auto& c : cases) {
        client.Proxy.clear();
        client.Host = "127.0.0.1";
        client.UserID = "anonymous";
        client.Password = "PubUsr@";
        if (!c.beforeLogin) client.Connect();
        const std::string before = received();
        try {
            c.run(client);
            if (c.beforeLogin) client.Connect();
            ADD_FAILURE() << c.name;
        } catch (const FTPException& error) {
            EXPECT_EQ(std::string(error.what()),
                      std::string("Command ") + c.command + " not sent: its text holds a CR, LF or NUL character");
        }
        EXPECT_EQ(client.Connected(), !c.beforeLogin) << c.name;
        EXPECT_EQ(received(), before) << c.name;
        if (!c.beforeLogin) {
            EXPECT_EQ(client.CurrentFolder(), "/") << c.name;
            client.Disconnect();
        }
    }
    EXPECT_EQ(received().find("DELE"), std::string::npos) << received();
}

// A server that sends a byte every 0.1 s never stays silent for TimeOut; the
// deadline ends the login or the listing all the same.
TEST_F(FtpSession, DeadlineEndsATricklingServer) {
    for (const char* option : {"--trickle-greeting", "--trickle-listing"}) {
        StartScriptedServer({option});
        const bool inListing = std::string(option) == "--trickle-listing";
        if (inListing) ConnectAnonymously();
        client.Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        const auto start = std::chrono::steady_clock::now();
        try {
            if (inListing) {
                client.ListFolder();
            } else {
                ConnectAnonymously();
            }
            ADD_FAILURE() << option;
        } catch (const ESockError& error) {
            EXPECT_STREQ(error.what(), kDeadlineMessage) << option;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << option;
        EXPECT_EQ(client.Connected(), inListing) << option;
        client.Deadline.reset();
        client.TSocketClient::Disconnect();
    }
}

TEST_F(FtpSession, ProxyLoginNamesTheHost) {
    StartScriptedServer({});
    client.Proxy = "127.0.0.1";
    client.ProxyPort = server->Port();
    client.Host = "ftp.example.invalid";
    ConnectAnonymously();
    EXPECT_TRUE(StatusSeen("USER anonymous@ftp.example.invalid"));
}

TEST_F(FtpSession, ClosingReplyEndsTheWait) {
    StartServer({"--silent-noop"});
    client.TimeOut = 20000;
    ConnectAnonymously();
    const auto start = std::chrono::steady_clock::now();
    try {
        client.SendCommand("NOOP");
        FAIL();
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket readln aborted");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(FtpSession, ListingNeedsAConnection) {
    StartServer();
    try {
        client.ListFolder();
        FAIL();
    } catch (const base::Exception& error) {
        EXPECT_STREQ(error.what(), "Not Connected");
    }
    client.OnConnectionRequired = [&](bool&) { ConnectAnonymously(); };
    client.ListFolder();
    EXPECT_EQ(listLines.size(), 4u);
}

// A multi-line reply that never ends would keep a client without a deadline
// reading for ever: past a size it is an error, and the session ends.
TEST_F(FtpSession, EndlessMultiLineReplyEndsWithAnError) {
    StartScriptedServer({"--endless-greeting"});
    try {
        ConnectAnonymously();
        FAIL();
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Reply larger than 1048576 bytes");
    }
    EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace net
