#include "base/SameFile.h"

#include <sys/stat.h>

#include "base/Errors.h"
#include "base/Texts.h"

namespace base {

std::optional<FileId> IdOf(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileId{static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino)};
}

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<FileId> first = IdOf(a);
    return first && first == IdOf(b);
}

void RefuseOutputsThatAreInputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
    for (const std::string& output : outputs) {
        const std::optional<FileId> id = IdOf(output);
        if (!id) continue;
        for (const std::string& input : inputs) {
            if (IdOf(input) == id) throw Exception(kOutputIsInput, {output});
        }
    }
}

}  // namespace base
