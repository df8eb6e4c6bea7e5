#include "app/RemoteConnection.h"

#include <optional>

#include "WaitCursor.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

namespace app {

// The span of one network command: the hourglass is up and the window takes no
// other command.
class TRemoteConnection::TCommand {
public:
    explicit TCommand(TRemoteConnection& connection) : connection_(connection) {
        connection_.busy_ = true;
        connection_.abortRequested_ = false;
        if (connection_.OnBusyChange) connection_.OnBusyChange();
        cursor_.emplace();
    }
    ~TCommand() {
        cursor_.reset();
        connection_.busy_ = false;
        if (connection_.OnBusyChange) connection_.OnBusyChange();
    }
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;

private:
    TRemoteConnection& connection_;
    std::optional<TWaitCursor> cursor_;
};

TRemoteConnection::TRemoteConnection()
    : ftp_(std::make_unique<net::TFtpClient>()), http_(std::make_unique<net::THttpClient>()) {
    net::TFtpClient& ftp = *ftp_;
    ftp.Port = 22;
    ftp.TimeOut = 60000;
    ftp.ReportLevel = 0;
    ftp.ProxyPort = 0;
    ftp.ParseList = true;
    ftp.Vendor = net::kVendorAutomatic;
    net::THttpClient& http = *http_;
    http.Port = 0;
    http.TimeOut = 0;
    http.ReportLevel = 0;
    http.Body = "Default.htm";
    http.Header = "Head.txt";
    http.InputFileMode = false;
    http.OutputFileMode = false;
    http.ProxyPort = 0;
}

TRemoteConnection::~TRemoteConnection() = default;

bool TRemoteConnection::Connected() const { return ftp_->Connected(); }

void TRemoteConnection::ListFolder() {
    TCommand command(*this);
    listRow_ = 1;
    net::TFtpClient& ftp = *ftp_;
    try {
        if (!ftp.Connected()) {
            const TWebSettings& settings = session_.Settings();
            ftp.Host = settings.ServerAddress;
            ftp.Port = settings.Port;
            ftp.TimeOut = settings.TimeOut;
            ftp.UserID = settings.UserID;
            ftp.Password = settings.Password;
            ftp.Connect();
        }
        ftp.ListFolder();
    } catch (const base::Exception&) {
        // The failure events have already written the status bar.
    }
}

void TRemoteConnection::ChangeFolder(const std::string& folder) {
    TCommand command(*this);
    listRow_ = 1;
    try {
        ftp_->ChangeFolder(folder);
        ftp_->ListFolder();
    } catch (const base::Exception&) {
        // The failure events have already written the status bar.
    }
}

std::vector<std::uint8_t> TRemoteConnection::Fetch(const std::string& address) {
    net::THttpClient& http = *http_;
    http.InputFileMode = false;
    http.OutputFileMode = false;
    http.ReportLevel = 2;
    TCommand command(*this);
    // Runs however the fetch ends: the connection closed, the client back in
    // its file modes, the download buffer freed.
    struct CleanUp {
        TRemoteConnection& connection;
        ~CleanUp() {
            net::THttpClient& client = *connection.http_;
            client.ContentStream = nullptr;
            if (client.Connected()) client.Disconnect();
            client.InputFileMode = true;
            client.OutputFileMode = true;
            connection.downloadStream_.reset();
        }
    } cleanUp{*this};
    downloadStream_ = std::make_unique<base::MemoryStream>();
    http.ContentStream = downloadStream_.get();
    try {
        http.Get(address);
    } catch (const base::Exception&) {
        if (!abortRequested_) throw;
        // Ended by the user: a failed fetch, but no error to report.
        if (http.OnFailure) http.OnFailure(0);
        return {};
    }
    return downloadStream_->TakeBytes();
}

void TRemoteConnection::Disconnect() {
    if (ftp_->Connected()) ftp_->Disconnect();
}

void TRemoteConnection::Abort() {
    if (!busy_) return;
    abortRequested_ = true;
    ftp_->Cancel();
    http_->Cancel();
}

void TRemoteConnection::AbortAndClose() {
    closeRequested_ = true;
    Abort();
}

}  // namespace app
