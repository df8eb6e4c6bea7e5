#include "base/Format.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace base {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

long long RoundHalfEven(double value) {
    // The default floating-point environment rounds to nearest, ties to even.
    return std::llrint(value);
}

std::size_t FormatFixed6(char* out, double value) {
    if (!std::isfinite(value)) {
        // to_chars spells these "inf"/"nan" too, but printf adds the sign of a NaN.
        return static_cast<std::size_t>(std::snprintf(out, kMaxFixed6, "%.6f", value));
    }
    // When value * 10^6 is exact, rounding it to an integer, ties to even, rounds
    // exactly as printf does, several times faster than to_chars with a precision.
    // It is exact for every widened 32-bit float below 2^33: 24 + 20 bits fit in 53.
    const double scaled = value * 1e6;
    const bool widenedSingle = std::fabs(value) < 0x1p33 && static_cast<double>(static_cast<float>(value)) == value;
    if (widenedSingle || (std::fabs(scaled) < 0x1p53 && std::fma(value, 1e6, -scaled) == 0)) {
        const auto units = static_cast<std::uint64_t>(std::fabs(std::nearbyint(scaled)));
        char* p = out;
        if (std::signbit(value)) *p++ = '-';
        p = std::to_chars(p, p + 20, units / 1000000).ptr;
        *p++ = '.';
        auto fraction = static_cast<std::uint32_t>(units % 1000000);
        for (int i = 5; i >= 0; --i) {
            p[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        return static_cast<std::size_t>(p + 6 - out);
    }
    const auto result = std::to_chars(out, out + kMaxFixed6, value, std::chars_format::fixed, 6);
    return static_cast<std::size_t>(result.ptr - out);
}

std::size_t FormatInt(char* out, long long value) {
    const auto result = std::to_chars(out, out + 20, value);
    return static_cast<std::size_t>(result.ptr - out);
}

}  // namespace base
