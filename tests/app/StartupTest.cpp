// How the program starts, without a window: the language it speaks and the file
// its command line names.
#include <gtest/gtest.h>

#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/UiLanguage.h"

namespace {

TEST(UiLanguage, JapaneseUnlessEnglishComesFirst) {
    const struct {
        QStringList languages;
        const char* expected;
    } cases[] = {
        {{}, "ja"},
        {{"C"}, "ja"},
        {{"ja-JP", "ja", "en-US"}, "ja"},
        {{"en-US", "en", "ja"}, "en"},
        {{"de-DE", "en-GB", "ja"}, "en"},
        {{"de", "ja", "en"}, "ja"},
        {{"fr_FR"}, "ja"},
    };
    for (const auto& c : cases) EXPECT_EQ(app::UiLanguage(c.languages), c.expected) << c.languages.join(",").toStdString();
}

TEST(CommandLine, KeepsTheFileNameBytesAsGiven) {
    char program[] = "korvane";
    char name[] = "\x94\xA0 model.x";
    char dash[] = "--";
    char dashed[] = "-odd.3ds";
    const struct {
        std::vector<char*> arguments;
        std::optional<std::string> file;
    } cases[] = {
        {{program}, std::nullopt},
        {{program, name}, std::string(name)},
        {{program, dash, dashed}, std::string(dashed)},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv = c.arguments;
        argv.push_back(nullptr);
        const auto line = app::ParseCommandLine(static_cast<int>(c.arguments.size()), argv.data());
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->File, c.file);
    }
}

}  // namespace
