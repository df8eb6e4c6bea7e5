#pragma once
// Runs a program to its end and collects what it printed, for command-line tests.
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;    // standard output, byte for byte
    std::string err;    // standard error
};

// words[0] is the program's path; no shell takes part.
ProcessResult RunProcess(const std::vector<std::string>& words);

}  // namespace testsupport
