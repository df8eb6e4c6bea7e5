// The remote file browser: logging in over FTP, listing folders into the grid,
// walking up and down the folder tree, and fetching a file by double click over
// HTTP, with the clients' events written to the status bar.
#include "app/RemotePanel.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QResizeEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "DisplayText.h"
#include "RemoteGrid.h"
#include "app/RemoteConnection.h"
#include "app/RemoteListing.h"
#include "base/Format.h"
#include "base/Texts.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "widgets/HandlerGuard.h"

namespace app {

namespace {

constexpr int kGridRowsAtReset = 5;    // with the header row
constexpr int kGridRowsAtListing = 5;  // with the header row

// The grid's fixed (header) cells: red, green and blue 217.
const QColor kFixedCellColor(217, 217, 217);

}  // namespace

TRemotePanel::TRemotePanel(QLabel* const (&statusPanels)[2], int designedWidth, QWidget* parent)
    : QFrame(parent), statusPanels_{statusPanels[0], statusPanels[1]}, designedWidth_(designedWidth), remote_(std::make_unique<TRemoteConnection>()) {
    setFrameShape(QFrame::StyledPanel);
    webListGrig_ = new QTableWidget(kGridRowsAtReset - 1, 4, this);
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(webListGrig_);
    QTableWidget& grid = *webListGrig_;
    grid.setFrameShape(QFrame::NoFrame);
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setDefaultSectionSize(20);
    grid.horizontalHeader()->setFixedHeight(20);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid.horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; }").arg(kFixedCellColor.name()));
    const int widths[] = {155, 150, 247, 228};
    for (int column = 0; column < 4; ++column) grid.setColumnWidth(column, widths[column]);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid.setToolTip(tr("Web ファイルを選択"));
    grid.setAccessibleName(tr("Web ファイルを選択"));
    grid.setItemDelegate(new TRemoteGridDelegate(&grid));
    grid.setEnabled(false);
    grid.installEventFilter(this);
    connect(&grid, &QTableWidget::cellDoubleClicked, this, widgets::Guarded([this] { WebListGrigDblClick(); }));
    // Esc ends a running network command from any window of the program; it is
    // enabled only while one runs, so Esc keeps its meaning everywhere else.
    abortAction_ = new QAction(this);
    abortAction_->setShortcut(Qt::Key_Escape);
    abortAction_->setShortcutContext(Qt::ApplicationShortcut);
    abortAction_->setEnabled(false);
    addAction(abortAction_);
    connect(abortAction_, &QAction::triggered, this, widgets::Guarded([this] { AbortNetworkCommand(); }));
    BindNetworkEvents();
}

TRemotePanel::~TRemotePanel() = default;

bool TRemotePanel::Busy() const { return remote_->Busy(); }

void TRemotePanel::AbortNetworkCommand() { remote_->Abort(); }

bool TRemotePanel::DeferClose() {
    if (!remote_->Busy()) return false;
    remote_->AbortAndClose();
    return true;
}

void TRemotePanel::ClearList() {
    QTableWidget& grid = *webListGrig_;
    grid.clearContents();
    grid.setHorizontalHeaderLabels({QString(), QString(), QString(), QString()});
    grid.setRowCount(kGridRowsAtReset - 1);
    grid.scrollToTop();
    grid.setCurrentCell(0, 0);
    grid.selectRow(0);
    grid.viewport()->update();
}

// The grid's last column takes what the grid gains or loses in width over its
// designed width. A window sized before it is shown reports no old size, so the
// width the columns fit is kept here.
bool TRemotePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == webListGrig_ && event->type() == QEvent::Resize) {
        if (fittedGridWidth_ == 0) fittedGridWidth_ = designedWidth_ - 2 * frameWidth();
        const int width = static_cast<QResizeEvent*>(event)->size().width();
        const int last = webListGrig_->columnCount() - 1;
        webListGrig_->setColumnWidth(last, std::max(1, webListGrig_->columnWidth(last) + width - fittedGridWidth_));
        fittedGridWidth_ = width;
    }
    return QFrame::eventFilter(watched, event);
}

void TRemotePanel::BindNetworkEvents() {
    remote_->OnBusyChange = [this] { NetworkBusyChange(); };
    net::TFtpClient& ftp = remote_->FtpClient();
    ftp.OnConnect = [this] { FtpClientConnect(); };
    ftp.OnInvalidHost = [this](bool& handled) { FtpClientInvalidHost(handled); };
    ftp.OnStatus = [this](const std::string& text) { FtpClientStatus(text); };
    ftp.OnConnectionFailed = [this] { FtpClientConnectionFailed(); };
    ftp.OnError = [this](int code, const std::string& message) { FtpClientError(code, message); };
    ftp.OnSuccess = [this](int operation) { FtpClientSuccess(operation); };
    ftp.OnListItem = [this](const std::string& line) { FtpClientListItem(line); };
    net::THttpClient& http = remote_->HttpClient();
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
void TRemotePanel::NetworkBusyChange() {
    abortAction_->setEnabled(Busy());
    StateChanged();
    if (!Busy() && remote_->CloseRequested()) QTimer::singleShot(0, this, [this] { window()->close(); });
}

void TRemotePanel::StateChanged() {
    if (OnStateChange) OnStateChange();
}

// The panel is named by its text, so a screen reader hears of the new state as a changed name.
void TRemotePanel::SetStatusText(int panel, const QString& text) {
    statusPanels_[panel]->setText(text);
    statusPanels_[panel]->repaint();
    QAccessibleEvent changed(statusPanels_[panel], QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void TRemotePanel::ChangeRemoteFolder(const std::string& folder) {
    if (Busy()) return;
    if (!remote_->Connected()) {
        QMessageBox box(QMessageBox::Question, tr("確認"), tr("サーバに接続されていません"),
                        QMessageBox::Ok, window());
        box.exec();
        return;
    }
    remote_->ChangeFolder(folder);
}

void TRemotePanel::GoUpRemoteFolder() {
    if (const std::optional<std::string> parent = remote_->Session().ParentPath()) ChangeRemoteFolder(*parent);
}

void TRemotePanel::WebListGrigDblClick() {
    StateChanged();
    if (Busy()) return;
    const QList<QTableWidgetSelectionRange> ranges = webListGrig_->selectedRanges();
    if (ranges.isEmpty()) return;
    const std::optional<TListingEntry> entry = GridRowEntry(*webListGrig_, ranges.front().topRow());
    if (!entry) return;
    if (entry->IsFolder) {
        ChangeRemoteFolder(entry->Name);
        return;
    }
    if (entry->Name.empty()) return;
    if (entry->Kind != model3ds::TFileKind::Unknown) FetchFile(entry->Name, entry->Kind);
}

void TRemotePanel::FetchFile(const std::string& fileName, model3ds::TFileKind kind) {
    const std::optional<std::string> address = remote_->Session().FileAddress(fileName);
    if (!address) return;
    SetStatusText(0, DisplayText(*address));
    std::vector<std::uint8_t> bytes = remote_->Fetch(*address);
    if (bytes.empty() || !OnFileFetched) return;
    OnFileFetched({.Bytes = std::move(bytes), .Name = fileName, .Address = *address, .Kind = kind});
}

void TRemotePanel::FtpClientConnect() { SetStatusText(1, tr("Webサーバに接続しました")); }

void TRemotePanel::FtpClientConnectionFailed() { SetStatusText(1, tr("Webサーバに接続出来ませんでした")); }

void TRemotePanel::FtpClientInvalidHost(bool& handled) {
    handled = false;
    SetStatusText(1, QCoreApplication::translate(base::kTextContext, base::kInvalidServerName));
}

void TRemotePanel::FtpClientStatus(const std::string& text) { SetStatusText(1, DisplayText(text)); }

void TRemotePanel::FtpClientError(int code, const std::string& message) {
    SetStatusText(0, DisplayText(base::Format("ErrorNo: %d ErrorMsg: %s", code, message.c_str())));
    remote_->Disconnect();
}

void TRemotePanel::FtpClientSuccess(int operation) {
    if (operation == net::kFtpListFolder) webListGrig_->setEnabled(true);
    if (operation == net::kFtpChangeFolder) {
        webListGrig_->setEnabled(true);
        remote_->Session().SetCurrentPath(remote_->FtpClient().CurrentFolder());
    }
    StateChanged();
}

void TRemotePanel::FtpClientListItem(const std::string& line) {
    QTableWidget& grid = *webListGrig_;
    // A listing that starts with a line that is no entry ("total 0" of an empty
    // folder) still replaces the previous one.
    if (remote_->ListRow() == 1) {
        grid.setHorizontalHeaderLabels({tr("ファイル名"), tr("サイズ"),
                                        tr("更新日"), tr("種類")});
        grid.clearContents();
        grid.setRowCount(kGridRowsAtListing - 1);
    }
    const std::optional<TListingEntry> entry = ListingEntry(line);
    if (!entry) return;
    const int listRow = remote_->NextListRow();
    SetStatusText(0, DisplayText(base::Format(qUtf8Printable(tr("%d ﾌｧｲﾙを取得しました")), listRow)));
    if (grid.rowCount() < listRow) grid.insertRow(grid.rowCount());
    SetGridRow(grid, listRow - 1, *entry);
}

void TRemotePanel::HttpClientStatus(const std::string& text) { SetStatusText(1, DisplayText(text)); }

// Without a content length the total is not known: the bytes received are shown with "?" for the rest.
void TRemotePanel::HttpClientPacketRecvd() {
    const net::THttpClient& http = remote_->HttpClient();
    const long long received = http.BytesReceived;
    const long long expected = http.BytesExpected;
    const std::string text =
        expected > 0 ? base::Format(qUtf8Printable(tr("%lld / %lld ﾊﾞｲﾄ受信( %.2f ％)")), received, expected,
                                    static_cast<double>(received) / static_cast<double>(expected) * 100.0)
                     : base::Format(qUtf8Printable(tr("%lld / ? ﾊﾞｲﾄ受信( ? ％)")), received);
    SetStatusText(1, DisplayText(text));
}

void TRemotePanel::HttpClientFailure(int) { SetStatusText(1, tr("読み込みできませんでした")); }

void TRemotePanel::HttpClientInvalidHost(bool& handled) {
    handled = false;
    SetStatusText(1, QCoreApplication::translate(base::kTextContext, base::kInvalidHostName));
}

void TRemotePanel::HttpClientConnectionFailed() { SetStatusText(1, tr("接続できませんでした")); }

void TRemotePanel::HttpClientDisconnect() { SetStatusText(1, tr("接続を解除しました")); }

void TRemotePanel::HttpClientSuccess(int) { SetStatusText(1, tr("接続しました")); }

}  // namespace app
