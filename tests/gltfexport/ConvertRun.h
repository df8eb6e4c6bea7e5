#pragma once
// Runs korvane-convert and the Khronos validator for the glTF tests.
#include <filesystem>
#include <string>
#include <vector>

#include "support/RunProcess.h"

namespace gltftest {

inline testsupport::ProcessResult Convert(std::vector<std::string> words) {
    words.insert(words.begin(), KORVANE_CONVERT);
    return testsupport::RunProcess(words);
}

// Why the validator cannot run here; empty when it can.
inline std::string ValidatorMissing() {
    if (std::string(KORVANE_NODE).empty()) return "node is not installed";
    if (!std::filesystem::exists(KORVANE_SOURCE_DIR "/tests/gltf/node_modules/gltf-validator"))
        return "gltf-validator is not installed (npm ci in tests/gltf)";
    return {};
}

// The validator's report on the files: nothing printed and status 0 when clean.
inline testsupport::ProcessResult Validate(const std::vector<std::string>& files) {
    std::vector<std::string> words{KORVANE_NODE, KORVANE_SOURCE_DIR "/tests/gltf/validate.js"};
    words.insert(words.end(), files.begin(), files.end());
    return testsupport::RunProcess(words);
}

}  // namespace gltftest
