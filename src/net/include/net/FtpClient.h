#pragma once
// TFtpClient: logs in over an FTP control connection, sends commands and lists
// folders through an active-mode data connection. Every call is synchronous and
// reports through its events while it waits.
#include "net/FtpDirectoryList.h"
#include "net/SocketClient.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace net {

// A reply (all its lines) may not be larger than this.
constexpr std::size_t kMaxReplySize = 1024 * 1024;

// Server kinds (Vendor).
enum FtpVendor : int {
    kVendorUnix = 2400,
    kVendorDos = 2401,
    kVendorVM = 2402,
    kVendorMacintosh = 2404,
    kVendorVMS = 2406,
    kVendorMVS = 2408,
    kVendorOther = 2410,
    kVendorAutomatic = 2411,
    kVendorOS400 = 2414,
    kVendorNetWare = 2416,
};

// Operation codes reported by OnSuccess, OnFailure and OnUnSupportedFunction.
enum FtpOperation : int {
    kFtpChangeFolder = 0,
    kFtpMakeFolder = 1,
    kFtpDeleteFile = 2,
    kFtpRemoveFolder = 3,
    kFtpListFolder = 4,
    kFtpOtherCommand = 14,
    kFtpCurrentFolder = 15,
};

class TFtpClient : public TSocketClient {
public:
    TFtpClient();
    ~TFtpClient() override;

    std::string UserID;
    std::string Password;
    int Vendor = kVendorAutomatic;
    bool ParseList = false;

    // OnConnect (inherited) is raised after a successful login.
    std::function<void(int operation)> OnSuccess;
    std::function<void(bool& handled, int operation)> OnFailure;
    std::function<void(int operation)> OnUnSupportedFunction;
    std::function<void(const std::string& line)> OnListItem;
    std::function<void(bool& handled)> OnAuthenticationNeeded;
    std::function<void()> OnTransactionStart;
    std::function<void()> OnTransactionStop;

    // Connect, Disconnect and every command raise FTPException, sending nothing, when
    // a text they would send (the user name, the password, a folder, a command) holds
    // a CR, LF or NUL character.
    void Connect();
    void Disconnect();
    void SendCommand(const std::string& command);
    void ChangeFolder(const std::string& folder);
    std::string CurrentFolder();
    void ListFolder();
    // Ends a running listing.
    void Abort();

    // The first line of the last reply, with its line end.
    const std::string& ReplyLine() const { return replyLine_; }
    // The listing parser of this session; null before the first parsed listing.
    const TFTPDirectoryList* DirectoryList() const { return parser_.get(); }

protected:
    void ConnectNotified() override {}
    void ReceivedDataCheck() override;
    void TimerCancel() override;

private:
    std::string Exchange(const std::string& command, const std::string& shownAs, bool discardWaiting);
    std::string ReadContinuation(std::string line);
    void CheckLoginReply(const std::string& replyText);
    std::string LoginUser() const;
    bool Fail(int operation, const std::string& replyText);
    void LogIn();
    void DetectVendor();
    bool OpenDataConnection();
    void ReadListing();
    void ReadClosingReply();

    std::unique_ptr<TSocketClient> data_;
    std::unique_ptr<TFTPDirectoryList> parser_;
    std::string replyLine_;
    std::string replyText_;
};

// The server kind named by a "SYST" reply text.
int VendorFromSystemReply(const std::string& replyText);
// The byte count announced in a "LIST" reply ("150 ... (1234 bytes)."), 0 when none.
long long BytesFromReply(const std::string& replyText);

}  // namespace net
