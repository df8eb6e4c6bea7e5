#pragma once
// The main window's network side: the FTP client that lists the remote folders,
// the HTTP client that fetches a file, the session they serve, the download
// buffer, and the state of the network command that is running. The window binds
// the clients' events to its handlers and reads the state to enable its commands.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/RemoteSession.h"

namespace base {
class MemoryStream;
}  // namespace base

namespace net {
class TFtpClient;
class THttpClient;
}  // namespace net

namespace app {

class TRemoteConnection {
public:
    TRemoteConnection();
    ~TRemoteConnection();
    TRemoteConnection(const TRemoteConnection&) = delete;
    TRemoteConnection& operator=(const TRemoteConnection&) = delete;

    net::TFtpClient& FtpClient() { return *ftp_; }
    net::THttpClient& HttpClient() { return *http_; }
    TRemoteSession& Session() { return session_; }
    const TRemoteSession& Session() const { return session_; }
    bool Connected() const;

    // Each command below runs with the hourglass up and no other command
    // allowed; errors of the FTP client end it quietly, as its failure events
    // have already reported them.
    // Logs in with the session's settings unless connected, then lists the current folder.
    void ListFolder();
    // Changes to folder (relative, or absolute from "/") and lists it.
    void ChangeFolder(const std::string& folder);
    // The content at address, whatever the HTTP status; nothing when the user ended the fetch.
    std::vector<std::uint8_t> Fetch(const std::string& address);
    void Disconnect();

    // The grid row the next listing entry fills, counting from 1 in each listing;
    // NextListRow takes it.
    int ListRow() const { return listRow_; }
    int NextListRow() { return listRow_++; }

    // A network command is running; the window takes no other command meanwhile.
    bool Busy() const { return busy_; }
    // Ends the running command as a failed one.
    void Abort();
    // Ends the running command; the window closes once it has returned.
    void AbortAndClose();
    bool CloseRequested() const { return closeRequested_; }
    // Raised when a command starts and when it ends.
    std::function<void()> OnBusyChange;

private:
    class TCommand;

    std::unique_ptr<net::TFtpClient> ftp_;
    std::unique_ptr<net::THttpClient> http_;
    TRemoteSession session_;
    std::unique_ptr<base::MemoryStream> downloadStream_;
    int listRow_ = 0;
    bool busy_ = false;
    bool abortRequested_ = false;  // the running command was ended by the user
    bool closeRequested_ = false;
};

}  // namespace app
