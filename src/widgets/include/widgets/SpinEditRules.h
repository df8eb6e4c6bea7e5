#pragma once
// The text rules of a spin edit: what its text is worth, which keys it takes,
// and what its bounds make of a value. No Qt, so the rules are tested alone.
#include <string_view>

namespace widgets {

struct TSpinEditRules {
    int MinValue = 0;
    int MaxValue = 100;
    int Increment = 1;

    // The text read as a whole number (an optional sign, then digits); any
    // other text, or a number past the range of int, is worth MinValue.
    int ValueOf(std::string_view text) const;
    // The value moved into the bounds.
    int Bounded(int value) const;
    // The value after steps arrow presses (negative: down), within the bounds.
    int Stepped(int value, int steps) const;
    // Typed characters the field accepts: digits, signs and the decimal separator.
    static bool AcceptsCharacter(char32_t c, char32_t decimalSeparator);
};

}  // namespace widgets
