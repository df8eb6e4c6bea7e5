// korvane-render's folder mode and command line: many models drawn in one run,
// each picture as a run of its own would draw it; help, version, outputs that
// are devices, pipes or the input itself, and signals ending a run.
#include <gtest/gtest.h>

#include <QImage>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "net/ServerProcess.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProcessResult;

// Without an X display, as a server runs it.
ProcessResult Render(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"/usr/bin/env", "-u", "DISPLAY", KORVANE_RENDER};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return testsupport::RunProcess(words);
}

using testsupport::FilesBelow;
using testsupport::ReadFile;
using testsupport::SaveFile;

std::vector<std::uint8_t> Triangle(float size) {
    return testsupport::BuildModel(
        {{.name = "Tri", .vertices = {{0, 0, 0}, {size, 0, 0}, {0, 0, size}}, .faces = {{0, 1, 2}, {2, 1, 0}}}});
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

const std::string TriangleX =
    "xof 0303txt 0032\nMesh {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 2;\n 3;0,1,2;,\n 3;2,1,0;;\n}\n";

// A folder gives a mirrored folder of pictures, each equal to the picture of a
// run for that model alone; a broken model is listed at the end, without a picture.
TEST(RenderBatch, FolderGivesTheSinglePicturesMirrored) {
    testsupport::TempDir dir;
    const fs::path models = dir.Path() / "models";
    SaveFile(models / "a.3ds", Triangle(1));
    const auto plain = Triangle(3);
    SaveFile(models / "Sub" / "deep" / "c.3Da", model3ds::Pack3DA(plain.data(), plain.size()));
    SaveFile(models / "Sub" / "B.X", Bytes(TriangleX));
    SaveFile(models / "notes.txt", Bytes("hi"));
    SaveFile(models / "broken.3ds", {0x4D, 0x4D, 0xFF, 0xFF, 0, 0, 0x3D, 0x3D});
    const std::vector<std::string> options = {"--size", "64", "--fit", "--background", "203040"};
    std::vector<std::string> arguments = options;
    const fs::path out = dir.Path() / "out";
    arguments.insert(arguments.end(), {"-j", "2", models.string(), "-o", out.string()});
    const ProcessResult run = Render(arguments);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("korvane-render: failed: " + (models / "broken.3ds").string() + ": "), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("korvane-render: 1 of 4 inputs failed\n"), std::string::npos) << run.err;
    ASSERT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub/B.png", "Sub/deep/c.png", "a.png"}));
    for (const char* model : {"a.3ds", "Sub/deep/c.3Da", "Sub/B.X"}) {
        SCOPED_TRACE(model);
        std::vector<std::string> single = options;
        single.insert(single.end(), {(models / model).string(), (dir.Path() / "single.png").string()});
        ASSERT_EQ(Render(single).exitCode, 0);
        const QImage alone(QString::fromStdString((dir.Path() / "single.png").string()));
        const QImage inFolder(QString::fromStdString((out / fs::path(model).replace_extension(".png")).string()));
        EXPECT_FALSE(alone.isNull());
        EXPECT_TRUE(alone == inFolder);
    }
}

TEST(RenderBatch, HelpAndVersionAnswerOnStandardOutput) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out;  // its start
        std::string err;  // found in it
    } cases[] = {
        {{"--help"}, 0, "usage: korvane-render", ""},
        {{"-h"}, 0, "usage: korvane-render", ""},
        {{"--version"}, 0, "korvane-render " KORVANE_VERSION "\n", ""},
        {{"--frobnicate", "a.x", "b.png"}, 2, "", "unknown option: --frobnicate"},
        {{"-q", "a.x", "b.png"}, 2, "", "unknown option: -q"},
        {{"-j", "0", "a.x", "-o", "out"}, 2, "", "--jobs"},
        {{"-o", "out"}, 2, "", "INPUT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const ProcessResult run = Render(c.arguments);
        EXPECT_EQ(run.exitCode, c.status) << run.err;
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_NE(Render({"--help"}).out.find("-o, --output FOLDER"), std::string::npos);
}

// The model itself as the output is refused, alone or in a folder run, and the
// model stays; a pipe or a device as the output is written into.
TEST(RenderBatch, OutputsThatAreInputsAreRefusedAndDevicesWrittenInto) {
    testsupport::TempDir dir;
    const fs::path model = dir.Path() / "m.x";
    SaveFile(model, Bytes(TriangleX));
    SaveFile(dir.Path() / "pic.png", Bytes(TriangleX));  // a model under a picture's name
    const std::vector<std::vector<std::string>> refused = {
        {model.string(), model.string()},
        {(dir.Path() / "pic.png").string(), "-o", dir.Path().string()},
    };
    for (const auto& arguments : refused) {
        const ProcessResult run = Render(arguments);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("nothing written"), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(model), TriangleX);
    EXPECT_EQ(ReadFile(dir.Path() / "pic.png"), TriangleX);

    const std::string fifo = (dir.Path() / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string drained;
    std::thread reader([&] { drained = ReadFile(fifo); });
    const ProcessResult toPipe = Render({"--size", "16", model.string(), fifo});
    close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // a reader still waiting, if nothing was written, sees the end
    reader.join();
    EXPECT_EQ(toPipe.exitCode, 0) << toPipe.err;
    EXPECT_EQ(drained.substr(1, 3), "PNG");
    EXPECT_EQ(Render({"--size", "16", model.string(), "/dev/null"}).exitCode, 0);
    struct stat status {};
    EXPECT_TRUE(stat(fifo.c_str(), &status) == 0 && S_ISFIFO(status.st_mode));
    EXPECT_TRUE(stat("/dev/null", &status) == 0 && S_ISCHR(status.st_mode));
}

// Without a display, as with one, SIGTERM or SIGINT ends a folder run at once,
// by that signal (status 128 + n in a shell), leaving only whole pictures.
TEST(RenderBatch, ASignalEndsAHeadlessRunWithNoTemporaryFile) {
    testsupport::TempDir dir;
    const fs::path models = dir.Path() / "models";
    for (int i = 0; i < 400; ++i) SaveFile(models / ("m" + std::to_string(i) + ".x"), Bytes(TriangleX));
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const fs::path out = dir.Path() / ("out" + std::to_string(signal));
        fs::create_directories(out);
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, out.c_str(), IN_CREATE), 0);
        std::vector<std::string> words{"/usr/bin/env", "-u", "DISPLAY", KORVANE_RENDER, "--size", "400", "-j", "1",
                                       models.string(), "-o", out.string()};
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            // As from a terminal, whatever this test was started from ignores.
            for (const int s : {SIGINT, SIGTERM}) std::signal(s, SIG_DFL);
            dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        alignas(inotify_event) char events[4096];
        ASSERT_GT(read(watch, events, sizeof events), 0);  // the first picture begun
        close(watch);
        kill(pid, signal);
        const auto sent = std::chrono::steady_clock::now();
        int status = 0;
        pid_t ended = 0;
        while ((ended = waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() - sent < std::chrono::seconds(20))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(5));
        if (ended == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        const std::vector<std::string> written = FilesBelow(out);
        EXPECT_LT(written.size(), 400u);
        for (const std::string& name : written) EXPECT_EQ(fs::path(name).extension(), ".png") << name;
    }
}

}  // namespace

// A run that succeeds prints nothing, whichever way it draws: through an X
// display, without one, or without the display named because it goes away as
// the run starts; --verbose lets Qt's own messages through.
TEST(RenderRun, SucceedsSilentlyWithAnyDisplay) {
    testsupport::TempDir dir;
    SaveFile(dir.Path() / "tri.3ds", Triangle(1));
    const char* display = std::getenv("DISPLAY");
    for (const std::string environment : {"none", "going away", "this one"}) {
        if (environment == "this one" && (display == nullptr || *display == '\0')) continue;
        for (const bool verbose : {false, true}) {
            SCOPED_TRACE(environment + (verbose ? ", verbose" : ""));
            std::optional<nettest::ServerProcess> goingAway;
            std::vector<std::string> words{"/usr/bin/env", "-u", "DISPLAY"};
            if (environment == "going away") {
                goingAway.emplace(KORVANE_TOOLS_SCRIPTS "/broken_x_server.py", std::vector<std::string>{});
                words.push_back("DISPLAY=127.0.0.1:" + std::to_string(goingAway->Port() - 6000));
            } else if (environment == "this one") {
                words.push_back(std::string("DISPLAY=") + display);
            }
            words.insert(words.end(), {KORVANE_RENDER, "--size", "32"});
            if (verbose) words.push_back("--verbose");
            words.insert(words.end(), {(dir.Path() / "tri.3ds").string(), (dir.Path() / "tri.png").string()});
            fs::remove(dir.Path() / "tri.png");
            const ProcessResult run = testsupport::RunProcess(words);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            if (!verbose) {
                EXPECT_EQ(run.err, "");
            }
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(QImage(QString::fromStdString((dir.Path() / "tri.png").string())).size(), QSize(32, 32));
        }
    }
}

// A failure line names its file once, in a run of one model as in a folder run,
// and follows the user's language.
TEST(RenderRun, FailureLinesNameTheFileOnce) {
    testsupport::TempDir dir;
    SaveFile(dir.Path() / "empty.3ds", {});
    const std::vector<std::uint8_t> model = Triangle(1);
    SaveFile(dir.Path() / "cut.3ds", std::vector<std::uint8_t>(model.begin(), model.begin() + 4));
    const std::string empty = (dir.Path() / "empty.3ds").string(), cut = (dir.Path() / "cut.3ds").string();
    const struct {
        std::vector<std::string> arguments;
        std::string line;
    } cases[] = {
        {{empty, (dir.Path() / "out.png").string()}, "korvane-render: " + empty + ": the file is empty\n"},
        {{empty, "-o", (dir.Path() / "out").string()}, "korvane-render: failed: " + empty + ": the file is empty\n"},
        {{cut, (dir.Path() / "out.png").string()},
         "korvane-render: " + cut + ": Stream read error: the file ends inside its data, after 4 bytes\n"},
        {{cut, "-o", (dir.Path() / "out").string()},
         "korvane-render: failed: " + cut + ": Stream read error: the file ends inside its data, after 4 bytes\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words{"/usr/bin/env", "-u", "DISPLAY", "LANGUAGE=en", KORVANE_RENDER};
        words.insert(words.end(), c.arguments.begin(), c.arguments.end());
        const ProcessResult run = testsupport::RunProcess(words);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.line) << testing::PrintToString(c.arguments);
    }
}

namespace {

// A .x file of 3 GiB, sparse, so that it takes no disk: reading it runs out of
// any memory limit the tests set.
std::string HugeX(const testsupport::TempDir& dir) {
    const std::string huge = (dir.Path() / "in" / "huge.x").string();
    fs::create_directories(dir.Path() / "in");
    std::ofstream(huge) << "xof 0303txt 0032\n";
    fs::resize_file(huge, std::uintmax_t{3} << 30);
    return huge;
}

}  // namespace

// Running out of memory fails that model alone, named, and draws nothing for it,
// in a run of one model as in a folder run; a limit set from outside below what
// drawing needs is refused before anything starts.
TEST(RenderRun, RunningOutOfMemoryFailsThatModelAlone) {
    testsupport::TempDir dir;
    const std::string huge = HugeX(dir);
    SaveFile(dir.Path() / "in" / "triangle.3ds", Triangle(1));
    const std::string picture = (dir.Path() / "huge.png").string(), out = (dir.Path() / "out").string();
    const std::string triangle = (dir.Path() / "in" / "triangle.3ds").string();
    const struct {
        std::vector<std::string> words;
        std::string line;
    } cases[] = {
        {{KORVANE_RENDER, "--memory", "600", huge, picture},
         "korvane-render: " + huge + ": out of memory while reading the model\n"},
        {{KORVANE_RENDER, "--memory", "600", "--jobs", "1", "-o", out, (dir.Path() / "in").string()},
         "korvane-render: failed: " + huge + ": out of memory while reading the model\n"},
        {{"/usr/bin/prlimit", "--as=" + std::to_string(300 << 20), KORVANE_RENDER, triangle, picture},
         "korvane-render: the memory limit is 300 MB, less than the 512 MB that drawing needs (--memory, or a limit "
         "set from outside)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.words));
        if (!fs::exists(c.words[0])) continue;
        std::vector<std::string> words{"/usr/bin/env", "-u", "DISPLAY", "LANGUAGE=en"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        const ProcessResult run = testsupport::RunProcess(words);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.line), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(picture));
    }
    EXPECT_TRUE(fs::exists(dir.Path() / "out" / "triangle.png"));
    EXPECT_FALSE(fs::exists(dir.Path() / "out" / "huge.png"));
}
