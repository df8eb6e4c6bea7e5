#pragma once
// The .x data korvane-render draws, from whichever kind of file it is given.
#include <string>

#include "base/Stream.h"

namespace render {

// A .x file as it is; a .xa file unpacked; a .3ds or .3da model converted by the
// merged binary writer with the default export options. Raises base::Exception
// (or a subclass) with a message for the user.
base::MemoryStream ReadModelAsX(const std::string& path);

}  // namespace render
