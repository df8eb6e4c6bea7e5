#include "TextNumber.h"

#include <algorithm>
#include <array>
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

// The midpoints between a float's magnitude and its neighbours' (the next and
// previous bit patterns): a reader takes a text between them for the float.
struct Midpoints {
    double below, above;
};

Midpoints MidpointsAround(std::uint32_t magnitude) {
    const double v = std::bit_cast<float>(magnitude);
    return {(v + std::bit_cast<float>(magnitude - 1)) / 2, (v + std::bit_cast<float>(magnitude + 1)) / 2};
}

// Whether the text nearest / scale reads back as the float of those midpoints,
// decided without reading it; nearest is the float's magnitude times scale,
// rounded. Exact where each midpoint (25 significant bits) times scale fits the
// 53 bits of a double, and nearest is exact too: for scale 10^6 below 2^33, for
// scale up to 10^11 (10^k = 2^k * 5^k, 5^11 under 2^26) at any magnitude. No text
// falls on a midpoint: with six decimals, where floats lie 2^-6 or closer a
// midpoint needs more than six decimals, and farther apart every float is its own
// text; with more decimals (only below 16, see FormatExactTextNumber), a midpoint
// needs at least 21. The smaller distance to a midpoint has the sign of the
// answer, and takes no branch to mispredict.
bool ReadsBack(const Midpoints& midpoints, double nearest, double scale) {
    return std::min(nearest - midpoints.below * scale, midpoints.above * scale - nearest) > 0;
}

// From here on to_chars's shortest general form is plain decimals ("0.00012207031"),
// never an exponent, and 11 decimals tell floats apart (they lie 2^-36 or farther apart).
constexpr float kDecimalsFrom = 0x1p-13f;

// "00", "01", ... "99" end to end.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Powers of ten from 10^0 to 10^11, each exact in a double.
constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};

// Animation keys are mostly floats below 16 that six decimals do not tell apart,
// and to_chars's shortest general form cost most of writing them. Between
// kDecimalsFrom and 16 that form is the text with k decimals nearest the float,
// for the smallest k whose text reads back (the fewest digits, then the nearest of
// those), so this spells it directly. Which k that is varies from key to key, so
// every k is tried and the text is spelled with 11 decimals, then cut, with no
// branch on k to mispredict. Returns 0, leaving the float to to_chars, should that
// text end in a zero: fewer decimals would then have read back too.
std::size_t FormatFewestDecimals(char* out, float value, const Midpoints& midpoints) {
    const double magnitude = std::fabs(value);
    int decimals = 12;
    double nearest = 0;
    for (int k = 11; k >= 7; --k) {
        const double candidate = std::rint(magnitude * kPowersOfTen[k]);
        const bool readsBack = ReadsBack(midpoints, candidate, kPowersOfTen[k]);
        decimals = readsBack ? k : decimals;
        nearest = readsBack ? candidate : nearest;
    }
    if (decimals > 11 || static_cast<std::int64_t>(nearest) % 10 == 0) return 0;
    // Without a trailing zero, the rounding carried nothing into the whole part.
    const auto whole = static_cast<int>(magnitude);
    const auto fraction = static_cast<std::uint64_t>((nearest - whole * kPowersOfTen[decimals]) * kPowersOfTen[11 - decimals]);
    char* p = out;
    *p = '-';
    p += value < 0;
    *p = '1';
    p += whole >= 10;
    *p++ = static_cast<char>('0' + whole % 10);
    *p++ = '.';
    // Digits two at a time, each pair worked out independently of the others: a
    // chain of divisions by ten cost more than all the rest.
    const auto high = static_cast<std::uint32_t>(fraction / 1000000), low = static_cast<std::uint32_t>(fraction % 1000000);
    p[0] = static_cast<char>('0' + high / 10000);
    std::memcpy(p + 1, &kDigitPairs[high / 100 % 100 * 2], 2);
    std::memcpy(p + 3, &kDigitPairs[high % 100 * 2], 2);
    std::memcpy(p + 5, &kDigitPairs[low / 10000 * 2], 2);
    std::memcpy(p + 7, &kDigitPairs[low / 100 % 100 * 2], 2);
    std::memcpy(p + 9, &kDigitPairs[low % 100 * 2], 2);
    return static_cast<std::size_t>(p + decimals - out);
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
        const auto magnitude = std::bit_cast<std::uint32_t>(std::fabs(value));
        if (magnitude == 0) return base::FormatFixed6(out, value);
        const Midpoints midpoints = MidpointsAround(magnitude);
        // rint rounds as nearbyint does in the default rounding mode, and is inlined.
        if (ReadsBack(midpoints, std::rint(std::fabs(value) * 1e6), 1e6)) return base::FormatFixed6(out, value);
        // Only floats below 16 get here: from 16 on they lie 2^-19 or farther apart,
        // and six decimals tell them apart.
        if (std::fabs(value) >= kDecimalsFrom) {
            if (const std::size_t length = FormatFewestDecimals(out, value, midpoints)) return length;
        }
        return FormatShortest(out, value, std::chars_format::general);
    }
    const std::size_t length = FormatTextNumber(out, value);
    if (!std::isfinite(value) || ReadsBackAs(out, length, value)) return length;
    return FormatShortest(out, value, std::chars_format::general);
}

}  // namespace xexport
