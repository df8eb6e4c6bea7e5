#include "app/RecentFilesMenu.h"

#include <QFile>

#include <filesystem>
#include <system_error>

#include "widgets/HandlerGuard.h"

namespace app {

namespace {

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

TRecentFilesMenu::TRecentFilesMenu(TRecentFiles& files, QWidget* parent) : QMenu(parent), files_(files) {
    addAction(QStringLiteral("DUmmy"));
    connect(this, &QMenu::aboutToShow, this, widgets::Guarded([this] { MruPopupMenuPopup(); }));
}

// The item at position k stands for entry k of the list.
void TRecentFilesMenu::MruPopupMenuPopup() {
    clear();
    files_.DropMissing(FileExists);
    for (const std::string& entry : files_.Entries) {
        // A path is shown whole: an ampersand in it is no shortcut mark.
        QString caption = QFile::decodeName(QByteArray::fromStdString(entry));
        QAction* item = addAction(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(item, &QAction::triggered, this, widgets::Guarded([this, item] { OpenRecentFile(item); }));
    }
}

void TRecentFilesMenu::OpenRecentFile(QAction* sender) {
    const qsizetype position = actions().indexOf(sender);
    if (position < 0 || position >= static_cast<qsizetype>(files_.Entries.size()) || !OnOpen) return;
    // A copy: opening the file moves it within the list.
    const std::string path = files_.Entries[static_cast<std::size_t>(position)];
    OnOpen(path);
}

}  // namespace app
