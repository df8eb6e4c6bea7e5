#include "TextureImages.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <cstdint>
#include <cstdio>
#include <vector>

#include <stb_image.h>

namespace viewer {

namespace {

struct Decoded {
    QImage image;           // null when the bytes did not decode
    bool tooLarge = false;  // not decoded: past the bytes left
};

std::uint64_t RgbaBytes(std::uint64_t width, std::uint64_t height) { return width * height * 4; }

bool IsTgaName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension == ".tga";
}

// Qt's readers know the size from the header before they decode; a null image
// when none of them reads the bytes.
Decoded DecodeWithQt(const std::vector<std::uint8_t>& bytes, std::uint64_t left) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead()) return {};
    const QSize size = reader.size();
    if (size.isValid() && RgbaBytes(size.width(), size.height()) > left) return {{}, true};
    const QImage image = reader.read();
    if (image.isNull()) return {};
    if (RgbaBytes(image.width(), image.height()) > left) return {{}, true};
    return {image.convertToFormat(QImage::Format_RGBA8888)};
}

// stb_image turns every form into rows of RGBA from the top; the QImage keeps
// its memory and frees it.
Decoded DecodeWithStb(const std::vector<std::uint8_t>& bytes, std::uint64_t left) {
    const auto* data = bytes.data();
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return {};
    if (RgbaBytes(width, height) > left) return {{}, true};
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (!pixels) return {};
    return {QImage(pixels, width, height, width * 4, QImage::Format_RGBA8888, stbi_image_free, pixels)};
}

}  // namespace

TextureImages::TextureImages(const std::string& folder, std::size_t maxBytes)
    : files_(folder), maxBytes_(maxBytes) {}

const QImage* TextureImages::Find(const std::string& name) {
    const auto known = byName_.find(name);
    if (known != byName_.end()) return known->second;
    const QImage* image = nullptr;
    if (const auto found = files_.Find(name)) {
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
    const std::vector<std::uint8_t> bytes = file->ReadAll();
    Decoded decoded;
    if (!IsTgaName(found)) decoded = DecodeWithQt(bytes, left);
    if (decoded.image.isNull() && !decoded.tooLarge) decoded = DecodeWithStb(bytes, left);
    if (decoded.tooLarge) {
        ReportBound(found);
        return {};
    }
    usedBytes_ += static_cast<std::size_t>(decoded.image.sizeInBytes());
    return decoded.image;
}

void TextureImages::ReportBound(const std::string& found) {
    bounded_ = true;
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString("korvane");
    std::fprintf(stderr, "%s: the textures would take more than %zu MB of memory; %s and the textures after it are "
                 "drawn without their images\n",
                 qPrintable(program), maxBytes_ >> 20, found.c_str());
}

}  // namespace viewer
