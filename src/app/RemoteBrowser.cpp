// The remote file browser: logging in over FTP, listing folders into the grid,
// walking up and down the folder tree, and opening a model by double click.
#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>

#include <optional>

#include "DisplayText.h"
#include "app/MainFrm.h"
#include "app/RemoteConnection.h"
#include "RemoteGrid.h"
#include "app/WebAdrFrm.h"
#include "base/Format.h"
#include "model3ds/FileKind.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "net/ListingRow.h"

namespace app {

namespace {

constexpr int kGridRowsAtListing = 5;  // with the header row

// The raw bytes of the name a row stands for, as the server sent them.
constexpr int kNameRole = Qt::UserRole;

}  // namespace

void TMainFrm::BindNetworkEvents() {
    Remote->OnBusyChange = [this] { NetworkBusyChange(); };
    net::TFtpClient& ftp = Remote->FtpClient();
    ftp.OnConnect = [this] { FtpClientConnect(); };
    ftp.OnInvalidHost = [this](bool& handled) { FtpClientInvalidHost(handled); };
    ftp.OnStatus = [this](const std::string& text) { FtpClientStatus(text); };
    ftp.OnConnectionFailed = [this] { FtpClientConnectionFailed(); };
    ftp.OnError = [this](int code, const std::string& message) { FtpClientError(code, message); };
    ftp.OnSuccess = [this](int operation) { FtpClientSuccess(operation); };
    ftp.OnListItem = [this](const std::string& line) { FtpClientListItem(line); };
    net::THttpClient& http = Remote->HttpClient();
    http.OnDisconnect = [this] { HttpClientDisconnect(); };
    http.OnInvalidHost = [this](bool& handled) { HttpClientInvalidHost(handled); };
    http.OnStatus = [this](const std::string& text) { HttpClientStatus(text); };
    http.OnConnectionFailed = [this] { HttpClientConnectionFailed(); };
    http.OnPacketRecvd = [this] { HttpClientPacketRecvd(); };
    http.OnSuccess = [this](int command) { HttpClientSuccess(command); };
    http.OnFailure = [this](int command) { HttpClientFailure(command); };
}

// While a network command runs, Esc ends it and no other command starts; a
// close asked for meanwhile happens once it has ended.
void TMainFrm::NetworkBusyChange() {
    UpdateCommandStates();
    if (!NetworkBusy() && Remote->CloseRequested()) QTimer::singleShot(0, this, [this] { close(); });
}

// The panel is named by its text, so a screen reader hears of the new state as a changed name.
void TMainFrm::SetStatusText(int panel, const QString& text) {
    StatusPanels[panel]->setText(text);
    StatusPanels[panel]->repaint();
    QAccessibleEvent changed(StatusPanels[panel], QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void TMainFrm::ListWebServer() {
    if (!Remote->Connected()) {
        if (WebAdrFrm->exec() != QDialog::Accepted) return;
        Remote->Session().SetSettings(*WebAdrFrm->Settings());
        Settings.Login = WebAdrFrm->Fields();
    }
    Remote->ListFolder();
}

void TMainFrm::ChangeRemoteFolder(const std::string& folder) {
    if (NetworkBusy()) return;
    if (!Remote->Connected()) {
        QMessageBox box(QMessageBox::Question, tr("確認"), tr("サーバに接続されていません"),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    Remote->ChangeFolder(folder);
}

void TMainFrm::GoUpRemoteFolder() {
    if (const std::optional<std::string> parent = Remote->Session().ParentPath()) ChangeRemoteFolder(*parent);
}

void TMainFrm::WebListGrigDblClick() {
    UpdateCommandStates();
    if (NetworkBusy()) return;
    const QList<QTableWidgetSelectionRange> ranges = WebListGrig->selectedRanges();
    if (ranges.isEmpty()) return;
    const int row = ranges.front().topRow();
    const QTableWidgetItem* name = WebListGrig->item(row, 0);
    const QTableWidgetItem* size = WebListGrig->item(row, 1);
    if (!name) return;
    const std::string bytes = name->data(kNameRole).toByteArray().toStdString();
    if (size && size->text().toUpper() == QStringLiteral("<DIR>")) {
        ChangeRemoteFolder(bytes);
        return;
    }
    if (bytes.empty()) return;
    const model3ds::TFileKind kind = model3ds::FileKindByName(bytes);
    if (kind != model3ds::TFileKind::Unknown) OpenDownloadedFile(bytes, kind);
}

void TMainFrm::FtpClientConnect() { SetStatusText(1, tr("Webサーバに接続しました")); }

void TMainFrm::FtpClientConnectionFailed() { SetStatusText(1, tr("Webサーバに接続出来ませんでした")); }

void TMainFrm::FtpClientInvalidHost(bool& handled) {
    handled = false;
    SetStatusText(1, tr("Webサーバ名が無効です"));
}

void TMainFrm::FtpClientStatus(const std::string& text) { SetStatusText(1, DisplayText(text)); }

void TMainFrm::FtpClientError(int code, const std::string& message) {
    SetStatusText(0, DisplayText(base::Format("ErrorNo: %d ErrorMsg: %s", code, message.c_str())));
    Remote->Disconnect();
}

void TMainFrm::FtpClientSuccess(int operation) {
    if (operation == net::kFtpListFolder) WebListGrig->setEnabled(true);
    if (operation == net::kFtpChangeFolder) {
        WebListGrig->setEnabled(true);
        Remote->Session().SetCurrentPath(Remote->FtpClient().CurrentFolder());
    }
    UpdateCommandStates();
}

void TMainFrm::FtpClientListItem(const std::string& line) {
    QTableWidget& grid = *WebListGrig;
    // A listing that starts with a line that is no entry ("total 0" of an empty
    // folder) still replaces the previous one.
    if (Remote->ListRow() == 1) {
        grid.setHorizontalHeaderLabels({tr("ファイル名"), tr("サイズ"),
                                        tr("更新日"), tr("種類")});
        grid.clearContents();
        grid.setRowCount(kGridRowsAtListing - 1);
    }
    const std::optional<net::TRemoteRow> entry = net::ListingLineToRow(line);
    if (!entry) return;
    const net::TRemoteRow& row = *entry;
    const int listRow = Remote->NextListRow();
    SetStatusText(0, DisplayText(base::Format(qUtf8Printable(tr("%d ﾌｧｲﾙを取得しました")), listRow)));
    if (grid.rowCount() < listRow) grid.insertRow(grid.rowCount());
    const int r = listRow - 1;
    auto* name = new QTableWidgetItem(DisplayText(row.Name));
    name->setData(kNameRole, QByteArray::fromStdString(row.Name));
    grid.setItem(r, 0, name);
    grid.setItem(r, 1, new QTableWidgetItem(DisplayText(row.SizeText)));
    grid.setItem(r, 2, new QTableWidgetItem(DisplayText(row.DateText)));
    grid.setItem(r, kKindColumn, new QTableWidgetItem(KindText(DisplayText(row.KindText))));
}

}  // namespace app
