// The remote browser on its own, on the offscreen platform, against an FTP server
// on loopback: what a listing row shows and what a double click on it does.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTableWidget>

#include "app/RemoteConnection.h"
#include "app/RemotePanel.h"
#include "net/ServerProcess.h"
#include "support/TempDir.h"

namespace {

// Before the shared application object is made: these tests need no display.
[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

// A row's kind is its name's last extension, and a folder is a folder whatever its
// name: the kind column shows that, and the double click acts on it.
TEST(RemotePanel, KindsComeFromTheNameAndFoldersFromTheListing) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> some{'x', 'o', 'f'};
    testsupport::SaveFile(dir.File("scenes.x/cube.x"), some);
    testsupport::SaveFile(dir.File("cube.xyz"), some);
    testsupport::SaveFile(dir.File("CUBE.X"), some);
    testsupport::SaveFile(dir.File("box.3ds.bak"), some);
    nettest::ServerProcess ftp("ftp_server.py", {dir.Path().string()});

    QLabel progress;
    QLabel connection;
    QLabel* const status[2] = {&progress, &connection};
    app::TRemotePanel panel(status, 802, nullptr);
    int fetched = 0;
    panel.OnFileFetched = [&fetched](app::TFetchedFile) { ++fetched; };
    panel.Remote().Session().SetSettings(
        {.ServerAddress = "127.0.0.1", .UserID = "anonymous", .Password = "PubUsr@", .Port = ftp.Port()});
    panel.Remote().ListFolder();
    EXPECT_EQ(connection.text().toStdString(), "Webサーバに接続しました");
    EXPECT_EQ(progress.text().toStdString(), "4 ﾌｧｲﾙを取得しました");

    QTableWidget& grid = *panel.WebListGrig();
    EXPECT_TRUE(grid.isEnabled());
    EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), QString::fromUtf8("ファイル名"));
    const struct {
        const char* name;
        const char* kind;
    } rows[] = {
        {"scenes.x", "フォルダ"},
        {"cube.xyz", "不明"},
        {"CUBE.X", "Direct3D Geometory File"},
        {"box.3ds.bak", "不明"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QList<QTableWidgetItem*> named = grid.findItems(r.name, Qt::MatchExactly);
        ASSERT_EQ(named.size(), 1);
        EXPECT_EQ(grid.item(named.front()->row(), 3)->text(), QString::fromUtf8(r.kind));
    }
    EXPECT_EQ(grid.item(grid.findItems("scenes.x", Qt::MatchExactly).front()->row(), 1)->text(), "<DIR>");
    // A file of no kind the browser opens is not fetched; a folder is listed.
    for (const char* name : {"cube.xyz", "box.3ds.bak", "scenes.x"}) {
        grid.selectRow(grid.findItems(name, Qt::MatchExactly).front()->row());
        panel.WebListGrigDblClick();
    }
    EXPECT_EQ(fetched, 0);
    EXPECT_EQ(panel.Remote().Session().CurrentPath(), "/scenes.x");
}

}  // namespace
