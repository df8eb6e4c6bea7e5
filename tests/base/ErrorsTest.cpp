#include <gtest/gtest.h>

#include "base/Errors.h"

TEST(Errors, MessageLinesTurnCarriageReturnsIntoNewlines) {
    const std::pair<std::string, std::string> cases[] = {
        {"one line", "one line"},
        {"読み込みできませんでした\rThe reply has no status", "読み込みできませんでした\nThe reply has no status"},
        {"a\r\nb\rc\n", "a\nb\nc\n"},
        {"\r\r", "\n\n"},
        {"end\r", "end\n"},
        {"", ""},
    };
    for (const auto& [message, lines] : cases) EXPECT_EQ(base::MessageLines(message), lines) << message;
}

TEST(Errors, ValuesGoIntoTheTextInOrderAndTheTextIsKept) {
    const struct {
        std::string text;
        std::vector<std::string> values;
        std::string message;
    } cases[] = {
        {"ファイル %s は開けません", {"/tmp/50%s.3ds"}, "ファイル /tmp/50%s.3ds は開けません"},
        {"%s to %s", {"a", "b"}, "a to b"},
        {"%s and %s", {"only"}, "only and %s"},
        {"no marks", {"left over"}, "no marks"},
        {"100%", {}, "100%"},
    };
    for (const auto& c : cases) {
        const base::Exception error(c.text, c.values);
        EXPECT_EQ(error.what(), c.message) << c.text;
        EXPECT_EQ(error.Text(), c.text);
        EXPECT_EQ(base::FillValues(c.text, c.values), c.message);
    }
    const base::EFOpenError open("a.3ds");
    EXPECT_EQ(open.Text(), "ファイル %s は開けません");
    EXPECT_EQ(open.Values(), std::vector<std::string>{"a.3ds"});
}
