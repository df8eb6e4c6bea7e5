#include <gtest/gtest.h>

#include "widgets/SpinEditRules.h"

using widgets::TSpinEditRules;

TEST(SpinEditRules, TextReadsAsAWholeNumberOrTheMinimum) {
    const TSpinEditRules rules{.MinValue = 10, .MaxValue = 100, .Increment = 5};
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"55", 55}, {"200", 200}, {"-5", -5}, {"+7", 7}, {"007", 7},
        {"", 10},   {"-", 10},    {"+", 10},  {"+-5", 10}, {"12.5", 10},
        {"1e3", 10}, {"99999999999", 10},
    };
    for (const Case& c : cases) EXPECT_EQ(rules.ValueOf(c.text), c.value) << c.text;
}

TEST(SpinEditRules, BoundsAndStepsStayInRange) {
    const TSpinEditRules rules{.MinValue = 0, .MaxValue = 50, .Increment = 5};
    EXPECT_EQ(rules.Bounded(-3), 0);
    EXPECT_EQ(rules.Bounded(51), 50);
    EXPECT_EQ(rules.Stepped(15, 1), 20);
    EXPECT_EQ(rules.Stepped(48, 1), 50);
    EXPECT_EQ(rules.Stepped(3, -1), 0);
    EXPECT_EQ(rules.Stepped(10, 1000000000), 50);
    for (char32_t c : {U'0', U'9', U'+', U'-', U'.'}) EXPECT_TRUE(TSpinEditRules::AcceptsCharacter(c, U'.'));
    for (char32_t c : {U'a', U' ', U',', U'\r', U'５'}) EXPECT_FALSE(TSpinEditRules::AcceptsCharacter(c, U'.'));
}
