#include "viewer/XFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "CopyBudget.h"
#include "XMsZip.h"
#include "XTokenizer.h"
#include "base/FrameDepth.h"

namespace viewer {

namespace {

constexpr std::size_t HeaderSize = 16;
// Frames, meshes and references visited while placing the meshes: each visit
// takes time whatever it leads to, so that a few references cannot ask for
// billions of steps.
constexpr std::size_t MaxVisits = std::size_t{1} << 22;
// Frame uses an animated model may have: each pose takes a matrix per use, so
// past this a model is drawn unmoving rather than posed at great cost.
constexpr std::size_t MaxFrameUses = std::size_t{1} << 20;

// What the file or a frame holds: a mesh, a frame, or a reference by name to
// one. Once the whole file is read, each reference to a defined name becomes
// what it names.
struct XNode {
    enum class Kind { Mesh, Frame, Reference } kind;
    std::size_t index = 0;  // into the meshes or the frames
    std::string name;       // of a reference
};

struct XFrameNode {
    Matrix4 local = Matrix4::Identity();
    std::vector<XNode> children;
};

// An Animation as read: the frame it names, looked up once the file is read.
struct NamedAnimation {
    std::string frameName;
    XFrameAnimation keys;
};

class XParser {
public:
    explicit XParser(XTokenizer& tokens) : tokens_(tokens) {}

    XModel ParseFile() {
        std::vector<XNode> top;
        for (;;) {
            const XToken token = tokens_.Next();
            if (token.kind == XTokenKind::End) break;
            if (token.kind != XTokenKind::Name) throw XFormatError("object expected");
            if (auto node = ParseObject(token.text)) top.push_back(std::move(*node));
        }
        ResolveReferences();
        XModel model;
        model.animations = ResolveAnimations();
        recordUses_ = !model.animations.empty();
        open_.assign(frames_.size(), false);
        for (const XNode& node : top) Place(node);
        if (recordUses_) {
            model.frameUses = std::move(uses_);
            model.ticksPerSecond = ticksPerSecond_;
            for (const XFrameAnimation& animation : model.animations)
                for (const std::uint32_t last : {LastTick(animation.rotation), LastTick(animation.scale),
                                                 LastTick(animation.position), LastTick(animation.matrix)})
                    model.lastTick = std::max(model.lastTick, last);
        } else {
            model.animations.clear();
            for (XMesh& mesh : meshes_) mesh.placedBy.clear();
        }
        model.frameMatrices.reserve(frames_.size());
        for (const XFrameNode& frame : frames_) model.frameMatrices.push_back(frame.local);
        model.meshes = std::move(meshes_);
        if (!model.animations.empty()) PoseXModel(model, 0);
        return model;
    }

private:
    // Reads what follows an object's type name: the object's name if it has
    // one, "{" and the object's GUID if it has one.
    std::string_view OpenObject() {
        std::string_view name;
        if (tokens_.Peek().kind == XTokenKind::Name) name = tokens_.Next().text;
        Expect(XTokenKind::OpenBrace);
        if (tokens_.Peek().kind == XTokenKind::Guid) tokens_.Next();
        return name;
    }

    // Reads an object after its type name, up to and including its "}": a
    // frame or a mesh, which a name may refer to, or nothing drawn.
    std::optional<XNode> ParseObject(std::string_view type) {
        std::string name(OpenObject());
        std::optional<XNode> node;
        if (type == "Frame")
            return ParseFrame(std::move(name));
        if (type == "Mesh")
            node = ParseMesh();
        else if (type == "Material")
            namedMaterials_[name] = ParseMaterial();
        else if (type == "AnimTicksPerSecond")
            ParseTicksPerSecond();
        else if (type == "AnimationSet" && !animationSetRead_)
            ParseAnimationSet();
        else
            SkipRest();
        if (node) NameNode(name, *node);
        return node;
    }

    void NameNode(const std::string& name, const XNode& node) {
        if (name.empty()) return;
        namedNodes_.emplace(name, node);
        if (node.kind == XNode::Kind::Frame) namedFrames_.emplace(name, node.index);
    }

    // A frame still being read, with its index among the frames.
    struct OpenFrame {
        std::size_t index = 0;
        std::string name;
        XFrameNode frame;
    };

    void BeginFrame(std::vector<OpenFrame>& open, std::string name) {
        if (open.size() >= static_cast<std::size_t>(base::kMaxFrameDepth)) throw XFormatError("frames nested too deep");
        open.push_back({frames_.size(), std::move(name), {}});
        frames_.emplace_back();
    }

    // Reads a frame after its "{", with every frame inside it: the frames still
    // open are kept on a list, not on the call stack, however deep they nest.
    XNode ParseFrame(std::string name) {
        std::vector<OpenFrame> open;
        BeginFrame(open, std::move(name));
        for (;;) {
            const XToken token = tokens_.Next();
            if (token.kind == XTokenKind::CloseBrace) {
                const XNode node{XNode::Kind::Frame, open.back().index, {}};
                frames_[node.index] = std::move(open.back().frame);
                NameNode(open.back().name, node);
                open.pop_back();
                if (open.empty()) return node;
                open.back().frame.children.push_back(node);
            } else if (token.kind == XTokenKind::Name && token.text == "Frame") {
                BeginFrame(open, std::string(OpenObject()));
            } else if (token.kind == XTokenKind::Name && token.text == "FrameTransformMatrix") {
                OpenObject();
                for (auto& row : open.back().frame.local.m)
                    for (float& value : row) value = ReadFloat();
                SkipRest();
            } else if (token.kind == XTokenKind::Name) {
                if (auto child = ParseObject(token.text)) open.back().frame.children.push_back(std::move(*child));
            } else if (token.kind == XTokenKind::OpenBrace) {
                const XToken reference = tokens_.Next();
                if (reference.kind == XTokenKind::Name)
                    open.back().frame.children.push_back({XNode::Kind::Reference, 0, std::string(reference.text)});
                if (reference.kind != XTokenKind::CloseBrace) SkipRest();
            } else {
                throw XFormatError("unexpected data in object");
            }
        }
    }

    // Names may be used before they are defined, so they are looked up once the
    // whole file is read; placing then follows indices, not names.
    void ResolveReferences() {
        for (XFrameNode& frame : frames_)
            for (XNode& child : frame.children) {
                if (child.kind != XNode::Kind::Reference) continue;
                const auto found = namedNodes_.find(child.name);
                if (found != namedNodes_.end()) child = found->second;
            }
    }

    // Animations of names that are not frames are dropped.
    std::vector<XFrameAnimation> ResolveAnimations() {
        std::vector<XFrameAnimation> resolved;
        for (NamedAnimation& animation : animations_) {
            const auto found = namedFrames_.find(animation.frameName);
            if (found == namedFrames_.end()) continue;
            animation.keys.frame = static_cast<std::uint32_t>(found->second);
            resolved.push_back(std::move(animation.keys));
        }
        return resolved;
    }

    template <typename Key>
    static std::uint32_t LastTick(const std::vector<Key>& keys) {
        return keys.empty() ? 0 : keys.back().tick;
    }

    // One step of placing: what a node draws inside frames that place it at
    // outer, the frame use use; or, once a frame's children are placed, the
    // frame closing again.
    struct PlaceStep {
        const XNode* node = nullptr;
        Matrix4 outer;
        std::int32_t use = -1;
        int depth = 0;
        bool close = false;
    };

    // Adds the placements of what the node draws. A frame's matrix applies
    // before those of the frames around it. The steps still to take are kept on
    // a list, not on the call stack, however deep the frames nest.
    void Place(const XNode& root) {
        std::vector<PlaceStep> steps{{&root, Matrix4::Identity(), -1, 0, false}};
        while (!steps.empty()) {
            const PlaceStep step = steps.back();
            steps.pop_back();
            if (step.close) {
                open_[step.node->index] = false;
                continue;
            }
            if (++visits_ > MaxVisits) throw XFormatError("references repeat the meshes too often");
            const XNode& node = *step.node;
            if (node.kind == XNode::Kind::Mesh) {
                XMesh& mesh = meshes_[node.index];
                if (!mesh.placements.empty()) SpendCopy(copyCosts_[node.index]);
                mesh.placements.push_back(step.outer);
                if (recordUses_) mesh.placedBy.push_back(step.use);
            } else if (node.kind == XNode::Kind::Frame && !open_[node.index]) {
                OpenFrameUse(step, steps);
            }  // else a reference to a name the file does not define, or a frame inside itself
        }
    }

    // Places a frame: its use recorded, its closing and then its children
    // (the first on top) to come.
    void OpenFrameUse(const PlaceStep& step, std::vector<PlaceStep>& steps) {
        const std::size_t index = step.node->index;
        if (step.depth >= base::kMaxFrameDepth) throw XFormatError("frames nested too deep");
        open_[index] = true;
        const XFrameNode& frame = frames_[index];
        const Matrix4 placement = frame.local * step.outer;
        if (recordUses_ && uses_.size() >= MaxFrameUses) {
            recordUses_ = false;
            uses_ = {};
        }
        if (recordUses_) uses_.push_back({static_cast<std::uint32_t>(index), step.use});
        const auto inner = recordUses_ ? static_cast<std::int32_t>(uses_.size() - 1) : -1;
        steps.push_back({step.node, {}, -1, 0, true});
        for (auto child = frame.children.rbegin(); child != frame.children.rend(); ++child)
            steps.push_back({&*child, placement, inner, step.depth + 1, false});
    }

    void SpendCopy(const CopyCost& cost) {
        if (!copied_.Spend(cost)) throw XFormatError("references repeat the meshes too often");
    }

    XNode ParseMesh() {
        XMesh mesh;
        mesh.positions = ReadVectors();
        mesh.faces = ReadFaces(mesh.positions.size());
        ForEachChild([&](std::string_view type) {
            OpenObject();
            if (type == "MeshNormals")
                ParseNormals(mesh);
            else if (type == "MeshMaterialList")
                ParseMaterialList(mesh);
            else if (type == "MeshTextureCoords")
                ParseTextureCoordinates(mesh);
            else
                SkipRest();
        });
        copyCosts_.push_back(PlacementCost(mesh));
        meshes_.push_back(std::move(mesh));
        return {XNode::Kind::Mesh, meshes_.size() - 1, {}};
    }

    // Normals that do not match the faces are dropped, and the mesh is then
    // drawn with normals of its own.
    void ParseNormals(XMesh& mesh) {
        std::vector<Vec3> normals = ReadVectors();
        XFaces faces = ReadFaces(normals.size());
        SkipRest();
        if (faces.cornerCounts == mesh.faces.cornerCounts) {
            mesh.normals = std::move(normals);
            mesh.normalFaces = std::move(faces);
        }
    }

    void ParseMaterialList(XMesh& mesh) {
        const std::uint32_t materialCount = ReadCount(1);
        const std::uint32_t indexCount = ReadCount(1);
        std::vector<std::uint32_t> indices;
        indices.reserve(indexCount);
        for (std::uint32_t i = 0; i < indexCount; ++i) indices.push_back(ReadUInt());
        std::vector<Material> materials;
        ForEachChild([&](std::string_view type) {
            OpenObject();
            if (type == "Material")
                materials.push_back(ParseMaterial());
            else
                SkipRest();
        }, [&](std::string_view reference) {
            // Each reference copies its material: those past the declared count
            // are dropped below anyway, and the rest are paid for first.
            if (materials.size() >= materialCount) return;
            const auto found = namedMaterials_.find(std::string(reference));
            const Material& material = found != namedMaterials_.end() ? found->second : white_;
            const std::size_t bytes = MaterialBytes(material);
            SpendCopy({bytes, bytes});
            materials.push_back(material);
        });
        if (materials.size() > materialCount) materials.resize(materialCount);
        // Faces of a material the list declares but does not give, or of an
        // index past the list, are drawn with one white material added at the end.
        const auto given = static_cast<std::uint32_t>(materials.size());
        const auto materialOf = [&](std::uint32_t index) {
            if (index < given) return index;
            if (materials.size() == given) materials.emplace_back();
            return given;
        };
        // Fewer indices than faces: the last one holds for the rest (one index
        // for all faces is common).
        const std::size_t faceCount = mesh.faces.cornerCounts.size();
        mesh.faceMaterials.assign(faceCount, 0);
        for (std::size_t face = 0; face < faceCount; ++face)
            mesh.faceMaterials[face] = materialOf(indices.empty() ? 0 : indices[std::min(face, indices.size() - 1)]);
        mesh.materials = std::move(materials);
    }

    Material ParseMaterial() {
        Material material;
        for (float& value : material.faceColor) value = ReadFloat();
        material.power = ReadFloat();
        material.specular = ReadColor();
        material.emissive = ReadColor();
        ForEachChild([&](std::string_view type) {
            OpenObject();
            if (type == "TextureFilename" || type == "TextureFileName") {
                const XToken name = tokens_.Next();
                if (name.kind != XTokenKind::String) throw XFormatError("texture file name expected");
                material.textureFileName = std::string(name.text);
            }
            SkipRest();
        });
        return material;
    }

    void ParseTextureCoordinates(XMesh& mesh) {
        const std::uint32_t count = ReadCount(2);
        std::vector<Vec2> coordinates;
        coordinates.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const float u = ReadFloat();
            coordinates.push_back({u, ReadFloat()});
        }
        SkipRest();
        if (coordinates.size() == mesh.positions.size()) mesh.textureCoordinates = std::move(coordinates);
    }

    // A rate of 0 would stop the animation for good; the default stands instead.
    void ParseTicksPerSecond() {
        const std::uint32_t ticks = ReadUInt();
        SkipRest();
        if (ticks > 0) ticksPerSecond_ = ticks;
    }

    // Only the first set is played; the others are skipped.
    void ParseAnimationSet() {
        animationSetRead_ = true;
        ForEachChild([&](std::string_view type) {
            OpenObject();
            if (type == "Animation")
                ParseAnimation();
            else
                SkipRest();
        });
    }

    void ParseAnimation() {
        NamedAnimation animation;
        ForEachChild([&](std::string_view type) {
            OpenObject();
            if (type == "AnimationKey")
                ParseAnimationKey(animation.keys);
            else
                SkipRest();
        }, [&](std::string_view reference) { animation.frameName = std::string(reference); });
        animations_.push_back(std::move(animation));
    }

    void ParseAnimationKey(XFrameAnimation& animation) {
        const std::uint32_t type = ReadUInt();
        switch (type) {
        case 0:
            ReadKeys(4, animation.rotation, [&](XRotationKey& key) {
                for (float& value : key.value) value = ReadFloat();
            });
            break;
        case 1:
        case 2:
            ReadKeys(3, type == 1 ? animation.scale : animation.position, [&](XVectorKey& key) {
                key.value.x = ReadFloat();
                key.value.y = ReadFloat();
                key.value.z = ReadFloat();
            });
            break;
        case 4:
            ReadKeys(16, animation.matrix, [&](XMatrixKey& key) {
                for (auto& row : key.value.m)
                    for (float& value : row) value = ReadFloat();
            });
            break;
        default:
            throw XFormatError("unknown animation key type");
        }
        SkipRest();
    }

    // Keys of one kind, sorted by tick; those of a later AnimationKey of the
    // same kind replace the earlier ones.
    template <typename Key, typename ReadValue>
    void ReadKeys(std::uint32_t valueCount, std::vector<Key>& keys, ReadValue readValue) {
        // Each key is its tick, its value count and its values.
        const std::uint32_t count = ReadCount(valueCount + 2);
        keys.clear();
        keys.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            Key key;
            key.tick = ReadUInt();
            if (ReadUInt() != valueCount) throw XFormatError("animation key of the wrong size");
            readValue(key);
            keys.push_back(key);
        }
        std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.tick < b.tick; });
    }

    // Reads child objects up to the closing brace; onReference gets the names
    // of "{ name }" references, which are skipped when it is not given.
    template <typename OnChild, typename OnReference>
    void ForEachChild(OnChild onChild, OnReference onReference) {
        for (;;) {
            const XToken token = tokens_.Next();
            if (token.kind == XTokenKind::CloseBrace) return;
            if (token.kind == XTokenKind::Name) {
                onChild(token.text);
            } else if (token.kind == XTokenKind::OpenBrace) {
                const XToken reference = tokens_.Next();
                if (reference.kind == XTokenKind::Name) onReference(reference.text);
                if (reference.kind != XTokenKind::CloseBrace) SkipRest();
            } else {
                throw XFormatError("unexpected data in object");
            }
        }
    }

    template <typename OnChild>
    void ForEachChild(OnChild onChild) {
        ForEachChild(onChild, [](std::string_view) {});
    }

    // Skips everything up to and including the brace that closes the object.
    void SkipRest() {
        for (int depth = 1; depth > 0;) {
            const XToken token = tokens_.Next();
            if (token.kind == XTokenKind::End) throw XFormatError("unexpected end of data");
            if (token.kind == XTokenKind::OpenBrace) ++depth;
            if (token.kind == XTokenKind::CloseBrace) --depth;
        }
    }

    void Expect(XTokenKind kind) {
        if (tokens_.Next().kind != kind) throw XFormatError("unexpected token");
    }

    double ReadNumber() {
        const XToken token = tokens_.Next();
        if (token.kind != XTokenKind::Number) throw XFormatError("number expected");
        return token.number;
    }

    // Values that round past the range of a float become infinite rather than
    // undefined. Those just above the largest float round to it, as the shortest
    // text of that float ("3.4028235e+38") does.
    float ReadFloat() {
        constexpr double kRoundsToInfinity = 0x1.ffffffp127;  // the largest float and half a step
        constexpr float kLargest = std::numeric_limits<float>::max();
        constexpr float kInfinity = std::numeric_limits<float>::infinity();
        const double value = ReadNumber();
        if (std::fabs(value) >= kRoundsToInfinity) return value > 0 ? kInfinity : -kInfinity;
        if (std::fabs(value) > kLargest) return value > 0 ? kLargest : -kLargest;
        return static_cast<float>(value);
    }

    std::uint32_t ReadUInt() {
        const double value = ReadNumber();
        if (!(value >= 0 && value <= 4294967295.0) || value != std::floor(value))
            throw XFormatError("count or index expected");
        return static_cast<std::uint32_t>(value);
    }

    // A count of elements of numbersEach numbers; each number takes at least a
    // byte, so a count the data cannot hold is refused before anything is sized by it.
    std::uint32_t ReadCount(std::size_t numbersEach) {
        const std::uint32_t count = ReadUInt();
        if (static_cast<std::size_t>(count) * numbersEach > tokens_.RemainingBytes())
            throw XFormatError("count larger than the data");
        return count;
    }

    Color3 ReadColor() {
        Color3 color;
        color.red = ReadFloat();
        color.green = ReadFloat();
        color.blue = ReadFloat();
        return color;
    }

    std::vector<Vec3> ReadVectors() {
        const std::uint32_t count = ReadCount(3);
        std::vector<Vec3> vectors(count);
        for (Vec3& v : vectors) {
            v.x = ReadFloat();
            v.y = ReadFloat();
            v.z = ReadFloat();
        }
        return vectors;
    }

    XFaces ReadFaces(std::size_t indexLimit) {
        const std::uint32_t count = ReadCount(1);
        XFaces faces;
        faces.cornerCounts.reserve(count);
        faces.indices.reserve(std::min(static_cast<std::size_t>(count) * 3, tokens_.RemainingBytes()));
        for (std::uint32_t face = 0; face < count; ++face) {
            const std::uint32_t corners = ReadCount(1);
            faces.cornerCounts.push_back(corners);
            for (std::uint32_t corner = 0; corner < corners; ++corner) {
                const std::uint32_t index = ReadUInt();
                if (index >= indexLimit) throw XFormatError("face index out of range");
                faces.indices.push_back(index);
            }
        }
        return faces;
    }

    XTokenizer& tokens_;
    std::vector<XMesh> meshes_;
    std::vector<XFrameNode> frames_;
    std::vector<CopyCost> copyCosts_;  // per mesh: what each placement after its first costs
    std::vector<bool> open_;  // per frame: being placed, so a reference back into it is a cycle
    std::size_t visits_ = 0;
    CopyBudget copied_;  // by references, of meshes and materials
    const Material white_;  // of references to materials the file does not define
    std::map<std::string, Material> namedMaterials_;
    std::map<std::string, XNode> namedNodes_;  // the first frame or mesh of each name
    // The first frame of each name: a frame often shares its name with its mesh.
    std::map<std::string, std::size_t> namedFrames_;
    std::vector<NamedAnimation> animations_;
    bool animationSetRead_ = false;
    double ticksPerSecond_ = 4800;
    bool recordUses_ = false;  // while placing: frame uses are kept, for an animated model
    std::vector<XFrameUse> uses_;
};

double Mix(double a, double b, double t) { return a + (b - a) * t; }

// The value of sorted keys at tick: held before the first and after the last,
// mixed by mix between the two around it.
template <typename Key, typename Value, typename MixValues>
Value KeyValue(const std::vector<Key>& keys, double tick, MixValues mix) {
    const auto after = std::upper_bound(keys.begin(), keys.end(), tick,
                                        [](double t, const Key& key) { return t < key.tick; });
    if (after == keys.begin()) return keys.front().value;
    if (after == keys.end()) return keys.back().value;
    const Key& before = *(after - 1);
    return mix(before.value, after->value, (tick - before.tick) / (after->tick - before.tick));
}

using Quaternion = std::array<double, 4>;  // w, x, y, z

// A quaternion of length 0 or not finite stands for no turn.
Quaternion Normalised(const std::array<float, 4>& q) {
    const double length = std::sqrt(double{q[0]} * q[0] + double{q[1]} * q[1] + double{q[2]} * q[2] + double{q[3]} * q[3]);
    if (!(length > 0) || !std::isfinite(length)) return {1, 0, 0, 0};
    return {q[0] / length, q[1] / length, q[2] / length, q[3] / length};
}

// Along the shorter arc, of unit length.
std::array<float, 4> Slerp(const std::array<float, 4>& from, const std::array<float, 4>& to, double t) {
    const Quaternion a = Normalised(from);
    Quaternion b = Normalised(to);
    double cosine = 0;
    for (int i = 0; i < 4; ++i) cosine += a[i] * b[i];
    if (cosine < 0) {
        for (double& v : b) v = -v;
        cosine = -cosine;
    }
    double wa = 1 - t, wb = t;
    // Close quaternions are mixed linearly, where the sine below loses precision.
    if (cosine < 0.9995) {
        const double angle = std::acos(cosine);
        wa = std::sin((1 - t) * angle) / std::sin(angle);
        wb = std::sin(t * angle) / std::sin(angle);
    }
    std::array<float, 4> q{};
    for (int i = 0; i < 4; ++i) q[i] = static_cast<float>(wa * a[i] + wb * b[i]);
    return q;
}

}  // namespace

// A .x rotation key holds the conjugate of the turn, so that its usual
// column-vector matrix is the row-vector matrix of the turn.
Matrix4 AnimatedMatrix(const XFrameAnimation& animation, double tick) {
    if (!animation.matrix.empty()) {
        return KeyValue<XMatrixKey, Matrix4>(animation.matrix, tick, [](const Matrix4& a, const Matrix4& b, double t) {
            Matrix4 mixed;
            for (int row = 0; row < 4; ++row)
                for (int column = 0; column < 4; ++column)
                    mixed.m[row][column] = static_cast<float>(Mix(a.m[row][column], b.m[row][column], t));
            return mixed;
        });
    }
    const auto mixVectors = [](Vec3 a, Vec3 b, double t) {
        return Vec3{static_cast<float>(Mix(a.x, b.x, t)), static_cast<float>(Mix(a.y, b.y, t)),
                    static_cast<float>(Mix(a.z, b.z, t))};
    };
    const Vec3 scale = animation.scale.empty() ? Vec3{1, 1, 1}
                                               : KeyValue<XVectorKey, Vec3>(animation.scale, tick, mixVectors);
    const Vec3 position =
        animation.position.empty() ? Vec3{} : KeyValue<XVectorKey, Vec3>(animation.position, tick, mixVectors);
    const auto [w, x, y, z] =
        animation.rotation.empty()
            ? Quaternion{1, 0, 0, 0}
            : Normalised(KeyValue<XRotationKey, std::array<float, 4>>(animation.rotation, tick, Slerp));
    const double rotation[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                                   {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                                   {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
    const float scales[3] = {scale.x, scale.y, scale.z};
    Matrix4 matrix = Matrix4::Translation(position);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            matrix.m[row][column] = static_cast<float>(scales[row] * rotation[row][column]);
    return matrix;
}

void PoseXModel(XModel& model, double ticks) {
    double tick = ticks > 0 ? ticks : 0;
    if (model.lastTick > 0 && tick > model.lastTick) tick = std::fmod(tick, model.lastTick);
    std::vector<Matrix4> local = model.frameMatrices;
    for (const XFrameAnimation& animation : model.animations) local[animation.frame] = AnimatedMatrix(animation, tick);
    std::vector<Matrix4> world(model.frameUses.size());
    for (std::size_t i = 0; i < world.size(); ++i) {
        const XFrameUse& use = model.frameUses[i];
        world[i] = use.parent < 0 ? local[use.frame] : local[use.frame] * world[static_cast<std::size_t>(use.parent)];
    }
    for (XMesh& mesh : model.meshes)
        for (std::size_t k = 0; k < mesh.placedBy.size(); ++k)
            mesh.placements[k] = mesh.placedBy[k] < 0 ? Matrix4::Identity()
                                                      : world[static_cast<std::size_t>(mesh.placedBy[k])];
}

XModel ParseXModel(const std::uint8_t* data, std::size_t size) {
    if (size < HeaderSize || std::memcmp(data, "xof ", 4) != 0) throw XFormatError("not .x data");
    const std::string_view format(reinterpret_cast<const char*>(data) + 8, 4);
    const std::string_view floatSize(reinterpret_cast<const char*>(data) + 12, 4);
    if (floatSize != "0032" && floatSize != "0064") throw XFormatError("unknown float size");
    const int floatBytes = floatSize == "0064" ? 8 : 4;
    std::vector<std::uint8_t> unpacked;
    const std::uint8_t* body = data + HeaderSize;
    std::size_t bodySize = size - HeaderSize;
    if (format == "tzip" || format == "bzip") {
        unpacked = InflateMsZip(body, bodySize);
        body = unpacked.data();
        bodySize = unpacked.size();
    } else if (format != "txt " && format != "bin ") {
        throw XFormatError("unknown format");
    }
    const bool text = format == "txt " || format == "tzip";
    XTokenizer tokens(body, bodySize, text ? XTokenizer::Encoding::Text : XTokenizer::Encoding::Binary,
                      floatBytes);
    return XParser(tokens).ParseFile();
}

std::vector<XMesh> ParseXFile(const std::uint8_t* data, std::size_t size) {
    return ParseXModel(data, size).meshes;
}

}  // namespace viewer
