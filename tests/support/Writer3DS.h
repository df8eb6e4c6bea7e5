#pragma once
// Builds 3D Studio files byte by byte for tests and benchmarks.
//
// Chunks nest: Begin(tag) writes a header with a placeholder length, End() patches
// the length of the innermost open chunk. Values are written little-endian.
//
//     testsupport::Writer3DS w;
//     w.Begin(0x4D4D);
//     w.Begin(0x3D3D);
//     testsupport::WriteMaterial(w, {.name = "Red", .diffuse = {255, 0, 0}});
//     testsupport::WriteMesh(w, {.name = "Box", .vertices = {...}, .faces = {...}});
//     w.End();
//     w.End();
//     w.SaveToFile(path);   // or w.Bytes()
//
// BuildModel() does the same for a list of meshes and materials. Helpers that
// write a whole chunk (Chunk*, Flag) need no End().
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class Writer3DS {
public:
    void Begin(std::uint16_t tag);
    void End();

    void U8(std::uint8_t value);
    void U16(std::uint16_t value);
    void I16(std::int16_t value);
    void U32(std::uint32_t value);
    void F32(float value);
    // The bytes of text followed by a zero byte.
    void String(const std::string& text);
    void Raw(const void* data, std::size_t size);

    // A whole chunk of a given payload.
    void Flag(std::uint16_t tag);  // header only
    void ChunkU16(std::uint16_t tag, std::uint16_t value);
    void ChunkI16(std::uint16_t tag, std::int16_t value);
    void ChunkF32(std::uint16_t tag, float value);
    void ChunkString(std::uint16_t tag, const std::string& text);
    void ChunkRgb(std::uint16_t tag, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    void ChunkRaw(std::uint16_t tag, const std::vector<std::uint8_t>& bytes);
    // A chunk header with an arbitrary length and no payload, for damaged files.
    void Header(std::uint16_t tag, std::uint32_t length);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }
    void SaveToFile(const std::string& fileName) const;

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> open_;
};

struct Vertex {
    float x = 0, y = 0, z = 0;
};
struct TexCoord {
    float u = 0, v = 0;
};
struct Face {
    std::uint16_t v1 = 0, v2 = 0, v3 = 0, flags = 0;
};
struct MaterialGroup {
    std::string material{};
    std::vector<std::uint16_t> faces{};
};

// A named object (0x4000) holding a triangle mesh (0x4100). Empty arrays are left
// out, except faces: a face list is written when faces, groups or smoothing are given.
struct MeshSpec {
    std::string name{};
    std::vector<Vertex> vertices{};
    std::vector<Face> faces{};
    std::vector<TexCoord> texCoords{};
    std::vector<MaterialGroup> groups{};    // 0x4130 below the face list
    std::vector<std::uint32_t> smoothing{}; // 0x4150 below the face list
    bool withMatrix = false;              // an identity 0x4160
    std::vector<float> matrix{};          // these twelve values as the 0x4160 when given
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// A material entry (0xAFFF). Colours are written as 0x0011 inside their
// container; percentages as 0x0030 (whole percent) inside theirs.
struct MaterialSpec {
    std::string name{};
    std::optional<Rgb> ambient{}, diffuse{}, specular{};
    std::optional<std::int16_t> shininess{}, transparency{}, selfIllum{};  // percent
    std::string textureFile{};  // a 0xA200 map with this file name when not empty
};

// One keyframer key: its frame, the spline parameters (written only when not 0,
// with their flag bits) and its values (x y z; angle x y z for rotations; one for a roll).
struct KeySpec {
    std::int32_t frame = 0;
    std::vector<float> value{};
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};

struct TrackSpec {
    std::uint16_t flags = 0;
    std::vector<KeySpec> keys{};
    std::optional<std::uint32_t> count{};  // the key count written, when not the number of keys
};

// A keyframer node (0xB002 object .. 0xB007). Tracks without keys are left out.
struct NodeSpec {
    std::uint16_t tag = 0xB002;
    std::int16_t id = 0;
    std::string name{};
    std::int16_t parent = -1;
    std::string instance{};
    std::optional<Vertex> pivot{};
    TrackSpec position{}, rotation{}, scale{}, roll{};
};

// 0xB000 with its segment, current frame and nodes.
struct KeyframerSpec {
    std::int32_t start = 0, end = 100, current = 0;
    std::vector<NodeSpec> nodes{};
};

// A named object (0x4000) holding a camera (0x4700) and its ranges (0x4720) when given.
struct CameraSpec {
    std::string name{};
    Vertex position{}, target{};
    float roll = 0, lens = 50;
    std::optional<std::array<float, 2>> ranges{};  // near, far
};

struct SpotSpec {
    Vertex target{};
    float hotspot = 0, falloff = 0;
    std::optional<float> roll{};  // 0x4656
};

// A named object holding a light (0x4600): its colour as 0x0010 when given, a
// flag chunk for off (0x4620) and attenuation (0x4625), a float chunk for each
// value given, and the spotlight (0x4610) when given.
struct LightSpec {
    std::string name{};
    Vertex position{};
    std::optional<std::array<float, 3>> color{};
    bool off = false, attenuated = false;
    std::optional<float> multiplier{}, innerRange{}, outerRange{};
    std::optional<SpotSpec> spot{};
};

// The parts of a whole scene; the keyframer is written when given.
struct SceneSpec {
    std::vector<MeshSpec> meshes{};
    std::vector<CameraSpec> cameras{};
    std::vector<LightSpec> lights{};
    std::optional<KeyframerSpec> keyframer{};
};

void WriteMesh(Writer3DS& writer, const MeshSpec& mesh);
void WriteCamera(Writer3DS& writer, const CameraSpec& camera);
void WriteLight(Writer3DS& writer, const LightSpec& light);
void WriteKeyframer(Writer3DS& writer, const KeyframerSpec& keyframer);
void WriteMaterial(Writer3DS& writer, const MaterialSpec& material);

// 0x4D4D { 0x3D3D { materials..., meshes... } }
std::vector<std::uint8_t> BuildModel(const std::vector<MeshSpec>& meshes,
                                     const std::vector<MaterialSpec>& materials = {});
// 0x4D4D { 0x3D3D { meshes... } 0xB000 {...} }
std::vector<std::uint8_t> BuildAnimatedModel(const std::vector<MeshSpec>& meshes, const KeyframerSpec& keyframer);

// 0x4D4D { 0x3D3D { meshes..., cameras..., lights... } 0xB000 {...} }
std::vector<std::uint8_t> BuildScene(const SceneSpec& scene);

// A strip of triangles over vertices vertices (at least 3) in the z = 0 plane.
MeshSpec StripMesh(const std::string& name, int vertices);

// nodes object nodes, side by side, that all name the mesh "Strip" of vertices
// vertices; alike, they share one pivot, so that one copy of the mesh serves
// them all, else each has a pivot of its own.
std::vector<std::uint8_t> MeshCopiesModel(int nodes, int vertices, bool alike);

// A chain of depth object nodes, each one unit along x from its parent, whose
// last places the mesh "Strip"; below it the target of cameras cameras, which
// stand at the top, each at its own place. Node ids past 16 bits wrap round.
std::vector<std::uint8_t> CameraTargetChainModel(int depth, int cameras);

}  // namespace testsupport
