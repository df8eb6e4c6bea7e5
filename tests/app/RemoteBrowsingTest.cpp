// Remote browsing from end to end: the real main window against a model server
// on loopback (FTP for the folders, HTTP on port 80 for the files).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "SampleModels.h"
#include "WindowSupport.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "app/RemoteConnection.h"
#include "app/WebAdrFrm.h"
#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "net/FtpClient.h"
#include "net/ServerProcess.h"
#include "support/TempDir.h"
#include "widgets/FnpNumericEdit.h"

using app::TMainFrm;

namespace {

const QString kCaption = QString::fromUtf8("Korvane Ver2.2 ( URL 対応版 ) ");

using testsupport::SaveFile;

std::vector<std::uint8_t> Packed(const std::vector<std::uint8_t>& bytes) {
    return model3ds::Pack3DA(bytes.data(), bytes.size());
}

// DirectX text data of one triangle.
std::vector<std::uint8_t> TriangleX() {
    const std::string triangle = "xof 0303txt 0032\nMesh {\n3;\n0;0;0;,\n1;0;0;,\n0;1;0;;\n1;\n3;0,1,2;;\n}\n";
    return {triangle.begin(), triangle.end()};
}

// A folder tree of each kind of file the browser opens, and one it does not.
void FillModelFolder(const testsupport::TempDir& dir) {
    const std::vector<std::uint8_t> model = apptest::SampleModel();
    SaveFile(dir.File("models/box.3ds"), model);
    SaveFile(dir.File("models/packed.3da"), Packed(model));
    const std::vector<std::uint8_t> cube = TriangleX();
    SaveFile(dir.File("cube.x"), cube);
    SaveFile(dir.File("cube.xa"), Packed(cube));
    SaveFile(dir.File("readme.txt"), {'h', 'i'});
}

// Shows the window and logs in to the server at port through the login dialog;
// returns the texts of the message boxes that opened meanwhile.
std::vector<QString> LogIn(TMainFrm& window, int port, const QString& user = QString::fromUtf8("匿名"),
                           const QString& password = {}) {
    window.show();
    QTimer::singleShot(0, [=, &window] {
        app::TWebAdrFrm* dialog = window.Controls().WebAdrFrm;
        ASSERT_EQ(QApplication::activeModalWidget(), dialog);
        dialog->URLEdit->setText("127.0.0.1");
        dialog->PortNo->SetValue(port);
        dialog->HttpFolderEdit->setText("ximg");
        dialog->UseNameCombo->setCurrentText(user);
        dialog->PassWordEdit->setText(password);
        dialog->LoninBtn->click();
    });
    return windowtest::AnswerMessageBoxes([&] { window.Controls().fndWeb->trigger(); });
}

std::string Status(const TMainFrm& window, int panel) {
    return window.Controls().StatusPanels[panel]->text().toStdString();
}

int RowNamed(const QTableWidget& grid, const QString& name) {
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (grid.item(row, 0) && grid.item(row, 0)->text() == name) return row;
    }
    return -1;
}

// Double-clicks the grid row of that name; returns the texts of the message boxes it opened.
std::vector<QString> DoubleClick(TMainFrm& window, const QString& name) {
    const int row = RowNamed(*window.Controls().Panel1->WebListGrig(), name);
    EXPECT_GE(row, 0) << name.toStdString();
    window.Controls().Panel1->WebListGrig()->selectRow(row);
    return windowtest::AnswerMessageBoxes(
        [&] { QTimer::singleShot(0, [&] { window.Controls().Panel1->WebListGrigDblClick(); }); });
}

// The model server of the scripts folder, or nothing when port 80 cannot be had.
std::optional<nettest::ServerProcess> StartModelServer(const testsupport::TempDir& dir) {
    try {
        return std::optional<nettest::ServerProcess>(
            std::in_place, std::string(KORVANE_SOURCE_DIR) + "/scripts/model-server",
            std::vector<std::string>{dir.Path().string(), "--ftp-port", "0"});
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

TEST(RemoteBrowsing, LogInWalkFoldersAndOpenEveryKind) {
    testsupport::TempDir dir;
    FillModelFolder(dir);
    std::optional<nettest::ServerProcess> server = StartModelServer(dir);
    if (!server) GTEST_SKIP() << "the model server could not start: HTTP needs port 80 (root or CAP_NET_BIND_SERVICE)";
    TMainFrm w(dir.File("RecentFile.Mru"));
    const app::TMainFrmControls& ui = w.Controls();

    EXPECT_TRUE(LogIn(w, server->Port()).empty());
    EXPECT_EQ(ui.Panel1->Remote().Session().Settings().Port, server->Port());
    EXPECT_EQ(ui.Panel1->Remote().Session().Settings().UserID, "anonymous");
    EXPECT_EQ(ui.Panel1->Remote().Session().Settings().Password, "PubUsr@");
    EXPECT_EQ(Status(w, 1), "Webサーバに接続しました");
    EXPECT_EQ(Status(w, 0), "4 ﾌｧｲﾙを取得しました");
    EXPECT_TRUE(ui.Panel1->WebListGrig()->isEnabled());
    EXPECT_TRUE(ui.bDisConnect->isEnabled());
    EXPECT_FALSE(ui.bUpFolder->isEnabled());

    // Into a folder, and a model of each kind from it.
    DoubleClick(w, "models");
    EXPECT_EQ(ui.Panel1->Remote().Session().CurrentPath(), "/models");
    EXPECT_TRUE(ui.bUpFolder->isEnabled());
    EXPECT_EQ(ui.Panel1->WebListGrig()->rowCount(), 4);  // the grid keeps its five rows, header included
    for (const char* name : {"box.3ds", "packed.3da"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(DoubleClick(w, name).empty());
        const QString address = QStringLiteral("http://127.0.0.1/ximg/models/") + name;
        EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
        EXPECT_EQ(w.windowTitle(), address + " - " + kCaption);
        EXPECT_EQ(Status(w, 0), address.toStdString());
        EXPECT_EQ(Status(w, 1), "接続を解除しました");
    }
    EXPECT_TRUE(ui.Document.RecentFiles.Entries.empty());

    // Back up to the root, then the DirectX files go to viewer windows of their own.
    ui.bUpFolder->click();
    EXPECT_EQ(ui.Panel1->Remote().Session().CurrentPath(), "");
    EXPECT_FALSE(ui.bUpFolder->isEnabled());
    DoubleClick(w, "cube.x");
    QPointer<viewer::TDraw3DFrm> first = ui.CurrentViewer;
    ASSERT_FALSE(first.isNull());
    EXPECT_NE(first->D3DrawX->MeshBuilder(), nullptr);
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
    DoubleClick(w, "cube.xa");
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    EXPECT_NE(ui.CurrentViewer, first);
    EXPECT_FALSE(first.isNull());
    EXPECT_NE(ui.CurrentViewer->D3DrawX->MeshBuilder(), nullptr);
    DoubleClick(w, "readme.txt");
    EXPECT_TRUE(ui.CurrentViewer && ui.CurrentViewer->isVisible());

    // Disconnecting clears the grid and the model.
    DoubleClick(w, "models");
    DoubleClick(w, "box.3ds");
    ui.bDisConnect->click();
    EXPECT_FALSE(ui.Panel1->Remote().FtpClient().Connected());
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
    EXPECT_EQ(ui.Panel1->WebListGrig()->item(0, 0), nullptr);
    EXPECT_TRUE(ui.Panel1->WebListGrig()->horizontalHeaderItem(0) == nullptr ||
                ui.Panel1->WebListGrig()->horizontalHeaderItem(0)->text().isEmpty());
    EXPECT_FALSE(ui.bDisConnect->isEnabled());
}

// A name's extension counts in any letter case (what each kind of row does, and
// that a folder named like a file is listed: RemotePanelTest.cpp).
TEST(RemoteBrowsing, CapitalDirectXNameOpensInAViewer) {
    testsupport::TempDir dir;
    SaveFile(dir.File("CUBE.X"), TriangleX());
    std::optional<nettest::ServerProcess> server = StartModelServer(dir);
    if (!server) GTEST_SKIP() << "the model server could not start: HTTP needs port 80 (root or CAP_NET_BIND_SERVICE)";
    TMainFrm w(dir.File("RecentFile.Mru"));
    LogIn(w, server->Port());
    DoubleClick(w, "CUBE.X");
    EXPECT_FALSE(w.Controls().CurrentViewer.isNull());
}

// Names that an address must escape: each opens the file of that very name.
TEST(RemoteBrowsing, NamesThatNeedEscapingOpenTheirOwnFile) {
    testsupport::TempDir dir;
    const struct {
        const char* name;
        const char* address;
    } cases[] = {
        {"my model.3ds", "my%20model.3ds"},
        {"a%20b.3ds", "a%2520b.3ds"},
        {"a#b.3ds", "a%23b.3ds"},
        {"\xe6\x97\xa5\xe6\x9c\xac.3ds", "%E6%97%A5%E6%9C%AC.3ds"},
    };
    for (const auto& c : cases) SaveFile(dir.File(std::string("my folder/") + c.name), apptest::SampleModel());
    // Decoys: what a mangled name would fetch instead.
    SaveFile(dir.File("my folder/model.3ds"), {'b', 'a', 'd'});
    SaveFile(dir.File("my folder/a b.3ds"), {'b', 'a', 'd'});
    std::optional<nettest::ServerProcess> server = StartModelServer(dir);
    if (!server) GTEST_SKIP() << "the model server could not start: HTTP needs port 80 (root or CAP_NET_BIND_SERVICE)";
    TMainFrm w(dir.File("RecentFile.Mru"));
    const app::TMainFrmControls& ui = w.Controls();
    LogIn(w, server->Port());
    DoubleClick(w, "my folder");
    EXPECT_EQ(ui.Panel1->Remote().Session().CurrentPath(), "/my folder");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(DoubleClick(w, QString::fromUtf8(c.name)).empty());
        EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("http://127.0.0.1/ximg/my%20folder/") + c.address + " - " + kCaption);
    }
}

TEST(RemoteBrowsing, RefusedLoginIsReportedInTheStatusBar) {
    testsupport::TempDir dir;
    FillModelFolder(dir);
    nettest::ServerProcess ftp("ftp_server.py", {dir.Path().string()});
    TMainFrm w(dir.File("RecentFile.Mru"));
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_TRUE(LogIn(w, ftp.Port(), "nobody", "wrong").empty());
    EXPECT_EQ(Status(w, 1), "Webサーバに接続出来ませんでした");
    EXPECT_FALSE(ui.Panel1->Remote().FtpClient().Connected());
    EXPECT_FALSE(ui.Panel1->WebListGrig()->isEnabled());
}

// An HTTP server that takes the connection and stops sending: Esc ends the fetch.
TEST(RemoteBrowsing, EscapeEndsAFetchThatGetsNoAnswer) {
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(silent, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(silent, 4) != 0) {
        ::close(silent);
        GTEST_SKIP() << "port 80 cannot be bound here (needs root or CAP_NET_BIND_SERVICE)";
    }
    testsupport::TempDir dir;
    FillModelFolder(dir);
    nettest::ServerProcess ftp("ftp_server.py", {dir.Path().string()});
    TMainFrm w(dir.File("RecentFile.Mru"));
    const app::TMainFrmControls& ui = w.Controls();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    LogIn(w, ftp.Port());
    DoubleClick(w, "models");

    // The server sends a header without a content length and part of a body, then nothing.
    int connection = -1;
    const auto send = [&](const std::string& bytes) {
        EXPECT_EQ(::write(connection, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    };
    QTimer::singleShot(300, [&] {
        connection = ::accept(silent, nullptr, nullptr);
        send("HTTP/1.0 200 OK\r\n\r\n");
    });
    QTimer::singleShot(500, [&] { send(std::string(100, 'x')); });
    QTimer::singleShot(900, [&] {
        EXPECT_TRUE(w.NetworkBusy());
        EXPECT_FALSE(ui.bOpen->isEnabled());
        EXPECT_EQ(Status(w, 1), "100 / ? ﾊﾞｲﾄ受信( ? ％)");
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    // Should Esc fail, the test ends the fetch itself rather than wait for ever.
    QTimer::singleShot(10000, [&] {
        if (!w.NetworkBusy()) return;
        ADD_FAILURE() << "Esc did not end the fetch";
        ui.Panel1->AbortNetworkCommand();
    });
    const std::vector<QString> texts = DoubleClick(w, "packed.3da");
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(Status(w, 1), "読み込みできませんでした");
    EXPECT_FALSE(w.NetworkBusy());
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
    EXPECT_EQ(w.windowTitle(), kCaption);
    EXPECT_TRUE(ui.Panel1->Remote().FtpClient().Connected());
    ::close(connection);

    // Closing the window while a fetch waits ends the fetch first, then closes.
    QTimer::singleShot(300, [&] {
        EXPECT_TRUE(w.NetworkBusy());
        w.close();
        EXPECT_TRUE(w.isVisible());
    });
    EXPECT_TRUE(DoubleClick(w, "box.3ds").empty());
    QTest::qWait(50);
    ::close(silent);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(ui.Panel1->Remote().FtpClient().Connected());
    EXPECT_TRUE(std::filesystem::exists(dir.File("RecentFile.Mru")));
}

// A server that refuses the logout: the window still closes and writes its recent files.
TEST(RemoteBrowsing, RefusedLogoutAtCloseKeepsTheRecentFiles) {
    testsupport::TempDir dir;
    nettest::ServerProcess ftp("ftp_script_server.py", {"QUIT=500 No."});
    SaveFile(dir.File("RecentFile.Mru"), {'/', 'k', '.', '3', 'd', 's', '\r', '\n'});
    TMainFrm w(dir.File("RecentFile.Mru"));
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_TRUE(LogIn(w, ftp.Port()).empty());
    ASSERT_TRUE(ui.Panel1->Remote().FtpClient().Connected());
    ASSERT_GE(RowNamed(*ui.Panel1->WebListGrig(), "box.3ds"), 0);
    std::filesystem::remove(dir.File("RecentFile.Mru"));
    EXPECT_TRUE(windowtest::AnswerMessageBoxes([&] { w.close(); }).empty());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(app::LoadRecentFiles(dir.File("RecentFile.Mru")).Entries, std::vector<std::string>{"/k.3ds"});
}
