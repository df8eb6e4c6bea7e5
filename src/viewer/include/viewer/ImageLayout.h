#pragma once
// What a texture file holds, read from its bytes alone, before anything is
// decoded: its format by its first bytes (whatever its name), its size by its
// header, and whether the file holds all of its data. The renderer and the glTF
// writer both take an image only through these checks. No Qt.
#include <cstdint>
#include <optional>
#include <vector>

namespace viewer {

enum class TImageFormat { Png, Jpeg, Bmp, Tga, Gif };

struct TImageLayout {
    TImageFormat Format = TImageFormat::Png;
    std::uint32_t Width = 0, Height = 0;
    // All the data the header announces are there; a file cut short is not
    // decoded (some decoders would read zeros past its end).
    bool Whole = false;
    // A PNG's image data inflated, as its header gives them; a GIF's decoding
    // buffers (its frame, the frame before and the pixels' history); 0 for other formats.
    std::uint64_t DataBytes = 0;
};

// Past this a texture file is not read and its image is not decoded: 8-bit
// RGBA of 8192 x 8192 pixels. Textures of the era are far smaller.
inline constexpr std::uint64_t kMaxImageBytes = std::uint64_t{256} << 20;

// The bytes decoding the image takes at once: the image in 8-bit RGBA, or a
// PNG's inflated data or a GIF's buffers when they are more.
std::uint64_t DecodedBytes(const TImageLayout& layout);

// The layout of a PNG, JPEG, BMP, TGA or GIF image (its first frame) of at
// least one pixel, as its header gives it; none for any other bytes. A PNG is whole when its chunks,
// each with its CRC right, run to its end chunk through image data that
// inflate to just what its header announces (a file that would inflate to
// gigabytes is found out in pieces, without the memory).
std::optional<TImageLayout> ReadImageLayout(const std::vector<std::uint8_t>& bytes);

}  // namespace viewer
