#include "app/RemoteSession.h"

#include "base/Format.h"
#include "net/HttpRequest.h"

namespace app {

namespace {

constexpr int kMillisecondsPerMinute = 60000;

}  // namespace

// Port 0 names no server, nor does a number past the TCP ports, which would wrap to another port.
std::optional<TWebSettings> TRemoteSession::LoginSettings(const TLoginForm& form) {
    if (form.ServerAddress.empty() || form.HttpFolder.empty()) return std::nullopt;
    if (form.Port < kLowestPort || form.Port > kHighestPort) return std::nullopt;
    if (!form.Anonymous && (form.User.empty() || form.Password.empty())) return std::nullopt;
    return TWebSettings{.ServerAddress = form.ServerAddress,
                        .HttpFolder = form.HttpFolder,
                        .UserID = form.Anonymous ? "anonymous" : form.User,
                        .Password = form.Anonymous ? "PubUsr@" : form.Password,
                        .Port = static_cast<int>(base::RoundHalfEven(form.Port)),
                        .TimeOut = form.TimeOutMinutes * kMillisecondsPerMinute};
}

void TRemoteSession::SetCurrentPath(const std::string& path) { currentPath_ = path == "/" ? std::string() : path; }

std::optional<std::string> TRemoteSession::ParentPath() const {
    const std::size_t slash = currentPath_.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return currentPath_.substr(0, slash + 1);
}

// Folder and file names are escaped: a name may hold spaces, "%", "#" or any other byte.
std::optional<std::string> TRemoteSession::FileAddress(const std::string& fileName) const {
    const std::string& server = settings_.ServerAddress;
    if (server.empty()) return std::nullopt;
    const std::string base =
        server.back() != '/' ? "http://" + server + net::PercentEncode("/" + settings_.HttpFolder + currentPath_, "/")
                             : server;
    return base + "/" + net::PercentEncode(fileName);
}

}  // namespace app
