#pragma once
// Model and material names are raw bytes; this is how the window shows them.
#include <QString>

#include <string_view>

namespace app {

// base::DisplayName as a QString: valid UTF-8 as it is, anything else read as
// Shift-JIS (code page 932). The glTF writer names things by the same rule.
QString DisplayText(std::string_view raw);

}  // namespace app
