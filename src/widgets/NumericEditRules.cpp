#include "widgets/NumericEditRules.h"

#include <algorithm>
#include <charconv>

#include "base/Format.h"

namespace widgets {

namespace {

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool IsNegative(const std::u32string& text) { return text.find(U'-') != std::u32string::npos; }

int Length(const std::u32string& text) { return static_cast<int>(text.size()); }

}  // namespace

TNumericEditRules::TNumericEditRules(int decimals, char32_t decimalSeparator)
    : decimals_(std::clamp(decimals, 0, kMaxDecimals)), separator_(decimalSeparator) {}

std::u32string TNumericEditRules::Format(double value) const {
    std::string written = base::Format("%.*f", decimals_, value);
    if (written.front() == '-' && written.find_first_not_of("-0.") == std::string::npos) written.erase(0, 1);
    std::u32string text(written.begin(), written.end());
    std::replace(text.begin(), text.end(), U'.', separator_);
    return text;
}

std::optional<double> TNumericEditRules::ValueOf(std::u32string_view text) const {
    std::string number;
    bool hasDigit = false;
    bool hasSeparator = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (IsDigit(c)) {
            number += static_cast<char>(c);
            hasDigit = true;
        } else if (c == separator_ && !hasSeparator) {
            number += '.';
            hasSeparator = true;
        } else if (c == U'-' && i == 0) {
            number += '-';
        } else {
            return std::nullopt;
        }
    }
    if (!hasDigit) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

// k is the number, from 1, of the character to remove. The integer part never
// loses its last digit: a lone digit becomes 0, and "-" with one digit becomes "-0".
void TNumericEditRules::DeleteChar(TNumericText& field, TDeleteKind kind) const {
    std::u32string& text = field.Text;
    const int length = Length(text);
    const int k = field.SelStart + (kind == TDeleteKind::Delete ? 1 : 0);
    field.SelLength = 0;
    if (k < 1 || k > length) return;
    const int separator = length - decimals_;  // its character number, when there are decimals
    const int integerLength = decimals_ > 0 ? separator - 1 : length;
    if (decimals_ > 0 && k > separator) {
        text.erase(k - 1, 1);
        text += U'0';
        field.SelStart = k - 1;
    } else if (decimals_ > 0 && k == separator) {
        field.SelStart = kind == TDeleteKind::Delete ? separator : separator - 1;
    } else if (k == 2 && integerLength == 2 && IsNegative(text)) {
        text.replace(0, integerLength, U"-0");
        field.SelStart = 1;
    } else if (k == 1 && integerLength == 1) {
        text.replace(0, integerLength, U"0");
        field.SelStart = 1;
    } else {
        text.erase(k - 1, 1);
        field.SelStart = k - 1;
    }
}

void TNumericEditRules::DeleteSelection(TNumericText& field) const {
    const int count = field.SelLength;
    field.SelStart += count;
    field.SelLength = 0;
    for (int i = 0; i < count; ++i) DeleteChar(field, TDeleteKind::Backspace);
}

void TNumericEditRules::TypeCharacter(TNumericText& field, char32_t c) const {
    if (c == separator_) {
        field.SelLength = 0;
    } else if (field.SelLength > 0) {
        DeleteSelection(field);
        if (c == kBackspace) return;
    }
    const bool negative = IsNegative(field.Text);
    const bool separatorTyped = c == separator_ && decimals_ > 0;
    if (!IsDigit(c) && c != U'-' && c != kBackspace && !separatorTyped) return;
    if (c == U'-') {
        ToggleSign(field);
        return;
    }
    const int length = Length(field.Text);
    // The fraction has a fixed length: nothing is typed after its last digit.
    if (decimals_ > 0 && field.SelStart == length && c != kBackspace && !separatorTyped) return;
    if (separatorTyped) {
        field.SelStart = length - decimals_;
        return;
    }
    if (negative && field.SelStart == 0) field.SelStart = 1;
    if (c == kBackspace) {
        DeleteChar(field, TDeleteKind::Backspace);
        return;
    }
    TypeDigit(field, c);
}

void TNumericEditRules::ToggleSign(TNumericText& field) const {
    const std::size_t minus = field.Text.find(U'-');
    if (minus == std::u32string::npos) {
        field.Text.insert(0, 1, U'-');
        ++field.SelStart;
    } else {
        field.Text.erase(minus, 1);
        if (field.SelStart > static_cast<int>(minus)) --field.SelStart;
    }
}

// A lone 0 in the integer part is replaced; elsewhere a digit overwrites the
// one after the caret, except at the end of the integer part, where it
// lengthens the integer part.
void TNumericEditRules::TypeDigit(TNumericText& field, char32_t digit) const {
    const std::u32string& text = field.Text;
    const int length = Length(text);
    const int caret = field.SelStart;
    int overwritten = 0;
    if (caret <= 2 && length >= 2 && text[1] == U'0' && IsNegative(text)) {
        field.SelStart = 1;
        overwritten = 1;
    } else if (caret <= 1 && length >= 1 && text[0] == U'0') {
        field.SelStart = 0;
        overwritten = 1;
    } else if (decimals_ > 0 && (caret >= length - decimals_ || caret < length - decimals_ - 1)) {
        overwritten = 1;
    }
    field.Text.replace(field.SelStart, overwritten, 1, digit);
    ++field.SelStart;
}

std::u32string TNumericEditRules::Cut(TNumericText& field) const {
    std::u32string cut = field.Text.substr(field.SelStart, field.SelLength);
    DeleteSelection(field);
    return cut;
}

void TNumericEditRules::Paste(TNumericText& field, std::u32string_view clipboard) const {
    DeleteSelection(field);
    for (const char32_t c : clipboard) TypeCharacter(field, c);
}

}  // namespace widgets
