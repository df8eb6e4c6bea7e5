#pragma once
// Names from files and servers, made safe to print on one line: no name can
// split a line or a field, or reach the terminal as a control sequence.
#include <string>
#include <string_view>

namespace base {

// Tab, line feed and carriage return as \t, \n and \r, a backslash as \\, any other
// byte below 0x20 and the byte 0x7F as \xNN (two upper-case hexadecimal digits).
// Bytes from 0x80 up (Shift-JIS names) pass unchanged.
std::string EscapeField(std::string_view field);

}  // namespace base
