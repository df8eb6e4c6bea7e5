#pragma once
// Checking text for well-formed UTF-8.
#include <cstddef>
#include <string_view>

namespace base {

// The length of the valid UTF-8 sequence at the start of text, 0 when none
// (overlong forms, surrogates and code points past U+10FFFF are invalid).
std::size_t Utf8Length(std::string_view text);

// Whether the whole text is valid UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace base
