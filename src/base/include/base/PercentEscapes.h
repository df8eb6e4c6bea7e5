#pragma once
// The %XX escapes of addresses and URIs, made and undone.
#include <string>
#include <string_view>

namespace base {

// text with every byte other than letters, digits, "-._~" and the characters of
// keep written as %XX, so a name ("my model.3ds", "a%20b.3ds", "a#b.3ds", a
// Japanese name) stands for itself in an address.
std::string PercentEncode(std::string_view text, std::string_view keep = {});

// text with its %XX escapes undone; a "%" not followed by two hexadecimal digits stays.
std::string PercentDecode(std::string_view text);

}  // namespace base
