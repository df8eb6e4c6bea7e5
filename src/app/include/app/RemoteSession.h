#pragma once
// The remote browsing state without a window: the web settings of the last
// login and the current remote folder, with the rules the browser applies to
// them: going up, a file's address, and when a login form is complete. A file's
// kind is model3ds::FileKindByName's.
#include <optional>
#include <string>

namespace app {

// What a login gives the session: where the server is and who logs in.
struct TWebSettings {
    std::string ServerAddress = "localhost";
    std::string HttpFolder = "ximg";  // folder under the server root from which files are fetched
    std::string UserID;
    std::string Password;
    int Port = 0;
    int TimeOut = 60000;  // milliseconds

    bool operator==(const TWebSettings&) const = default;
};

// The TCP ports a server can listen on.
constexpr double kLowestPort = 1;
constexpr double kHighestPort = 65535;

// The login dialog's fields as the user left them.
struct TLoginForm {
    std::string ServerAddress;
    double Port = 0;
    int TimeOutMinutes = 5;
    std::string HttpFolder;
    std::string User;
    bool Anonymous = false;  // the user field names the anonymous user
    std::string Password;
};

class TRemoteSession {
public:
    // The settings a complete form gives; none for an incomplete one, which the
    // dialog does not accept.
    static std::optional<TWebSettings> LoginSettings(const TLoginForm& form);

    const TWebSettings& Settings() const { return settings_; }
    void SetSettings(const TWebSettings& settings) { settings_ = settings; }

    // Empty at the root.
    const std::string& CurrentPath() const { return currentPath_; }
    // The folder as the server reports it; its root "/" is kept as empty.
    void SetCurrentPath(const std::string& path);
    // The folder above the current one, with its trailing "/"; none at the root.
    std::optional<std::string> ParentPath() const;
    // The HTTP address of a file of the current folder, its names percent-encoded;
    // none without a server address. A server address ending in "/" is a whole
    // base address of its own.
    std::optional<std::string> FileAddress(const std::string& fileName) const;

private:
    TWebSettings settings_;
    std::string currentPath_;
};

}  // namespace app
