#pragma once
// The checks every korvane-convert command line passes, by its option table.
#include "cli/ConvertTool.h"

namespace convert {

// Raises UsageError for an unknown option or one without its value.
void CheckOccurrence(const cli::Occurrence& occurrence);

// The options by long name; raises UsageError for the first unknown option,
// option without its value, or second use of an option that is not repeatable.
Arguments CheckOptions(const cli::SplitLine& line);

}  // namespace convert
