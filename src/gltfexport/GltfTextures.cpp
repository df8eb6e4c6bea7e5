#include "gltfexport/GltfTextures.h"

#include <filesystem>
#include <memory>

#include <stb_image_write.h>

#include "viewer/ImagePixels.h"
#include "viewer/TextureFiles.h"

namespace gltfexport {

namespace {

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

std::vector<std::uint8_t> ToPng(const viewer::TRgbaPixels& pixels) {
    std::vector<std::uint8_t> png;
    if (stbi_write_png_to_func(AppendBytes, &png, pixels.Width, pixels.Height, 4, pixels.Pixels.get(),
                               pixels.Width * 4) == 0)
        return {};
    return png;
}

// The image of a texture file's bytes, checked and decoded as the renderer
// does: a PNG or JPEG goes in as it is once it decodes, any other form as PNG.
std::optional<TTextureProblem> ToGltfImage(TTextureImage& image) {
    const std::optional<viewer::TImageLayout> layout = viewer::ReadImageLayout(image.Bytes);
    if (!layout) return TTextureProblem::Unreadable;
    if (viewer::RgbaBytes(*layout) > viewer::kMaxImageBytes) return TTextureProblem::TooLarge;
    if (!layout->Whole) return TTextureProblem::Unreadable;
    const std::optional<viewer::TRgbaPixels> pixels = viewer::DecodeRgba(image.Bytes, *layout);
    if (!pixels) return TTextureProblem::Unreadable;
    if (layout->Format == viewer::TImageFormat::Png || layout->Format == viewer::TImageFormat::Jpeg) {
        image.MimeType = layout->Format == viewer::TImageFormat::Png ? "image/png" : "image/jpeg";
        return std::nullopt;
    }
    image.Bytes = ToPng(*pixels);
    image.MimeType = "image/png";
    if (image.Bytes.empty()) return TTextureProblem::Unreadable;
    return std::nullopt;
}

}  // namespace

TTextureSource GltfTextureSource(const std::string& modelFile, TTextureWarningText warningText) {
    const std::string folder = std::filesystem::path(modelFile).parent_path().string();
    auto files = std::make_shared<viewer::TextureFiles>(folder.empty() ? std::string(".") : folder);
    return [files, folder, warningText](const std::string& name, TTextureLookup& lookup) -> std::optional<TTextureImage> {
        const auto missing = [&](TTextureProblem problem) {
            lookup.Warning = warningText(name, problem);
            return std::nullopt;
        };
        const std::optional<std::string> found = files->Find(name);
        if (!found) return missing(TTextureProblem::NotInFolder);
        lookup.Read = (std::filesystem::path(folder.empty() ? "." : folder) / *found).string();
        const std::optional<viewer::OpenFile> file = files->Open(*found);
        if (!file) return missing(TTextureProblem::CannotOpen);
        // A sparse file of gigabytes is refused by its size, before a byte is read.
        if (file->Size() > viewer::kMaxImageBytes) return missing(TTextureProblem::TooLarge);
        TTextureImage image;
        image.Name = std::filesystem::path(*found).filename().string();
        image.Bytes = file->ReadAll();
        if (const std::optional<TTextureProblem> problem = ToGltfImage(image)) return missing(*problem);
        return image;
    };
}

}  // namespace gltfexport
