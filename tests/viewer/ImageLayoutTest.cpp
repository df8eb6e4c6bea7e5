// The checks every texture image passes before it is decoded, by the renderer
// and by the glTF writer alike: format by content, size by header, whole files.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "viewer/ImageLayout.h"
#include "viewer/ImagePixels.h"

using viewer::TImageFormat;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
}

// A 5 x 3 picture of varied colours.
std::vector<std::uint8_t> Rgba() {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 15; ++i) rgba.insert(rgba.end(), {std::uint8_t(i * 17), std::uint8_t(255 - i * 9), std::uint8_t(i * 5), 255});
    return rgba;
}

Bytes Written(int (*write)(stbi_write_func*, void*, int, int, int, const void*)) {
    Bytes bytes;
    write(Append, &bytes, 5, 3, 4, Rgba().data());
    return bytes;
}

Bytes Png() {
    Bytes bytes;
    stbi_write_png_to_func(Append, &bytes, 5, 3, 4, Rgba().data(), 5 * 4);
    return bytes;
}

Bytes Jpeg() {
    Bytes bytes;
    stbi_write_jpg_to_func(Append, &bytes, 5, 3, 4, Rgba().data(), 90);
    return bytes;
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

void Put32Big(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// A PNG of the given chunks, each with its right CRC.
Bytes PngOf(const std::vector<std::pair<std::string, Bytes>>& chunks) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& [type, data] : chunks) {
        const std::size_t at = png.size();
        png.resize(at + 4);
        Put32Big(png, at, static_cast<std::uint32_t>(data.size()));
        png.insert(png.end(), type.begin(), type.end());
        png.insert(png.end(), data.begin(), data.end());
        const uLong crc = crc32(0, &png[at + 4], static_cast<uInt>(data.size() + 4));
        png.resize(png.size() + 4);
        Put32Big(png, png.size() - 4, static_cast<std::uint32_t>(crc));
    }
    return png;
}

Bytes Header8000(std::uint8_t colourType = 6) {
    Bytes header(13, 0);
    Put32Big(header, 0, 8000);
    Put32Big(header, 4, 8000);
    header[8] = 8;
    header[9] = colourType;
    return header;
}

// The PNG with one byte of its image data changed, the CRC left as it was.
Bytes WrongCrc(Bytes png) {
    for (std::size_t i = 8; i + 8 < png.size(); ++i) {
        if (std::string(png.begin() + static_cast<long>(i), png.begin() + static_cast<long>(i) + 4) == "IDAT") {
            png[i + 5] ^= 0x55;
            break;
        }
    }
    return png;
}

// A GIF of width x height pixels of a four-colour table, its data coded so that
// every code stays three bits wide: a clear code before each pair of pixels.
Bytes Gif(std::uint16_t width, std::uint16_t height) {
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height),
                 std::uint8_t(height >> 8), 0x81, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 40, 40, 40};
    gif.insert(gif.end(), {0x21, 0xF9, 4, 0, 0, 0, 0, 0});  // an extension before the image
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height),
                           std::uint8_t(height >> 8), 0, 2});
    Bytes data;
    std::uint32_t bits = 0, count = 0;
    const auto code = [&](std::uint32_t value) {
        bits |= value << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8) data.push_back(static_cast<std::uint8_t>(bits));
    };
    for (std::uint32_t i = 0; i < std::uint32_t{width} * height; ++i) {
        if (i % 2 == 0) code(4);
        code(i % 4);
    }
    code(5);
    if (count > 0) data.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        gif.push_back(static_cast<std::uint8_t>(length));
        gif.insert(gif.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + length));
    }
    gif.insert(gif.end(), {0, ';'});
    return gif;
}

}  // namespace

TEST(ImageLayout, OnlyWholeImagesOfKnownFormatsHaveALayout) {
    const Bytes png = Png(), jpeg = Jpeg(), bmp = Written(stbi_write_bmp_to_func), tga = Written(stbi_write_tga_to_func);
    Bytes tga8000(18, 0);  // an uncompressed 24-bit header, no pixels
    tga8000[2] = 2;
    tga8000[12] = 0x40, tga8000[13] = 0x1F, tga8000[14] = 0x40, tga8000[15] = 0x1F, tga8000[16] = 24;
    Bytes bmp8000(54, 0);
    bmp8000[0] = 'B', bmp8000[1] = 'M', bmp8000[10] = 54, bmp8000[14] = 40;
    bmp8000[18] = 0x40, bmp8000[19] = 0x1F, bmp8000[22] = 0x40, bmp8000[23] = 0x1F, bmp8000[26] = 1, bmp8000[28] = 24;
    // Valid zlib streams of rows of zeros.
    const auto packed = [](std::size_t bytes) {
        Bytes rows(bytes, 0);
        Bytes packed(compressBound(rows.size()));
        uLongf size = packed.size();
        compress(packed.data(), &size, rows.data(), rows.size());
        packed.resize(size);
        return packed;
    };
    const Bytes packedRows = packed(64);
    Bytes header5x3(13, 0);
    Put32Big(header5x3, 0, 5);
    Put32Big(header5x3, 4, 3);
    header5x3[8] = 8, header5x3[9] = 6;
    Bytes header8000Deep = Header8000();
    header8000Deep[8] = 16;
    const struct {
        const char* what;
        Bytes bytes;
        std::optional<TImageFormat> format;  // none: not an image
        bool whole;                          // its size then the header's
    } cases[] = {
        {"whole PNG", png, TImageFormat::Png, true},
        {"whole JPEG", jpeg, TImageFormat::Jpeg, true},
        {"whole BMP", bmp, TImageFormat::Bmp, true},
        {"whole TGA", tga, TImageFormat::Tga, true},
        {"PNG cut before its end chunk", Cut(png, png.size() - 12), TImageFormat::Png, false},
        {"PNG signature and header of 8000 x 8000 only", PngOf({{"IHDR", Header8000()}}), TImageFormat::Png, false},
        {"PNG header of 8000 x 8000 and end, no image data", PngOf({{"IHDR", Header8000()}, {"IEND", {}}}),
         TImageFormat::Png, false},
        {"PNG whose image data fail their CRC", WrongCrc(png), TImageFormat::Png, false},
        {"PNG of 5 x 3 whose data inflate to 16 MB", PngOf({{"IHDR", header5x3}, {"IDAT", packed(16 << 20)}, {"IEND", {}}}),
         TImageFormat::Png, false},
        {"PNG of 5 x 3 whose data inflate to a row too few", PngOf({{"IHDR", header5x3}, {"IDAT", packed(2 * 21)}, {"IEND", {}}}),
         TImageFormat::Png, false},
        {"PNG of 8000 x 8000 whose data inflate to a few rows", PngOf({{"IHDR", Header8000()}, {"IDAT", packedRows}, {"IEND", {}}}),
         TImageFormat::Png, false},
        {"PNG of 8000 x 8000 at 16 bits a sample", PngOf({{"IHDR", header8000Deep}, {"IDAT", packedRows}, {"IEND", {}}}),
         TImageFormat::Png, false},
        {"PNG of no pixels", PngOf({{"IHDR", Bytes(13, 0)}, {"IDAT", packedRows}, {"IEND", {}}}), std::nullopt, false},
        {"JPEG cut in its scan", Cut(jpeg, jpeg.size() - 10), TImageFormat::Jpeg, false},
        {"BMP cut in its rows", Cut(bmp, bmp.size() - 1), TImageFormat::Bmp, false},
        {"BMP header of 8000 x 8000 and no rows", bmp8000, TImageFormat::Bmp, false},
        {"TGA header of 8000 x 8000 and no pixels", tga8000, TImageFormat::Tga, false},
        {"TGA cut in its last pixel", Cut(tga, tga.size() - 1), TImageFormat::Tga, false},
        {"whole GIF", Gif(5, 3), TImageFormat::Gif, true},
        {"GIF cut in its image data", Cut(Gif(5, 3), Gif(5, 3).size() - 4), TImageFormat::Gif, false},
        {"GIF screen of 8000 x 8000 and no image", Cut(Gif(8000, 8000), 33), TImageFormat::Gif, false},
        {"GIF of no pixels", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, ';'}, std::nullopt, false},
        {"nothing", {}, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<viewer::TImageLayout> layout = viewer::ReadImageLayout(c.bytes);
        ASSERT_EQ(layout.has_value(), c.format.has_value());
        if (!layout) continue;
        EXPECT_EQ(layout->Format, *c.format);
        EXPECT_EQ(layout->Whole, c.whole);
        const bool forged = std::string(c.what).find("8000") != std::string::npos;
        EXPECT_EQ(layout->Width, forged ? 8000u : 5u);
        EXPECT_EQ(layout->Height, forged ? 8000u : 3u);
        const std::optional<viewer::TRgbaPixels> pixels = viewer::DecodeRgba(c.bytes, *layout);
        ASSERT_EQ(pixels.has_value(), c.whole);
        if (!pixels) continue;
        EXPECT_EQ(pixels->Width, 5);
        EXPECT_EQ(pixels->Height, 3);
    }
}

// Whole and of a known format, but with data that do not decode: no pixels, and
// nothing printed.
TEST(ImageLayout, DataThatDoNotDecodeGiveNoPixels) {
    const Bytes notZlib(40, 0xAB);
    Bytes header(13, 0);
    Put32Big(header, 0, 5);
    Put32Big(header, 4, 3);
    header[8] = 8, header[9] = 6;
    const Bytes png = PngOf({{"IHDR", header}, {"IDAT", notZlib}, {"IEND", {}}});
    const std::optional<viewer::TImageLayout> layout = viewer::ReadImageLayout(png);
    ASSERT_TRUE(layout.has_value());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(viewer::DecodeRgba(png, *layout).has_value());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
