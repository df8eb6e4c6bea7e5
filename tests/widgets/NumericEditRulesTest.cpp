#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "widgets/NumericEditRules.h"

using widgets::TDeleteKind;
using widgets::TNumericEditRules;
using widgets::TNumericText;

namespace {

// A field written as its text with "|" at the caret, or "[" and "]" around the selection.
TNumericText Field(const std::string& written) {
    TNumericText field;
    for (const char c : written) {
        if (c == '|' || c == '[') {
            field.SelStart = static_cast<int>(field.Text.size());
        } else if (c == ']') {
            field.SelLength = static_cast<int>(field.Text.size()) - field.SelStart;
        } else {
            field.Text += static_cast<char32_t>(c);
        }
    }
    return field;
}

std::string Written(const TNumericText& field) {
    std::string written;
    for (std::size_t i = 0; i <= field.Text.size(); ++i) {
        const int position = static_cast<int>(i);
        if (field.SelLength == 0 && position == field.SelStart) written += '|';
        if (field.SelLength > 0 && position == field.SelStart) written += '[';
        if (field.SelLength > 0 && position == field.SelStart + field.SelLength) written += ']';
        if (i < field.Text.size()) written += static_cast<char>(field.Text[i]);
    }
    return written;
}

std::u32string U32(const std::string& ascii) { return std::u32string(ascii.begin(), ascii.end()); }

enum class Action { Keys, Cut, Paste };

// Keys: every character typed in turn, "\b" being Backspace and "\x7f" the Delete
// key (which deletes the selection if there is one). Cut: text is what goes to
// the clipboard. Paste: text is the clipboard's.
struct EditCase {
    int decimals;
    char separator;
    const char* before;
    Action action;
    const char* text;
    const char* after;
};

void Apply(const TNumericEditRules& rules, TNumericText& field, const EditCase& c) {
    switch (c.action) {
    case Action::Keys:
        for (const char key : std::string(c.text)) {
            if (key != '\x7f') {
                rules.TypeCharacter(field, static_cast<char32_t>(key));
            } else if (field.SelLength > 0) {
                rules.DeleteSelection(field);
            } else {
                rules.DeleteChar(field, TDeleteKind::Delete);
            }
        }
        break;
    case Action::Cut:
        EXPECT_EQ(rules.Cut(field), U32(c.text)) << c.before;
        break;
    case Action::Paste:
        rules.Paste(field, U32(c.text));
        break;
    }
}

}  // namespace

TEST(NumericEditRules, EditsKeepTheTextANumber) {
    constexpr Action Keys = Action::Keys;
    const EditCase cases[] = {
        // A lone 0 is replaced by the first digit; more digits lengthen the number.
        {0, '.', "0|", Keys, "21", "21|"},
        {2, '.', "|0.00", Keys, "5", "5|.00"},
        // The separator jumps to the fraction; the fraction has a fixed length.
        {2, '.', "|0.00", Keys, "5.25", "5.25|"},
        {2, '.', "5.25|", Keys, "7", "5.25|"},
        {2, ',', "|0,00", Keys, "5,25", "5,25|"},
        {2, ',', "5|,00", Keys, ".", "5|,00"},
        {0, '.', "12|", Keys, ".", "12|"},
        // Digits overwrite digits, except at the end of the integer part.
        {2, '.', "|12.34", Keys, "9", "9|2.34"},
        {2, '.', "12|.34", Keys, "9", "129|.34"},
        {2, '.', "12.|34", Keys, "9", "12.9|4"},
        {0, '.', "1|2", Keys, "a +", "1|2"},
        // Deleting in the fraction shifts it left and fills with zeros.
        {2, '.', "12.3|4", Keys, "\b", "12.|40"},
        {2, '.', "12.|34", Keys, "\x7f", "12.|40"},
        {2, '.', "5.25|", Keys, "\b", "5.2|0"},
        // The separator itself is never removed: the caret steps over it.
        {2, '.', "12|.34", Keys, "\x7f", "12.|34"},
        {2, '.', "12.|34", Keys, "\b", "12|.34"},
        // The integer part keeps its last digit.
        {0, '.', "|5", Keys, "\x7f", "0|"},
        {2, '.', "5|.00", Keys, "\b", "0|.00"},
        {0, '.', "-7|", Keys, "\b", "-|0"},
        {0, '.', "-7|", Keys, "\b3", "-3|"},
        {2, '.', "-5|.00", Keys, "\b", "-|0.00"},
        {2, '.', "-12|.00", Keys, "\b", "-1|.00"},
        // Nothing before the start or after the end.
        {0, '.', "|12", Keys, "\b", "|12"},
        {0, '.', "12|", Keys, "\x7f", "12|"},
        // The minus key toggles the sign wherever the caret is; nothing goes in front of "-".
        {2, '.', "5.00|", Keys, "-", "-5.00|"},
        {2, '.', "-5.00|", Keys, "-", "5.00|"},
        {2, '.', "5|.00", Keys, "-", "-5|.00"},
        {0, '.', "|-5", Keys, "-", "|5"},
        {0, '.', "|-5", Keys, "3", "-3|5"},
        {0, '.', "-|0", Keys, "4", "-4|"},
        // A selection is deleted from its end, one Backspace at a time, and never leaves the text empty.
        {0, '.', "[123]", Keys, "\b", "0|"},
        {0, '.', "12[3]", Keys, "\b", "12|"},
        {0, '.', "1[23]", Keys, "\b", "1|"},
        {2, '.', "[12.34]", Keys, "\x7f", "0|.00"},
        {2, '.', "[-12.34]", Keys, "\x7f", "|0.00"},
        {2, '.', "[12].34", Keys, "7", "7|.34"},
        {0, '.', "[12]", Keys, "-", "-0|"},
        // The separator cancels the selection instead of deleting it.
        {2, '.', "[12].34", Keys, ".", "12.|34"},
        // Cut and paste go through the same rules.
        {0, '.', "1[23]4", Action::Cut, "23", "1|4"},
        {2, '.', "[12.34]", Action::Cut, "12.34", "0|.00"},
        {0, '.', "0|", Action::Paste, "4a2", "42|"},
        {2, '.', "[12].50", Action::Paste, "3.7", "3.7|0"},
        {2, '.', "9.99|", Action::Paste, "1", "9.99|"},
    };
    for (const EditCase& c : cases) {
        const TNumericEditRules rules(c.decimals, static_cast<char32_t>(c.separator));
        TNumericText field = Field(c.before);
        Apply(rules, field, c);
        EXPECT_EQ(Written(field), c.after) << c.before << " + \"" << c.text << "\", decimals " << c.decimals;
    }
}

TEST(NumericEditRules, ValuesAreShownWithTheFieldsDecimalsAndReadBack) {
    struct FormatCase {
        int decimals;
        char separator;
        double value;
        const char* text;
    };
    const FormatCase formats[] = {
        {0, '.', 0, "0"},         {2, '.', 0, "0.00"},         {2, '.', -1.5, "-1.50"},
        {0, '.', 2.5, "2"},       {0, '.', 3.5, "4"},          {2, '.', -0.001, "0.00"},
        {2, '.', 1234567, "1234567.00"}, {1, ',', 0.75, "0,8"}, {12, '.', 1, "1.000000000"},
        {-3, '.', 7.25, "7"},
    };
    for (const FormatCase& c : formats) {
        const TNumericEditRules rules(c.decimals, static_cast<char32_t>(c.separator));
        EXPECT_EQ(rules.Format(c.value), U32(c.text)) << c.value << ", decimals " << c.decimals;
    }

    const std::string tooLarge(400, '9');
    struct ReadCase {
        char separator;
        const char* text;
        std::optional<double> value;
    };
    const ReadCase reads[] = {
        {'.', "12.34", 12.34}, {'.', "-0", 0.0},         {'.', "007", 7.0},        {',', "-12,5", -12.5},
        {'.', "-", {}},        {'.', "", {}},            {'.', "1.2.3", {}},       {'.', "1e5", {}},
        {'.', "5-", {}},       {'.', "12,5", {}},        {'.', " 5", {}},          {'.', "+5", {}},
        {'.', tooLarge.c_str(), {}},
    };
    for (const ReadCase& c : reads) {
        const TNumericEditRules rules(2, static_cast<char32_t>(c.separator));
        EXPECT_EQ(rules.ValueOf(U32(c.text)), c.value) << c.text;
    }
}
