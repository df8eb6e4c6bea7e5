#include "app/UserSettings.h"

#include <QFile>
#include <QSettings>

#include "app/RecentFiles.h"
#include "base/Errors.h"

namespace app {

namespace {

QString SettingsFile(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

std::string UserSettingsLocation() { return UserConfigFolder() + "korvane.conf"; }

TUserSettings LoadUserSettings(const std::string& path) {
    TUserSettings settings;
    if (path.empty()) return settings;
    const QSettings file(SettingsFile(path), QSettings::IniFormat);
    settings.Login.ServerAddress = file.value("Login/ServerAddress").toString();
    settings.Login.Port = file.value("Login/Port", 0).toInt();
    settings.Login.HttpFolder = file.value("Login/HttpFolder").toString();
    settings.Login.TimeOutMinutes = file.value("Login/TimeOutMinutes", 0).toInt();
    settings.Login.User = file.value("Login/User").toString();
    settings.OpenFolder = file.value("Folders/Open").toString();
    settings.SaveFolder = file.value("Folders/Save").toString();
    settings.WindowSize = file.value("Window/Size").toSize();
    settings.TextureFolders = file.value("Folders/Textures").toStringList();
    return settings;
}

void SaveUserSettings(const TUserSettings& settings, const std::string& path) {
    if (path.empty()) return;
    QSettings file(SettingsFile(path), QSettings::IniFormat);
    file.clear();
    const TLoginFields& login = settings.Login;
    if (!login.ServerAddress.isEmpty() || !login.User.isEmpty()) {
        file.setValue("Login/ServerAddress", login.ServerAddress);
        file.setValue("Login/Port", login.Port);
        file.setValue("Login/HttpFolder", login.HttpFolder);
        file.setValue("Login/TimeOutMinutes", login.TimeOutMinutes);
        file.setValue("Login/User", login.User);
    }
    if (!settings.OpenFolder.isEmpty()) file.setValue("Folders/Open", settings.OpenFolder);
    if (!settings.SaveFolder.isEmpty()) file.setValue("Folders/Save", settings.SaveFolder);
    if (!settings.TextureFolders.isEmpty()) file.setValue("Folders/Textures", settings.TextureFolders);
    if (settings.WindowSize.isValid()) file.setValue("Window/Size", settings.WindowSize);
    file.sync();
    if (file.status() != QSettings::NoError) {
        throw base::EStreamError("Cannot write the settings file " + path);
    }
}

}  // namespace app
