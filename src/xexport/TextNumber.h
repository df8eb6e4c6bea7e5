#pragma once
// How the text writers spell a 32-bit float.
#include <cstddef>

#include "base/Format.h"

namespace xexport {

// From this magnitude on, "%.6f" would spell at least 16 digits before the point.
// Readers collect those digits in an integer or a field of limited length: assimp
// refuses them from 2^64 (about 1.8e19) on, so this bound leaves a wide margin.
// Every float that large is a whole number, so its six zeros after the point say
// nothing anyway.
constexpr double kExponentFrom = 1e15;

// Room a formatted number may need.
constexpr std::size_t kMaxTextNumber = base::kMaxFixed6;

// "%.6f" of the value widened unchanged; from kExponentFrom in magnitude, the
// shortest exponent form that reads back as the same float, with a point in its
// mantissa ("2.0e+35"). Returns the count of characters written.
std::size_t FormatTextNumber(char* out, float value);

// "%.6f" when that reads back as the same float, otherwise the shortest text that
// does ("0.00012345", "1.0e-07"), so a value whose small digits matter survives.
std::size_t FormatExactTextNumber(char* out, float value);

}  // namespace xexport
