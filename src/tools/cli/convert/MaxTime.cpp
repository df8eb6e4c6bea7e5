#include "convert/MaxTime.h"

#include <charconv>
#include <string>

#include "net/Text.h"

namespace convert {

namespace {

double SecondsFromText(const std::string& text) {
    double seconds = 0;
    if (net::IsDecimalNumber(text)) std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (!(seconds > 0 && seconds <= kMaxTimeLimitSeconds)) {
        throw UsageError("--max-time takes a number of seconds above 0 and at most " +
                         std::to_string(static_cast<long>(kMaxTimeLimitSeconds)) + ": " + text);
    }
    return seconds;
}

}  // namespace

MaxTime MaxTimeFromArguments(const Arguments& arguments) {
    return arguments.Has("--max-time") ? MaxTime(SecondsFromText(arguments.Value("--max-time"))) : kDefaultMaxTime;
}

Deadline DeadlineAfter(MaxTime maxTime) {
    return std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(maxTime);
}

Deadline DeadlineFromArguments(const Arguments& arguments) { return DeadlineAfter(MaxTimeFromArguments(arguments)); }

}  // namespace convert
