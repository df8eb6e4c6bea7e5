// korvane-convert's batch mode (issue 12): folders mirrored, failures reported at
// the end with exit status 1, no partial output.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProcessResult;

ProcessResult Convert(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {KORVANE_CONVERT};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return testsupport::RunProcess(words);
}

std::vector<std::uint8_t> Model(float size) {
    return testsupport::BuildModel(
        {{.name = "Tri", .vertices = {{0, 0, 0}, {size, 0, 0}, {0, size, 0}}, .faces = {{0, 1, 2}}}});
}

using testsupport::FilesBelow;
using testsupport::ReadFile;
using testsupport::SaveFile;

// models/: a.3ds, Sub/B.3DS, Sub/deep/c.3Da (packed), notes.txt.
fs::path ModelFolder(const testsupport::TempDir& dir) {
    const fs::path models = dir.Path() / "models";
    SaveFile(models / "a.3ds", Model(1));
    SaveFile(models / "Sub" / "B.3DS", Model(2));
    const auto plain = Model(3);
    SaveFile(models / "Sub" / "deep" / "c.3Da", model3ds::Pack3DA(plain.data(), plain.size()));
    SaveFile(models / "notes.txt", {'h', 'i'});
    return models;
}

TEST(ConvertBatch, FolderIsMirroredIntoTheOutputFolderAtAnyJobCount) {
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    std::string first;
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const fs::path out = dir.Path() / (std::string("out") + jobs);
        const ProcessResult result = Convert({"-j", jobs, "-b", models.string(), "-o", out.string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");  // no terminal: no progress line
        EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub/B.x", "Sub/deep/c.x", "a.x"}));
        // The same bytes as a conversion of that file alone.
        const fs::path single = dir.Path() / "single.x";
        ASSERT_EQ(Convert({"-b", (models / "Sub" / "deep" / "c.3Da").string(), "-o", single.string()}).exitCode, 0);
        EXPECT_EQ(ReadFile(out / "Sub" / "deep" / "c.x"), ReadFile(single));
    }
}

TEST(ConvertBatch, WithoutAnOutputFolderResultsGoBesideTheirInputs) {
    testsupport::TempDir dir;
    SaveFile(dir.Path() / "one" / "m.3ds", Model(1));
    SaveFile(dir.Path() / "two" / "M.3DS", Model(2));
    const ProcessResult result =
        Convert({(dir.Path() / "one" / "m.3ds").string(), (dir.Path() / "two" / "M.3DS").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir.Path() / "one" / "m.x"));
    EXPECT_TRUE(fs::exists(dir.Path() / "two" / "M.x"));
}

TEST(ConvertBatch, FailuresAreReportedAtTheEndAndLeaveNoFile) {
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    SaveFile(models / "broken.3ds", {0x4D, 0x4D, 0xFF, 0xFF, 0, 0, 0x3D, 0x3D});     // a chunk longer than the file
    SaveFile(models / "Sub" / "junk.3DA", std::vector<std::uint8_t>(100, 0x55));     // not packed
    SaveFile(dir.Path() / "elsewhere" / "a.3ds", Model(5));                          // same output as models/a.3ds
    const fs::path out = dir.Path() / "out";
    const std::string missing = (dir.Path() / "missing.3ds").string();
    const ProcessResult result = Convert({"-j", "2", models.string(), missing,
                                          (dir.Path() / "elsewhere" / "a.3ds").string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 1);
    struct Expected {
        std::string input;
        std::string reason;
    };
    const std::vector<Expected> failures = {
        {(models / "broken.3ds").string(), ""},
        {(models / "Sub" / "junk.3DA").string(), "cannot unpack"},
        {missing, "missing.3ds"},
        {(dir.Path() / "elsewhere" / "a.3ds").string(), "is also the output of"},
    };
    for (const Expected& failure : failures) {
        const std::string line = "korvane-convert: failed: " + failure.input + ": ";
        const std::size_t at = result.err.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << result.err;
        EXPECT_NE(result.err.find(failure.reason, at + line.size()), std::string::npos) << result.err;
    }
    EXPECT_NE(result.err.find("4 of 7 inputs failed"), std::string::npos) << result.err;
    // The good ones written, nothing else (no partial or temporary file).
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub/B.x", "Sub/deep/c.x", "a.x"}));
}

TEST(ConvertBatch, BadBatchCommandLinesExitWithTwo) {
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    const std::vector<std::vector<std::string>> cases = {
        {models.string(), "-o", "-"},
        {"a.3ds", "b.3ds", "-o", ""},
        {"-j", "0", models.string()},
        {"-j", "many", models.string()},
        {"-j", "257", "a.3ds"},
    };
    for (const auto& arguments : cases) {
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(arguments) << result.err;
    }
    EXPECT_FALSE(fs::exists(models / "a.x"));
}

TEST(ConvertBatch, AFolderWithoutModelsIsAFailure) {
    testsupport::TempDir dir;
    fs::create_directories(dir.Path() / "empty");
    const ProcessResult result = Convert({(dir.Path() / "empty").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no .3ds or .3da file"), std::string::npos) << result.err;
}

// A model of one mesh, a grid of side x side vertices: big enough that writing
// its text export takes a while.
std::vector<std::uint8_t> GridModel(int side) {
    testsupport::MeshSpec grid{.name = "Grid"};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) grid.vertices.push_back({float(x), float(y), float((x * y) % 7)});
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            const auto at = static_cast<std::uint16_t>(y * side + x);
            grid.faces.push_back({at, static_cast<std::uint16_t>(at + 1), static_cast<std::uint16_t>(at + side)});
            grid.faces.push_back({static_cast<std::uint16_t>(at + 1), static_cast<std::uint16_t>(at + side + 1),
                                  static_cast<std::uint16_t>(at + side)});
        }
    return testsupport::BuildModel({grid});
}

// Starts korvane-convert; returns its process id.
pid_t Start(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {KORVANE_CONVERT};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // As from a terminal, whatever this test was started from ignores.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// The temporary files beside the outputs: NAME.x.XXXXXX.
std::vector<std::string> TemporaryFiles(const fs::path& folder) {
    std::vector<std::string> found;
    for (const std::string& name : FilesBelow(folder)) {
        if (name.find(".x.") != std::string::npos) found.push_back(name);
    }
    return found;
}

// The moment a temporary file appears, a signal ends the run: the process ends
// by that signal and no temporary file is left.
TEST(ConvertBatch, ASignalMidBatchLeavesNoTemporaryFile) {
    testsupport::TempDir dir;
    for (int i = 0; i < 6; ++i) SaveFile(dir.Path() / "big" / ("m" + std::to_string(i) + ".3ds"), GridModel(180));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const fs::path out = dir.Path() / ("out" + std::to_string(signal));
        fs::create_directories(out);
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, out.c_str(), IN_CREATE), 0);
        const pid_t pid = Start({"-j", "1", (dir.Path() / "big").string(), "-o", out.string()});
        alignas(inotify_event) char events[4096];
        ASSERT_GT(read(watch, events, sizeof events), 0);  // the first file made: a temporary one
        kill(pid, signal);
        const int status = Wait(pid);
        close(watch);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(TemporaryFiles(out), std::vector<std::string>{});
    }
}

// A folder that cannot be listed, named or met below a folder, is a failure
// with the system's reason; the rest is converted. Root reads any folder, so as
// root the tool runs without that power (setpriv).
TEST(ConvertBatch, AnUnreadableFolderIsListedWithItsReason) {
    const char* const setpriv = "/usr/bin/setpriv";
    if (geteuid() == 0 && !fs::exists(setpriv)) GTEST_SKIP() << "as root, setpriv is needed to deny reading a folder";
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    SaveFile(models / "locked" / "hidden.3ds", Model(1));
    fs::permissions(models / "locked", fs::perms::none);
    const struct {
        fs::path input;
        std::vector<std::string> written;
    } cases[] = {{models, {"Sub/B.x", "Sub/deep/c.x", "a.x"}}, {models / "locked", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const fs::path out = dir.Path() / ("out-" + c.input.filename().string());
        std::vector<std::string> words;
        if (geteuid() == 0) words = {setpriv, "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search", "--"};
        words.insert(words.end(), {KORVANE_CONVERT, c.input.string(), "-o", out.string()});
        const ProcessResult result = testsupport::RunProcess(words);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.err.find("failed: " + (models / "locked").string() + ": Permission denied\n"), std::string::npos)
            << result.err;
        EXPECT_EQ(result.err.find("no .3ds or .3da file"), std::string::npos) << result.err;
        EXPECT_EQ(fs::exists(out) ? FilesBelow(out) : std::vector<std::string>{}, c.written);
    }
    fs::permissions(models / "locked", fs::perms::owner_all);
}

// Names reach standard error escaped as --list writes them: no escape sequence
// reaches the terminal and no name forges a line. One file named twice, or two
// inputs with one output (a.3ds beside a broken a.3da), are reported once, and
// the good model is converted.
TEST(ConvertBatch, FailuresAreReportedOnceWithEscapedNames) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> broken = {0x4D, 0x4D, 0xFF, 0xFF, 0, 0, 0x3D, 0x3D};
    const fs::path models = dir.Path() / "models";
    SaveFile(models / "a.3ds", Model(1));
    SaveFile(models / "a.3da", broken);
    SaveFile(models / "bad\x1b[31m\nkorvane-convert: 0 of 9 inputs failed.3ds", broken);
    const fs::path out = dir.Path() / "out";
    const ProcessResult result =
        Convert({models.string(), (models / "a.3da").string(), (models / ".." / "models").string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 1);
    const std::string expected[] = {
        "korvane-convert: failed: " + (models / "a.3da").string() + ": its output " + (out / "a.x").string() +
            " is also the output of " + (models / "a.3ds").string(),
        "korvane-convert: failed: " + (models / "bad\\x1B[31m\\nkorvane-convert: 0 of 9 inputs failed.3ds").string() +
            ": ",
        "korvane-convert: 2 of 3 inputs failed",
    };
    std::istringstream lines(result.err);
    std::string line;
    for (const std::string& start : expected) {
        ASSERT_TRUE(std::getline(lines, line)) << result.err;
        EXPECT_EQ(line.substr(0, start.size()), start);
    }
    EXPECT_FALSE(std::getline(lines, line)) << result.err;
    EXPECT_EQ(FilesBelow(out), std::vector<std::string>{"a.x"});
}

// An output that is one of the inputs (by any name) is refused: status 1, the
// input untouched. A device or a pipe as the output is written into.
TEST(ConvertBatch, OutputsThatAreInputsAreRefusedAndDevicesWrittenInto) {
    testsupport::TempDir dir;
    const fs::path models = dir.Path() / "models";
    SaveFile(models / "model.x", Model(1));  // 3D Studio bytes under the .x name
    SaveFile(models / "b.3ds", Model(2));
    fs::create_symlink("b.3ds", models / "link.x");
    const std::string original = ReadFile(models / "model.x"), other = ReadFile(models / "b.3ds");
    const std::vector<std::vector<std::string>> refused = {
        {(models / "model.x").string()},
        {(models / "b.3ds").string(), "-o", (models / "link.x").string()},
        {(models / "model.x").string(), (models / "b.3ds").string()},
        {(models / "model.x").string(), (models / "b.3ds").string(), "-o", models.string()},
        {"--pack", (models / "link.x").string(), (models / "b.3ds").string()},
        {"--unpack", (models / "model.x").string(), (models / "model.x").string()},
    };
    for (const auto& arguments : refused) {
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 1) << testing::PrintToString(arguments) << result.err;
        // A folder run's plan says so in its own words; a single run in the tools' language.
        const bool nothingWritten = result.err.find("nothing written") != std::string::npos ||
                                    result.err.find("何も書き込みませんでした") != std::string::npos;
        EXPECT_TRUE(nothingWritten) << result.err;
        EXPECT_EQ(ReadFile(models / "model.x"), original);
        EXPECT_EQ(ReadFile(models / "b.3ds"), other);
    }

    const std::string fifo = (dir.Path() / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string drained;
    std::thread reader([&] { drained = ReadFile(fifo); });
    const ProcessResult toPipe = Convert({(models / "b.3ds").string(), "-o", fifo});
    close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // a reader still waiting, if nothing was written, sees the end
    reader.join();
    EXPECT_EQ(toPipe.exitCode, 0) << toPipe.err;
    EXPECT_EQ(drained.substr(0, 4), "xof ");
    const ProcessResult toNull = Convert({(models / "b.3ds").string(), "-o", "/dev/null"});
    EXPECT_EQ(toNull.exitCode, 0) << toNull.err;
    struct stat status {};
    EXPECT_TRUE(stat(fifo.c_str(), &status) == 0 && S_ISFIFO(status.st_mode));
    EXPECT_TRUE(stat("/dev/null", &status) == 0 && S_ISCHR(status.st_mode));
}

}  // namespace
