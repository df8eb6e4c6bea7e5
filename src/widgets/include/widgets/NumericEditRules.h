#pragma once
// The editing rules of a numeric edit, whose text is always a number written
// with a fixed count of decimal places: digits overwrite digits, the decimal
// separator jumps to the fraction, the minus key toggles the sign, and
// deletions shift the digits and fill with zeros instead of leaving gaps.
// No Qt, so the rules are tested alone.
#include <optional>
#include <string>
#include <string_view>

namespace widgets {

// A field's text with its caret and selection. Positions count characters
// from 0 (before the first); the selection runs from SelStart for SelLength
// characters, and without a selection SelStart is the caret.
struct TNumericText {
    std::u32string Text;
    int SelStart = 0;
    int SelLength = 0;

    bool operator==(const TNumericText&) const = default;
};

enum class TDeleteKind { Backspace, Delete };

class TNumericEditRules {
public:
    static constexpr char32_t kBackspace = 8;
    static constexpr int kMaxDecimals = 9;

    // decimals is brought into 0..kMaxDecimals.
    TNumericEditRules(int decimals, char32_t decimalSeparator);

    int Decimals() const { return decimals_; }
    char32_t DecimalSeparator() const { return separator_; }

    // value (finite) with at least one integer digit and exactly Decimals
    // fraction digits, rounded to nearest, halves to even; "-" only in front of
    // a number that is not zero once rounded.
    std::u32string Format(double value) const;
    // The text read as a number: an optional leading "-", digits, and at most
    // one decimal separator among them; nullopt for any other text and for a
    // number too large for a double.
    std::optional<double> ValueOf(std::u32string_view text) const;

    // Removes the character before the caret (Backspace) or after it (Delete).
    void DeleteChar(TNumericText& field, TDeleteKind kind) const;
    // Removes the selected characters one by one from its end, as Backspace does.
    void DeleteSelection(TNumericText& field) const;
    // A character typed at the caret; Backspace is kBackspace. Characters that
    // have no place in a number are dropped.
    void TypeCharacter(TNumericText& field, char32_t c) const;
    // Deletes the selection and returns the text it held, for the clipboard.
    std::u32string Cut(TNumericText& field) const;
    // Deletes the selection, then types every character of clipboard in order.
    void Paste(TNumericText& field, std::u32string_view clipboard) const;

private:
    void ToggleSign(TNumericText& field) const;
    void TypeDigit(TNumericText& field, char32_t digit) const;

    int decimals_;
    char32_t separator_;
};

}  // namespace widgets
