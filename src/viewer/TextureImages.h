#pragma once
// The images of a model's textures, read from its folder (TextureFiles.h) for
// one drawing: each file decoded once, however many names refer to it, and no
// more than a bound in all. Past the bound a message goes to stderr and the
// textures still to come are left out. TGA files, of every common form, are
// read by stb_image; other files by Qt's image readers, and by stb_image when
// Qt knows no reader for them.
#include <QImage>

#include <cstddef>
#include <map>
#include <string>

#include "TextureFiles.h"

namespace viewer {

class TextureImages {
public:
    // Decoded images of 256 MB in all: textures of the era are far smaller.
    static constexpr std::size_t DefaultMaxBytes = std::size_t{256} << 20;

    explicit TextureImages(const std::string& folder, std::size_t maxBytes = DefaultMaxBytes);

    // The image a texture name refers to, 8-bit RGBA, first row at the top;
    // null when there is none, it cannot be read, or the bound is passed.
    const QImage* Find(const std::string& name);

private:
    // The image of a file found, decoded unless it would pass the bound.
    QImage Decode(const std::string& found);
    void ReportBound(const std::string& found);

    TextureFiles files_;
    std::map<std::string, const QImage*> byName_;
    std::map<std::string, QImage> byFile_;  // null images for files that did not decode
    std::size_t maxBytes_;
    std::size_t usedBytes_ = 0;
    bool bounded_ = false;
};

}  // namespace viewer
