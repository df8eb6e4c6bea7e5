// korvane-convert's command line in-process: words to the command chosen and
// its options, or to the usage error printed above the usage; and its help.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli/ConvertTool.h"
#include "support/TempDir.h"

namespace {

// "COMMAND OPTION=VALUE,VALUE... | OPERAND..." with "-> OUTPUT" for a conversion.
std::string Summary(const convert::CommandLine& line) {
    std::string text = line.command.empty() ? "convert" : line.command;
    for (const auto& [name, values] : line.arguments.options) {
        text += " " + name;
        for (std::size_t i = 0; i < values.size(); ++i) text += (i == 0 ? "=" : ",") + values[i];
    }
    text += " |";
    for (const std::string& operand : line.arguments.operands) text += " " + operand;
    if (line.request) text += " -> " + line.request->output;
    return text;
}

std::string Parse(const std::vector<std::string>& words) {
    try {
        return Summary(convert::ParseCommandLine(words));
    } catch (const convert::UsageError& error) {
        return std::string("usage error: ") + error.what();
    }
}

TEST(ConvertOptions, WordsGiveTheCommandAndItsOptionsOrTheUsageError) {
    const struct {
        std::vector<std::string> words;
        std::string expected;
    } cases[] = {
        {{}, "usage error: no command given"},
        {{"-h"}, "--help --help |"},
        {{"--version"}, "--version --version |"},
        {{"--list", "a.3ds"}, "--list --list | a.3ds"},
        {{"--list", "a.3ds", "--max-time", "5"}, "--list --list --max-time=5 | a.3ds"},
        {{"--pack", "out.3da", "a.3ds"}, "--pack --pack | out.3da a.3ds"},
        {{"--bogus"}, "usage error: unknown option --bogus"},
        {{"-h", "--bogus"}, "usage error: unknown option --bogus"},
        {{"--list", "a.3ds", "--max-time"}, "usage error: option --max-time needs a value"},
        {{"--list", "--list", "a.3ds"}, "usage error: option --list given twice"},
        {{"--list", "--pack", "a", "b"}, "usage error: choose one of --list, --remote-list, --pack and --unpack"},
        {{"--pack", "a", "b", "--max-time", "3"},
         "usage error: --max-time goes with a conversion, --list or --remote-list"},
        // A conversion's options do not go with another command; --max-time goes with both.
        {{"--list", "a.3ds", "-o", "x"}, "usage error: unknown option -o"},
        {{"a.3ds", "--max-time", "3"}, "convert --max-time=3 | a.3ds -> a.x"},
        {{"a.3ds", "b.3ds", "--max-time", "0.5"}, "convert --max-time=0.5 | a.3ds b.3ds -> "},
        {{"a.3ds", "--max-time", "0"},
         "usage error: --max-time takes a number of seconds above 0 and at most 604800: 0"},
        {{"a.3ds"}, "convert | a.3ds -> a.x"},
        {{"a.3ds", "-b", "-o", "out.x", "--opacity", "m=50", "--opacity", "n=60"},
         "convert --binary --opacity=m=50,n=60 --output=out.x | a.3ds -> out.x"},
        {{"-m", "a.3ds", "-o", "-"}, "convert --merge --output=- | a.3ds -> -"},
        // An option's value, or a word after "--", never chooses a command.
        {{"a.3ds", "--mesh-name", "--list"}, "convert --mesh-name=--list | a.3ds -> a.x"},
        {{"--", "--list"}, "convert | --list -> --list.x"},
        {{"-o"}, "usage error: option -o needs a value"},
        {{"a.3ds", "-b", "--binary"}, "usage error: option --binary given twice"},
        {{"a.3ds", "--opacity"}, "usage error: option --opacity needs a value"},
        // Material edits are checked before the other options.
        {{"--bogus", "a.3ds", "--opacity", "m"}, "usage error: option --opacity takes NAME=VALUE, not m"},
        {{"a.3ds", "--power", "m=51"}, "usage error: --power takes a whole number from 0 to 50, not 51"},
        {{"a.3ds", "--opacity", "m=9"}, "usage error: --opacity takes a whole number from 10 to 100, not 9"},
        {{"a.3ds", "--diffuse", "m=12"}, "usage error: a colour is six hexadecimal digits RRGGBB, not 12"},
        {{"a.3ds", "--mesh", "1", "--mesh-name", "x"}, "usage error: give --mesh or --mesh-name, not both"},
        {{"a.3ds", "-m", "--mesh", "1"},
         "usage error: --merge exports every mesh; --mesh and --mesh-name do not go with it"},
        {{"a.3ds", "--mesh", "-1"}, "usage error: --mesh counts from 0"},
        {{"a.3ds", "--origin", "middle"}, "usage error: --origin takes center, min or keep, not middle"},
        {{"a.3ds", "--scale", "0"}, "usage error: --scale takes a positive, finite number, not 0"},
        {{"a.3ds", "-j", "0"}, "usage error: --jobs takes a whole number from 1 to 256, not 0"},
        {{"a.3ds", "b.3ds", "a.3ds"}, "usage error: INPUT a.3ds given twice"},
        {{"a.3ds", "b.3ds", "-o", "-"}, "usage error: with several inputs or a folder, --output names a folder"},
        {{"a.3ds", "-o", "a.glb", "--texture-path", "/", "--texture-path", "."},
         "convert --output=a.glb --texture-path=/,. | a.3ds -> a.glb"},
        {{"a.3ds", "--texture-path", "."},
         "usage error: --texture-path is for glTF output; a .x file keeps its texture names as stored"},
        {{"a.3ds", "-o", "a.glb", "--texture-path", "/no/such/folder"},
         "usage error: --texture-path /no/such/folder is not a folder"},
    };
    for (const auto& c : cases) {
        std::string words;
        for (const std::string& word : c.words) words += " " + word;
        EXPECT_EQ(Parse(c.words), c.expected) << "words:" << words;
    }
}

// A conversion from a server that sends a byte now and then still ends: each
// input has a time limit of its own, five minutes unless --max-time says.
TEST(ConvertOptions, ConversionHasATimeLimitPerInput) {
    EXPECT_EQ(convert::ParseCommandLine({"a.3ds"}).request->maxTime, std::chrono::seconds(300));
    EXPECT_EQ(convert::ParseCommandLine({"a.3ds", "b.3ds", "--max-time", "2.5"}).request->maxTime,
              std::chrono::milliseconds(2500));
}

TEST(ConvertOptions, HelpIsTheStoredText) {
    const std::string stored = testsupport::ReadFile(KORVANE_SOURCE_DIR "/tests/tools/help/korvane-convert.txt");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(convert::Help(), stored);
    // A usage error prints the usage lines that open the help.
    EXPECT_EQ(stored.rfind(convert::Usage(), 0), 0u);
}

}  // namespace
