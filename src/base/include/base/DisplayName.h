#pragma once
// Model, mesh and material names are raw bytes, written by programs of either
// encoding; this is how they are shown and written wherever text must be UTF-8.
#include <string>
#include <string_view>

namespace base {

// Valid UTF-8 as it is; anything else read as Shift-JIS (code page 932), each
// byte that does not decode as U+FFFD.
std::string DisplayName(std::string_view raw);

}  // namespace base
