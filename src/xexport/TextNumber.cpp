#include "TextNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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

}  // namespace

std::size_t FormatTextNumber(char* out, float value) {
    if (std::isfinite(value) && std::fabs(value) >= kExponentFrom)
        return FormatShortest(out, value, std::chars_format::scientific);
    return base::FormatFixed6(out, value);
}

std::size_t FormatExactTextNumber(char* out, float value) {
    const std::size_t length = FormatTextNumber(out, value);
    if (!std::isfinite(value) || ReadsBackAs(out, length, value)) return length;
    return FormatShortest(out, value, std::chars_format::general);
}

}  // namespace xexport
