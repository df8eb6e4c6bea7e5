#include "TextureImages.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "base/EscapeField.h"
#include "viewer/ImagePixels.h"

namespace viewer {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    QImage image;           // null when the bytes did not decode
    bool tooLarge = false;  // not decoded: past the bytes left
};

// Qt's JPEG and BMP readers know forms that stb_image does not (arithmetic
// coding, run-length BMP); they report through Qt's messages, which the tools
// keep quiet. PNG and TGA go to stb_image: the PNG library that Qt uses prints
// its errors itself.
QImage DecodeWithQt(const Bytes& bytes, const char* format) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read().convertToFormat(QImage::Format_RGBA8888);
}

// The QImage keeps stb_image's memory and frees it.
QImage DecodeWithStb(const Bytes& bytes, const TImageLayout& layout) {
    std::optional<TRgbaPixels> pixels = DecodeRgba(bytes, layout);
    if (!pixels) return {};
    const auto release = pixels->Pixels.get_deleter();
    std::uint8_t* rows = pixels->Pixels.release();
    return QImage(rows, pixels->Width, pixels->Height, pixels->Width * 4, QImage::Format_RGBA8888, release, rows);
}

// The image is decoded only once its header shows it fits in the bytes left,
// and its file that it is whole.
Decoded DecodeChecked(const Bytes& bytes, std::uint64_t left) {
    const std::optional<TImageLayout> layout = ReadImageLayout(bytes);
    if (!layout) return {};
    if (DecodedBytes(*layout) > left) return {{}, true};
    if (!layout->Whole) return {};
    const QImage image = layout->Format == TImageFormat::Jpeg  ? DecodeWithQt(bytes, "jpeg")
                         : layout->Format == TImageFormat::Bmp ? DecodeWithQt(bytes, "bmp")
                                                               : DecodeWithStb(bytes, *layout);
    const bool sized = static_cast<std::uint32_t>(image.width()) == layout->Width &&
                       static_cast<std::uint32_t>(image.height()) == layout->Height;
    if (image.isNull() || !sized) return {};
    return {image};
}

QString ProgramName() {
    return QCoreApplication::instance() ? QCoreApplication::applicationName() : QString("korvane");
}

}  // namespace

TextureImages::TextureImages(const std::string& folder, const std::string& model, std::size_t maxBytes,
                             const std::map<std::string, std::vector<std::uint8_t>>* embedded,
                             const std::vector<std::string>& extraFolders)
    : search_(folder, extraFolders), embedded_(embedded), model_(model), maxBytes_(maxBytes) {}

const QImage* TextureImages::Find(const std::string& name) {
    const auto known = byName_.find(name);
    if (known != byName_.end()) return known->second;
    const QImage* image = nullptr;
    if (embedded_ && embedded_->count(name) != 0) {
        // Kept apart from the files, whose paths never start with a newline.
        const auto decoded = byFile_.emplace("\n" + name, DecodeBytes(embedded_->at(name), name)).first;
        if (!decoded->second.isNull()) image = &decoded->second;
    } else {
        image = FromFiles(name);
    }
    byName_.emplace(name, image);
    return image;
}

const QImage* TextureImages::FromFiles(const std::string& name) {
    const QImage* image = nullptr;
    const auto decodes = [&](const TTextureCandidate& candidate) {
        auto decoded = byFile_.find(candidate.Path);
        if (decoded == byFile_.end()) decoded = byFile_.emplace(candidate.Path, Decode(candidate)).first;
        if (decoded->second.isNull()) return false;
        image = &decoded->second;
        return true;
    };
    const std::optional<TTextureCandidate> taken = search_.FirstTaken(name, decodes);
    if (taken && taken->Noted) Note(name, taken->Shown);
    return image;
}

QImage TextureImages::Decode(const TTextureCandidate& candidate) {
    if (bounded_) return {};
    const auto file = candidate.Files->Open(candidate.Found);
    if (!file) return {};
    const std::uint64_t left = maxBytes_ - usedBytes_;
    if (file->Size() > left) {
        ReportBound(candidate.Shown);
        return {};
    }
    return DecodeBytes(file->ReadAll(), candidate.Shown);
}

QImage TextureImages::DecodeBytes(const Bytes& bytes, const std::string& label) {
    if (bounded_) return {};
    const std::uint64_t left = maxBytes_ - usedBytes_;
    const Decoded decoded = DecodeChecked(bytes, left);
    if (decoded.tooLarge) {
        ReportBound(label);
        return {};
    }
    usedBytes_ += static_cast<std::size_t>(decoded.image.sizeInBytes());
    return decoded.image;
}

void TextureImages::ReportBound(const std::string& found) {
    bounded_ = true;
    std::fprintf(stderr, "%s: %s: the textures would take more than %zu MB of memory; %s and the textures after it "
                 "are drawn without their images\n",
                 qPrintable(ProgramName()), base::EscapeField(model_).c_str(), maxBytes_ >> 20,
                 base::EscapeField(found).c_str());
}

// Once per process: a model drawn again and again (each pose of an animation)
// is not noted each time.
void TextureImages::Note(const std::string& name, const std::string& used) const {
    static std::mutex guard;
    static std::set<std::string> given;
    const std::lock_guard<std::mutex> one(guard);
    if (!given.insert(model_ + '\n' + name + '\n' + used).second) return;
    std::fprintf(stderr, "%s: warning: %s: texture %s: using %s\n", qPrintable(ProgramName()),
                 base::EscapeField(model_).c_str(), base::EscapeField(name).c_str(), base::EscapeField(used).c_str());
}

}  // namespace viewer
