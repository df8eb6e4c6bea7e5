#pragma once
// The command line of korvane: --help, --version and unknown options, answered
// before any window exists, and at most one file to open, kept as the bytes given.
#include <optional>
#include <string>

namespace app {

// The exit status of a command line that cannot be followed.
constexpr int kExitUsage = 2;

// Answers --help or --version on standard output, and reports an option that
// neither the program nor Qt knows, or a second file, on standard error; the
// exit status when it did, none when the program goes on. Needs no display: it runs before the
// application object exists.
std::optional<int> AnswerWithoutWindow(int argc, char** argv);

struct TCommandLine {
    std::optional<std::string> File;  // the file's name as its raw bytes
};

// The command line once the application has taken its own options (-platform
// and the like) out of argv. An unknown option or a second file is reported on
// standard error and gives nothing.
std::optional<TCommandLine> ParseCommandLine(int argc, char** argv);

}  // namespace app
