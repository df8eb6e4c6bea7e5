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

// A message of one or more lines, made safe to print as EscapeField makes a
// name: its lines (joined by CR, as the readers' messages are, by CR LF or by LF)
// each escaped, joined by line feeds.
std::string EscapeLines(std::string_view message);

}  // namespace base
