#include "base/Format.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
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
    const auto result = std::to_chars(out, out + kMaxFixed6, value, std::chars_format::fixed, 6);
    return static_cast<std::size_t>(result.ptr - out);
}

std::size_t FormatInt(char* out, long long value) {
    const auto result = std::to_chars(out, out + 20, value);
    return static_cast<std::size_t>(result.ptr - out);
}

}  // namespace base
