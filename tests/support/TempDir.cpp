#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path SharedModels() {
    std::filesystem::path path = KORVANE_SHARED_MODELS_DIR;
    return std::filesystem::exists(path) ? path : std::filesystem::path();
}

}  // namespace testsupport
