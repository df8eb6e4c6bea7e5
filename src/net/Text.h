#pragma once
// Small text helpers shared by the clients: ASCII case changes, as the protocols
// compare their words without regard to case.
#include <cctype>
#include <string>

namespace net {

inline std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

inline std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

inline bool InRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace net
