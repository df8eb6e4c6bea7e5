#pragma once
// The images of a model's textures, found as TextureSearch.h says, the first
// file that decodes taken, for one drawing: each file decoded once, however many names refer to it, and no
// more than a bound in all, checked against each image's size in its header
// before it is decoded. Past the bound a message naming the model goes to
// stderr and the textures still to come are left out. Only an image that
// passes the checks of ImageLayout.h is decoded: a PNG, JPEG, BMP or TGA file,
// known by its first bytes, whole. A file of any other format, or one cut
// short, is unreadable, whatever its name.
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "viewer/ImageLayout.h"
#include "viewer/TextureSearch.h"

namespace viewer {

class TextureImages {
public:
    // Decoded images of 256 MB in all: textures of the era are far smaller.
    static constexpr std::size_t DefaultMaxBytes = kMaxImageBytes;

    // folder is the model's, model names the model file in messages. Names
    // found in embedded (the images a glTF file holds) are decoded from its
    // bytes, within the same bound, instead of being looked for in the
    // folders. extraFolders are looked in first.
    TextureImages(const std::string& folder, const std::string& model, std::size_t maxBytes = DefaultMaxBytes,
                  const std::map<std::string, std::vector<std::uint8_t>>* embedded = nullptr,
                  const std::vector<std::string>& extraFolders = {});

    // The image a texture name refers to, 8-bit RGBA, first row at the top;
    // null when there is none, it cannot be read, or the bound is passed.
    const QImage* Find(const std::string& name);

private:
    // The image of the first candidate that decodes, or null.
    const QImage* FromFiles(const std::string& name);
    // The image of a file found, decoded unless it would pass the bound.
    QImage Decode(const TTextureCandidate& candidate);
    // The image of the bytes, decoded unless it would pass the bound; label names them.
    QImage DecodeBytes(const std::vector<std::uint8_t>& bytes, const std::string& label);
    void ReportBound(const std::string& found);
    void Note(const std::string& name, const std::string& used) const;

    TextureSearch search_;
    const std::map<std::string, std::vector<std::uint8_t>>* embedded_;
    std::string model_;
    std::map<std::string, const QImage*> byName_;
    std::map<std::string, QImage> byFile_;  // null images for files that did not decode
    std::size_t maxBytes_;
    std::size_t usedBytes_ = 0;
    bool bounded_ = false;
};

}  // namespace viewer
