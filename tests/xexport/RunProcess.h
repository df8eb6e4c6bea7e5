#pragma once
// Runs a program to completion and captures what it wrote.
#include <string>
#include <vector>

namespace xtest {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

ProcessResult RunProcess(const std::vector<std::string>& command);

// Whether a program of that name is on the PATH.
bool HaveProgram(const std::string& name);

}  // namespace xtest
