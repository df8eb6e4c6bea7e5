#include "TextNumber.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace xexport {

namespace {

// A mantissa without a point ("2e+35") gets ".0", which every reader takes for a float.
std::size_t WithPoint(char* out, std::size_t length) {
    char* end = out + length;
    if (std::find(out, end, '.') != end) return length;
    char* exponent = std::find(out, end, 'e');
    std::memmove(exponent + 2, exponent, static_cast<std::size_t>(end - exponent));
    exponent[0] = '.';
    exponent[1] = '0';
    return length + 2;
}

std::size_t FormatShortest(char* out, float value, std::chars_format format) {
    const auto result = std::to_chars(out, out + kMaxTextNumber - 2, value, format);
    return WithPoint(out, static_cast<std::size_t>(result.ptr - out));
}

bool ReadsBackAs(const char* text, std::size_t length, float value) {
    float read = 0;
    const auto result = std::from_chars(text, text + length, read);
    return result.ec == std::errc() && read == value;
}

// Whether the text nearest / scale reads back as the float, decided without
// reading it: a reader takes the text for the float when it lies between the
// midpoints to the float's neighbours. Exact where each midpoint (25 significant
// bits) times scale fits the 53 bits of a double, and nearest (the float times
// scale, rounded) is exact too: for scale 10^6 below 2^33, for scale up to 10^11
// (10^k = 2^k * 5^k, 5^11 under 2^26) at any magnitude. No text falls on a
// midpoint: with six decimals, where floats lie 2^-6 or closer a midpoint needs
// more than six decimals, and farther apart every float is its own text; with
// more decimals (only below 16, see FormatExactTextNumber), a midpoint needs at
// least 21.
bool ReadsBackWithScale(float value, double nearest, double scale) {
    // Signs aside (the rounding is symmetric); a float's neighbours in magnitude
    // are the next and previous bit patterns.
    const std::uint32_t magnitude = std::bit_cast<std::uint32_t>(value) & 0x7fffffffu;
    if (magnitude == 0) return true;
    const double v = std::bit_cast<float>(magnitude), n = std::fabs(nearest);
    return (v + std::bit_cast<float>(magnitude - 1)) / 2 * scale < n && n < (v + std::bit_cast<float>(magnitude + 1)) / 2 * scale;
}

// From here on to_chars's shortest general form is plain decimals ("0.00012207031"),
// never an exponent, and 11 decimals tell floats apart (they lie 2^-36 or farther apart).
constexpr float kDecimalsFrom = 0x1p-13f;

// Animation keys are mostly floats below 16 that six decimals do not tell apart,
// and to_chars's shortest general form cost most of writing them. Between
// kDecimalsFrom and 16 that form is the text with k decimals nearest the float,
// for the smallest k whose text reads back (the fewest digits, then the nearest of
// those), so this spells it directly. Returns 0, leaving the float to to_chars,
// should that text end in a zero: fewer decimals would then have read back too.
std::size_t FormatFewestDecimals(char* out, float value) {
    const double scales[] = {1e7, 1e8, 1e9, 1e10, 1e11};
    for (int i = 0; i < 5; ++i) {
        const double nearest = std::nearbyint(static_cast<double>(value) * scales[i]);
        if (!ReadsBackWithScale(value, nearest, scales[i])) continue;
        const auto units = static_cast<std::uint64_t>(std::fabs(nearest)), scale = static_cast<std::uint64_t>(scales[i]);
        if (units % 10 == 0) return 0;
        char* p = out;
        if (value < 0) *p++ = '-';
        p = std::to_chars(p, p + 2, units / scale).ptr;
        *p++ = '.';
        const int decimals = 7 + i;
        auto fraction = units % scale;
        for (int d = decimals - 1; d >= 0; --d) {
            p[d] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        return static_cast<std::size_t>(p + decimals - out);
    }
    return 0;
}

}  // namespace

std::size_t FormatTextNumber(char* out, float value) {
    if (std::isfinite(value) && std::fabs(value) >= kExponentFrom)
        return FormatShortest(out, value, std::chars_format::scientific);
    return base::FormatFixed6(out, value);
}

std::size_t FormatExactTextNumber(char* out, float value) {
    // Keys and matrices are mostly such floats; reading each text back cost as
    // much as writing it.
    if (std::fabs(value) < 0x1p33f) {
        if (ReadsBackWithScale(value, std::nearbyint(static_cast<double>(value) * 1e6), 1e6))
            return base::FormatFixed6(out, value);
        // Six decimals tell apart every float from 16 on (they lie 2^-19 or farther
        // apart), so animation keys of every size mostly take this path.
        if (std::fabs(value) >= kDecimalsFrom) {
            if (const std::size_t length = FormatFewestDecimals(out, value)) return length;
        }
        return FormatShortest(out, value, std::chars_format::general);
    }
    const std::size_t length = FormatTextNumber(out, value);
    if (!std::isfinite(value) || ReadsBackAs(out, length, value)) return length;
    return FormatShortest(out, value, std::chars_format::general);
}

}  // namespace xexport
