// korvane-render as a file manager and a server run it: without an X display.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/TempDir.h"

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
