#pragma once
// Letter case of ASCII letters only, whatever the process locale: names of the era
// are ASCII or Shift-JIS, whose bytes past ASCII must stay as they are.
#include <string>
#include <string_view>

namespace base {

constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string LowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = LowerAscii(c);
    return lowered;
}

inline std::string UpperAscii(std::string_view text) {
    std::string raised(text);
    for (char& c : raised) c = UpperAscii(c);
    return raised;
}

}  // namespace base
