#include <gtest/gtest.h>

#include <clocale>

#include "base/AsciiCase.h"

// ASCII letters change case, whatever the locale; digits, signs and every byte
// past ASCII (Shift-JIS lead bytes, UTF-8, Latin-1 capitals) stay. Bytes are
// taken one by one, so a Shift-JIS trail byte that is an ASCII letter changes too.
TEST(AsciiCase, ChangesAsciiLettersOnly) {
    std::setlocale(LC_ALL, "C.UTF-8");
    struct Case {
        const char* text;
        const char* lower;
        const char* upper;
    };
    const Case cases[] = {
        {"Model.3DS", "model.3ds", "MODEL.3DS"},
        {"@[`{az_AZ09", "@[`{az_az09", "@[`{AZ_AZ09"},
        {"\x83\x5C\x95\x5C\x83\x41.Bmp", "\x83\x5C\x95\x5C\x83\x61.bmp", "\x83\x5C\x95\x5C\x83\x41.BMP"},
        {"\xC3\x89t\xC3\xA9", "\xC3\x89t\xC3\xA9", "\xC3\x89T\xC3\xA9"},
        {"\xC0\xE0", "\xC0\xE0", "\xC0\xE0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(base::LowerAscii(c.text), c.lower) << c.text;
        EXPECT_EQ(base::UpperAscii(c.text), c.upper) << c.text;
    }
    std::setlocale(LC_ALL, "C");
}
