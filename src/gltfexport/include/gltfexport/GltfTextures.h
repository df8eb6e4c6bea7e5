#pragma once
// The images of a model's textures for its glTF: found in the model's folder as
// korvane-render finds them, checked as it checks them (viewer/ImageLayout.h),
// PNG and JPEG taken as they are, BMP and TGA turned into PNG.
#include <functional>
#include <string>

#include "gltfexport/GltfWriter.h"

namespace gltfexport {

// Why a texture's image is left out.
// TooLarge: the file, or its image decoded, past viewer::kMaxImageBytes.
enum class TTextureProblem { NotInFolder, CannotOpen, Unreadable, TooLarge };

// The warning for a texture left out, in the words of the program that writes
// the glTF: the converter's log and the window's language differ.
using TTextureWarningText = std::function<std::string(const std::string& textureName, TTextureProblem problem)>;

// The source for a model file. The source keeps the folder's listing: it lives
// as long as the copies of it.
TTextureSource GltfTextureSource(const std::string& modelFile, TTextureWarningText warningText);

}  // namespace gltfexport
