#pragma once
// Reads glTF 2.0 (a .glb file, or a .gltf file with the files it names beside
// it) into the records of the .x loader (XFile.h), so that the mesh builder
// places, poses and draws it as it does .x data. glTF's right-handed axes
// become the scene's left-handed ones by negating z, which keeps glTF's
// counter-clockwise front faces facing the viewer. The images of the materials'
// textures are kept as their encoded bytes, for the renderer to decode.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "viewer/XFile.h"

namespace viewer {

// A glTF file that cannot be drawn; the message says why.
class GltfFormatError : public base::Exception {
public:
    using base::Exception::Exception;
};

// The largest glTF file read: a .glb holds its buffers, and a model larger
// than this is past what a converter of 3D Studio models is asked to draw.
inline constexpr std::size_t MaxGltfFileBytes = std::size_t{1} << 30;

// A texture's image by the name a material's textureFileName gives it.
using EmbeddedImages = std::map<std::string, std::vector<std::uint8_t>>;

struct GltfModel {
    XModel model;  // posed at time 0
    EmbeddedImages images;
};

// Parses a glTF file of the scene's default scene (else its first; else every
// node without a parent). Files it names (buffers, images) are read only from
// folder and the folders below it, through TextureFiles, and not at all when
// folder is empty. Each node's translation, rotation and scale channels of the
// first animation, sampled linearly, move it. Raises GltfFormatError for data
// that does not hold, is out of range, or asks for more than bounded memory.
GltfModel ParseGltf(const std::uint8_t* data, std::size_t size, const std::string& folder);

// The bytes of the glTF file at path; GltfFormatError for a file past
// MaxGltfFileBytes, refused by its size before a byte is read. Stream errors propagate.
std::vector<std::uint8_t> ReadGltfFile(const std::string& path);

}  // namespace viewer
