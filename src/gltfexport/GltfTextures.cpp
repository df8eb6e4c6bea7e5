#include "gltfexport/GltfTextures.h"

#include <cstring>
#include <filesystem>
#include <memory>

#include <stb_image.h>
#include <stb_image_write.h>

#include "viewer/TextureFiles.h"

namespace gltfexport {

namespace {

// Past this many pixels an image is refused rather than decoded: textures of the
// era are far smaller, and a forged header must not take memory without bound.
constexpr long long kMaxPixels = 64LL << 20;

bool StartsWith(const std::vector<std::uint8_t>& bytes, const char* magic, std::size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

int StbSize(const std::vector<std::uint8_t>& bytes) {
    return static_cast<int>(std::min<std::size_t>(bytes.size(), 0x7FFFFFFF));
}

// Whether stb_image reads the image's header, of a size within the bound.
bool Readable(const std::vector<std::uint8_t>& bytes) {
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes.data(), StbSize(bytes), &width, &height, &channels) == 0) return false;
    return width > 0 && height > 0 && static_cast<long long>(width) * height <= kMaxPixels;
}

// The image's bytes as PNG; empty when stb_image cannot read them.
std::vector<std::uint8_t> ToPng(const std::vector<std::uint8_t>& bytes) {
    if (!Readable(bytes)) return {};
    int width = 0, height = 0, channels = 0;
    const int size = StbSize(bytes);
    const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), size, &width, &height, &channels, 4), stbi_image_free);
    if (!pixels) return {};
    std::vector<std::uint8_t> png;
    if (stbi_write_png_to_func(AppendBytes, &png, width, height, 4, pixels.get(), width * 4) == 0) return {};
    return png;
}

}  // namespace

TTextureSource GltfTextureSource(const std::string& modelFile, TTextureWarningText warningText) {
    const std::string folder = std::filesystem::path(modelFile).parent_path().string();
    auto files = std::make_shared<viewer::TextureFiles>(folder.empty() ? std::string(".") : folder);
    return [files, warningText](const std::string& name, std::string& warning) -> std::optional<TTextureImage> {
        const auto missing = [&](TTextureProblem problem) {
            warning = warningText(name, problem);
            return std::nullopt;
        };
        const std::optional<std::string> found = files->Find(name);
        if (!found) return missing(TTextureProblem::NotInFolder);
        const std::optional<viewer::OpenFile> file = files->Open(*found);
        if (!file) return missing(TTextureProblem::CannotOpen);
        TTextureImage image;
        image.Name = std::filesystem::path(*found).filename().string();
        image.Bytes = file->ReadAll();
        // A PNG or JPEG goes in as it is, once its header shows it is one.
        const bool pngOrJpeg = StartsWith(image.Bytes, "\x89PNG\r\n\x1A\n", 8) || StartsWith(image.Bytes, "\xFF\xD8\xFF", 3);
        if (pngOrJpeg && !Readable(image.Bytes)) return missing(TTextureProblem::Unreadable);
        if (StartsWith(image.Bytes, "\x89PNG\r\n\x1A\n", 8)) {
            image.MimeType = "image/png";
        } else if (StartsWith(image.Bytes, "\xFF\xD8\xFF", 3)) {
            image.MimeType = "image/jpeg";
        } else {
            image.Bytes = ToPng(image.Bytes);
            if (image.Bytes.empty()) return missing(TTextureProblem::Unreadable);
            image.MimeType = "image/png";
        }
        return image;
    };
}

}  // namespace gltfexport
