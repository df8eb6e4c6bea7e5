#pragma once
// A texture image decoded by stb_image, which reports a failure rather than
// printing it. No Qt.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "viewer/ImageLayout.h"

namespace viewer {

// 8-bit RGBA, rows from the top.
struct TRgbaPixels {
    int Width = 0, Height = 0;
    std::unique_ptr<std::uint8_t, void (*)(void*)> Pixels{nullptr, nullptr};
};

// The pixels of bytes whose layout ReadImageLayout gave; none when the image is
// not whole, past kMaxImageBytes, or does not decode to an image of that size.
std::optional<TRgbaPixels> DecodeRgba(const std::vector<std::uint8_t>& bytes, const TImageLayout& layout);

}  // namespace viewer
