#pragma once
// The jobs of a batch run: several inputs, or folders of models, each with the
// output it is written to.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model3ds/FileKind.h"

namespace batch {

// One output, and the inputs that would all give it, tried in turn until one
// succeeds (a.3ds beside a.3da); usually just input.
struct BatchJob {
    std::string input;
    std::string output;
    std::vector<std::string> alternatives;
};

struct BatchFailure {
    std::string input;
    std::string reason;
};

// What a tool reads and writes.
struct ModelKinds {
    std::vector<model3ds::TFileKind> fileKinds;  // known by their names' extensions, in any letter case
    std::string outputExtension;          // with the dot
    std::string noModelsReason;           // for a folder without any
    // For an input that is no local path (an address): the file name of its
    // result; none for a local path. May be left empty.
    std::function<std::optional<std::string>(const std::string& input)> remoteName;
};

// Whether name ends in the extension of one of the kinds, in any letter case.
bool IsModelFileName(const std::string& name, const ModelKinds& kinds);

// The jobs for the inputs: a folder gives every model file below it (sorted by
// path), a file itself; one file named twice (by any path) counts once. With a
// folder, each result goes there, at the path of its input relative to the
// folder it was found in (a file given by itself: its file name); without one,
// beside its input. A folder or subfolder that cannot be listed, a folder
// without models, and a job whose output is one of the inputs become failures.
std::vector<BatchJob> PlanBatch(const std::vector<std::string>& inputs, const std::optional<std::string>& folder,
                                const ModelKinds& kinds, std::vector<BatchFailure>& failures);

}  // namespace batch
