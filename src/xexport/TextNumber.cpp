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

// Whether "%.6f" of a float below 2^33 in magnitude reads back as the same
// float, decided without reading it. The text is nearest / 10^6 (nearest being
// the float times 10^6, rounded as the formatting rounds it); a reader takes it
// for the float when it lies between the midpoints to the float's neighbours.
// Each midpoint holds 25 significant bits, so times 10^6 it is exact in a double,
// as nearest (below 2^53) is. No text falls on a midpoint: where floats lie 2^-6
// or closer, a midpoint needs more than six decimals, and farther apart every
// float is its own text.
bool Fixed6ReadsBack(float value, double nearest) {
    // Signs aside (the rounding is symmetric); a float's neighbours in magnitude
    // are the next and previous bit patterns.
    const std::uint32_t magnitude = std::bit_cast<std::uint32_t>(value) & 0x7fffffffu;
    if (magnitude == 0) return true;
    const double v = std::bit_cast<float>(magnitude), n = std::fabs(nearest);
    return (v + std::bit_cast<float>(magnitude - 1)) / 2 * 1e6 < n && n < (v + std::bit_cast<float>(magnitude + 1)) / 2 * 1e6;
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
        if (Fixed6ReadsBack(value, std::nearbyint(static_cast<double>(value) * 1e6)))
            return base::FormatFixed6(out, value);
        return FormatShortest(out, value, std::chars_format::general);
    }
    const std::size_t length = FormatTextNumber(out, value);
    if (!std::isfinite(value) || ReadsBackAs(out, length, value)) return length;
    return FormatShortest(out, value, std::chars_format::general);
}

}  // namespace xexport
