// The recent-files drop-down on its own, without the window and without a display.
#include <gtest/gtest.h>

#include <QAction>

#include <string>
#include <vector>

#include "app/RecentFilesMenu.h"
#include "support/TempDir.h"

// Files gone since they were listed leave the list when the menu opens; an item
// asks for its own entry's path, shown whole even with an ampersand in it.
TEST(RecentFilesMenu, OpensTheEntryOfTheItemChosen) {
    testsupport::TempDir dir;
    const std::string kept = dir.File("a&b.3ds");
    const std::string later = dir.File("later.3ds");
    testsupport::SaveFile(kept, {1});
    testsupport::SaveFile(later, {1});
    app::TRecentFiles files;
    files.Entries = {kept, dir.File("gone.3ds"), later};
    app::TRecentFilesMenu menu(files, nullptr);
    std::vector<std::string> opened;
    menu.OnOpen = [&](const std::string& path) { opened.push_back(path); };

    emit menu.aboutToShow();
    EXPECT_EQ(files.Entries, (std::vector<std::string>{kept, later}));
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions().at(0)->text().toStdString(), dir.File("a&&b.3ds"));
    menu.actions().at(1)->trigger();
    menu.actions().at(0)->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{later, kept}));
}
