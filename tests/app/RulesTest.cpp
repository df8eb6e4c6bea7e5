#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/CommandStates.h"
#include "app/MaterialRules.h"
#include "app/RecentFiles.h"
#include "app/RemoteSession.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "support/TempDir.h"

using namespace app;

TEST(CommandStates, EachStateEnablesItsCommands) {
    struct Case {
        TCommandInputs in;
        bool open, close, save, gltf, view, up, disconnect, abort;
    };
    const Case cases[] = {
        {{}, true, false, false, false, false, false, false, false},
        {{.NodeSelected = true, .ViewerShown = true}, true, false, false, false, false, false, false, false},
        {{.MeshCount = 3}, false, true, false, true, false, false, false, false},
        {{.MeshCount = 3, .NodeSelected = true}, false, true, true, true, true, false, false, false},
        {{.MeshCount = 1, .NodeSelected = true, .ViewerShown = true}, false, true, true, true, false, false, false,
         false},
        {{.InRemoteFolder = true, .Connected = true}, true, false, false, false, false, true, true, false},
        {{.MeshCount = 1, .NodeSelected = true, .InRemoteFolder = true, .Connected = true, .NetworkBusy = true},
         false, false, false, false, false, false, false, true},
        {{.NetworkBusy = true}, false, false, false, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        const TCommandStates s = CommandStates(c.in);
        EXPECT_EQ((std::array{s.Open, s.Close, s.Save, s.SaveGltf, s.View, s.UpFolder, s.DisConnect, s.Abort}),
                  (std::array{c.open, c.close, c.save, c.gltf, c.view, c.up, c.disconnect, c.abort}))
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

// However long the file, only the entries at its end are read, as many as a menu can show.
TEST(RecentFiles, OnlyTheLastEntriesOfALongFileAreRead) {
    const testsupport::TempDir dir;
    std::string numbered;
    std::vector<std::string> last;
    constexpr std::size_t kLines = 200000;
    for (std::size_t i = 0; i < kLines; ++i) {
        const std::string entry = "/m/" + std::to_string(i) + ".3ds";
        numbered += entry + "\r\n";
        if (i >= kLines - TRecentFiles::kReadAtStart) last.push_back(entry);
    }
    const struct {
        std::string text;
        std::vector<std::string> entries;
    } cases[] = {
        {numbered, last},
        {std::string(1 << 20, 'x') + "\r\na\nb", {"a", "b"}},
        {std::string(1 << 20, 'x'), {}},
    };
    for (const auto& c : cases) {
        base::WriteFileAtomically(dir.File("RecentFile.Mru"), c.text.data(), c.text.size());
        EXPECT_EQ(LoadRecentFiles(dir.File("RecentFile.Mru")).Entries, c.entries) << c.text.size();
    }
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

TEST(MaterialRules, OpacityAndPowerStayWithinThePanelBounds) {
    struct Case {
        int opacity, power;
        float storedOpacity, storedPower;
    } cases[] = {{50, 20, 0.5f, 20}, {5, -1, 0.1f, 0}, {150, 51, 1.0f, 50}, {10, 0, 0.1f, 0}};
    for (const Case& c : cases) {
        model3ds::TMaterial3DS material;
        app::SetMaterialOpacity(material, c.opacity);
        app::SetMaterialPower(material, c.power);
        EXPECT_EQ(material.Opacity, c.storedOpacity) << c.opacity;
        EXPECT_EQ(material.SpecularPower, c.storedPower) << c.power;
    }
}

TEST(RemoteSession, LoginFormsGiveSettingsOnlyWhenComplete) {
    const TLoginForm named{.ServerAddress = "models.example", .Port = 21, .TimeOutMinutes = 5, .HttpFolder = "ximg",
                           .User = "taro", .Password = "secret"};
    const auto with = [&](auto change) {
        TLoginForm form = named;
        change(form);
        return form;
    };
    struct Case {
        const char* name;
        TLoginForm form;
        std::optional<TWebSettings> settings;
    };
    const Case cases[] = {
        {"named", named, TWebSettings{"models.example", "ximg", "taro", "secret", 21, 300000}},
        {"anonymous, password ignored", with([](TLoginForm& f) { f.Anonymous = true, f.Password = ""; }),
         TWebSettings{"models.example", "ximg", "anonymous", "PubUsr@", 21, 300000}},
        {"texts as typed, port rounded half to even, one minute",
         with([](TLoginForm& f) { f.ServerAddress = " h ", f.Port = 22.5, f.TimeOutMinutes = 1, f.User = " j"; }),
         TWebSettings{" h ", "ximg", " j", "secret", 22, 60000}},
        {"highest port", with([](TLoginForm& f) { f.Port = 65535; }),
         TWebSettings{"models.example", "ximg", "taro", "secret", 65535, 300000}},
        {"no address", with([](TLoginForm& f) { f.ServerAddress = ""; }), std::nullopt},
        {"no folder", with([](TLoginForm& f) { f.HttpFolder = ""; }), std::nullopt},
        {"port 0", with([](TLoginForm& f) { f.Port = 0; }), std::nullopt},
        {"port past the TCP ports", with([](TLoginForm& f) { f.Port = 65536; }), std::nullopt},
        {"no user", with([](TLoginForm& f) { f.User = ""; }), std::nullopt},
        {"named user without password", with([](TLoginForm& f) { f.Password = ""; }), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(TRemoteSession::LoginSettings(c.form), c.settings) << c.name;
}

TEST(RemoteSession, FoldersAndAddresses) {
    struct Case {
        const char* server;
        const char* reported;  // the folder as the server reports it
        std::optional<std::string> parent;
        std::optional<std::string> address;  // of "my box.3ds"
    };
    const Case cases[] = {
        {"S", "/", std::nullopt, "http://S/ximg/my%20box.3ds"},
        {"S", "/models", "/", "http://S/ximg/models/my%20box.3ds"},
        {"S", "/ximg/a b", "/ximg/", "http://S/ximg/ximg/a%20b/my%20box.3ds"},
        {"http://base/", "/models", "/", "http://base//my%20box.3ds"},
        {"", "/models", "/", std::nullopt},
    };
    for (const Case& c : cases) {
        TWebSettings settings;
        settings.ServerAddress = c.server;
        TRemoteSession session;
        session.SetSettings(settings);
        session.SetCurrentPath(c.reported);
        EXPECT_EQ(session.ParentPath(), c.parent) << c.reported;
        EXPECT_EQ(session.FileAddress("my box.3ds"), c.address) << c.server << c.reported;
    }
    EXPECT_EQ(TRemoteSession().CurrentPath(), "");
    EXPECT_EQ(TRemoteSession().Settings(), (TWebSettings{"localhost", "ximg", "", "", 0, 60000}));
}
