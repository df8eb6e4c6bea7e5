// The remote file browser: logging in over FTP, listing folders into the grid,
// walking up and down the folder tree, and opening a model by double click.
#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>

#include "app/DisplayText.h"
#include "app/MainFrm.h"
#include "app/NetworkCommand.h"
#include "app/RemoteGrid.h"
#include "app/WebAdrFrm.h"
#include "base/Format.h"
#include "net/FtpClient.h"
#include "net/ListingRow.h"

namespace app {

namespace {

constexpr int kGridRowsAtListing = 5;  // with the header row

// The raw bytes of the name a row stands for, as the server sent them.
constexpr int kNameRole = Qt::UserRole;


// The kind number of a file name by its extension, -1 for a file that is not opened.
int DownloadKind(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return -1;
    std::string extension = name.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".3ds") return 0;
    if (extension == ".x") return 1;
    if (extension == ".xa") return 2;
    if (extension == ".3da") return 3;
    return -1;
}

}  // namespace

void TMainFrm::ConfigureNetworkClients() {
    net::TFtpClient& ftp = *FtpClient;
    ftp.Port = 22;
    ftp.TimeOut = 60000;
    ftp.ReportLevel = 0;
    ftp.ProxyPort = 0;
    ftp.ParseList = true;
    ftp.Vendor = net::kVendorAutomatic;
    ftp.OnConnect = [this] { FtpClientConnect(); };
    ftp.OnInvalidHost = [this](bool& handled) { FtpClientInvalidHost(handled); };
    ftp.OnStatus = [this](const std::string& text) { FtpClientStatus(text); };
    ftp.OnConnectionFailed = [this] { FtpClientConnectionFailed(); };
    ftp.OnError = [this](int code, const std::string& message) { FtpClientError(code, message); };
    ftp.OnSuccess = [this](int operation) { FtpClientSuccess(operation); };
    ftp.OnListItem = [this](const std::string& line) { FtpClientListItem(line); };
    ConfigureHttpClient();
}

// The panel is named by its text, so a screen reader hears of the new state as a changed name.
void TMainFrm::SetStatusText(int panel, const QString& text) {
    StatusPanels[panel]->setText(text);
    StatusPanels[panel]->repaint();
    QAccessibleEvent changed(StatusPanels[panel], QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void TMainFrm::OnFindMenu(QAction* sender) {
    if (sender != fndWeb || networkBusy_) return;
    if (!FtpClient->Connected()) {
        if (WebAdrFrm->exec() != QDialog::Accepted) return;
        Settings.Login = WebAdrFrm->Fields();
    }
    TNetworkCommand command(*this);
    WebListRow = 1;
    net::TFtpClient& ftp = *FtpClient;
    try {
        if (!ftp.Connected()) {
            ftp.Host = WebServerAddress;
            ftp.Port = WebPort;
            ftp.TimeOut = WebTimeOut;
            ftp.UserID = WebUserID;
            ftp.Password = WebPassword;
            ftp.Connect();
        }
        ftp.ListFolder();
    } catch (const base::Exception&) {
        // The failure events have already written the status bar.
    }
}

void TMainFrm::ChangeRemoteFolder(const std::string& folder) {
    if (networkBusy_) return;
    if (!FtpClient->Connected()) {
        QMessageBox box(QMessageBox::Question, tr("確認"), tr("サーバに接続されていません"),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    TNetworkCommand command(*this);
    WebListRow = 1;
    try {
        FtpClient->ChangeFolder(folder);
        FtpClient->ListFolder();
    } catch (const base::Exception&) {
        // The failure events have already written the status bar.
    }
}

void TMainFrm::GoUpRemoteFolder() {
    if (WebCurrentPath == "/") WebCurrentPath.clear();
    const std::size_t slash = WebCurrentPath.rfind('/');
    if (slash == std::string::npos) return;
    ChangeRemoteFolder(WebCurrentPath.substr(0, slash + 1));
}

void TMainFrm::WebListGrigDblClick() {
    UpdateCommandStates();
    if (networkBusy_) return;
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
    const int kind = DownloadKind(bytes);
    if (kind >= 0) OpenDownloadedFile(bytes, kind);
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
    if (FtpClient->Connected()) FtpClient->Disconnect();
}

void TMainFrm::FtpClientSuccess(int operation) {
    if (operation == net::kFtpListFolder) WebListGrig->setEnabled(true);
    if (operation == net::kFtpChangeFolder) {
        WebListGrig->setEnabled(true);
        WebCurrentPath = FtpClient->CurrentFolder();
        if (WebCurrentPath == "/") WebCurrentPath.clear();
    }
    UpdateCommandStates();
}

void TMainFrm::FtpClientListItem(const std::string& line) {
    QTableWidget& grid = *WebListGrig;
    if (WebListRow == 1) {
        grid.setHorizontalHeaderLabels({tr("ファイル名"), tr("サイズ"),
                                        tr("更新日"), tr("種類")});
        grid.clearContents();
        grid.setRowCount(kGridRowsAtListing - 1);
    }
    const net::TRemoteRow row = net::ListingLineToRow(line);
    SetStatusText(0, DisplayText(base::Format(qUtf8Printable(tr("%d ﾌｧｲﾙを取得しました")), WebListRow)));
    if (grid.rowCount() < WebListRow) grid.insertRow(grid.rowCount());
    const int r = WebListRow - 1;
    auto* name = new QTableWidgetItem(DisplayText(row.Name));
    name->setData(kNameRole, QByteArray::fromStdString(row.Name));
    grid.setItem(r, 0, name);
    grid.setItem(r, 1, new QTableWidgetItem(DisplayText(row.SizeText)));
    grid.setItem(r, 2, new QTableWidgetItem(DisplayText(row.DateText)));
    grid.setItem(r, kKindColumn, new QTableWidgetItem(KindText(DisplayText(row.KindText))));
    ++WebListRow;
}

}  // namespace app
