#pragma once
// Small text helpers shared by the clients: the reading of numbers.
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace net {

inline bool InRange(int value, int low, int high) { return value >= low && value <= high; }

inline bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Digits, or digits, a dot and digits ("1", "1.0", "0.25").
inline bool IsDecimalNumber(std::string_view text) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return IsDigits(text);
    return IsDigits(text.substr(0, dot)) && IsDigits(text.substr(dot + 1));
}

constexpr int kMaxPort = 65535;

// The port that text names: a whole number from 1 to 65535 in decimal digits
// only (no sign, no spaces, nothing after it); empty for any other text.
inline std::optional<int> PortFromText(std::string_view text) {
    if (!IsDigits(text)) return std::nullopt;
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || !InRange(port, 1, kMaxPort)) return std::nullopt;
    return port;
}

}  // namespace net
