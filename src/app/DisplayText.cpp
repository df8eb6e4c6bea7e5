#include "DisplayText.h"

#include "base/DisplayName.h"

namespace app {

QString DisplayText(std::string_view raw) { return QString::fromStdString(base::DisplayName(raw)); }

}  // namespace app
