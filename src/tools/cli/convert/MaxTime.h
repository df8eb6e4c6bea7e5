#pragma once
// --max-time SECONDS: an overall time limit on the network exchange of one input,
// which a server that sends a byte now and then cannot stretch (the time-out
// counts only silence).
#include <chrono>
#include <optional>

#include "cli/ConvertTool.h"

namespace convert {

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// Seconds --max-time allows at most: a week.
constexpr double kMaxTimeLimitSeconds = 7 * 24 * 3600;

// The time --max-time gives, kDefaultMaxTime without it. Raises UsageError for a
// value that is not a decimal number of seconds (digits, optionally a dot and
// digits) above 0 and at most the limit.
MaxTime MaxTimeFromArguments(const Arguments& arguments);

// The moment by which network work that starts now must have ended.
Deadline DeadlineAfter(MaxTime maxTime);

// DeadlineAfter(MaxTimeFromArguments(arguments)).
Deadline DeadlineFromArguments(const Arguments& arguments);

}  // namespace convert
