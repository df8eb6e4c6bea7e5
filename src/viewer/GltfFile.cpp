#include "viewer/GltfFile.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

#include "CopyBudget.h"
#include "GltfCensus.h"
#include "base/FrameDepth.h"
#include "base/PercentEscapes.h"
#include "base/Stream.h"
#include "viewer/TextureFiles.h"

namespace viewer {

namespace {

// The JSON text, and the files read beside a .gltf together: far above real
// models, far below what would exhaust memory while parsed.
constexpr std::size_t MaxJsonBytes = std::size_t{256} << 20;
constexpr std::size_t MaxFileBytes = std::size_t{512} << 20;
// What the description may take once parsed, estimated from its census: each
// JSON value parsed (a value and, in an object, its node in the member map),
// each extra copied again, each record the values become. A process whose
// address space is capped gets half of what is left of it, and parses one
// description at a time: tinygltf cannot recover from running out of memory
// half-way.
constexpr std::size_t MaxDescriptionBytes = std::size_t{512} << 20;
constexpr std::size_t HeadroomShare = 2;
constexpr std::size_t BytesPerJsonValue = 96;
// The images in buffer views and files, each view's bytes and each file
// counted once: as much as the renderer lets every texture take decoded.
constexpr std::size_t MaxImageBytes = std::size_t{256} << 20;
// tinygltf copies JSON values (extras, extensions) recursively: deeper nesting
// would exhaust the stack. Real files nest a few levels.
constexpr int MaxJsonDepth = 64;
// What the meshes read from the buffers may take.
constexpr std::size_t MaxCopiedBytes = std::size_t{1} << 28;
constexpr double TicksPerSecond = 4800;
// Times past this would not fit the keys' ticks.
constexpr double MaxSeconds = std::numeric_limits<std::uint32_t>::max() / TicksPerSecond;

// The scene's z axis points away from glTF's.
Vec3 ToScene(const float* v) { return {v[0], v[1], -v[2]}; }

// tinygltf opens every file through these, each named "./" and the uri: it is
// looked for only inside the model's folder. Other names (tinygltf tries the
// uri alone, too) are refused. Image files are not read here but by the
// reader, each once: tinygltf would read a file again for every image naming it.
struct Folder {
    std::optional<TextureFiles> files;
    std::set<std::string> imageFiles;  // found, and named by no buffer
    std::size_t readBytes = 0;

    std::optional<std::string> Find(const std::string& path) {
        if (!files || path.rfind("./", 0) != 0 || path.size() <= 2 || path[2] == '/' || path[2] == '\\') return {};
        return files->Find(path.substr(2));
    }
};

bool FileExists(const std::string& path, void* folder) { return static_cast<Folder*>(folder)->Find(path).has_value(); }

std::string ExpandFilePath(const std::string& path, void*) { return path; }

bool ReadFile(std::vector<unsigned char>* out, std::string* error, const std::string& path, void* user) {
    Folder& folder = *static_cast<Folder*>(user);
    const auto found = folder.Find(path);
    if (found && folder.imageFiles.count(*found) != 0) {
        // A stand-in: the image is read by the reader.
        out->assign(1, 0);
        return true;
    }
    const auto file = found ? folder.files->Open(*found) : std::nullopt;
    if (!file) {
        *error = "not found in the model's folder";
        return false;
    }
    if (file->Size() > MaxFileBytes - folder.readBytes) {
        *error = "the files beside the model together are larger than " + std::to_string(MaxFileBytes >> 20) + " MB";
        return false;
    }
    folder.readBytes += file->Size();
    *out = file->ReadAll();
    return true;
}

bool RefuseWrite(std::string* error, const std::string&, const std::vector<unsigned char>&, void*) {
    *error = "not written";
    return false;
}

// Images stay encoded: the renderer decodes them with its own bounds. Only
// a data: URI's bytes are kept here; the reader takes a buffer view's bytes
// from the buffer once it has checked the view (tinygltf does not), and reads
// an image file itself.
bool KeepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*) {
    if (image->bufferView < 0 && image->uri.empty()) image->image.assign(bytes, bytes + size);
    image->as_is = true;
    return true;
}

std::size_t ComponentBytes(int componentType) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        throw GltfFormatError("an accessor has an unknown component type");
    }
}

// One component as a number; integers normalized to 0..1 or -1..1 when the accessor says so.
double Component(const unsigned char* at, int componentType, bool normalized) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        const auto v = static_cast<std::int8_t>(*at);
        return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return normalized ? *at / 255.0 : *at;
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        std::int16_t v;
        std::memcpy(&v, at, 2);
        return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        std::uint16_t v;
        std::memcpy(&v, at, 2);
        return normalized ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        std::uint32_t v;
        std::memcpy(&v, at, 4);
        return v;
    }
    default: {
        float v;
        std::memcpy(&v, at, 4);
        return v;
    }
    }
}

class GltfReader {
public:
    GltfReader(const tinygltf::Model& gltf, Folder& folder, GltfModel& out)
        : gltf_(gltf), folder_(folder), out_(out), used_(gltf.nodes.size()) {}

    void Read() {
        out_.model.ticksPerSecond = TicksPerSecond;
        out_.model.frameMatrices.resize(gltf_.nodes.size());
        for (std::size_t n = 0; n < gltf_.nodes.size(); ++n) out_.model.frameMatrices[n] = NodeMatrix(gltf_.nodes[n]);
        for (const int node : SceneNodes()) Place(node);
        if (!gltf_.animations.empty()) ReadAnimation(gltf_.animations.front());
        PoseXModel(out_.model, 0);
    }

private:
    // The scene's top nodes: of the default scene, else the first, else every node no other names.
    std::vector<int> SceneNodes() const {
        if (!gltf_.scenes.empty()) {
            const std::size_t scene = gltf_.defaultScene >= 0 && static_cast<std::size_t>(gltf_.defaultScene) <
                                                                     gltf_.scenes.size()
                                          ? static_cast<std::size_t>(gltf_.defaultScene)
                                          : 0;
            return gltf_.scenes[scene].nodes;
        }
        std::vector<bool> child(gltf_.nodes.size());
        for (const auto& node : gltf_.nodes)
            for (const int c : node.children)
                if (c >= 0 && static_cast<std::size_t>(c) < child.size()) child[static_cast<std::size_t>(c)] = true;
        std::vector<int> top;
        for (std::size_t n = 0; n < child.size(); ++n)
            if (!child[n]) top.push_back(static_cast<int>(n));
        return top;
    }

    template <typename List>
    static const typename List::value_type& At(const List& list, int index, const char* what) {
        if (index < 0 || static_cast<std::size_t>(index) >= list.size())
            throw GltfFormatError(std::string("a reference to a missing ") + what);
        return list[static_cast<std::size_t>(index)];
    }

    // The static pose of a node: its matrix, else its translation, rotation and scale.
    static Matrix4 NodeMatrix(const tinygltf::Node& node) {
        if (node.matrix.size() == 16) {
            // Column-major and for column vectors; the scene's rows are glTF's
            // columns, with z negated on either side.
            static constexpr float flip[4] = {1, 1, -1, 1};
            Matrix4 matrix;
            for (int row = 0; row < 4; ++row)
                for (int column = 0; column < 4; ++column)
                    matrix.m[row][column] = Finite(node.matrix[static_cast<std::size_t>(row * 4 + column)]) *
                                            flip[row] * flip[column];
            return matrix;
        }
        return AnimatedMatrix(StaticKeys(node), 0);
    }

    static float Finite(double value) {
        const auto narrow = static_cast<float>(value);
        if (!std::isfinite(narrow)) throw GltfFormatError("a number is not finite");
        return narrow;
    }

    static std::array<float, 3> Three(const std::vector<double>& values, std::array<float, 3> fallback) {
        if (values.size() != 3) return fallback;
        return {Finite(values[0]), Finite(values[1]), Finite(values[2])};
    }

    // glTF's quaternion (x, y, z, w) as the key of a .x rotation of the scene's axes.
    static std::array<float, 4> RotationKey(const float* q) { return {q[3], q[0], q[1], -q[2]}; }

    // A node's translation, rotation and scale as one key of each.
    static XFrameAnimation StaticKeys(const tinygltf::Node& node) {
        XFrameAnimation keys;
        const auto t = Three(node.translation, {0, 0, 0});
        const auto s = Three(node.scale, {1, 1, 1});
        float q[4] = {0, 0, 0, 1};
        if (node.rotation.size() == 4)
            for (int i = 0; i < 4; ++i) q[i] = Finite(node.rotation[static_cast<std::size_t>(i)]);
        keys.position.push_back({0, ToScene(t.data())});
        keys.scale.push_back({0, {s[0], s[1], s[2]}});
        keys.rotation.push_back({0, RotationKey(q)});
        return keys;
    }

    // The nodes under a top node, parents first, each child's subtree in
    // order, without recursion: chains may be as deep as the converter writes.
    // Each node is placed once: a node named again, under another parent or
    // inside itself, is skipped.
    void Place(int top) {
        struct Step {
            int node;
            std::int32_t parentUse;
            int depth;
        };
        std::vector<Step> steps{{top, -1, 0}};
        while (!steps.empty()) {
            const Step step = steps.back();
            steps.pop_back();
            if (step.node < 0 || static_cast<std::size_t>(step.node) >= gltf_.nodes.size() ||
                used_[static_cast<std::size_t>(step.node)])
                continue;
            if (step.depth >= base::kMaxFrameDepth) throw GltfFormatError("nodes nested too deep");
            used_[static_cast<std::size_t>(step.node)] = true;
            auto& uses = out_.model.frameUses;
            uses.push_back({static_cast<std::uint32_t>(step.node), step.parentUse});
            const auto use = static_cast<std::int32_t>(uses.size() - 1);
            const tinygltf::Node& n = gltf_.nodes[static_cast<std::size_t>(step.node)];
            if (n.mesh >= 0) PlaceMesh(n.mesh, use);
            for (auto child = n.children.rbegin(); child != n.children.rend(); ++child)
                steps.push_back({*child, use, step.depth + 1});
        }
    }

    // A mesh is read once, at its first node; every node after places the
    // same meshes again, each placement within the copy budget.
    void PlaceMesh(int index, std::int32_t use) {
        const auto [placed, first] = placedMeshes_.try_emplace(index);
        if (first) placed->second = ReadMesh(At(gltf_.meshes, index, "mesh"));
        for (const std::size_t m : placed->second) {
            XMesh& mesh = out_.model.meshes[m];
            if (!mesh.placedBy.empty() && !copies_.Spend(PlacementCost(mesh)))
                throw GltfFormatError("nodes place the meshes too often");
            mesh.placements.push_back(Matrix4::Identity());
            mesh.placedBy.push_back(use);
        }
    }

    // The mesh's primitives of triangles, as meshes of the model: their indices.
    std::vector<std::size_t> ReadMesh(const tinygltf::Mesh& mesh) {
        std::vector<std::size_t> read;
        for (const tinygltf::Primitive& primitive : mesh.primitives) {
            if (primitive.mode != -1 && primitive.mode != TINYGLTF_MODE_TRIANGLES) continue;
            XMesh x = ReadPrimitive(primitive);
            if (x.faces.cornerCounts.empty()) continue;
            read.push_back(out_.model.meshes.size());
            out_.model.meshes.push_back(std::move(x));
        }
        return read;
    }

    // The bytes of a buffer view, once the view is found inside its buffer.
    std::pair<const unsigned char*, std::size_t> ViewBytes(int index) const {
        const tinygltf::BufferView& view = At(gltf_.bufferViews, index, "buffer view");
        const tinygltf::Buffer& buffer = At(gltf_.buffers, view.buffer, "buffer");
        if (view.byteOffset > buffer.data.size() || view.byteLength > buffer.data.size() - view.byteOffset)
            throw GltfFormatError("buffer view " + std::to_string(index) + " reaches past its buffer");
        return {buffer.data.data() + view.byteOffset, view.byteLength};
    }

    // The accessor's elements, each of the given type, as numbers.
    std::vector<float> ReadAccessor(int index, int type) {
        const tinygltf::Accessor& accessor = At(gltf_.accessors, index, "accessor");
        if (accessor.type != type) throw GltfFormatError("an accessor has another type than its use needs");
        if (accessor.sparse.isSparse) throw GltfFormatError("sparse accessors are not read");
        const std::size_t components = static_cast<std::size_t>(tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(type)));
        const std::size_t element = ComponentBytes(accessor.componentType) * components;
        std::vector<float> values;
        if (accessor.count == 0) return values;
        const auto [view, viewSize] = ViewBytes(accessor.bufferView);
        const std::size_t byteStride = At(gltf_.bufferViews, accessor.bufferView, "buffer view").byteStride;
        const std::size_t stride = byteStride != 0 ? byteStride : element;
        const std::size_t available = accessor.byteOffset <= viewSize ? viewSize - accessor.byteOffset : 0;
        if (stride < element || element > available || accessor.count - 1 > (available - element) / stride)
            throw GltfFormatError("an accessor reaches past its buffer view");
        Charge(accessor.count * components * sizeof(float));
        values.reserve(accessor.count * components);
        const unsigned char* start = view + accessor.byteOffset;
        const std::size_t size = ComponentBytes(accessor.componentType);
        for (std::size_t i = 0; i < accessor.count; ++i)
            for (std::size_t c = 0; c < components; ++c)
                values.push_back(Finite(Component(start + i * stride + c * size, accessor.componentType, accessor.normalized)));
        return values;
    }

    void Charge(std::size_t bytes) {
        if (bytes > MaxCopiedBytes - copied_) throw GltfFormatError("the meshes would take too much memory");
        copied_ += bytes;
    }

    // Without normals of its own (or with too few), each triangle is flat:
    // its corners take its own normal, as glTF asks of readers. Triangles
    // facing one way share one normal, so that the viewer shares their corners'
    // vertices: a plane of many triangles, or one triangle given millions of
    // times, takes a few normals, not one vertex per corner. The directions
    // met are looked up in a small table of the latest, by their bits.
    void SetFlatNormals(const std::vector<float>& positions, XMesh& mesh) {
        constexpr std::size_t kLatestNormals = 1024;
        constexpr std::uint32_t kNone = 0xFFFFFFFF;
        std::vector<std::uint32_t> latest(kLatestNormals, kNone);
        const std::vector<std::uint32_t>& corners = mesh.faces.indices;
        Charge(corners.size() / 3 * sizeof(Vec3) + corners.size() * sizeof(std::uint32_t));
        mesh.normalFaces.indices.reserve(corners.size());
        for (std::size_t c = 0; c < corners.size(); c += 3) {
            const Vec3 normal = FlatNormal(positions, &corners[c]);
            std::uint32_t bits[3];
            std::memcpy(bits, &normal, sizeof bits);
            const std::size_t slot = ((bits[0] * 0x9E3779B1u ^ bits[1]) * 0x85EBCA6Bu ^ bits[2]) * 0xC2B2AE35u % kLatestNormals;
            std::uint32_t& index = latest[slot];
            if (index == kNone || std::memcmp(&mesh.normals[index], &normal, sizeof normal) != 0) {
                index = static_cast<std::uint32_t>(mesh.normals.size());
                mesh.normals.push_back(normal);
            }
            mesh.normalFaces.indices.insert(mesh.normalFaces.indices.end(), {index, index, index});
        }
        mesh.normalFaces.cornerCounts = mesh.faces.cornerCounts;
        ChargeDrawnVertices(mesh);
    }

    // A position met with several normals is drawn as a vertex for each: triangles
    // that face many ways over few positions cost the renderer far more than
    // their indices cost the file, and that is charged before anything is drawn.
    void ChargeDrawnVertices(const XMesh& mesh) {
        // A vertex of its own as the renderer makes it: position, normal and
        // texture coordinates, on the card and while uploaded, with its entry in
        // the table that finds it again.
        constexpr std::size_t kDrawnVertexBytes = 96;
        const std::vector<std::uint32_t>& positions = mesh.faces.indices;
        const std::vector<std::uint32_t>& normals = mesh.normalFaces.indices;
        Charge(positions.size() * sizeof(std::uint64_t));
        std::vector<std::uint64_t> pairs;
        pairs.reserve(positions.size());
        for (std::size_t c = 0; c < positions.size(); ++c) pairs.push_back(std::uint64_t{positions[c]} << 32 | normals[c]);
        std::sort(pairs.begin(), pairs.end());
        const auto drawn = static_cast<std::size_t>(std::unique(pairs.begin(), pairs.end()) - pairs.begin());
        if (drawn > mesh.positions.size()) Charge((drawn - mesh.positions.size()) * kDrawnVertexBytes);
    }

    // The unit normal of the triangle of three corners, in the scene's axes.
    static Vec3 FlatNormal(const std::vector<float>& positions, const std::uint32_t* corner) {
        // The corners are in the scene's order, glTF's second and third
        // swapped; the positions are glTF's.
        const float* first = &positions[corner[0] * std::size_t{3}];
        const float* second = &positions[corner[2] * std::size_t{3}];
        const float* third = &positions[corner[1] * std::size_t{3}];
        const double u[3] = {second[0] - first[0], second[1] - first[1], second[2] - first[2]};
        const double v[3] = {third[0] - first[0], third[1] - first[1], third[2] - first[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        // A triangle without area faces up, whatever it faces it is not seen.
        const float unit[3] = {length > 0 ? static_cast<float>(n[0] / length) : 0.0f,
                               length > 0 ? static_cast<float>(n[1] / length) : 1.0f,
                               length > 0 ? static_cast<float>(n[2] / length) : 0.0f};
        return ToScene(unit);
    }

    XMesh ReadPrimitive(const tinygltf::Primitive& primitive) {
        XMesh mesh;
        const auto position = primitive.attributes.find("POSITION");
        if (position == primitive.attributes.end()) return mesh;
        const std::vector<float> positions = ReadAccessor(position->second, TINYGLTF_TYPE_VEC3);
        const std::size_t count = positions.size() / 3;
        for (std::size_t i = 0; i < count; ++i) mesh.positions.push_back(ToScene(&positions[i * 3]));
        std::vector<std::uint32_t> corners;
        if (primitive.indices >= 0) {
            const std::vector<float> indices = ReadAccessor(primitive.indices, TINYGLTF_TYPE_SCALAR);
            for (const float index : indices) {
                if (index < 0 || index >= static_cast<float>(count)) throw GltfFormatError("an index is out of range");
                corners.push_back(static_cast<std::uint32_t>(index));
            }
        } else {
            for (std::size_t i = 0; i < count; ++i) corners.push_back(static_cast<std::uint32_t>(i));
        }
        corners.resize(corners.size() / 3 * 3);
        // Negating z turns glTF's counter-clockwise fronts clockwise, as the scene has them.
        for (std::size_t c = 0; c < corners.size(); c += 3) std::swap(corners[c + 1], corners[c + 2]);
        Charge(corners.size() * sizeof(std::uint32_t) * 2);
        mesh.faces.indices = corners;
        mesh.faces.cornerCounts.assign(corners.size() / 3, 3);
        const auto normal = primitive.attributes.find("NORMAL");
        if (normal != primitive.attributes.end()) {
            const std::vector<float> normals = ReadAccessor(normal->second, TINYGLTF_TYPE_VEC3);
            if (normals.size() == positions.size()) {
                for (std::size_t i = 0; i < count; ++i) mesh.normals.push_back(ToScene(&normals[i * 3]));
                mesh.normalFaces = mesh.faces;
            }
        }
        if (mesh.normals.empty()) SetFlatNormals(positions, mesh);
        const auto uv = primitive.attributes.find("TEXCOORD_0");
        if (uv != primitive.attributes.end()) {
            const std::vector<float> uvs = ReadAccessor(uv->second, TINYGLTF_TYPE_VEC2);
            if (uvs.size() / 2 == count)
                for (std::size_t i = 0; i < count; ++i) mesh.textureCoordinates.push_back({uvs[i * 2], uvs[i * 2 + 1]});
        }
        mesh.materials.push_back(primitive.material >= 0 ? MaterialOf(At(gltf_.materials, primitive.material, "material"))
                                                         : Material{});
        return mesh;
    }

    static float LinearToSrgb(double c) {
        const double v = std::clamp(c, 0.0, 1.0);
        return static_cast<float>(v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    }

    // KHR_materials_specular's colour times its factor, back in sRGB; none when
    // the material does not name it (or names it with other than numbers).
    static std::optional<Color3> SpecularColor(const tinygltf::Material& m) {
        const auto found = m.extensions.find("KHR_materials_specular");
        if (found == m.extensions.end() || !found->second.IsObject()) return std::nullopt;
        const tinygltf::Value& extension = found->second;
        double factor = 1, colour[3] = {1, 1, 1};
        if (const tinygltf::Value& given = extension.Get("specularFactor"); given.IsNumber())
            factor = given.GetNumberAsDouble();
        if (const tinygltf::Value& given = extension.Get("specularColorFactor"); given.IsArray()) {
            if (given.ArrayLen() != 3) return std::nullopt;
            for (int c = 0; c < 3; ++c) {
                if (!given.Get(c).IsNumber()) return std::nullopt;
                colour[c] = given.Get(c).GetNumberAsDouble();
            }
        }
        return Color3{LinearToSrgb(colour[0] * factor), LinearToSrgb(colour[1] * factor), LinearToSrgb(colour[2] * factor)};
    }

    // The viewer lights sRGB colours as they are: glTF's linear factors go back
    // to sRGB. A rough surface has a wide highlight: the Blinn-Phong power whose
    // highlight is about as wide, at least 1, below which the highlight would
    // light the whole surface; its colour is the material's specular colour, or
    // without one grey, fainter the rougher the surface.
    Material MaterialOf(const tinygltf::Material& m) {
        Material material;
        const auto& pbr = m.pbrMetallicRoughness;
        if (pbr.baseColorFactor.size() == 4) {
            for (int c = 0; c < 3; ++c) material.faceColor[static_cast<std::size_t>(c)] = LinearToSrgb(pbr.baseColorFactor[static_cast<std::size_t>(c)]);
            material.faceColor[3] = m.alphaMode == "BLEND" ? static_cast<float>(std::clamp(pbr.baseColorFactor[3], 0.0, 1.0)) : 1.0f;
        }
        const double roughness = std::clamp(std::isfinite(pbr.roughnessFactor) ? pbr.roughnessFactor : 1.0, 0.01, 1.0);
        material.power = static_cast<float>(std::max(2 / (roughness * roughness) - 2, 1.0));
        const float shine = static_cast<float>(1 - roughness);
        material.specular = SpecularColor(m).value_or(Color3{shine, shine, shine});
        if (m.emissiveFactor.size() == 3)
            material.emissive = {LinearToSrgb(m.emissiveFactor[0]), LinearToSrgb(m.emissiveFactor[1]),
                                 LinearToSrgb(m.emissiveFactor[2])};
        if (pbr.baseColorTexture.index >= 0 && pbr.baseColorTexture.texCoord == 0)
            material.textureFileName = ImageName(At(gltf_.textures, pbr.baseColorTexture.index, "texture").source);
        return material;
    }

    // The name the image's bytes are kept under; empty for no image. Images
    // of one source (the same bytes of a buffer, a file) share one name and
    // one copy.
    std::string ImageName(int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= gltf_.images.size()) return {};
        const tinygltf::Image& image = gltf_.images[static_cast<std::size_t>(index)];
        std::optional<std::string> file;
        if (image.bufferView < 0 && !image.uri.empty()) {
            file = folder_.files ? folder_.files->Find(base::PercentDecode(image.uri)) : std::nullopt;
            if (!file) return {};
        }
        const std::string source = image.bufferView >= 0 ? ViewSource(image.bufferView)
                                   : file              ? "file " + *file
                                                       : "image " + std::to_string(index);
        const auto known = imageNames_.find(source);
        if (known != imageNames_.end()) return known->second;
        std::vector<std::uint8_t> bytes = image.bufferView >= 0 ? ViewImage(image.bufferView)
                                          : file                ? ImageFile(*file)
                                                                : image.image;
        const std::string label = !image.name.empty() ? image.name : file ? image.uri : "image";
        const std::string name = bytes.empty() ? std::string() : label + " (" + std::to_string(index) + ")";
        imageNames_.emplace(source, name);
        if (!name.empty()) out_.images.emplace(name, std::move(bytes));
        return name;
    }

    // The bytes a view holds, whichever view: views may overlap.
    std::string ViewSource(int index) const {
        const tinygltf::BufferView& view = At(gltf_.bufferViews, index, "buffer view");
        return "buffer " + std::to_string(view.buffer) + " at " + std::to_string(view.byteOffset) + " of " +
               std::to_string(view.byteLength);
    }

    std::vector<std::uint8_t> ViewImage(int index) {
        const auto [bytes, size] = ViewBytes(index);
        SpendOnImages(size, "buffer view " + std::to_string(index));
        return {bytes, bytes + size};
    }

    std::vector<std::uint8_t> ImageFile(const std::string& found) {
        const std::optional<OpenFile> file = folder_.files->Open(found);
        if (!file) return {};
        SpendOnImages(file->Size(), found);
        return file->ReadAll();
    }

    void SpendOnImages(std::uint64_t bytes, const std::string& source) {
        if (bytes > MaxImageBytes - imageBytes_)
            throw GltfFormatError("the images together are larger than " + std::to_string(MaxImageBytes >> 20) +
                                  " MB, with " + source);
        imageBytes_ += bytes;
    }

    // Each node's translation, rotation and scale channels; what a moving node
    // has no channel for stays as the node has it.
    void ReadAnimation(const tinygltf::Animation& animation) {
        std::map<int, XFrameAnimation> moving;
        for (const tinygltf::AnimationChannel& channel : animation.channels) {
            const std::string& path = channel.target_path;
            if (path != "translation" && path != "rotation" && path != "scale") continue;
            At(gltf_.nodes, channel.target_node, "node");
            const tinygltf::AnimationSampler& sampler = At(animation.samplers, channel.sampler, "sampler");
            const std::vector<float> times = ReadAccessor(sampler.input, TINYGLTF_TYPE_SCALAR);
            const bool rotation = path == "rotation";
            const std::size_t width = rotation ? 4 : 3;
            const std::vector<float> values = ReadAccessor(sampler.output, rotation ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3);
            // A cubic spline's keys are in-tangent, value, out-tangent: the value is the middle one.
            const bool spline = sampler.interpolation == "CUBICSPLINE";
            const std::size_t per = spline ? 3 : 1;
            if (values.size() != times.size() * width * per) throw GltfFormatError("an animation's keys do not match its times");
            XFrameAnimation& keys = moving.try_emplace(channel.target_node).first->second;
            keys.frame = static_cast<std::uint32_t>(channel.target_node);
            for (std::size_t k = 0; k < times.size(); ++k) {
                const float* v = &values[(k * per + (spline ? 1 : 0)) * width];
                const auto tick = static_cast<std::uint32_t>(std::lround(std::clamp(static_cast<double>(times[k]), 0.0, MaxSeconds) * TicksPerSecond));
                out_.model.lastTick = std::max(out_.model.lastTick, tick);
                if (rotation) {
                    keys.rotation.push_back({tick, RotationKey(v)});
                } else if (path == "scale") {
                    keys.scale.push_back({tick, {v[0], v[1], v[2]}});
                } else {
                    keys.position.push_back({tick, ToScene(v)});
                }
            }
        }
        for (auto& [node, keys] : moving) {
            const XFrameAnimation still = StaticKeys(gltf_.nodes[static_cast<std::size_t>(node)]);
            if (keys.rotation.empty()) keys.rotation = still.rotation;
            if (keys.scale.empty()) keys.scale = still.scale;
            if (keys.position.empty()) keys.position = still.position;
            const auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
            std::stable_sort(keys.rotation.begin(), keys.rotation.end(), byTick);
            std::stable_sort(keys.scale.begin(), keys.scale.end(), byTick);
            std::stable_sort(keys.position.begin(), keys.position.end(), byTick);
            out_.model.animations.push_back(std::move(keys));
        }
    }

    const tinygltf::Model& gltf_;
    Folder& folder_;
    GltfModel& out_;
    std::vector<bool> used_;
    std::size_t copied_ = 0;
    std::map<int, std::vector<std::size_t>> placedMeshes_;  // by the file's mesh: the model's meshes read of it
    CopyBudget copies_;
    std::map<std::string, std::string> imageNames_;  // by source
    std::size_t imageBytes_ = 0;
};

std::uint32_t Read32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0] | at[1] << 8 | at[2] << 16) | static_cast<std::uint32_t>(at[3]) << 24;
}

// The JSON text of a .glb file (tinygltf checks the chunks' lengths but
// neither the version nor how large the JSON is), or the whole text of a .gltf file.
std::pair<const std::uint8_t*, std::size_t> JsonText(const std::uint8_t* data, std::size_t size, bool binary) {
    if (!binary) {
        if (size > MaxJsonBytes) throw GltfFormatError("the file is too large");
        return {data, size};
    }
    if (size < 20) throw GltfFormatError("the glTF binary file is cut short");
    if (Read32(data + 4) != 2) throw GltfFormatError("the glTF binary file is not of version 2");
    const std::uint32_t json = Read32(data + 12);
    if (json > MaxJsonBytes) throw GltfFormatError("the glTF data's JSON is too large");
    return {data + 20, std::min<std::size_t>(json, size - 20)};
}

// The first line of tinygltf's report.
std::string FirstLine(const std::string& text) {
    const std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? "the glTF data cannot be read" : line;
}

// tinygltf reports what it meets as text, a failed allocation too; what it
// raises is a format error, unless memory ran out.
void LoadWithTinyGltf(tinygltf::TinyGLTF& loader, tinygltf::Model& gltf, const std::uint8_t* data, std::size_t size,
                      bool binary) {
    std::string error, warning;
    const auto length = static_cast<unsigned>(size);
    bool loaded = false;
    try {
        loaded = binary ? loader.LoadBinaryFromMemory(&gltf, &error, &warning, data, length, ".")
                        : loader.LoadASCIIFromString(&gltf, &error, &warning, reinterpret_cast<const char*>(data),
                                                     length, ".");
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& failure) {
        throw GltfFormatError(std::string("the glTF data cannot be read: ") + failure.what());
    }
    if (loaded) return;
    // What tinygltf caught while parsing the JSON is the whole report, a
    // failed allocation's text alone.
    if (error == std::bad_alloc().what()) throw std::bad_alloc();
    throw GltfFormatError(FirstLine(error));
}

// The records of a description as large as the census counts, estimated.
std::size_t DescriptionBytes(const GltfCensus& census) {
    static const std::map<std::string, std::size_t> recordBytes = {
        {"accessors", sizeof(tinygltf::Accessor)}, {"animations", sizeof(tinygltf::Animation)},
        {"buffers", sizeof(tinygltf::Buffer)},     {"bufferViews", sizeof(tinygltf::BufferView)},
        {"cameras", sizeof(tinygltf::Camera)},     {"images", sizeof(tinygltf::Image)},
        {"materials", sizeof(tinygltf::Material)}, {"meshes", sizeof(tinygltf::Mesh)},
        {"nodes", sizeof(tinygltf::Node)},         {"samplers", sizeof(tinygltf::Sampler)},
        {"scenes", sizeof(tinygltf::Scene)},       {"skins", sizeof(tinygltf::Skin)},
        {"textures", sizeof(tinygltf::Texture)},   {"lights", sizeof(tinygltf::Light)},
    };
    std::size_t bytes = census.values * BytesPerJsonValue + census.extraValues * sizeof(tinygltf::Value) +
                        census.stringBytes + census.primitives * sizeof(tinygltf::Primitive);
    for (const auto& [key, count] : census.elements) {
        const auto record = recordBytes.find(key);
        if (record != recordBytes.end()) bytes += count * record->second;
    }
    return bytes;
}

// The address space the process takes now, as the limit counts it.
std::optional<std::size_t> AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    if (!(statm >> pages)) return std::nullopt;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

std::size_t DescriptionBound() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return MaxDescriptionBytes;
    const std::size_t used = AddressSpaceInUse().value_or(limit.rlim_cur);
    const std::size_t left = used < limit.rlim_cur ? limit.rlim_cur - used : 0;
    return std::min(MaxDescriptionBytes, left / HeadroomShare);
}

void CheckDescriptionSize(const GltfCensus& census) {
    const std::size_t bytes = DescriptionBytes(census);
    const std::size_t bound = DescriptionBound();
    if (bytes <= bound) return;
    std::string counts;
    for (const char* key : {"nodes", "meshes", "accessors", "images", "materials", "lights"}) {
        const auto count = census.elements.find(key);
        if (count != census.elements.end() && count->second > 0)
            counts += (counts.empty() ? "" : ", ") + std::to_string(count->second) + " " + key;
    }
    throw GltfFormatError("the glTF description would take about " + std::to_string(bytes >> 20) +
                          " MB to read, more than " + std::to_string(bound >> 20) + " MB" +
                          (counts.empty() ? "" : " (" + counts + ")"));
}

// The files that images name and no buffer does: the reader reads them itself.
std::set<std::string> ImageFiles(Folder& folder, const GltfCensus& census) {
    std::set<std::string> images, buffers;
    if (!folder.files) return images;
    for (const std::string& uri : census.bufferUris)
        if (const auto found = folder.files->Find(base::PercentDecode(uri))) buffers.insert(*found);
    for (const std::string& uri : census.imageUris)
        if (const auto found = folder.files->Find(base::PercentDecode(uri)); found && buffers.count(*found) == 0) images.insert(*found);
    return images;
}

}  // namespace

GltfModel ParseGltf(const std::uint8_t* data, std::size_t size, const std::string& folder) {
    if (size > MaxGltfFileBytes) throw GltfFormatError("the file is larger than " + std::to_string(MaxGltfFileBytes >> 20) + " MB");
    const bool binary = size >= 4 && std::memcmp(data, "glTF", 4) == 0;
    const auto [json, jsonSize] = JsonText(data, size, binary);
    const GltfCensus census = TakeGltfCensus(json, jsonSize, MaxJsonDepth);
    // tinygltf would give each buffer without a uri its own copy of the chunk.
    const auto buffers = census.elements.find("buffers");
    if (binary && buffers != census.elements.end() && buffers->second > census.buffersWithUri + 1)
        throw GltfFormatError("more than one buffer of the glTF binary file has no uri");
    Folder files;
    if (!folder.empty()) files.files.emplace(folder);
    files.imageFiles = ImageFiles(files, census);
    tinygltf::Model gltf;
    {
        static std::mutex oneAtATime;
        const std::lock_guard<std::mutex> parsing(oneAtATime);
        CheckDescriptionSize(census);
        tinygltf::TinyGLTF loader;
        loader.SetFsCallbacks({FileExists, ExpandFilePath, ReadFile, RefuseWrite, &files});
        loader.SetImageLoader(KeepImageBytes, nullptr);
        LoadWithTinyGltf(loader, gltf, data, size, binary);
    }
    GltfModel model;
    GltfReader(gltf, files, model).Read();
    return model;
}

}  // namespace viewer

namespace viewer {

std::vector<std::uint8_t> ReadGltfFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > MaxGltfFileBytes)
        throw GltfFormatError("the file is larger than " + std::to_string(MaxGltfFileBytes >> 20) + " MB");
    return base::ReadWholeFile(path);
}

}  // namespace viewer
