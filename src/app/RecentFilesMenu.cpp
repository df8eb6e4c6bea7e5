// The recent-files drop-down of the open button.
#include <QFile>
#include <QMenu>

#include <filesystem>
#include <system_error>

#include "app/MainFrm.h"
#include "widgets/HandlerGuard.h"

namespace app {

namespace {

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

// Entries whose file has gone are dropped for good; the item at position k
// stands for entry k of the list.
void TMainFrm::MruPopupMenuPopup() {
    MruPopupMenu->clear();
    Document.RecentFiles.DropMissing(FileExists);
    for (const std::string& entry : Document.RecentFiles.Entries) {
        // A path is shown whole: an ampersand in it is no shortcut mark.
        QString caption = QFile::decodeName(QByteArray::fromStdString(entry));
        QAction* item = MruPopupMenu->addAction(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(item, &QAction::triggered, this, widgets::Guarded([this, item] { OpenRecentFile(item); }));
    }
}

void TMainFrm::OpenRecentFile(QAction* sender) {
    if (NetworkBusy()) return;
    const qsizetype position = MruPopupMenu->actions().indexOf(sender);
    if (position < 0 || position >= static_cast<qsizetype>(Document.RecentFiles.Entries.size())) return;
    const std::string path = Document.RecentFiles.Entries[static_cast<std::size_t>(position)];
    OpenGivenFile(path);
    UpdateCommandStates();
}

}  // namespace app
