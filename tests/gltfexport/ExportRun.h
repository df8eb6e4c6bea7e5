#pragma once
// What the glTF export tests share: korvane-convert, the Khronos validator,
// and texture images to find.
#include <cstdint>
#include <string>
#include <vector>

#include "support/RunProcess.h"

namespace gltftest {

// korvane-convert with these words.
testsupport::ProcessResult Convert(std::vector<std::string> words);

// Why the validator cannot run here; empty when it can.
std::string ValidatorMissing();

// The validator's run over the files: no output and exit code 0 when it finds
// no error or warning in any of them.
testsupport::ProcessResult Validate(const std::vector<std::string>& files);

// A PNG of width x height pixels of four bytes each.
std::vector<std::uint8_t> Png(int width, int height, const std::vector<std::uint8_t>& rgba);

}  // namespace gltftest
