#pragma once
// Undoing the %XX escapes of addresses and URIs.
#include <string>
#include <string_view>

namespace base {

// text with its %XX escapes undone; a "%" not followed by two hexadecimal digits stays.
std::string PercentDecode(std::string_view text);

}  // namespace base
