#pragma once
// The lines of --list and --remote-list: fields separated by tabs. Names come from
// files and servers, so each field is escaped: no name can split a line or a
// field, or reach the terminal as a control sequence.
#include <initializer_list>
#include <string>
#include <string_view>

namespace convert {

// Tab, line feed and carriage return as \t, \n and \r, a backslash as \\, any other
// byte below 0x20 and the byte 0x7F as \xNN (two upper-case hexadecimal digits).
// Bytes from 0x80 up (Shift-JIS names) pass unchanged.
std::string EscapeField(std::string_view field);

// The fields, each escaped, separated by tabs, ending with a line feed.
std::string TabSeparatedLine(std::initializer_list<std::string_view> fields);

}  // namespace convert
