#include "viewer/ImageLayout.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <utility>

namespace viewer {

namespace {

using Bytes = std::vector<std::uint8_t>;

bool StartsWith(const Bytes& bytes, std::string_view magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin(),
                                                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

std::uint32_t Little16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Little32(const Bytes& bytes, std::size_t at) { return Little16(bytes, at) | Little16(bytes, at + 2) << 16; }

std::uint32_t Big16(const Bytes& bytes, std::size_t at) { return static_cast<std::uint32_t>(bytes[at] << 8 | bytes[at + 1]); }

std::uint32_t Big32(const Bytes& bytes, std::size_t at) { return Big16(bytes, at) << 16 | Big16(bytes, at + 2); }

std::optional<TImageLayout> Sized(TImageFormat format, std::uint64_t width, std::uint64_t height, bool whole) {
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return std::nullopt;
    return TImageLayout{format, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), whole};
}

// The bytes a PNG's image data inflate to: each row of each pass with its
// filter byte; none for a bit depth and colour type that do not go together.
std::optional<std::uint64_t> PngDataBytes(std::uint64_t width, std::uint64_t height, std::uint8_t depth,
                                          std::uint8_t colourType, bool interlaced) {
    static constexpr struct {
        std::uint8_t type, samples;
        std::initializer_list<std::uint8_t> depths;
    } kColourTypes[] = {{0, 1, {1, 2, 4, 8, 16}}, {2, 3, {8, 16}}, {3, 1, {1, 2, 4, 8}}, {4, 2, {8, 16}}, {6, 4, {8, 16}}};
    const auto known = std::find_if(std::begin(kColourTypes), std::end(kColourTypes),
                                    [&](const auto& c) { return c.type == colourType; });
    if (known == std::end(kColourTypes) ||
        std::find(known->depths.begin(), known->depths.end(), depth) == known->depths.end())
        return std::nullopt;
    const std::uint64_t bitsPerPixel = std::uint64_t{depth} * known->samples;
    const auto pass = [&](std::uint64_t x0, std::uint64_t y0, std::uint64_t dx, std::uint64_t dy) -> std::uint64_t {
        const std::uint64_t columns = width > x0 ? (width - x0 + dx - 1) / dx : 0;
        const std::uint64_t rows = height > y0 ? (height - y0 + dy - 1) / dy : 0;
        return columns == 0 ? 0 : rows * (1 + (columns * bitsPerPixel + 7) / 8);
    };
    if (!interlaced) return pass(0, 0, 1, 1);
    return pass(0, 0, 8, 8) + pass(4, 0, 8, 8) + pass(0, 4, 4, 8) + pass(2, 0, 4, 4) + pass(0, 2, 2, 4) +
           pass(1, 0, 2, 2) + pass(0, 1, 1, 2);
}

// Whether the image data, inflated a piece at a time, come to just expected
// bytes: no more is inflated than that, however much the data would give.
bool InflatesTo(const Bytes& bytes, const std::vector<std::pair<std::size_t, std::size_t>>& chunks,
                std::uint64_t expected) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    std::vector<std::uint8_t> piece(64 * 1024);
    std::uint64_t inflated = 0;
    int status = Z_OK;
    for (std::size_t c = 0; c < chunks.size() && status == Z_OK; ++c) {
        stream.next_in = const_cast<Bytef*>(&bytes[chunks[c].first]);
        stream.avail_in = static_cast<uInt>(chunks[c].second);
        while (status == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0) && inflated <= expected) {
            stream.next_out = piece.data();
            stream.avail_out = static_cast<uInt>(piece.size());
            status = inflate(&stream, Z_NO_FLUSH);
            inflated += piece.size() - stream.avail_out;
        }
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && inflated == expected;
}

// Whole when the chunks from the header to the end chunk are each within the
// file, with their CRC right, and hold image data that inflate to what the
// header announces: a decoder meets no surprise, and a CRC failure is not left
// to a decoder that would print it. Data of more than the bound are not inflated.
std::optional<TImageLayout> PngLayout(const Bytes& bytes) {
    constexpr std::size_t kSignature = 8, kHeaderEnd = kSignature + 8 + 13;
    if (bytes.size() < kHeaderEnd || Big32(bytes, kSignature) != 13 ||
        std::string_view(reinterpret_cast<const char*>(&bytes[kSignature + 4]), 4) != "IHDR")
        return std::nullopt;
    std::vector<std::pair<std::size_t, std::size_t>> data;
    bool ended = false;
    for (std::size_t at = kSignature; at + 12 <= bytes.size();) {
        const std::uint64_t length = Big32(bytes, at);
        if (length > 0x7FFFFFFF || at + 12 + length > bytes.size()) break;
        const std::string_view type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
        const uLong crc = crc32(crc32(0, nullptr, 0), &bytes[at + 4], static_cast<uInt>(length + 4));
        if (crc != Big32(bytes, at + 8 + length)) break;
        if (type == "IDAT") data.emplace_back(at + 8, static_cast<std::size_t>(length));
        if (type == "IEND") {
            ended = true;
            break;
        }
        at += 12 + length;
    }
    const std::uint32_t width = Big32(bytes, kSignature + 8), height = Big32(bytes, kSignature + 12);
    std::optional<TImageLayout> layout = Sized(TImageFormat::Png, width, height, false);
    const std::optional<std::uint64_t> dataBytes =
        PngDataBytes(width, height, bytes[kSignature + 16], bytes[kSignature + 17], bytes[kSignature + 20] == 1);
    if (!layout || !dataBytes) return layout;
    layout->DataBytes = *dataBytes;
    layout->Whole = ended && !data.empty() && DecodedBytes(*layout) <= kMaxImageBytes && InflatesTo(bytes, data, *dataBytes);
    return layout;
}

// A JPEG is whole when an end-of-image marker follows its last scan: inside a
// scan's data a byte 0xFF is followed by 0 or a restart marker, so the markers
// found are markers.
bool WholeJpeg(const Bytes& bytes) {
    const auto last = [&bytes](std::uint8_t marker) {
        const std::uint8_t pair[] = {0xFF, marker};
        const auto at = std::find_end(bytes.begin(), bytes.end(), std::begin(pair), std::end(pair));
        return at == bytes.end() ? -1 : at - bytes.begin();
    };
    const auto scan = last(0xDA);
    return scan >= 0 && last(0xD9) > scan;
}

// The size in the first frame header, found by walking the segments before the
// first scan.
std::optional<TImageLayout> JpegLayout(const Bytes& bytes) {
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a segment
            at += 2;
            continue;
        }
        const std::size_t length = Big16(bytes, at + 2);
        if (length < 2 || at + 2 + length > bytes.size() || marker == 0xDA || marker == 0xD9) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 8) return std::nullopt;
            return Sized(TImageFormat::Jpeg, Big16(bytes, at + 7), Big16(bytes, at + 5), WholeJpeg(bytes));
        }
        at += 2 + length;
    }
    return std::nullopt;
}

// A BMP is whole when its rows, or the run-length data whose size its header
// gives, end within the file.
std::optional<TImageLayout> BmpLayout(const Bytes& bytes) {
    constexpr std::size_t kCoreEnd = 26, kInfoEnd = 54;
    if (bytes.size() < kCoreEnd) return std::nullopt;
    const std::uint64_t offset = Little32(bytes, 10);
    const bool core = Little32(bytes, 14) == 12;  // the oldest header: 16-bit sizes, no compression
    if (!core && bytes.size() < kInfoEnd) return std::nullopt;
    const std::uint64_t width = core ? Little16(bytes, 18) : Little32(bytes, 18);
    const auto height = static_cast<std::int32_t>(core ? Little16(bytes, 20) : Little32(bytes, 22));
    const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(std::int64_t{height}));
    const std::uint64_t depth = Little16(bytes, core ? 24 : 28);
    const std::uint32_t compression = core ? 0 : Little32(bytes, 30);
    std::uint64_t data = 0;
    if (compression == 0 || compression == 3) {
        data = (width * depth + 31) / 32 * 4 * rows;
    } else if (compression == 1 || compression == 2) {
        data = Little32(bytes, 34);
        if (data == 0) return Sized(TImageFormat::Bmp, width, rows, false);
    } else {
        return std::nullopt;
    }
    return Sized(TImageFormat::Bmp, width, rows, offset + data <= bytes.size());
}

// The layout of a TGA image whose header is one of the forms that stb_image
// reads; none for any other bytes. No other format that stb_image knows has a
// second byte of 0 or 1, so it reads these bytes as TGA. stb_image reads past
// the end as zeros, so a file cut short would decode as a whole image: the
// data are walked here, packet by packet, without decoding them.
std::optional<TImageLayout> TgaLayout(const Bytes& bytes) {
    constexpr std::size_t kHeader = 18;
    if (bytes.size() < kHeader) return std::nullopt;
    const std::uint8_t idLength = bytes[0], mapType = bytes[1], imageType = bytes[2];
    const std::uint32_t mapStart = Little16(bytes, 3), mapLength = Little16(bytes, 5);
    const std::uint8_t mapDepth = bytes[7];
    const std::uint32_t width = Little16(bytes, 12), height = Little16(bytes, 14);
    const std::uint8_t depth = bytes[16];
    const auto oneOf = [](std::uint8_t value, std::initializer_list<std::uint8_t> allowed) {
        return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
    };
    const bool mapped = mapType == 1;
    if (mapType > 1) return std::nullopt;
    if (mapped ? !oneOf(imageType, {1, 9}) || !oneOf(mapDepth, {8, 15, 16, 24, 32}) || !oneOf(depth, {8, 16}) ||
                     mapLength == 0
               : !oneOf(imageType, {2, 3, 10, 11}) || !oneOf(depth, {8, 15, 16, 24, 32}))
        return std::nullopt;
    // stb_image skips as many bytes as the first entry's index before the palette.
    std::uint64_t at = kHeader + idLength + (mapped ? mapStart + std::uint64_t{mapLength} * ((mapDepth + 7) / 8) : 0);
    const std::uint64_t pixelBytes = (depth + 7) / 8, pixels = std::uint64_t{width} * height;
    if (imageType < 8) {
        at += pixels * pixelBytes;
    } else {
        // Packets: a count byte, then one pixel repeated or that many pixels.
        for (std::uint64_t done = 0; done < pixels;) {
            if (at >= bytes.size()) return Sized(TImageFormat::Tga, width, height, false);
            const std::uint8_t packet = bytes[at];
            const std::uint64_t count = (packet & 0x7Fu) + 1u;
            at += 1 + (packet & 0x80 ? 1 : count) * pixelBytes;
            done += count;
        }
    }
    return Sized(TImageFormat::Tga, width, height, at <= bytes.size());
}

// The bytes of a GIF's sub-blocks from at, through their empty last block;
// none when the file ends first.
std::optional<std::size_t> SkipSubBlocks(const Bytes& bytes, std::size_t at) {
    while (at < bytes.size()) {
        const std::uint8_t length = bytes[at];
        at += 1 + std::size_t{length};
        if (length == 0) return at;
    }
    return std::nullopt;
}

// A GIF is whole when the data of its first image, past any extensions before
// it, end within the file; that image is all that is decoded.
std::optional<TImageLayout> GifLayout(const Bytes& bytes) {
    constexpr std::size_t kScreenEnd = 13, kDescriptor = 10;
    if (bytes.size() < kScreenEnd) return std::nullopt;
    const std::uint32_t width = Little16(bytes, 6), height = Little16(bytes, 8);
    const auto table = [](std::uint8_t flags) { return flags & 0x80 ? std::size_t{3} << ((flags & 7) + 1) : 0; };
    std::optional<std::size_t> at = kScreenEnd + table(bytes[10]);
    bool whole = false;
    while (at && *at < bytes.size()) {
        const std::uint8_t block = bytes[*at];
        if (block == 0x21 && *at + 2 <= bytes.size()) {
            at = SkipSubBlocks(bytes, *at + 2);
        } else if (block == 0x2C && *at + kDescriptor <= bytes.size()) {
            // The descriptor, its own colour table, the code size, then the data.
            whole = SkipSubBlocks(bytes, *at + kDescriptor + table(bytes[*at + 9]) + 1).has_value();
            break;
        } else {
            break;
        }
    }
    std::optional<TImageLayout> layout = Sized(TImageFormat::Gif, width, height, whole);
    if (layout) layout->DataBytes = std::uint64_t{width} * height * 9;
    return layout;
}

}  // namespace

std::uint64_t DecodedBytes(const TImageLayout& layout) {
    return std::max(std::uint64_t{layout.Width} * layout.Height * 4, layout.DataBytes);
}

std::optional<TImageLayout> ReadImageLayout(const Bytes& bytes) {
    if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) return PngLayout(bytes);
    if (StartsWith(bytes, "\xFF\xD8\xFF")) return JpegLayout(bytes);
    if (StartsWith(bytes, "BM")) return BmpLayout(bytes);
    if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return GifLayout(bytes);
    return TgaLayout(bytes);
}

}  // namespace viewer
