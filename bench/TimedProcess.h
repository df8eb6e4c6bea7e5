#pragma once
// Runs a program as a whole process, for benchmarks: wall time and peak memory.
#include <string>
#include <vector>

namespace benchsupport {

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    double processorSeconds = 0;  // user + system
    bool ok = false;
};

// Runs the command (found on the PATH) with its output discarded; wall time,
// processor time and peak resident memory. ok when it exited with status 0.
Run RunProcess(const std::vector<std::string>& command);

// The fastest of repeats runs; the first failed run as soon as one fails.
Run Best(const std::vector<std::string>& command, int repeats);

}  // namespace benchsupport
