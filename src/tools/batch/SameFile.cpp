#include "batch/SameFile.h"

#include <sys/stat.h>

namespace batch {

std::optional<FileId> IdOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileId{static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino)};
}

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<FileId> first = IdOf(a);
    return first && first == IdOf(b);
}

}  // namespace batch
