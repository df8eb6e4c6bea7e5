#include "ExportRun.h"

#include <filesystem>

#include <stb_image_write.h>

namespace gltftest {

testsupport::ProcessResult Convert(std::vector<std::string> words) {
    words.insert(words.begin(), KORVANE_CONVERT);
    return testsupport::RunProcess(words);
}

std::string ValidatorMissing() {
    if (std::string(KORVANE_NODE).empty()) return "node is not installed";
    if (!std::filesystem::exists(KORVANE_SOURCE_DIR "/tests/gltf/node_modules/gltf-validator"))
        return "gltf-validator is not installed (npm ci in tests/gltf)";
    return {};
}

testsupport::ProcessResult Validate(const std::vector<std::string>& files) {
    std::vector<std::string> words{KORVANE_NODE, KORVANE_SOURCE_DIR "/tests/gltf/validate.js"};
    words.insert(words.end(), files.begin(), files.end());
    return testsupport::RunProcess(words);
}

std::vector<std::uint8_t> Png(int width, int height, const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> png;
    stbi_write_png_to_func([](void* out, void* data, int size) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        static_cast<std::vector<std::uint8_t>*>(out)->insert(static_cast<std::vector<std::uint8_t>*>(out)->end(), bytes, bytes + size);
    }, &png, width, height, 4, rgba.data(), width * 4);
    return png;
}

}  // namespace gltftest
