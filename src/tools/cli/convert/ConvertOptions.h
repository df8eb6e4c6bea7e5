#pragma once
// korvane-convert's option table and the checks every command line passes.
#include <span>
#include <vector>

#include "cli/ConvertTool.h"

namespace convert {

// The conversion's options; the batch options, which also go with a conversion;
// the options that choose another command, and its own.
enum OptionGroup { kConversionGroup, kBatchGroup, kCommandGroup };

std::span<const cli::Option> OptionTable();

// Raises UsageError for an unknown option or one without its value.
void CheckOccurrence(const cli::Occurrence& occurrence);

// The options by long name; raises UsageError for the first unknown option,
// option without its value, or second use of an option that is not repeatable.
Arguments CheckOptions(const cli::SplitLine& line);

}  // namespace convert
