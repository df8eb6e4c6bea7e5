#pragma once
// The model's scene (the keyframer's hierarchy, its meshes, materials, textures,
// cameras, lights and animation) as glTF 2.0: one .glb file, or a .gltf file
// with its .bin and images beside it. Lights are KHR_lights_punctual lights. glTF's +Y is up: a model point (x, y, z) is written as
// (x, z, -y), a rotation that keeps front faces counter-clockwise.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model3ds/File3DS.h"

namespace gltfexport {

enum class TGltfForm { Binary, Text };  // .glb, .gltf

// A texture's image as glTF holds it: PNG or JPEG bytes.
struct TTextureImage {
    std::string Name;      // the source file's name, without its folder
    std::string MimeType;  // "image/png" or "image/jpeg"
    std::vector<std::uint8_t> Bytes;
};

// What looking up a texture name leaves besides its image: the warning when
// there is none, and the file found for it (empty when none was), which no
// file written may replace.
struct TTextureLookup {
    std::string Warning;
    std::string Read;
};

// The image a material's texture name refers to; none leaves the material's colour.
using TTextureSource = std::function<std::optional<TTextureImage>(const std::string& textureName, TTextureLookup& lookup)>;

struct TGltfRequest {
    TGltfForm Form = TGltfForm::Binary;
    std::string ModelFile;  // the model's file; its name without folder and extension names the scene
    std::string Generator;  // asset.generator, e.g. "Korvane 0.1.0"
    // Materials (by name) whose Opacity was edited: it then wins over the
    // transparency stored in the file.
    std::set<std::string> EditedOpacity;
    TTextureSource Textures;  // null: no textures are written
};

// A file written beside a .gltf, named relative to the .gltf's folder.
struct TSideFile {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

struct TGltfFiles {
    std::vector<std::uint8_t> Main;  // the .glb or the .gltf
    std::vector<TSideFile> Beside;   // .gltf only: its .bin, then its images
    // What the keyframer could not give, one line each (the scene's Warnings),
    // told apart from the writer's own Warnings, which alone the window shows.
    std::vector<std::string> SceneWarnings;
    std::vector<std::string> Warnings;
    std::vector<std::string> Read;  // the texture files found, which no file written may replace
};

// The files of the model's glTF; outputName (the .gltf's own file name) names
// the files beside it: OUT.bin and, in the folder OUT_images, each image under
// its source's name with the extension of its form (WOOD.TGA as WOOD.png). A model without a mesh with faces gives a scene without
// meshes. Raises as BuildModelScene does.
TGltfFiles BuildGltf(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName);

// Each file through a temporary file and a rename (a .glb to a device written
// straight into), the side files first, their folders made, so that the main
// file never names a file that is not there. Nothing is written when one of the
// files would replace the model (modelFile, empty for none) or a texture read
// (base::kOutputIsInput), or when a .gltf with files beside it would go to
// anything but a regular file (base::kSideFilesNeedRegularFile), or when the
// disk has no room for them all. The old main file goes before the first side
// file is replaced: after a failure, or a signal, part-way, the folder holds
// the old files whole or no main file.
void WriteGltfFiles(const TGltfFiles& files, const std::string& outputPath, const std::string& modelFile);

// sRGB-encoded colour component (0..1) to linear light, as glTF's factors are.
double SrgbToLinear(double component);

}  // namespace gltfexport
