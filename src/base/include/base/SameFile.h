#pragma once
// Whether two names stand for one file: through links, "..", hard links. And the
// rule every writer of files keeps: an output never replaces an input.
#include <optional>
#include <string>
#include <vector>

namespace base {

// A file's device and inode, following symbolic links.
struct FileId {
    unsigned long long device = 0, inode = 0;
    bool operator==(const FileId&) const = default;
    auto operator<=>(const FileId&) const = default;
};

// The id of the file at path; none when it does not exist or cannot be reached.
std::optional<FileId> IdOf(const std::string& path);

// True when both exist and are one file.
bool SameFile(const std::string& a, const std::string& b);

// Raises base::Exception (kOutputIsInput, naming the output) when one of
// outputs is one of inputs, before anything is written. Empty names are none.
void RefuseOutputsThatAreInputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

}  // namespace base
