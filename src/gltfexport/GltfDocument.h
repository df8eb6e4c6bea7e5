#pragma once
// The glTF document being made, as plain records that refer to each other by
// index: built from the model by BuildDocument, then written as JSON and as
// the .glb container.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gltfexport/GltfWriter.h"
#include "model3ds/File3DS.h"

namespace gltfexport {

constexpr int kFloatComponent = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;

struct TView {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    int Target = 0;  // 0: none (animation data, images)
};

struct TAccessor {
    std::size_t View = 0;
    int ComponentType = kFloatComponent;
    std::size_t Count = 0;
    const char* Type = "SCALAR";
    std::vector<float> Min, Max;  // empty: not written
    std::vector<std::uint32_t> IndexMax;
};

struct TPrimitive {
    std::size_t Position = 0, Indices = 0;
    std::optional<std::size_t> Normal;  // none: every face flat, readers compute their normals
    std::optional<std::size_t> TexCoord;
    int Material = -1;
};

struct TMeshOut {
    std::string Name;
    std::vector<TPrimitive> Primitives;
};

struct TMaterialOut {
    std::string Name;
    float BaseColor[4] = {1, 1, 1, 1};
    bool Blend = false;
    bool DoubleSided = false;
    float Roughness = 1;
    float Specular[3] = {1, 1, 1};  // linear, KHR_materials_specular's colour
    float Emissive[3] = {0, 0, 0};
    std::optional<std::size_t> Texture;  // index of the image (one texture per image)
};

struct TImageOut {
    std::string Name;
    std::string MimeType;
    std::optional<std::size_t> View;  // .glb: its bytes in the buffer
    std::string Uri;                  // .gltf: the file beside
};

struct TNodeOut {
    std::string Name;
    std::vector<std::size_t> Children;
    std::optional<std::size_t> Mesh;
    std::optional<std::size_t> Camera, Light;
    float Translation[3] = {0, 0, 0};
    float Rotation[4] = {0, 0, 0, 1};  // x, y, z, w
    float Scale[3] = {1, 1, 1};
};

// A perspective camera, looking down its node's -z axis.
struct TCameraOut {
    std::string Name;
    float YFov = 0, AspectRatio = 1, ZNear = 1;
    std::optional<float> ZFar;  // none: an infinite projection
};

// A KHR_lights_punctual light; a spot shines down its node's -z axis.
struct TLightOut {
    std::string Name;
    bool Spot = false;
    float Color[3] = {1, 1, 1};  // linear
    float Intensity = 1;
    std::optional<float> Range;
    float InnerCone = 0, OuterCone = 0;  // half angles, radians
};

struct TChannel {
    std::size_t Node = 0;
    const char* Path = "";
    std::size_t Input = 0, Output = 0;
};

struct TGltfDocument {
    std::string Generator;
    std::string SceneName;   // the scene's and the animation's name
    std::string BufferFile;  // .gltf: the .bin beside it; empty in a .glb
    std::vector<std::uint8_t> Bin;
    std::vector<TView> Views;
    std::vector<TAccessor> Accessors;
    std::vector<TNodeOut> Nodes;
    std::vector<std::size_t> Roots;
    std::vector<TMeshOut> Meshes;
    std::vector<TMaterialOut> Materials;
    std::vector<TImageOut> Images;
    std::vector<TSideFile> ImageFiles;  // .gltf: the images beside it
    std::vector<TChannel> Channels;
    std::vector<TCameraOut> Cameras;
    std::vector<TLightOut> Lights;
    std::vector<std::string> SceneWarnings;  // the keyframer's complaints
    std::vector<std::string> Warnings;
    std::vector<std::string> Read;  // the texture files found, read or not
};

// The document of the model's scene; outputName names the files beside a .gltf.
TGltfDocument BuildDocument(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName);

// The document's JSON text.
std::string DocumentJson(const TGltfDocument& document);

// The binary container of the JSON text and the document's buffer.
std::vector<std::uint8_t> Glb(std::string json, const std::vector<std::uint8_t>& buffer);

}  // namespace gltfexport
