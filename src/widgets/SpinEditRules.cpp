#include "widgets/SpinEditRules.h"

#include <algorithm>
#include <charconv>

namespace widgets {

int TSpinEditRules::ValueOf(std::string_view text) const {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return MinValue;
    }
    if (text.empty()) return MinValue;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return MinValue;
    return value;
}

int TSpinEditRules::Bounded(int value) const { return std::clamp(value, MinValue, MaxValue); }

int TSpinEditRules::Stepped(int value, int steps) const {
    const long long moved = static_cast<long long>(value) + static_cast<long long>(steps) * Increment;
    return static_cast<int>(std::clamp<long long>(moved, MinValue, MaxValue));
}

bool TSpinEditRules::AcceptsCharacter(char32_t c, char32_t decimalSeparator) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == decimalSeparator;
}

}  // namespace widgets
