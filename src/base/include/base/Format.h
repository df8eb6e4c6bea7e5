#pragma once
// Number formatting and rounding used wherever the program shows or writes numbers.
#include <cstddef>
#include <string>

namespace base {

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Rounds to the nearest integer, halves to even (the one rounding rule of the program).
long long RoundHalfEven(double value);

// Writes value as printf's "%.6f" would, with no terminator; returns the count of
// characters written. out must hold at least kMaxFixed6 characters.
constexpr std::size_t kMaxFixed6 = 320;
std::size_t FormatFixed6(char* out, double value);

// Writes value as printf's "%d" would; out must hold at least 20 characters.
std::size_t FormatInt(char* out, long long value);

}  // namespace base
