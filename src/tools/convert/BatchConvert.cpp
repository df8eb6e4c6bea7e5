#include "tools/convert/BatchConvert.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/Errors.h"
#include "base/Stream.h"
#include "tools/convert/RemoteInput.h"

namespace convert {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

fs::path WithXExtension(fs::path path) { return path.replace_extension(".x"); }

// Every model file below folder, by path.
std::vector<fs::path> ModelsBelow(const fs::path& folder, std::error_code& error) {
    std::vector<fs::path> found;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && IsModelFileName(it->path().filename().string())) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A message on one line: reader messages join their lines with CR.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

std::string Reason(const std::exception& error) {
    if (const auto* stream = dynamic_cast<const base::EStreamError*>(&error)) {
        return OneLine(std::string(stream->what()) + (stream->Detail().empty() ? "" : ": " + stream->Detail()));
    }
    return OneLine(error.what());
}

// The progress line, redrawn in place on a terminal.
class Progress {
public:
    Progress(std::ostream& err, bool shown, std::size_t total) : err_(err), shown_(shown), total_(total) {}

    void Update(std::size_t done, std::size_t failed, const std::string& current) {
        if (!shown_) return;
        std::string name = current;
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

}  // namespace

bool IsModelFileName(const std::string& name) {
    const std::string lower = Lower(fs::path(name).extension().string());
    return lower == ".3ds" || lower == ".3da";
}

std::vector<BatchJob> PlanBatch(const std::vector<std::string>& inputs, const std::optional<std::string>& folder,
                                std::vector<BatchFailure>& failures) {
    std::vector<BatchJob> jobs;
    std::map<std::string, std::string> outputs;  // output -> input
    // beside: where the result goes without a folder.
    const auto add = [&](const std::string& input, const fs::path& relative, const fs::path& beside) {
        const fs::path output = folder ? fs::path(*folder) / WithXExtension(relative) : WithXExtension(beside);
        const auto [previous, added] = outputs.emplace(output.lexically_normal().string(), input);
        if (!added) {
            failures.push_back({input, "its output " + output.string() + " is also the output of " + previous->second});
            return;
        }
        jobs.push_back({input, output.string()});
    };
    for (const std::string& input : inputs) {
        if (IsHttpAddress(input)) {
            // An address is no place to write to: its file name, in the current folder.
            const fs::path name = AddressFileName(input).empty() ? fs::path("model") : fs::path(AddressFileName(input));
            add(input, name, name);
            continue;
        }
        std::error_code error;
        if (fs::is_directory(input, error)) {
            const std::vector<fs::path> models = ModelsBelow(input, error);
            if (error) {
                failures.push_back({input, error.message()});
            } else if (models.empty()) {
                failures.push_back({input, "no .3ds or .3da file in this folder"});
            }
            for (const fs::path& model : models) add(model.string(), model.lexically_relative(input), model);
        } else {
            add(input, fs::path(input).filename(), input);
        }
    }
    return jobs;
}

int RunBatch(const std::vector<BatchJob>& jobs, std::vector<BatchFailure> failures, int threads,
             const BatchConverter& convert, std::ostream& err, bool progress) {
    const std::size_t total = jobs.size() + failures.size();
    std::mutex lock;
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    std::vector<std::string> warnings(jobs.size());
    std::vector<std::optional<std::string>> reasons(jobs.size());
    Progress line(err, progress, jobs.size());
    std::size_t failedSoFar = failures.size();
    line.Update(0, failedSoFar, "");

    const auto work = [&]() {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            {
                const std::lock_guard<std::mutex> guard(lock);
                line.Update(done, failedSoFar, jobs[i].input);
            }
            std::optional<std::string> reason;
            try {
                std::error_code ignored;
                const fs::path parent = fs::path(jobs[i].output).parent_path();
                if (!parent.empty()) fs::create_directories(parent, ignored);
                convert(jobs[i], warnings[i]);
            } catch (const std::exception& error) {
                reason = Reason(error);
            }
            const std::lock_guard<std::mutex> guard(lock);
            reasons[i] = std::move(reason);
            ++done;
            if (reasons[i]) ++failedSoFar;
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
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (reasons[i]) failures.push_back({jobs[i].input, *reasons[i]});
    }
    for (const BatchFailure& failure : failures)
        err << "korvane-convert: failed: " << failure.input << ": " << failure.reason << "\n";
    if (!failures.empty()) err << "korvane-convert: " << failures.size() << " of " << total << " inputs failed\n";
    err.flush();
    return failures.empty() ? 0 : 1;
}

}  // namespace convert
