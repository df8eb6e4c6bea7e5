#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "TextNumber.h"

namespace {

std::string Exact(float value) {
    char text[xexport::kMaxTextNumber];
    return {text, xexport::FormatExactTextNumber(text, value)};
}

std::string Fixed6(float value) {
    char text[400];
    return {text, static_cast<std::size_t>(std::snprintf(text, sizeof text, "%.6f", static_cast<double>(value)))};
}

bool ReadsBackAs(const std::string& text, float value) {
    float read = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), read);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::memcmp(&read, &value, sizeof read) == 0;
}

// The exact text of a finite float reads back as that very float, and is "%.6f"
// whenever "%.6f" itself does.
void ExpectExact(float value) {
    const std::string text = Exact(value);
    EXPECT_TRUE(ReadsBackAs(text, value)) << text << " for " << value;
    if (std::fabs(value) < 1e15f && ReadsBackAs(Fixed6(value), value)) {
        EXPECT_EQ(text, Fixed6(value)) << value;
    }
}

TEST(TextNumber, ExactTextReadsBackAndIsSixDecimalsWhenThoseDo) {
    const float max = std::numeric_limits<float>::max(), tiny = std::numeric_limits<float>::denorm_min();
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 0.1f, 0.2f, -0.3f, 1e-6f, 5e-7f, 4.9e-7f, 1e-7f, 0.0707847f,
                            0.999999f, 0.9999995f, 1.0000001f, 123456.789f, 262144.03125f, 65536.0078125f, 0x1p33f,
                            std::nextafter(0x1p33f, 0.0f), -std::nextafter(0x1p33f, 0.0f), 8589934593.0f, 1e15f, 2e35f,
                            max, -max, tiny, -tiny, std::numeric_limits<float>::min()};
    for (const float value : values) ExpectExact(value);
}

// Floats of every magnitude from the smallest to past 2^33, both signs, and every
// float around 8 and 16, where six decimals begin to tell floats apart.
TEST(TextNumber, ExactTextHoldsAcrossTheFloats) {
    for (std::uint32_t bits = 0; bits < 0x50800000u; bits += 4999) {
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        ExpectExact(value);
        ExpectExact(-value);
    }
    for (const float around : {8.0f, 16.0f}) {
        for (float value = around - 0.03f; value < around + 0.03f; value = std::nextafter(value, HUGE_VALF)) {
            const std::string text = Exact(value);
            ASSERT_TRUE(ReadsBackAs(text, value)) << text;
            if (ReadsBackAs(Fixed6(value), value)) {
                ASSERT_EQ(text, Fixed6(value));
            }
        }
    }
}

// Floats that need seven decimals or more, from just below 2^-13 to just below
// 16 and with either sign, take to_chars's shortest general form to the byte.
TEST(TextNumber, ExactTextBeyondSixDecimalsIsTheShortestGeneralForm) {
    const struct {
        float value;
        int decimals;
    } cases[] = {
        {1.2345678f, 7},     {15.9900055f, 7},    {8.0000105f, 7},       {15.9999895f, 7},
        {0.99000007f, 8},    {0.12345678f, 8},    {0.099000014f, 9},     {0.012345678f, 9},
        {0.0012345678f, 10}, {0.0009900001f, 10}, {0.0099000055f, 10},   {0.00012345678f, 11},
        {0x1p-13f, 11},      {0.0001220704f, 10}, {std::nextafter(0x1p-13f, 0.0f), 12},
    };
    for (const auto& c : cases) {
        for (const float value : {c.value, -c.value}) {
            char expected[64];
            const auto end = std::to_chars(expected, expected + sizeof expected, value, std::chars_format::general).ptr;
            const std::string text = Exact(value);
            EXPECT_EQ(text, std::string(expected, end)) << c.value;
            EXPECT_EQ(text.size() - text.find('.') - 1, static_cast<std::size_t>(c.decimals)) << text;
        }
    }
}

}  // namespace
