#pragma once
// The mesh builder of the retained-mode scene: triangles with per-corner
// normals, the materials they are drawn with, and the render quality. Load fills
// it from .x data in memory, every mesh of the data in its frame's placement.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "viewer/Frame.h"
#include "viewer/Math3D.h"

namespace viewer {

struct XMesh;
struct XModel;
struct GltfModel;

// Render qualities, as bit sets of shade mode, lighting and fill mode.
enum RenderQuality : std::uint32_t {
    RenderWireframe = 64,  // flat shading, no lighting, wireframe fill
    RenderFlat = 136,      // flat shading, lighting, solid fill
    RenderGouraud = 137,   // Gouraud shading, lighting, solid fill
};

// Result codes of Load besides 0 (success).
constexpr std::int32_t LoadErrorNotFound = static_cast<std::int32_t>(0x88760311);  // no mesh in the data
constexpr std::int32_t LoadErrorBadFile = static_cast<std::int32_t>(0x88760314);   // data that cannot be read
constexpr std::int32_t LoadErrorOutOfMemory = static_cast<std::int32_t>(0x8007000E);  // more than memory holds

struct Material {
    std::array<float, 4> faceColor{1, 1, 1, 1};  // red, green, blue, alpha
    float power = 0;
    Color3 specular;
    Color3 emissive;
    std::string textureFileName;
};

struct Triangle {
    std::array<std::uint32_t, 3> vertices{};  // indices into Positions
    std::array<std::uint32_t, 3> normals{};   // indices into Normals
    std::uint32_t material = 0;               // index into Materials
};

struct Box {
    Vec3 min, max;
};

class MeshBuilder {
public:
    MeshBuilder();
    ~MeshBuilder();
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;

    // Replaces the contents with the meshes of the .x data; 0 on success, else
    // one of the LoadError codes, leaving the builder empty.
    std::int32_t Load(const void* data, std::size_t size);
    // Replaces the contents with the meshes of a parsed glTF file and keeps the
    // images its materials name.
    void Load(GltfModel&& model);
    // Drops every mesh: nothing is left to draw.
    void Clear();

    // Whether each position is a corner of some triangle: only those are drawn.
    std::vector<bool> DrawnPositions() const;
    // The box of the drawn positions (a file may hold far-off vertices that no
    // face uses); both corners are 0 when there are none.
    Box GetBox() const;
    // Scales every position about the builder's origin, now and in every pose set later.
    void Scale(float sx, float sy, float sz);

    // Whether the loaded data holds an animation that moves it.
    bool Animated() const { return animated_ != nullptr; }
    // The animation's length in seconds, after which it starts again; 0 without one.
    double AnimationSeconds() const;
    // Puts the meshes in the animation's pose at seconds from its start;
    // nothing happens without an animation. Raises base::Exception for a time
    // whose ticks are not a finite number.
    void SetTime(double seconds);
    // The time of the pose shown: 0 until SetTime.
    double Time() const { return time_; }

    void SetQuality(std::uint32_t quality) { quality_ = quality; }
    std::uint32_t GetQuality() const { return quality_; }

    const std::vector<Vec3>& Positions() const { return positions_; }
    const std::vector<Vec3>& Normals() const { return normals_; }
    const std::vector<Vec2>& TextureCoordinates() const { return textureCoordinates_; }
    const std::vector<Triangle>& Triangles() const { return triangles_; }
    const std::vector<Material>& Materials() const { return materials_; }
    // Encoded images by the texture names of the materials that carry them
    // inside the file; empty for .x data, whose textures are files.
    const std::map<std::string, std::vector<std::uint8_t>>& EmbeddedImages() const { return embeddedImages_; }

    // The file the data came from: the materials' texture file names are
    // relative to its folder, and messages about its textures name it.
    void SetModelFile(const std::string& path);
    const std::string& ModelFile() const { return modelFile_; }
    // The model file's folder, absolute; empty (no textures drawn) for data
    // that came from no file.
    const std::string& TextureFolder() const { return textureFolder_; }
    // Folders looked in before the model's own for its texture files
    // (TextureSearch.h), in order.
    void SetTexturePaths(const std::vector<std::string>& folders);
    const std::vector<std::string>& TexturePaths() const { return texturePaths_; }

    // Changes with every change of the geometry and differs between builders,
    // so that a renderer knows when its copy is stale.
    std::uint64_t Revision() const { return revision_; }

private:
    friend class MeshBuilderFiller;

    void Fill(const std::vector<XMesh>& meshes);
    void Keep(XModel&& model);

    std::vector<Vec3> positions_;
    std::vector<Vec3> normals_;
    std::vector<Vec2> textureCoordinates_;  // one per position, or none
    std::vector<Triangle> triangles_;
    std::vector<Material> materials_;
    std::map<std::string, std::vector<std::uint8_t>> embeddedImages_;
    std::string modelFile_;
    std::string textureFolder_;
    std::vector<std::string> texturePaths_;
    std::uint32_t quality_ = RenderGouraud;
    std::uint64_t revision_ = NextRevision();
    std::unique_ptr<XModel> animated_;  // the parsed data, kept only when it moves
    double time_ = 0;
    Vec3 scale_{1, 1, 1};  // of every Scale so far

    static std::uint64_t NextRevision();
};

}  // namespace viewer
