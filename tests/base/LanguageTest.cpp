// The language rule the window and the tools share, read from the environment
// as the tools read it, and errors as the tools print them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/Language.h"

namespace {

using base::TUiLanguage;

// Sets the locale variables for one case and restores them after it.
class LocaleEnvironment {
public:
    explicit LocaleEnvironment(const std::vector<std::pair<const char*, const char*>>& values) {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            unsetenv(name);
        }
        for (const auto& [name, value] : values) setenv(name, value, 1);
    }
    ~LocaleEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name, value->c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
    }

private:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(Language, EnvironmentNamesEnglishBeforeJapaneseOrNot) {
    const struct {
        std::vector<std::pair<const char*, const char*>> environment;
        TUiLanguage expected;
    } cases[] = {
        {{}, TUiLanguage::Japanese},
        {{{"LANG", "C.UTF-8"}}, TUiLanguage::Japanese},
        {{{"LANG", "en_US.UTF-8"}}, TUiLanguage::English},
        {{{"LANG", "en.UTF-8"}}, TUiLanguage::English},
        {{{"LANG", "eo.UTF-8"}}, TUiLanguage::Japanese},
        {{{"LANGUAGE", "en"}, {"LANG", "ja_JP.UTF-8"}}, TUiLanguage::English},
        {{{"LANGUAGE", "fr:ja:en"}}, TUiLanguage::Japanese},
        {{{"LANGUAGE", "fr:en_GB:ja"}}, TUiLanguage::English},
        {{{"LANGUAGE", ""}, {"LC_MESSAGES", "en_GB@euro"}}, TUiLanguage::English},
        {{{"LC_ALL", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}}, TUiLanguage::Japanese},
    };
    for (const auto& c : cases) {
        const LocaleEnvironment environment(c.environment);
        EXPECT_EQ(base::EnvironmentUiLanguage(), c.expected) << testing::PrintToString(base::EnvironmentUiLanguages());
    }
}

// A tool's line: the file first unless the message names it, the message, then
// the reason, each in the language asked for.
TEST(Language, ErrorLinesNameTheFileOnceAndSayWhy) {
    const base::EReadError empty("empty.3ds", 0);
    const base::EReadError cut("cut.3ds", 4);
    const base::EFOpenError missing("missing.3ds", ENOENT);
    const base::EReadError plain;
    const std::runtime_error other("line one\rline two");
    const struct {
        const std::exception* error;
        std::string namedFile;
        std::string japanese, english;
    } cases[] = {
        {&empty, "", "empty.3ds: ストリームからの読み込みエラー: ファイルが空です",
         "empty.3ds: Stream read error: the file is empty"},
        {&empty, "empty.3ds", "ストリームからの読み込みエラー: ファイルが空です", "Stream read error: the file is empty"},
        {&cut, "", "cut.3ds: ストリームからの読み込みエラー: ファイルがデータの途中で終わっています (4 バイト)",
         "cut.3ds: Stream read error: the file ends inside its data, after 4 bytes"},
        {&missing, "", "ファイル missing.3ds は開けません: No such file or directory",
         "Cannot open file missing.3ds: No such file or directory"},
        {&plain, "", "ストリームからの読み込みエラー", "Stream read error"},
        {&other, "", "line one\nline two", "line one\nline two"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(base::ErrorLine(*c.error, TUiLanguage::Japanese, c.namedFile), c.japanese);
        EXPECT_EQ(base::ErrorLine(*c.error, TUiLanguage::English, c.namedFile), c.english);
    }
}

// The window puts the reason into its language through its own translations:
// the values go in after the text is translated.
TEST(Language, ReasonTakesTheCallersTranslation) {
    const base::EReadError empty("empty.3ds", 0);
    const base::EReadError cut("cut.3ds", 4);
    const base::EReadError plain;
    const std::runtime_error other("no reason");
    const auto marked = [](const std::string& text) { return "[" + text + "]"; };
    const std::pair<const std::exception*, std::string> cases[] = {
        {&empty, "[ファイルが空です]"},
        {&cut, "[ファイルがデータの途中で終わっています (4 バイト)]"},
        {&plain, ""},
        {&other, ""},
    };
    for (const auto& [error, expected] : cases) EXPECT_EQ(base::ErrorReason(*error, marked), expected);
}

}  // namespace
