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
