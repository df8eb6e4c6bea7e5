// korvane-render's command line in-process: words to the options, or to the
// usage error printed above the help; and its help.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/OptionTable.h"
#include "cli/RenderOptions.h"
#include "support/TempDir.h"

namespace {

std::string Summary(const render::RenderOptions& options) {
    if (options.help) return "help";
    if (options.version) return "version";
    std::string text = std::to_string(options.width) + "x" + std::to_string(options.height) +
                       " quality " + std::to_string(options.quality);
    if (options.background) text += " background " + std::to_string(*options.background);
    if (options.transparent) text += " transparent";
    if (options.turnX != 0 || options.turnY != 0)
        text += " turn " + std::to_string(options.turnX) + "," + std::to_string(options.turnY);
    if (options.time != 0) text += " time " + std::to_string(options.time);
    if (options.fit) text += " fit";
    if (options.timeOutGiven) text += " timeout " + std::to_string(options.timeOutSeconds);
    if (options.memoryGiven) text += " memory " + std::to_string(options.memoryMegabytes);
    for (const std::string& folder : options.texturePaths) text += " textures " + folder;
    if (options.outputFolder) {
        text += " jobs " + std::to_string(options.jobs) + " into " + *options.outputFolder + ":";
        for (const std::string& input : options.inputs) text += " " + input;
    } else {
        text += " " + options.input + " -> " + options.output;
    }
    return text;
}

std::string Parse(const std::vector<std::string>& words) {
    try {
        return Summary(render::ParseRenderOptions(words));
    } catch (const cli::UsageError& error) {
        return std::string("usage error: ") + error.what();
    }
}

TEST(RenderOptions, WordsGiveTheOptionsOrTheUsageError) {
    const std::string gouraud = std::to_string(viewer::RenderGouraud);
    const std::string flat = std::to_string(viewer::RenderFlat);
    const struct {
        std::vector<std::string> words;
        std::string expected;
    } cases[] = {
        {{"a.3ds", "b.png"}, "640x480 quality " + gouraud + " a.3ds -> b.png"},
        {{"--size", "100", "a", "b"}, "100x100 quality " + gouraud + " a -> b"},
        {{"a", "--size", "3x4", "--quality", "flat", "b", "--fit", "--fit"}, "3x4 quality " + flat + " fit a -> b"},
        {{"--background", "0000ff", "--turn", "5,-2", "a", "b"},
         "640x480 quality " + gouraud + " background 255 turn 5,-2 a -> b"},
        {{"--background", "transparent", "--timeout", "5", "--memory", "600", "a", "b"},
         "640x480 quality " + gouraud + " transparent timeout 5 memory 600 a -> b"},
        {{"--", "-a", "-b"}, "640x480 quality " + gouraud + " -a -> -b"},
        {{"--time", "2.5", "a", "b", "--time", "1e3"}, "640x480 quality " + gouraud + " time 1000.000000 a -> b"},
        {{"a", "-o", "out", "-j", "3", "b"}, "640x480 quality " + gouraud + " jobs 3 into out: a b"},
        {{"-h"}, "help"},
        {{"--version", "--size", "2"}, "version"},
        {{}, "usage error: expected INPUT and OUTPUT.png"},
        {{"a", "b", "c"}, "usage error: expected INPUT and OUTPUT.png"},
        {{"-o", "f"}, "usage error: expected INPUT... -o FOLDER"},
        {{"a", "-o", ""}, "usage error: --output names a folder"},
        {{"-h", "--bogus"}, "usage error: unknown option: --bogus"},
        // Faults are reported in the order of the words.
        {{"--bogus", "--size", "0"}, "usage error: unknown option: --bogus"},
        {{"--size", "0", "--bogus"}, "usage error: --size takes WxH or N, from 1x1 to 8192x8192, not 0"},
        {{"a", "b", "--size"}, "usage error: missing value for --size"},
        {{"--size", "9000x1"}, "usage error: --size takes WxH or N, from 1x1 to 8192x8192, not 9000x1"},
        {{"--size", "3x"}, "usage error: not a number: "},
        {{"--quality", "smooth"}, "usage error: unknown quality: smooth"},
        {{"--background", "12"}, "usage error: background is RRGGBB or transparent: 12"},
        {{"--turn", "1"}, "usage error: expected two numbers: 1"},
        {{"--turn", "a,b"}, "usage error: not a number: a"},
        {{"--time", "-1"}, "usage error: --time takes a number of seconds from 0, not -1"},
        {{"--time", "nan"}, "usage error: --time takes a number of seconds from 0, not nan"},
        {{"--time", "inf"}, "usage error: --time takes a number of seconds from 0, not inf"},
        {{"--time", "1s"}, "usage error: --time takes a number of seconds from 0, not 1s"},
        {{"--timeout", "0"}, "usage error: --timeout takes 1 to 3600 seconds, not 0"},
        {{"--memory", "100"}, "usage error: --memory takes at least 512 MB, not 100"},
        {{"-j", "0"}, "usage error: --jobs takes a whole number from 1 to 256, not 0"},
        {{"--texture-path", "/", "a", "--texture-path", ".", "b"}, "640x480 quality " + gouraud + " textures / textures . a -> b"},
        {{"--texture-path", "/no/such/folder", "a", "b"}, "usage error: --texture-path /no/such/folder is not a folder"},
    };
    for (const auto& c : cases) {
        std::string words;
        for (const std::string& word : c.words) words += " " + word;
        EXPECT_EQ(Parse(c.words), c.expected) << "words:" << words;
    }
}

TEST(RenderOptions, HelpIsTheStoredText) {
    const std::string stored = testsupport::ReadFile(KORVANE_SOURCE_DIR "/tests/tools/help/korvane-render.txt");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(render::RenderHelp(), stored);
}

}  // namespace
