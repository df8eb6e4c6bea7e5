#include "TextureImages.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include <stb_image.h>

#include "base/EscapeField.h"

namespace viewer {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    QImage image;           // null when the bytes did not decode
    bool tooLarge = false;  // not decoded: past the bytes left
};

std::uint64_t RgbaBytes(std::uint64_t width, std::uint64_t height) { return width * height * 4; }

bool StartsWith(const Bytes& bytes, std::string_view magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin(),
                                                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

constexpr const char* kPng = "png";
constexpr const char* kJpeg = "jpeg";
constexpr const char* kBmp = "bmp";

// The formats read through Qt, known by their first bytes; null for any other.
// Qt's readers would also take formats by content that we do not read.
const char* QtFormat(const Bytes& bytes) {
    static constexpr struct {
        std::string_view magic;
        const char* format;
    } kFormats[] = {{"\x89PNG\r\n\x1A\n", kPng}, {"\xFF\xD8\xFF", kJpeg}, {"BM", kBmp}};
    for (const auto& known : kFormats)
        if (StartsWith(bytes, known.magic)) return known.format;
    return nullptr;
}

std::uint32_t Little16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Little32(const Bytes& bytes, std::size_t at) { return Little16(bytes, at) | Little16(bytes, at + 2) << 16; }

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

// A BMP is whole when its rows, or the run-length data whose size its header
// gives, end within the file.
bool WholeBmp(const Bytes& bytes) {
    constexpr std::size_t kCoreEnd = 26, kInfoEnd = 54;
    if (bytes.size() < kCoreEnd) return false;
    const std::uint64_t offset = Little32(bytes, 10);
    const bool core = Little32(bytes, 14) == 12;  // the oldest header: 16-bit sizes, no compression
    if (!core && bytes.size() < kInfoEnd) return false;
    const std::uint64_t width = core ? Little16(bytes, 18) : Little32(bytes, 18);
    const auto height = static_cast<std::int32_t>(core ? Little16(bytes, 20) : Little32(bytes, 22));
    const std::uint64_t depth = Little16(bytes, core ? 24 : 28);
    const std::uint32_t compression = core ? 0 : Little32(bytes, 30);
    std::uint64_t data = 0;
    if (compression == 0 || compression == 3) {
        data = (width * depth + 31) / 32 * 4 * static_cast<std::uint64_t>(std::abs(std::int64_t{height}));
    } else if (compression == 1 || compression == 2) {
        data = Little32(bytes, 34);
        if (data == 0) return false;
    } else {
        return false;
    }
    return offset + data <= bytes.size();
}

// Qt's readers know the size from the header before they decode. A PNG cut
// short is refused by Qt's reader itself.
Decoded DecodeWithQt(const Bytes& bytes, const char* format, std::uint64_t left) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return {};
    if (RgbaBytes(size.width(), size.height()) > left) return {{}, true};
    if ((format == kJpeg && !WholeJpeg(bytes)) || (format == kBmp && !WholeBmp(bytes))) return {};
    const QImage image = reader.read();
    if (image.isNull() || image.size() != size) return {};
    return {image.convertToFormat(QImage::Format_RGBA8888)};
}

// A TGA image's size, and whether its pixels are all there.
struct TgaLayout {
    QSize size;
    bool complete;
};

// The layout of a TGA image whose header is one of the forms that stb_image
// reads; none for any other bytes. No other format that stb_image knows has a
// second byte of 0 or 1, so it reads these bytes as TGA. stb_image reads past
// the end as zeros, so a file cut short would decode as a whole image: the
// data are walked here, packet by packet, without decoding them.
std::optional<TgaLayout> ReadTgaLayout(const Bytes& bytes) {
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
    if (mapType > 1 || width == 0 || height == 0) return std::nullopt;
    if (mapped ? !oneOf(imageType, {1, 9}) || !oneOf(mapDepth, {8, 15, 16, 24, 32}) || !oneOf(depth, {8, 16}) ||
                     mapLength == 0
               : !oneOf(imageType, {2, 3, 10, 11}) || !oneOf(depth, {8, 15, 16, 24, 32}))
        return std::nullopt;
    const TgaLayout incomplete{QSize(static_cast<int>(width), static_cast<int>(height)), false};
    // stb_image skips as many bytes as the first entry's index before the palette.
    std::uint64_t at = kHeader + idLength + (mapped ? mapStart + std::uint64_t{mapLength} * ((mapDepth + 7) / 8) : 0);
    const std::uint64_t pixelBytes = (depth + 7) / 8, pixels = std::uint64_t{width} * height;
    if (imageType < 8) {
        at += pixels * pixelBytes;
    } else {
        // Packets: a count byte, then one pixel repeated or that many pixels.
        for (std::uint64_t done = 0; done < pixels;) {
            if (at >= bytes.size()) return incomplete;
            const std::uint8_t packet = bytes[at];
            const std::uint64_t count = (packet & 0x7Fu) + 1u;
            at += 1 + (packet & 0x80 ? 1 : count) * pixelBytes;
            done += count;
        }
    }
    return TgaLayout{incomplete.size, at <= bytes.size()};
}

// stb_image turns every TGA form into rows of RGBA from the top; the QImage
// keeps its memory and frees it.
Decoded DecodeTga(const Bytes& bytes, std::uint64_t left) {
    const std::optional<TgaLayout> layout = ReadTgaLayout(bytes);
    if (!layout) return {};
    if (RgbaBytes(layout->size.width(), layout->size.height()) > left) return {{}, true};
    if (!layout->complete) return {};
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4);
    if (!pixels) return {};
    return {QImage(pixels, width, height, width * 4, QImage::Format_RGBA8888, stbi_image_free, pixels)};
}

}  // namespace

TextureImages::TextureImages(const std::string& folder, const std::string& model, std::size_t maxBytes,
                             const std::map<std::string, std::vector<std::uint8_t>>* embedded)
    : files_(folder), embedded_(embedded), model_(model), maxBytes_(maxBytes) {}

const QImage* TextureImages::Find(const std::string& name) {
    const auto known = byName_.find(name);
    if (known != byName_.end()) return known->second;
    const QImage* image = nullptr;
    if (embedded_ && embedded_->count(name) != 0) {
        // Kept apart from the files, whose paths never start with a newline.
        const auto decoded = byFile_.emplace("\n" + name, DecodeBytes(embedded_->at(name), name)).first;
        if (!decoded->second.isNull()) image = &decoded->second;
    } else if (const auto found = files_.Find(name)) {
        auto decoded = byFile_.find(*found);
        if (decoded == byFile_.end()) decoded = byFile_.emplace(*found, Decode(*found)).first;
        if (!decoded->second.isNull()) image = &decoded->second;
    }
    byName_.emplace(name, image);
    return image;
}

QImage TextureImages::Decode(const std::string& found) {
    if (bounded_) return {};
    const auto file = files_.Open(found);
    if (!file) return {};
    const std::uint64_t left = maxBytes_ - usedBytes_;
    if (file->Size() > left) {
        ReportBound(found);
        return {};
    }
    return DecodeBytes(file->ReadAll(), found);
}

QImage TextureImages::DecodeBytes(const Bytes& bytes, const std::string& label) {
    if (bounded_) return {};
    const std::uint64_t left = maxBytes_ - usedBytes_;
    const char* qtFormat = QtFormat(bytes);
    const Decoded decoded = qtFormat ? DecodeWithQt(bytes, qtFormat, left) : DecodeTga(bytes, left);
    if (decoded.tooLarge) {
        ReportBound(label);
        return {};
    }
    usedBytes_ += static_cast<std::size_t>(decoded.image.sizeInBytes());
    return decoded.image;
}

void TextureImages::ReportBound(const std::string& found) {
    bounded_ = true;
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString("korvane");
    std::fprintf(stderr, "%s: %s: the textures would take more than %zu MB of memory; %s and the textures after it "
                 "are drawn without their images\n",
                 qPrintable(program), base::EscapeField(model_).c_str(), maxBytes_ >> 20,
                 base::EscapeField(found).c_str());
}

}  // namespace viewer
