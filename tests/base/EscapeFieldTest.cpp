#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/EscapeField.h"

// Each line of a message is escaped on its own; the breaks between lines, in
// any of the forms messages use, stay breaks.
TEST(EscapeField, EscapeLinesKeepsTheLineBreaksAndEscapesTheRest) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"Could not read\rHTTP/1.0 404 \x1b]0;t\x07 Gone", "Could not read\nHTTP/1.0 404 \\x1B]0;t\\x07 Gone"},
        {"530-one\r\n530 two\x7f", "530-one\n530 two\\x7F"},
        {"a\tb\\c\nd\x01", "a\\tb\\\\c\nd\\x01"},
        {"\xE3\x83\x86\r", "\xE3\x83\x86\n"},
        {"", ""},
    };
    for (const auto& [message, printed] : cases) EXPECT_EQ(base::EscapeLines(message), printed) << message;
}
