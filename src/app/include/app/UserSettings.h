#pragma once
// What the program remembers between runs: the login dialog's fields (never the
// password), the folders of the last open and save, the texture folders and the
// window's size. One
// INI file, which QSettings replaces through a temporary file and a rename.
#include <QSize>
#include <QString>
#include <QStringList>

#include <string>

namespace app {

struct TLoginFields {
    QString ServerAddress;
    int Port = 0;
    QString HttpFolder;
    int TimeOutMinutes = 0;  // 0: the dialog's own default
    QString User;
};

struct TUserSettings {
    TLoginFields Login;
    QString OpenFolder;  // of the last model opened
    QString SaveFolder;  // of the last .x file saved
    QSize WindowSize;    // invalid until a window has closed
    QStringList TextureFolders;  // looked in first for the textures of a glTF and the viewer
};

// The settings file in the user's configuration folder (see UserConfigFolder).
std::string UserSettingsLocation();

// Reads the settings at path; a missing file or an empty path gives the defaults.
TUserSettings LoadUserSettings(const std::string& path);
// Writes the settings to path, creating its folder; nothing for an empty path.
// Raises base::EStreamError when the file cannot be written.
void SaveUserSettings(const TUserSettings& settings, const std::string& path);

}  // namespace app
