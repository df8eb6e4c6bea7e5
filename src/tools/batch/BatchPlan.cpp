#include "batch/BatchPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "model3ds/FileKind.h"
#include "base/SameFile.h"

namespace batch {

namespace fs = std::filesystem;

namespace {

// Every model file below folder, unsorted; a folder that cannot be listed, at
// any depth, is a failure, and the rest is still searched. Links to folders
// are not followed, so no loop can form.
void FindModels(const fs::path& folder, const ModelKinds& kinds, std::vector<fs::path>& found,
                std::vector<BatchFailure>& failures) {
    std::vector<fs::path> subfolders;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            subfolders.push_back(it->path());
        } else if (it->is_regular_file(ignored) && IsModelFileName(it->path().filename().string(), kinds)) {
            found.push_back(it->path());
        }
    }
    if (error) failures.push_back({folder.string(), error.message()});
    for (const fs::path& subfolder : subfolders) FindModels(subfolder, kinds, found, failures);
}

// Builds the jobs, one per output, from the inputs in the order met.
class Planner {
public:
    Planner(const std::optional<std::string>& folder, const ModelKinds& kinds, std::vector<BatchFailure>& failures)
        : folder_(folder), kinds_(kinds), failures_(failures) {}

    // beside: where the result goes without a folder.
    void Add(const std::string& input, const fs::path& relative, const fs::path& beside) {
        // The same file, named again, by the same path or another.
        if (!inputNames_.insert(input).second) return;
        if (const std::optional<base::FileId> id = base::IdOf(input)) {
            if (!inputIds_.insert(*id).second) return;
        }
        fs::path output = folder_ ? fs::path(*folder_) / relative : beside;
        output.replace_extension(kinds_.outputExtension);
        const auto [at, added] = byOutput_.emplace(output.lexically_normal().string(), jobs_.size());
        if (added) {
            jobs_.push_back({input, output.string(), {}});
        } else {
            jobs_[at->second].alternatives.push_back(input);
        }
    }

    void AddFolder(const std::string& input) {
        const std::size_t failuresBefore = failures_.size();
        std::vector<fs::path> models;
        FindModels(input, kinds_, models, failures_);
        std::sort(models.begin(), models.end());
        if (models.empty() && failures_.size() == failuresBefore) failures_.push_back({input, kinds_.noModelsReason});
        for (const fs::path& model : models) Add(model.string(), model.lexically_relative(input), model);
    }

    // The jobs, less those whose output is one of the inputs: that would
    // replace a model by its own result.
    std::vector<BatchJob> Jobs() {
        std::vector<BatchJob> kept;
        for (BatchJob& job : jobs_) {
            const std::optional<base::FileId> id = base::IdOf(job.output);
            if (!id || inputIds_.count(*id) == 0) {
                kept.push_back(std::move(job));
                continue;
            }
            const std::string reason = "its output " + job.output + " is one of the inputs; nothing written";
            failures_.push_back({job.input, reason});
            for (const std::string& other : job.alternatives) failures_.push_back({other, reason});
        }
        return kept;
    }

private:
    const std::optional<std::string>& folder_;
    const ModelKinds& kinds_;
    std::vector<BatchFailure>& failures_;
    std::vector<BatchJob> jobs_;
    std::map<std::string, std::size_t> byOutput_;
    std::set<base::FileId> inputIds_;
    std::set<std::string> inputNames_;
};

}  // namespace

bool IsModelFileName(const std::string& name, const ModelKinds& kinds) {
    // By the extension as a path has it, so that a hidden file named ".3ds" is none.
    const model3ds::TFileKind kind = model3ds::FileKindByName(fs::path(name).extension().string());
    return std::find(kinds.fileKinds.begin(), kinds.fileKinds.end(), kind) != kinds.fileKinds.end();
}

std::vector<BatchJob> PlanBatch(const std::vector<std::string>& inputs, const std::optional<std::string>& folder,
                                const ModelKinds& kinds, std::vector<BatchFailure>& failures) {
    Planner planner(folder, kinds, failures);
    for (const std::string& input : inputs) {
        const std::optional<std::string> remote = kinds.remoteName ? kinds.remoteName(input) : std::nullopt;
        std::error_code error;
        if (remote) {
            // An address is no place to write to: its file name, in the current folder.
            planner.Add(input, *remote, *remote);
        } else if (fs::is_directory(input, error)) {
            planner.AddFolder(input);
        } else {
            planner.Add(input, fs::path(input).filename(), input);
        }
    }
    return planner.Jobs();
}

}  // namespace batch
