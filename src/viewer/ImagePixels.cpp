#include "viewer/ImagePixels.h"

#include <stb_image.h>

namespace viewer {

std::optional<TRgbaPixels> DecodeRgba(const std::vector<std::uint8_t>& bytes, const TImageLayout& layout) {
    if (!layout.Whole || DecodedBytes(layout) > kMaxImageBytes || bytes.size() > 0x7FFFFFFF) return std::nullopt;
    int width = 0, height = 0, channels = 0;
    TRgbaPixels pixels;
    pixels.Pixels = {stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4),
                     stbi_image_free};
    if (!pixels.Pixels || static_cast<std::uint32_t>(width) != layout.Width ||
        static_cast<std::uint32_t>(height) != layout.Height)
        return std::nullopt;
    pixels.Width = width;
    pixels.Height = height;
    return pixels;
}

}  // namespace viewer
