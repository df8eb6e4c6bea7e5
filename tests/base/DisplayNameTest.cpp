#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/DisplayName.h"

// Names as the window shows them and glTF writes them: valid UTF-8 as it is,
// anything else read as code page 932, bytes of neither as U+FFFD.
TEST(DisplayName, Utf8StaysAndOtherBytesAreReadAsShiftJis) {
    const std::pair<std::string, std::string> cases[] = {
        {"Torus Knot", "Torus Knot"},
        {"", ""},
        {"\xE7\xAE\xB1", "\xE7\xAE\xB1"},                  // 箱 in UTF-8
        {"\x94\xA0", "\xE7\xAE\xB1"},                      // 箱 in Shift-JIS
        {"\x83\x5C", "\xE3\x82\xBD"},                      // ソ: its trail byte is a backslash
        {"\xB1\xB2", "\xEF\xBD\xB1\xEF\xBD\xB2"},          // half-width ｱｲ
        {"\x87\x40", "\xE2\x91\xA0"},                      // ①, a vendor extension of code page 932
        {"\xC0\xAF", "\xEF\xBE\x80\xEF\xBD\xAF"},          // overlong UTF-8 is not UTF-8: ﾀｯ
        {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},                // no character
        {"box\x94", "box\xEF\xBF\xBD"},                    // a character cut short
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(base::DisplayName(raw), shown) << raw;
}
