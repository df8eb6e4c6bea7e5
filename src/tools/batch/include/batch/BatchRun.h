#pragma once
// Runs the jobs of a batch on N threads, each result written whole or not at
// all, and reports the failures at the end.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "batch/BatchPlan.h"

namespace batch {

// Makes job.output from job.input; raises on failure. Anything worth a warning
// goes into warnings.
using BatchConverter = std::function<void(const BatchJob& job, std::string& warnings)>;

// Runs the jobs on threads (at least 1) and reports to err, each line starting
// with "program: ": a progress line while running when progress is set, then the
// warnings, and every failure (those given and those met) with its input and
// reason, names escaped. Returns 1 if anything failed.
int RunBatch(const std::vector<BatchJob>& jobs, std::vector<BatchFailure> failures, int threads,
             const BatchConverter& convert, std::ostream& err, bool progress, const std::string& program);

}  // namespace batch
