#include "gltfexport/GltfTextures.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <variant>

#include <stb_image_write.h>

#include "viewer/ImagePixels.h"
#include "viewer/TextureFiles.h"
#include "viewer/TextureSearch.h"

namespace gltfexport {

namespace {

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

// Above this many pixels an image's rows are written unfiltered: trying every
// filter on every row would take many seconds for the largest textures.
constexpr long long kFilteredPixels = 4LL << 20;

std::vector<std::uint8_t> ToPng(const viewer::TRgbaPixels& pixels) {
    // The encoder's choice of filter is a setting of the whole process.
    static std::mutex encoding;
    const std::lock_guard<std::mutex> one(encoding);
    stbi_write_force_png_filter = static_cast<long long>(pixels.Width) * pixels.Height > kFilteredPixels ? 0 : -1;
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
    if (viewer::DecodedBytes(*layout) > viewer::kMaxImageBytes) return TTextureProblem::TooLarge;
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

// The image of a file that Find gave.
std::variant<TTextureImage, TTextureProblem> Convert(viewer::TextureFiles& files, const std::string& found) {
    const std::optional<viewer::OpenFile> file = files.Open(found);
    if (!file) return TTextureProblem::CannotOpen;
    // A sparse file of gigabytes is refused by its size, before a byte is read.
    if (file->Size() > viewer::kMaxImageBytes) return TTextureProblem::TooLarge;
    TTextureImage image;
    image.Name = std::filesystem::path(found).filename().string();
    image.Bytes = file->ReadAll();
    if (const std::optional<TTextureProblem> problem = ToGltfImage(image)) return *problem;
    return image;
}

}  // namespace

TTextureSource GltfTextureSource(const std::string& modelFile, const std::vector<std::string>& textureFolders,
                                 TTextureTexts texts) {
    auto search = std::make_shared<viewer::TextureSearch>(std::filesystem::path(modelFile).parent_path().string(),
                                                          textureFolders);
    // Each file is read and converted once, however many names lead to it.
    auto converted = std::make_shared<std::map<std::string, std::variant<TTextureImage, TTextureProblem>>>();
    return [search, texts, converted](const std::string& name,
                                      TTextureLookup& lookup) -> std::optional<TTextureImage> {
        std::optional<viewer::TTextureCandidate> first;
        const auto decodes = [&](const viewer::TTextureCandidate& candidate) {
            if (!first) first = candidate;
            auto known = converted->find(candidate.Path);
            if (known == converted->end())
                known = converted->emplace(candidate.Path, Convert(*candidate.Files, candidate.Found)).first;
            return std::holds_alternative<TTextureImage>(known->second);
        };
        if (const std::optional<viewer::TTextureCandidate> taken = search->FirstTaken(name, decodes)) {
            lookup.Read = taken->Path;
            if (taken->Noted) lookup.Warning = texts.Note(name, taken->Shown);
            return std::get<TTextureImage>(converted->at(taken->Path));
        }
        if (!first) {
            lookup.Warning = texts.Warning(name, TTextureProblem::NotFound, {});
            return std::nullopt;
        }
        // None decodes: the warning is about the file the name leads to first.
        lookup.Read = first->Path;
        lookup.Warning = texts.Warning(name, std::get<TTextureProblem>(converted->at(first->Path)), first->Shown);
        return std::nullopt;
    };
}

}  // namespace gltfexport
