#pragma once
// The images of a model's textures for its glTF: found in the model's folder as
// korvane-render finds them, PNG and JPEG taken as they are, every other form
// stb_image reads (BMP, TGA, GIF, ...) turned into PNG.
#include <string>

#include "gltfexport/GltfWriter.h"

namespace convert {

// The source for a model file; each warning names the texture and the model.
// The source keeps the folder's listing: it lives as long as the copies of it.
gltfexport::TTextureSource GltfTextureSource(const std::string& modelFile);

}  // namespace convert
