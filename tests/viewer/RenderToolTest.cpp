// korvane-render as a file manager and a server run it: without an X display.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "base/Stream.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

const std::string Tool = std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render";

// Runs korvane-render with the arguments; with no DISPLAY in its environment
// when headless.
testsupport::ProcessResult Render(const std::vector<std::string>& arguments, bool headless) {
    std::vector<std::string> words{"/usr/bin/env"};
    if (headless) words.insert(words.end(), {"-u", "DISPLAY"});
    words.push_back(Tool);
    words.insert(words.end(), arguments.begin(), arguments.end());
    return testsupport::RunProcess(words);
}

// The share of pixels whose colours differ by more than a few levels in any channel.
double DifferingShare(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 6 || std::abs(qGreen(p) - qGreen(q)) > 6 ||
                std::abs(qBlue(p) - qBlue(q)) > 6)
                ++differing;
        }
    return static_cast<double>(differing) / (a.width() * a.height());
}

int CountNot(const QImage& image, QRgb background) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) != background;
    return count;
}

// The bounds of the pixels that are not the background.
QRect ModelBounds(const QImage& image, QRgb background) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != background) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// A 3DS box from the origin to (sx, sy, sz), z up, its faces drawn from both sides.
std::vector<std::uint8_t> Box3DS(float sx, float sy, float sz) {
    testsupport::MeshSpec box{.name = "Box"};
    for (int i = 0; i < 8; ++i) box.vertices.push_back({i & 1 ? sx : 0, i & 2 ? sy : 0, i & 4 ? sz : 0});
    const std::uint16_t quads[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        box.faces.push_back({q[0], q[1], q[2]});
        box.faces.push_back({q[0], q[2], q[3]});
        box.faces.push_back({q[2], q[1], q[0]});
        box.faces.push_back({q[3], q[2], q[0]});
    }
    return testsupport::BuildModel({box});
}

// --fit: a tall thin model reaches the top and bottom of the picture and a
// wide flat one its left and right, each leaving the other two sides free;
// --size N is a square picture.
TEST(RenderTool, FitFillsThePictureWithTheModel) {
    testsupport::TempDir temp;
    const struct {
        const char* name;
        float sx, sy, sz;
        bool tall;
    } cases[] = {{"tall", 1, 1, 10, true}, {"wide", 10, 2, 1.5f, false}};
    constexpr int Side = 128, Near = 6;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto model = Box3DS(c.sx, c.sy, c.sz);
        const std::string input = temp.File(std::string(c.name) + ".3ds");
        base::WriteFileAtomically(input, model.data(), model.size());
        const auto run =
            Render({"--fit", "--size", std::to_string(Side), "--background", "FF00FF", input, temp.File("fit.png")}, true);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QImage image(QString::fromStdString(temp.File("fit.png")));
        ASSERT_EQ(image.size(), QSize(Side, Side));
        const QRect bounds = ModelBounds(image, 0xFF00FF);
        const bool reachesTopAndBottom = bounds.top() <= Near && bounds.bottom() >= Side - 1 - Near;
        const bool reachesLeftAndRight = bounds.left() <= Near && bounds.right() >= Side - 1 - Near;
        EXPECT_EQ(reachesTopAndBottom, c.tall) << bounds.top() << ".." << bounds.bottom();
        EXPECT_EQ(reachesLeftAndRight, !c.tall) << bounds.left() << ".." << bounds.right();
        EXPECT_GT(bounds.top(), 0);
        EXPECT_GT(bounds.left(), 0);
        EXPECT_LT(bounds.bottom(), Side - 1);
        EXPECT_LT(bounds.right(), Side - 1);
    }
    for (const char* size : {"0", "8193", "12x"})
        EXPECT_EQ(Render({"--size", size, temp.File("tall.3ds"), temp.File("bad.png")}, true).exitCode, 2) << size;
}

// Damaged, endless and huge inputs, as a thumbnailer meets them: each ends
// with status 1, a message, and no picture, not even a temporary file.
TEST(RenderTool, HostileInputEndsWithoutAPicture) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    testsupport::TempDir temp;
    const auto head = [&](const std::filesystem::path& source, std::size_t size, const std::string& name) {
        std::vector<char> bytes(size);
        std::ifstream(source, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(size));
        std::ofstream(temp.File(name), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
        return temp.File(name);
    };
    const std::string never = temp.File("never-written.x");
    ASSERT_EQ(mkfifo(never.c_str(), 0600), 0);
    const std::string huge = temp.File("huge.x");
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, std::uintmax_t{3} << 30);  // sparse: no disk taken
    const struct {
        const char* name;
        std::string input;
        std::vector<std::string> limits;
        const char* message;
    } cases[] = {
        {"cut 3DS", head(folder / "3ds" / "fels.3ds", 3000, "cut.3ds"), {}, "Chunk"},
        {"cut binary .x", head(folder / "x" / "test_cube_binary.x", 300, "cut.x"), {}, ".x data"},
        {"cut compressed .x", head(folder / "x" / "test_cube_compressed.x", 200, "cutz.x"), {}, ".x data"},
        {"noise as .xa", head("/dev/urandom", 5000, "noise.xa"), {}, "unpack"},
        // Refused as no regular file; the time-out only bounds the test should it wait.
        {"a pipe nobody writes", never, {"--timeout", "1"}, "は開けません"},
        {"3 GiB file", huge, {"--memory", "600"}, "out of memory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = c.limits;
        arguments.insert(arguments.end(), {c.input, temp.File("picture.png")});
        const auto run = Render(arguments, true);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
            EXPECT_EQ(entry.path().filename().string().find("picture"), std::string::npos) << entry.path();
    }
    const std::pair<const char*, const char*> badLimits[] = {
        {"--timeout", "0"}, {"--timeout", "3601"}, {"--memory", "100"}, {"--memory", "lots"}};
    for (const auto& [option, value] : badLimits)
        EXPECT_EQ(Render({option, value, huge, temp.File("picture.png")}, true).exitCode, 2) << option << value;
}

// Drawn with no display, each shared model shows and looks as it does on the
// virtual display, in every shading.
TEST(RenderTool, HeadlessPictureMatchesTheDisplayOne) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display to compare with";
    testsupport::TempDir temp;
    const std::string models[] = {(folder / "3ds" / "fels.3ds").string(), (folder / "x" / "test_cube_text.x").string()};
    for (const std::string& model : models)
        for (const char* quality : {"gouraud", "flat", "wire"}) {
            SCOPED_TRACE(model + " " + quality);
            const std::vector<std::string> options{"--size", "160x120", "--quality", quality, "--turn", "40,25",
                                                   "--background", "102030", model};
            auto headless = options, onDisplay = options;
            headless.push_back(temp.File("headless.png"));
            onDisplay.push_back(temp.File("display.png"));
            const auto headlessRun = Render(headless, true);
            ASSERT_EQ(headlessRun.exitCode, 0) << headlessRun.err;
            ASSERT_EQ(Render(onDisplay, false).exitCode, 0);
            const QImage a(QString::fromStdString(temp.File("headless.png")));
            const QImage b(QString::fromStdString(temp.File("display.png")));
            ASSERT_EQ(a.size(), QSize(160, 120));
            ASSERT_EQ(b.size(), a.size());
            EXPECT_GT(CountNot(a, 0x102030), 160 * 120 / 50);
            EXPECT_LT(DifferingShare(a, b), 0.01);
        }
}

}  // namespace
