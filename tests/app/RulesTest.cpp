#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/CommandStates.h"
#include "app/RecentFiles.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "support/TempDir.h"

using namespace app;

TEST(CommandStates, EachStateEnablesItsCommands) {
    struct Case {
        TCommandInputs in;
        bool open, close, save, view, up, disconnect;
    };
    const Case cases[] = {
        {{}, true, false, false, false, false, false},
        {{.NodeSelected = true, .ViewerShown = true}, true, false, false, false, false, false},
        {{.MeshCount = 3}, false, true, false, false, false, false},
        {{.MeshCount = 3, .NodeSelected = true}, false, true, true, true, false, false},
        {{.MeshCount = 1, .NodeSelected = true, .ViewerShown = true}, false, true, true, false, false, false},
        {{.InRemoteFolder = true, .Connected = true}, true, false, false, false, true, true},
        {{.MeshCount = 1, .NodeSelected = true, .InRemoteFolder = true, .Connected = true, .NetworkBusy = true},
         false, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        const TCommandStates s = CommandStates(c.in);
        EXPECT_EQ((std::array{s.Open, s.Close, s.Save, s.View, s.UpFolder, s.DisConnect}),
                  (std::array{c.open, c.close, c.save, c.view, c.up, c.disconnect}))
            << &c - cases;
    }
}

TEST(RecentFiles, FileLinesParseAndWriteBack) {
    struct Case {
        std::string text;
        std::vector<std::string> entries;
        std::string written;
    };
    const Case cases[] = {
        {"", {}, ""},
        {"a\r\nb\r\n", {"a", "b"}, "a\r\nb\r\n"},
        {"a\rb\nc", {"a", "b", "c"}, "a\r\nb\r\nc\r\n"},
        {"a\n\nb\n", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {std::string("a\r\nb\0c\r\n", 8), {"a", "b"}, "a\r\nb\r\n"},
        {"dup\r\ndup\r\n", {"dup", "dup"}, "dup\r\ndup\r\n"},
    };
    for (const Case& c : cases) {
        TRecentFiles files;
        files.Parse(c.text);
        EXPECT_EQ(files.Entries, c.entries);
        EXPECT_EQ(files.Text(), c.written);
    }
}

TEST(RecentFiles, AddIgnoresCaseAndTrimKeepsTheNewestTen) {
    TRecentFiles files;
    for (const char* path : {"/m/Box.3ds", "/m/BOX.3DS", "/m/ÄRGER.3ds", "/m/ärger.3ds", "/m/box.3da", "/m/Box.3ds",
                             "/m/ＡＢ.3ds", "/m/ａｂ.3ds", "/m/Ђак.3ds", "/m/ђАК.3ds", "/m/ŁÓDŹ.3ds", "/m/łódź.3ds"}) {
        files.Add(path);
    }
    EXPECT_EQ(files.Entries, (std::vector<std::string>{"/m/Box.3ds", "/m/ÄRGER.3ds", "/m/box.3da", "/m/ＡＢ.3ds",
                                                       "/m/Ђак.3ds", "/m/ŁÓDŹ.3ds"}));
    // Bytes that are not UTF-8 compare as they stand.
    files.Add("/m/\x83\x41.3ds");
    files.Add("/m/\x83\x61.3ds");
    EXPECT_EQ(files.Entries.size(), 8u);

    TRecentFiles fourteen;
    for (int i = 1; i <= 14; ++i) fourteen.Entries.push_back(std::to_string(i));
    fourteen.Trim();
    EXPECT_EQ(fourteen.Entries, (std::vector<std::string>{"5", "6", "7", "8", "9", "10", "11", "12", "13", "14"}));
    fourteen.DropMissing([](const std::string& entry) { return entry.size() == 1; });
    EXPECT_EQ(fourteen.Entries, (std::vector<std::string>{"5", "6", "7", "8", "9"}));
}

TEST(RecentFiles, KeptBesideTheProgramUnlessThatFolderCannotBeWritten) {
    testsupport::TempDir dir;
    const std::string program = dir.File("bin") + "/";
    const std::string config = dir.File("config/korvane") + "/";
    std::filesystem::create_directories(program);
    EXPECT_EQ(RecentFileLocation(program, config), program + "RecentFile.Mru");
    EXPECT_EQ(RecentFileLocation(dir.File("missing") + "/", config), config + "RecentFile.Mru");
    if (geteuid() != 0) {
        chmod(program.c_str(), 0555);
        EXPECT_EQ(RecentFileLocation(program, config), config + "RecentFile.Mru");
        chmod(program.c_str(), 0755);
    }

    // The configuration folder is made when the list is first written, and the list reads back.
    TRecentFiles files;
    files.Entries = {"/a.3ds", "/b.3da"};
    SaveRecentFiles(files, config + "RecentFile.Mru");
    EXPECT_EQ(LoadRecentFiles(config + "RecentFile.Mru").Entries, files.Entries);
    EXPECT_TRUE(LoadRecentFiles(dir.File("none.Mru")).Entries.empty());
    // A list that cannot be written raises.
    base::WriteFileAtomically(dir.File("plain-file"), "x", 1);
    EXPECT_THROW(SaveRecentFiles(files, dir.File("plain-file") + "/x/RecentFile.Mru"), base::EStreamError);
}
