#pragma once
// korvane-convert's batch mode: several inputs, or folders of models, converted
// on N threads, each result written whole or not at all, failures reported at
// the end.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace convert {

struct BatchJob {
    std::string input;
    std::string output;
};

struct BatchFailure {
    std::string input;
    std::string reason;
};

// Whether a file name ends in .3ds or .3da, in any letter case.
bool IsModelFileName(const std::string& name);

// The jobs for the inputs: a folder gives every model file below it (sorted by
// path), a file itself. With a folder, each result goes there, at the path of its
// input relative to the folder it was found in (a file given by itself: its file
// name), extension .x; without one, beside its input. An input that is neither
// a readable folder nor a file, a folder without models, and a second input with
// the same output become failures.
std::vector<BatchJob> PlanBatch(const std::vector<std::string>& inputs, const std::optional<std::string>& folder,
                                std::vector<BatchFailure>& failures);

// Converts one job; raises on failure. Anything worth a warning goes into warnings.
using BatchConverter = std::function<void(const BatchJob& job, std::string& warnings)>;

// Runs the jobs on threads (at least 1) and reports to err: a progress line while
// running when progress is set, then the warnings, and every failure (those
// given and those met) with its input and reason. Returns 1 if anything failed.
int RunBatch(const std::vector<BatchJob>& jobs, std::vector<BatchFailure> failures, int threads,
             const BatchConverter& convert, std::ostream& err, bool progress);

}  // namespace convert
