#pragma once
// The recent-files drop-down of the open button: filled from the list each time
// it opens, it tells the window only which path to open.
#include <QMenu>

#include <functional>
#include <string>

#include "app/RecentFiles.h"

namespace app {

class TRecentFilesMenu : public QMenu {
public:
    // files: the list shown, which outlives the menu; entries whose file has gone
    // are dropped from it when the menu opens.
    TRecentFilesMenu(TRecentFiles& files, QWidget* parent);

    std::function<void(const std::string& path)> OnOpen;

private:
    void MruPopupMenuPopup();
    void OpenRecentFile(QAction* sender);

    TRecentFiles& files_;
};

}  // namespace app
