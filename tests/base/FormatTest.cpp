#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "base/Format.h"

namespace {

std::string Fixed6(double value) {
    char buffer[base::kMaxFixed6];
    return std::string(buffer, base::FormatFixed6(buffer, value));
}

std::string Printf6(double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    return buffer;
}

TEST(Format, Fixed6MatchesPrintfOnEdgeValues) {
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.5, 0.0000005, 0.0000015, -0.0000004999,
                             1e-7, 123456.789, 3.4028234663852886e38, -FLT_MAX, FLT_MIN,
                             static_cast<double>(0.1f), static_cast<double>(2.675f), 1e15 + 0.5};
    for (double value : values) EXPECT_EQ(Fixed6(value), Printf6(value)) << value;
}

TEST(Format, Fixed6MatchesPrintfOnRandomSingles) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> range(-1000.0f, 1000.0f);
    for (int i = 0; i < 20000; ++i) {
        const double value = range(random);
        ASSERT_EQ(Fixed6(value), Printf6(value)) << value;
    }
}

TEST(Format, Fixed6MatchesPrintfOnExactTiesAndAnySingleOrDouble) {
    // 1/128 and 3/128 end in an exact half at the seventh decimal.
    for (double value : {0.0078125, 0.0234375, -0.0078125, 1e-9, -1e-9, 9.5e9, 0x1p53 / 1e6})
        EXPECT_EQ(Fixed6(value), Printf6(value)) << value;
    std::mt19937 random(11);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::uniform_real_distribution<double> doubles(-1e7, 1e7);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t pattern = bits(random);
        float single;
        std::memcpy(&single, &pattern, sizeof single);
        if (std::isfinite(single)) {
            ASSERT_EQ(Fixed6(single), Printf6(single)) << single;
        }
        const double value = doubles(random) * (i % 2 ? 1.0 : 1e-9);
        ASSERT_EQ(Fixed6(value), Printf6(value)) << value;
    }
}

TEST(Format, RoundHalfEvenRoundsTiesToEven) {
    EXPECT_EQ(base::RoundHalfEven(0.5), 0);
    EXPECT_EQ(base::RoundHalfEven(1.5), 2);
    EXPECT_EQ(base::RoundHalfEven(2.5), 2);
    EXPECT_EQ(base::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(base::RoundHalfEven(127.50001), 128);
    EXPECT_EQ(base::RoundHalfEven(0.5019607843 * 255), 128);
}

TEST(Format, FormatBuildsStrings) {
    EXPECT_EQ(base::Format("R: %d; G: %d; B: %d", 255, 0, 12), "R: 255; G: 0; B: 12");
    EXPECT_EQ(base::Format("%s", ""), "");
    char buffer[20];
    EXPECT_EQ(std::string(buffer, base::FormatInt(buffer, -65536)), "-65536");
}

}  // namespace
