#pragma once
// Shift-JIS byte classes, for code that must keep a double-byte character whole:
// its trail byte may be an ASCII character such as "[", "{" or "\".
#include <cstdint>

namespace base {

inline bool IsShiftJisLeadByte(std::uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

inline bool IsShiftJisTrailByte(std::uint8_t c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

}  // namespace base
