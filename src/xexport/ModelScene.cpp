#include "xexport/ModelScene.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "ExportBlocks.h"
#include "base/FrameDepth.h"
#include "base/Format.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/Keyframer.h"
#include "xexport/ExportPreparation.h"

namespace xexport {

using model3ds::TMatrix4;
using model3ds::TQuat;

namespace {

// Names made unique in the order they are asked for: a name already given gets
// the first free suffix "_2", "_3", ...
class TUniqueNames {
public:
    std::string Take(const std::string& raw) {
        std::string name = TextFormName(raw);
        if (name.empty()) name = "Node";
        if (used_.insert(name).second) return name;
        std::size_t& next = nextSuffix_.try_emplace(name, 2).first->second;
        std::string unique;
        do {
            unique = name + "_" + std::to_string(next++);
        } while (!used_.insert(unique).second);
        return unique;
    }

private:
    std::unordered_set<std::string> used_;
    std::unordered_map<std::string, std::size_t> nextSuffix_;
};

// The largest side of the box around every finite stored vertex; 1 for none.
double ModelSize(model3ds::TFile3DS& model) {
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    auto& meshes = model.ObjectList();
    for (int i = 0; i < meshes.MeshTotal(); ++i) {
        for (const TVector3DS& v : meshes.GetMesh(i)->Vertices) {
            const double p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) {
                if (!std::isfinite(p[k])) continue;
                low[k] = std::min(low[k], p[k]);
                high[k] = std::max(high[k], p[k]);
            }
        }
    }
    double size = 0;
    for (int k = 0; k < 3; ++k) size = std::max(size, high[k] - low[k]);
    return size > 0 && std::isfinite(size) ? size : 1;
}

using TSharedMesh = std::shared_ptr<const model3ds::TMesh3DS>;

bool Drawn(const model3ds::TMesh3DS& stored) {
    CheckFaceVertices(stored);
    return !stored.Vertices.empty() && !stored.Faces.empty();
}

// The model's mesh with its vertices carried by placement.
TSharedMesh PlacedMesh(const model3ds::TMesh3DS& stored, const TMatrix4& placement) {
    auto mesh = std::make_shared<model3ds::TMesh3DS>(stored);
    for (TVector3DS& v : mesh->Vertices) v = model3ds::TransformPoint(placement, v);
    return mesh;
}

std::uint64_t Elements(const model3ds::TMesh3DS& mesh) { return mesh.Vertices.size() + mesh.Faces.size(); }

// The copies of one model mesh made so far, by the bytes of the matrix that
// placed them: equal bytes place every vertex alike.
struct TMeshCopies {
    std::map<std::string, TSharedMesh> Made;
    bool Placed = false;
};

std::string MatrixBytes(const TMatrix4& matrix) {
    return std::string(reinterpret_cast<const char*>(matrix.m.data()), sizeof matrix.m);
}

TQuat Normalised(TQuat q) {
    const double length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (!(length > 0) || !std::isfinite(length)) return {};
    return {q.w / length, q.x / length, q.y / length, q.z / length};
}

// The rotation of a matrix whose columns are orthogonal axes of any length.
TQuat RotationOf(const TMatrix4& matrix, const double scale[3]) {
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = scale[j] != 0 ? matrix.m[i][j] / scale[j] : (i == j ? 1 : 0);
    const double trace = r[0][0] + r[1][1] + r[2][2];
    TQuat q;
    if (trace > 0) {
        const double s = 2 * std::sqrt(1 + trace);
        q = {s / 4, (r[2][1] - r[1][2]) / s, (r[0][2] - r[2][0]) / s, (r[1][0] - r[0][1]) / s};
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + r[0][0] - r[1][1] - r[2][2]));
        q = {(r[2][1] - r[1][2]) / s, s / 4, (r[0][1] + r[1][0]) / s, (r[0][2] + r[2][0]) / s};
    } else if (r[1][1] > r[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + r[1][1] - r[0][0] - r[2][2]));
        q = {(r[0][2] - r[2][0]) / s, (r[0][1] + r[1][0]) / s, s / 4, (r[1][2] + r[2][1]) / s};
    } else {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + r[2][2] - r[0][0] - r[1][1]));
        q = {(r[1][0] - r[0][1]) / s, (r[0][2] + r[2][0]) / s, (r[1][2] + r[2][1]) / s, s / 4};
    }
    return Normalised(q);
}

// Translation, rotation and scale of a matrix built from them (a camera's aim
// under its parent).
model3ds::TNodePose Decompose(const TMatrix4& matrix) {
    model3ds::TNodePose pose;
    for (int j = 0; j < 3; ++j) {
        pose.Position[j] = matrix.m[j][3];
        pose.Scale[j] = std::sqrt(matrix.m[0][j] * matrix.m[0][j] + matrix.m[1][j] * matrix.m[1][j] +
                                  matrix.m[2][j] * matrix.m[2][j]);
    }
    pose.Rotation = RotationOf(matrix, pose.Scale);
    return pose;
}

// The pose of a camera or spotlight stored at eye, looking at target.
model3ds::TNodePose StoredAim(const TVector3DS& eye, const TVector3DS& target, float roll) {
    const double from[3] = {eye.x, eye.y, eye.z}, to[3] = {target.x, target.y, target.z};
    return Decompose(model3ds::AimMatrix(from, to, roll));
}

// The keyframer node of each camera, then of each light: the first node of its
// kind and name; -1 for none, and for a light switched off. A node carries one
// of them: a second camera or light of the same kind and name gets none.
std::vector<int> CameraLightNodes(const model3ds::TKeyframer3DS& keyframer, const model3ds::TCamerasLights3DS& records) {
    std::map<std::pair<std::uint16_t, std::string>, int> byKindAndName;
    for (std::size_t i = keyframer.Nodes.size(); i-- > 0;)
        byKindAndName[{keyframer.Nodes[i].Tag, keyframer.Nodes[i].Name}] = static_cast<int>(i);
    const auto find = [&byKindAndName](std::uint16_t tag, const std::string& name) {
        const auto found = byKindAndName.find({tag, name});
        if (found == byKindAndName.end()) return -1;
        const int node = found->second;
        byKindAndName.erase(found);
        return node;
    };
    std::vector<int> nodes;
    for (const model3ds::TCamera3DS& camera : records.Cameras) nodes.push_back(find(model3ds::CK_NODE_CAMERA, camera.Name));
    for (const model3ds::TLight3DS& light : records.Lights)
        nodes.push_back(light.Off ? -1 : find(light.Spot ? model3ds::CK_NODE_SPOT : model3ds::CK_NODE_LIGHT, light.Name));
    return nodes;
}

TQuat Slerp(const TQuat& a, const TQuat& b, double t) {
    double dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    double wa = 1 - t, wb = t;
    if (dot < 0.9995) {
        const double angle = std::acos(std::clamp(dot, -1.0, 1.0));
        const double s = std::sin(angle);
        wa = std::sin((1 - t) * angle) / s;
        wb = std::sin(t * angle) / s;
    }
    return Normalised({wa * a.w + wb * b.w, wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z});
}

// Each keyframer node names its parent by a 16-bit id, so a chain holds at most
// 65536 parents and one node more below them; a top frame adds one. The
// viewer's .x reader takes that depth.
constexpr int kDeepestScene = 65536 + 1 + 1;
static_assert(kDeepestScene <= base::kMaxFrameDepth, "the viewer must read every scene the writers write");

// Longest run of frames between two kept keys; it bounds the work of finding
// them to a constant per frame.
constexpr std::size_t kMaxRun = 64;

// The samples to keep: the first, the last, and enough between them that
// interpolating between kept neighbours reproduces every sample (reproduced(a,
// b, i) says whether the line from a to b meets sample i).
template <typename Reproduced>
std::vector<std::size_t> KeptSamples(std::size_t count, Reproduced reproduced) {
    std::vector<std::size_t> kept{0};
    if (count == 1) return kept;
    kept.reserve(count);
    const auto spans = [&reproduced](std::size_t a, std::size_t b) {
        for (std::size_t i = a + 1; i < b; ++i) {
            if (!reproduced(a, b, i)) return false;
        }
        return true;
    };
    if (!spans(0, count - 1)) {
        std::size_t a = 0;
        while (a + 1 < count - 1) {
            std::size_t b = a + 1;
            while (b + 1 < count && b + 1 - a <= kMaxRun && spans(a, b + 1)) ++b;
            if (b == count - 1) break;
            kept.push_back(b);
            a = b;
        }
    }
    kept.push_back(count - 1);
    return kept;
}

struct TSample {
    double Position[3];
    TQuat Rotation;
    double Scale[3];
};

template <typename Member>
bool VectorReproduced(const std::vector<TSample>& samples, Member member, std::size_t a, std::size_t b,
                      std::size_t i, double tolerance) {
    const double t = static_cast<double>(i - a) / static_cast<double>(b - a);
    for (int k = 0; k < 3; ++k) {
        const double low = (samples[a].*member)[k], high = (samples[b].*member)[k];
        if (!(std::fabs(low + (high - low) * t - (samples[i].*member)[k]) <= tolerance)) return false;
    }
    return true;
}

bool RotationReproduced(const std::vector<TSample>& samples, std::size_t a, std::size_t b, std::size_t i,
                        double tolerance) {
    const TQuat& from = samples[a].Rotation;
    const TQuat& to = samples[b].Rotation;
    // Halfway the arc's point is the normalised sum: the check made for nearly
    // every sample of a curving track, spared its arc cosine and sines.
    const TQuat q = 2 * (i - a) == b - a
                        ? Normalised({from.w + to.w, from.x + to.x, from.y + to.y, from.z + to.z})
                        : Slerp(from, to, static_cast<double>(i - a) / static_cast<double>(b - a));
    const TQuat& s = samples[i].Rotation;
    return std::fabs(q.w - s.w) <= tolerance && std::fabs(q.x - s.x) <= tolerance &&
           std::fabs(q.y - s.y) <= tolerance && std::fabs(q.z - s.z) <= tolerance;
}

TNodeAnimation Keys(std::size_t node, const std::vector<TSample>& samples, double size) {
    // A point at the model's size from the node moves by about size times the error
    // of a scale, and by twice that of a quaternion's component.
    const double positionTolerance = 1e-6 * size, scaleTolerance = 1e-6, rotationTolerance = 0.5e-6;
    TNodeAnimation animation;
    animation.Node = node;
    const std::size_t count = samples.size();
    const auto tick = [](std::size_t i) { return static_cast<std::uint32_t>(i); };
    const std::vector<std::size_t> rotations = KeptSamples(count, [&](std::size_t a, std::size_t b, std::size_t k) {
        return RotationReproduced(samples, a, b, k, rotationTolerance);
    });
    animation.Rotation.reserve(rotations.size());
    for (const std::size_t i : rotations) animation.Rotation.push_back({tick(i), samples[i].Rotation});
    const auto vectorKeys = [&](double (TSample::*member)[3], double tolerance, std::vector<TVectorKey>& keys) {
        const std::vector<std::size_t> kept = KeptSamples(count, [&](std::size_t a, std::size_t b, std::size_t k) {
            return VectorReproduced(samples, member, a, b, k, tolerance);
        });
        keys.reserve(kept.size());
        for (const std::size_t i : kept) {
            TVectorKey key{tick(i), {}};
            std::copy(std::begin(samples[i].*member), std::end(samples[i].*member), key.Value);
            keys.push_back(key);
        }
    };
    vectorKeys(&TSample::Scale, scaleTolerance, animation.Scale);
    vectorKeys(&TSample::Position, positionTolerance, animation.Position);
    return animation;
}

std::vector<std::string> Complaints(const model3ds::TKeyframer3DS& keyframer, const model3ds::TPoseEvaluator& pose) {
    std::vector<std::string> lines = keyframer.Warnings;
    lines.insert(lines.end(), pose.Warnings().begin(), pose.Warnings().end());
    return lines;
}

class TSceneBuilder {
public:
    TSceneBuilder(model3ds::TFile3DS& model, const TSceneRequest& request)
        : model_(model), keyframer_(model3ds::ReadKeyframer(model)), pose_(keyframer_) {
        scene_.Name = TextFormName(std::filesystem::path(request.FileName).stem().string());
        if (scene_.Name.empty()) scene_.Name = "Scene";
        scene_.Warnings = Complaints(keyframer_, pose_);
        if (request.TopFrame) top_ = AddNode(scene_.Name, -1, model3ds::TNodePose());
        if (request.CamerasAndLights) {
            records_ = model3ds::ReadCamerasAndLights(model);
            recordNodes_ = CameraLightNodes(keyframer_, records_);
        }
        AddKeyframerNodes();
        AddUnplacedMeshes();
        if (request.CamerasAndLights) AddCamerasAndLights();
        if (request.Animation) AddAnimations();
    }

    TModelScene Take() { return std::move(scene_); }

private:
    int AddNode(const std::string& rawName, int parent, const model3ds::TNodePose& pose) {
        TSceneNode node;
        node.Name = names_.Take(rawName);
        node.RawName = rawName;
        node.Parent = parent < 0 ? top_ : parent;
        node.Local = pose.Matrix();
        node.Pose = pose;
        scene_.Nodes.push_back(std::move(node));
        return static_cast<int>(scene_.Nodes.size()) - 1;
    }

    // The copy of model mesh index placed by inNode: one already made the same
    // way, or a new one within kMaxCopiedElements.
    TSharedMesh Copy(int index, const model3ds::TMesh3DS& stored, const TMatrix4& inNode) {
        TMeshCopies& copies = copies_[static_cast<std::size_t>(index)];
        if (copies.Placed) scene_.PlacedCopies += Elements(stored);
        copies.Placed = true;
        const auto [made, added] = copies.Made.try_emplace(MatrixBytes(inNode));
        if (!added) return made->second;
        if (copies.Made.size() > 1) SpendCopy(stored);
        made->second = PlacedMesh(stored, inNode);
        return made->second;
    }

    void SpendCopy(const model3ds::TMesh3DS& stored) {
        madeCopies_ += Elements(stored);
        if (madeCopies_ > kMaxCopiedElements)
            throw EExportError(base::Format(
                "the keyframer places its meshes in too many different ways: the copies would pass %llu "
                "vertices and faces",
                static_cast<unsigned long long>(kMaxCopiedElements)));
    }

    // Frame-by-frame local pose of a keyframer node.
    model3ds::TNodePose LocalPose(std::size_t node, double frame, const std::vector<TMatrix4>& world) const {
        if (!pose_.Aimed(node)) return pose_.LocalPose(node, frame);
        const int parent = pose_.Parent(node);
        const TMatrix4 above =
            parent >= 0 ? model3ds::InverseAffine(world[static_cast<std::size_t>(parent)]) : TMatrix4::Identity();
        return Decompose(above * world[node]);
    }

    void AddKeyframerNodes() {
        const std::vector<model3ds::TKFNode3DS>& nodes = keyframer_.Nodes;
        // Objects, the nodes of cameras and lights asked for, and every node above one.
        std::vector<bool> carries(nodes.size(), false);
        for (const int node : recordNodes_)
            if (node >= 0) carries[static_cast<std::size_t>(node)] = true;
        std::vector<bool> kept(nodes.size(), false);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].Tag != model3ds::CK_NODE_OBJECT && !carries[i]) continue;
            for (int j = static_cast<int>(i); j >= 0 && !kept[static_cast<std::size_t>(j)]; j = pose_.Parent(static_cast<std::size_t>(j)))
                kept[static_cast<std::size_t>(j)] = true;
        }
        std::unordered_map<std::string, int> meshByName;
        auto& meshes = model_.ObjectList();
        for (int i = meshes.MeshTotal() - 1; i >= 0; --i) meshByName[meshes.GetMesh(i)->Name] = i;
        copies_.assign(static_cast<std::size_t>(meshes.MeshTotal()), {});
        sceneIndex_.assign(nodes.size(), -1);
        const std::vector<TMatrix4> world = pose_.World(keyframer_.SegmentStart);
        for (const std::size_t i : pose_.Order()) {
            if (!kept[i]) continue;
            const int parent = pose_.Parent(i);
            const int sceneParent = parent >= 0 ? sceneIndex_[static_cast<std::size_t>(parent)] : -1;
            const int index = AddNode(NodeName(nodes[i]), sceneParent,
                                      LocalPose(i, keyframer_.SegmentStart, world));
            sceneIndex_[i] = index;
            if (nodes[i].Tag != model3ds::CK_NODE_OBJECT || nodes[i].Name == model3ds::kDummyNodeName) continue;
            const auto found = meshByName.find(nodes[i].Name);
            if (found == meshByName.end()) continue;
            const model3ds::TMesh3DS& stored = *meshes.GetMesh(found->second);
            if (!Drawn(stored)) {
                copies_[static_cast<std::size_t>(found->second)].Placed = true;
                continue;
            }
            const TMatrix4 inNode = pose_.MeshInNode(i, stored.LocalMatrix);
            scene_.Nodes[static_cast<std::size_t>(index)].Meshes.push_back(Copy(found->second, stored, inNode));
        }
    }

    void AddUnplacedMeshes() {
        auto& meshes = model_.ObjectList();
        for (int i = 0; i < meshes.MeshTotal(); ++i) {
            if (!copies_.empty() && copies_[static_cast<std::size_t>(i)].Placed) continue;
            const model3ds::TMesh3DS& stored = *meshes.GetMesh(i);
            if (!Drawn(stored)) continue;
            const int index = AddNode(stored.Name, -1, model3ds::TNodePose());
            scene_.Nodes[static_cast<std::size_t>(index)].Meshes.push_back(std::make_shared<model3ds::TMesh3DS>(stored));
        }
    }

    // The scene node of a camera or light: its keyframer node's, else a new top
    // node at its stored place. A camera or spot (aims) whose keyframer node has
    // no target to look at would look nowhere in particular: it too stands at its
    // stored place, aimed at its stored target.
    std::size_t CameraLightNode(std::size_t record, const std::string& name, const model3ds::TNodePose& stored,
                                bool aims) {
        const int node = recordNodes_[record];
        if (node >= 0 && (!aims || pose_.Aimed(static_cast<std::size_t>(node))))
            return static_cast<std::size_t>(sceneIndex_[static_cast<std::size_t>(node)]);
        return static_cast<std::size_t>(AddNode(name, -1, stored));
    }

    void AddCamerasAndLights() {
        std::size_t record = 0;
        for (model3ds::TCamera3DS& camera : records_.Cameras) {
            const model3ds::TNodePose stored = StoredAim(camera.Position, camera.Target, camera.Roll);
            scene_.Cameras.push_back({CameraLightNode(record++, camera.Name, stored, true), std::move(camera)});
        }
        for (model3ds::TLight3DS& light : records_.Lights) {
            model3ds::TNodePose stored;
            if (light.Spot) stored = StoredAim(light.Position, light.Spot->Target, light.Spot->Roll);
            stored.Position[0] = light.Position.x;
            stored.Position[1] = light.Position.y;
            stored.Position[2] = light.Position.z;
            const int node =
                light.Off ? -1 : static_cast<int>(CameraLightNode(record, light.Name, stored, light.Spot.has_value()));
            ++record;
            scene_.Lights.push_back({node, std::move(light)});
        }
        scene_.CameraLightWarnings = std::move(records_.Warnings);
    }

    void AddAnimations() {
        std::vector<std::size_t> moving;
        bool aimed = false;
        for (std::size_t i = 0; i < sceneIndex_.size(); ++i) {
            if (sceneIndex_[i] < 0 || !pose_.Moves(i)) continue;
            moving.push_back(i);
            aimed = aimed || pose_.Aimed(i);
        }
        if (moving.empty()) return;
        const std::int64_t start = keyframer_.SegmentStart;
        const std::uint64_t frames =
            keyframer_.SegmentEnd > start ? static_cast<std::uint64_t>(keyframer_.SegmentEnd - start) + 1 : 1;
        // A camera's aim needs every node's matrix at every frame.
        const std::uint64_t perFrame = aimed ? pose_.NodeCount() + moving.size() : moving.size();
        if (frames > kMaxAnimationSamples / perFrame) {
            throw ELongAnimationError(base::Format(
                "the animation is too long to write: %llu frames (%d to %d) for %zu moving nodes make more "
                "than %llu samples",
                static_cast<unsigned long long>(frames), keyframer_.SegmentStart, keyframer_.SegmentEnd,
                moving.size(), static_cast<unsigned long long>(kMaxAnimationSamples)));
        }
        std::vector<std::vector<TSample>> samples(moving.size(), std::vector<TSample>(frames));
        std::vector<TMatrix4> world;
        for (std::uint64_t f = 0; f < frames; ++f) {
            const double frame = static_cast<double>(start + static_cast<std::int64_t>(f));
            if (aimed) world = pose_.World(frame);
            for (std::size_t k = 0; k < moving.size(); ++k) {
                const model3ds::TNodePose pose = LocalPose(moving[k], frame, world);
                TSample& sample = samples[k][f];
                std::copy(std::begin(pose.Position), std::end(pose.Position), sample.Position);
                std::copy(std::begin(pose.Scale), std::end(pose.Scale), sample.Scale);
                TQuat q = Normalised(pose.Rotation);
                if (f > 0) {
                    const TQuat& before = samples[k][f - 1].Rotation;
                    if (q.w * before.w + q.x * before.x + q.y * before.y + q.z * before.z < 0) q = {-q.w, -q.x, -q.y, -q.z};
                }
                sample.Rotation = q;
            }
        }
        const double size = ModelSize(model_);
        for (std::size_t k = 0; k < moving.size(); ++k)
            scene_.Animations.push_back(Keys(static_cast<std::size_t>(sceneIndex_[moving[k]]), samples[k], size));
    }

    model3ds::TFile3DS& model_;
    model3ds::TKeyframer3DS keyframer_;
    model3ds::TPoseEvaluator pose_;
    TModelScene scene_;
    TUniqueNames names_;
    int top_ = -1;  // the node holding all others, or -1
    std::vector<TMeshCopies> copies_;  // per model mesh
    std::uint64_t madeCopies_ = 0;     // vertices and faces of copies past each mesh's first
    std::vector<int> sceneIndex_;      // per keyframer node: its scene node, or -1
    model3ds::TCamerasLights3DS records_;
    std::vector<int> recordNodes_;  // per camera, then per light: its keyframer node, or -1
};

}  // namespace

std::string NodeName(const model3ds::TKFNode3DS& node) {
    return node.Name == model3ds::kDummyNodeName && !node.Instance.empty() ? node.Instance : node.Name;
}

TModelScene BuildModelScene(model3ds::TFile3DS& model, const TSceneRequest& request) {
    return TSceneBuilder(model, request).Take();
}

void CheckPlacedCopies(const TModelScene& scene) {
    if (scene.PlacedCopies > kMaxCopiedElements)
        throw EExportError(base::Format(
            "the keyframer places its meshes too many times to write each copy: %llu vertices and faces, more "
            "than %llu",
            static_cast<unsigned long long>(scene.PlacedCopies), static_cast<unsigned long long>(kMaxCopiedElements)));
}

}  // namespace xexport
