#pragma once
// The remote file browser below the model page: the grid of a remote folder's
// entries, the FTP and HTTP connection that fills it and fetches a file, the
// clients' events written to the status bar, and the network command that is
// running (Esc ends it; a close asked for meanwhile waits for its end). The window
// hears of it only that a file arrived and that the state its commands depend on
// changed.
#include <QCoreApplication>
#include <QFrame>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model3ds/FileKind.h"

class QAction;
class QLabel;
class QTableWidget;

namespace app {

class TRemoteConnection;

// A file fetched over HTTP.
struct TFetchedFile {
    std::vector<std::uint8_t> Bytes;
    std::string Name;     // as the listing named it, raw bytes
    std::string Address;  // where it came from
    model3ds::TFileKind Kind = model3ds::TFileKind::Unknown;
};

class TRemotePanel : public QFrame {
    Q_DECLARE_TR_FUNCTIONS(app::TRemotePanel)

public:
    // statusPanels: the status bar's panels the clients' events write, 0 for
    // progress and counts, 1 for the connection. designedWidth: the width the
    // grid's columns are laid out for; the last column takes any difference.
    TRemotePanel(QLabel* const (&statusPanels)[2], int designedWidth, QWidget* parent);
    ~TRemotePanel() override;

    QTableWidget* WebListGrig() const { return webListGrig_; }
    TRemoteConnection& Remote() { return *remote_; }
    const TRemoteConnection& Remote() const { return *remote_; }

    // A network command is running; the window takes no other command meanwhile.
    bool Busy() const;
    // Ends the running network command as a failed one.
    void AbortNetworkCommand();
    // A close asked for while a network command runs ends the command and closes
    // the window once it has returned: true then, and the close is to be ignored.
    bool DeferClose();
    // The grid back to its empty five rows, without a header text.
    void ClearList();

    void ChangeRemoteFolder(const std::string& folder);
    void GoUpRemoteFolder();
    // Opens the selected row: a folder is listed, a file of a known kind fetched.
    void WebListGrigDblClick();

    std::function<void(TFetchedFile file)> OnFileFetched;
    // A command started or ended, or a listing came in: the window's commands may change state.
    std::function<void()> OnStateChange;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindNetworkEvents();
    void NetworkBusyChange();
    void StateChanged();
    void SetStatusText(int panel, const QString& text);
    void FetchFile(const std::string& fileName, model3ds::TFileKind kind);
    void FtpClientConnect();
    void FtpClientConnectionFailed();
    void FtpClientInvalidHost(bool& handled);
    void FtpClientStatus(const std::string& text);
    void FtpClientError(int code, const std::string& message);
    void FtpClientSuccess(int operation);
    void FtpClientListItem(const std::string& line);
    void HttpClientStatus(const std::string& text);
    void HttpClientPacketRecvd();
    void HttpClientFailure(int command);
    void HttpClientInvalidHost(bool& handled);
    void HttpClientConnectionFailed();
    void HttpClientDisconnect();
    void HttpClientSuccess(int command);

    QLabel* statusPanels_[2];
    int designedWidth_;
    QTableWidget* webListGrig_;
    QAction* abortAction_;  // Esc
    std::unique_ptr<TRemoteConnection> remote_;
    int fittedGridWidth_ = 0;  // the grid's width that its columns fit; 0 before the first layout
};

}  // namespace app
