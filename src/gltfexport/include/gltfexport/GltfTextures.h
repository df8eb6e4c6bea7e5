#pragma once
// The images of a model's textures for its glTF: found as korvane-render finds
// them (viewer/TextureSearch.h), the first file that decodes taken, checked as it checks them (viewer/ImageLayout.h),
// PNG and JPEG taken as they are, BMP and TGA turned into PNG.
#include <functional>
#include <string>
#include <vector>

#include "gltfexport/GltfWriter.h"

namespace gltfexport {

// Why a texture's image is left out.
// NotFound: no file at any place the search looks.
// TooLarge: the file, or its image decoded, past viewer::kMaxImageBytes.
enum class TTextureProblem { NotFound, CannotOpen, Unreadable, TooLarge };

// The warning for a texture left out, in the words of the program that writes
// the glTF: the converter's log and the window's language differ. file is the
// first file found for the name, which the problem is about, as a note shows
// it; empty for NotFound.
using TTextureWarningText =
    std::function<std::string(const std::string& textureName, TTextureProblem problem, const std::string& file)>;

// The note for a texture taken from a file its name does not give: used names
// that file, relative to the model's folder when inside it or its parent.
using TTextureNoteText = std::function<std::string(const std::string& textureName, const std::string& used)>;

struct TTextureTexts {
    TTextureWarningText Warning;
    TTextureNoteText Note;
};

// The source for a model file, looking in textureFolders first. The source
// keeps the folders' listings: it lives as long as the copies of it.
TTextureSource GltfTextureSource(const std::string& modelFile, const std::vector<std::string>& textureFolders,
                                 TTextureTexts texts);

}  // namespace gltfexport
