#include "batch/BatchRun.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "base/Errors.h"
#include "base/EscapeField.h"
#include "base/Language.h"

namespace batch {

namespace fs = std::filesystem;
using base::EscapeField;

namespace {

// A message on one line: reader messages join their lines with CR.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

// The failure line names the input first, so the reason does not name it again.
std::string Reason(const std::exception& error, const std::string& input) {
    return OneLine(base::ErrorLine(error, base::EnvironmentUiLanguage(), input));
}

// The progress line, redrawn in place on a terminal.
class Progress {
public:
    Progress(std::ostream& err, bool shown, std::size_t total) : err_(err), shown_(shown), total_(total) {}

    void Update(std::size_t done, std::size_t failed, const std::string& current) {
        if (!shown_) return;
        std::string name = EscapeField(current);
        if (name.size() > 50) name = "..." + name.substr(name.size() - 47);
        err_ << "\r\x1b[K" << done << "/" << total_ << "  " << name;
        if (failed > 0) err_ << "  (" << failed << (failed == 1 ? " failure)" : " failures)");
        err_.flush();
    }
    void Finish() {
        if (!shown_) return;
        err_ << "\r\x1b[K";
        err_.flush();
    }

private:
    std::ostream& err_;
    bool shown_;
    std::size_t total_;
};

// Tries the job's inputs in turn until one converts; the failures of the job.
std::vector<BatchFailure> RunJob(const BatchJob& job, const BatchConverter& convert, std::string& warnings) {
    std::error_code ignored;
    const fs::path parent = fs::path(job.output).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ignored);
    std::vector<std::string> inputs{job.input};
    inputs.insert(inputs.end(), job.alternatives.begin(), job.alternatives.end());
    std::vector<BatchFailure> failures;
    for (const std::string& input : inputs) {
        try {
            convert(BatchJob{input, job.output, {}}, warnings);
        } catch (const std::bad_alloc&) {
            // Whatever ran out, this input fails alone: what it took is freed by now.
            failures.push_back({input, "out of memory; nothing written"});
            continue;
        } catch (const std::exception& error) {
            failures.push_back({input, Reason(error, input)});
            continue;
        }
        // The others lose to this one, whatever they hold: one line each.
        failures.clear();
        const std::string reason = "its output " + job.output + " is also the output of " + input;
        for (const std::string& other : inputs) {
            if (other != input) failures.push_back({other, reason});
        }
        break;
    }
    return failures;
}

}  // namespace

int RunBatch(const std::vector<BatchJob>& jobs, std::vector<BatchFailure> failures, int threads,
             const BatchConverter& convert, std::ostream& err, bool progress, const std::string& program) {
    std::size_t total = failures.size();
    for (const BatchJob& job : jobs) total += 1 + job.alternatives.size();
    std::mutex lock;
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    std::vector<std::string> warnings(jobs.size());
    std::vector<std::vector<BatchFailure>> results(jobs.size());
    Progress line(err, progress, jobs.size());
    std::size_t failedSoFar = failures.size();
    line.Update(0, failedSoFar, "");

    const auto work = [&]() {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            {
                const std::lock_guard<std::mutex> guard(lock);
                line.Update(done, failedSoFar, jobs[i].input);
            }
            std::vector<BatchFailure> result = RunJob(jobs[i], convert, warnings[i]);
            const std::lock_guard<std::mutex> guard(lock);
            failedSoFar += result.size();
            results[i] = std::move(result);
            ++done;
            line.Update(done, failedSoFar, jobs[i].input);
        }
    };
    const auto count = static_cast<std::size_t>(std::max(1, threads));
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < std::min(count, jobs.size()); ++t) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    line.Finish();

    for (const std::string& warning : warnings) err << warning;
    for (std::vector<BatchFailure>& result : results) failures.insert(failures.end(), result.begin(), result.end());
    for (const BatchFailure& failure : failures)
        err << program << ": failed: " << EscapeField(failure.input) << ": " << EscapeField(OneLine(failure.reason))
            << "\n";
    if (!failures.empty()) err << program << ": " << failures.size() << " of " << total << " inputs failed\n";
    err.flush();
    return failures.empty() ? 0 : 1;
}

}  // namespace batch
