// The scene the hierarchy and animation exports write: names, nesting, where the
// frame chain puts every mesh, and keys that give back every frame's pose.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "xexport/ExportPreparation.h"
#include "xexport/ModelScene.h"
#include "xexport/WriteModelX.h"

using namespace model3ds;
using testsupport::KeyframerSpec;
using testsupport::KeySpec;
using testsupport::MeshSpec;
using testsupport::NodeSpec;
using xexport::BuildModelScene;
using xexport::TModelScene;

namespace {

std::unique_ptr<TFile3DS> Load(const std::vector<std::uint8_t>& bytes) {
    auto model = std::make_unique<TFile3DS>();
    base::MemoryStream stream(bytes);
    model->LoadFromStream(stream);
    return model;
}

MeshSpec CubeMesh(const std::string& name, float x, float y, float z, bool mirrored = false) {
    std::vector<testsupport::Vertex> corners;
    for (int i = 0; i < 8; ++i) corners.push_back({x + (i & 1 ? 1 : -1), y + (i & 2 ? 1 : -1), z + (i & 4 ? 1 : -1)});
    const float sx = mirrored ? -1.0f : 1.0f;
    return {.name = name, .vertices = corners, .faces = {{0, 1, 2}, {1, 3, 2}},
            .matrix = {sx, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z}};
}

KeySpec Key(std::int32_t frame, std::vector<float> value) { return {.frame = frame, .value = std::move(value)}; }

// A group with a name readers cannot take, three levels below it with a pivot,
// splines and non-uniform scale, one mesh under two nodes, a mirrored mesh
// matrix, and a mesh no node places.
std::vector<std::uint8_t> RigModel(std::int32_t end = 60) {
    KeyframerSpec kf{.start = 5, .end = end, .current = 5};
    NodeSpec turret{.id = 0, .name = kDummyNodeName, .instance = "Turret #1"};
    turret.position.keys = {Key(0, {0, 0, 2})};
    turret.rotation.keys = {Key(0, {0, 0, 0, 1}),
                            {.frame = 30, .value = {1.2f, 0, 0, 1}, .tension = 0.4f, .continuity = -0.3f, .bias = 0.5f},
                            Key(60, {-2.0f, 1, 1, 0})};
    kf.nodes.push_back(turret);
    NodeSpec arm{.id = 1, .name = "Arm", .parent = 0};
    arm.position.keys = {Key(0, {3, 0, 0}), Key(20, {4, 1, 0}), Key(60, {2, -2, 1})};
    arm.scale.keys = {Key(0, {1, 2, 0.5f}), Key(40, {2, 1, 1})};
    kf.nodes.push_back(arm);
    NodeSpec hand{.id = 2, .name = "Hand", .parent = 1, .pivot = testsupport::Vertex{1, 2, 3}};
    hand.position.keys = {Key(0, {2, 0, 0})};
    hand.rotation.keys = {Key(0, {0.3f, 1, 0, 0}), Key(50, {1.5f, 0, 0, 1})};
    kf.nodes.push_back(hand);
    for (std::int16_t side = 0; side < 2; ++side) {
        NodeSpec wheel{.id = static_cast<std::int16_t>(3 + side), .name = "Wheel", .parent = 0,
                       .instance = side == 0 ? "Left" : "Right"};
        wheel.position.keys = {Key(0, {side == 0 ? -2.0f : 2.0f, 0, 0})};
        kf.nodes.push_back(wheel);
    }
    NodeSpec mirror{.id = 5, .name = "Mirror"};
    mirror.position.keys = {Key(0, {0, 5, 0}), Key(60, {0, 8, 0})};
    kf.nodes.push_back(mirror);
    return testsupport::BuildAnimatedModel({CubeMesh("Arm", 3, 0, 2), CubeMesh("Hand", 5, 0, 2),
                                            CubeMesh("Wheel", 0, 0, 0), CubeMesh("Mirror", 0, 5, 0, true),
                                            CubeMesh("Loose", 9, 9, 9)},
                                           kf);
}

// The matrix of scene node i: its parents' locals times its own.
TMatrix4 Chain(const TModelScene& scene, int i) {
    TMatrix4 result = TMatrix4::Identity();
    for (; i >= 0; i = scene.Nodes[static_cast<std::size_t>(i)].Parent)
        result = scene.Nodes[static_cast<std::size_t>(i)].Local * result;
    return result;
}

double ModelSize(TFile3DS& model) {
    double size = 1;
    for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) {
        for (const TVector3DS& v : model.ObjectList().GetMesh(i)->Vertices)
            size = std::max({size, 2.0 * std::fabs(v.x), 2.0 * std::fabs(v.y), 2.0 * std::fabs(v.z)});
    }
    return size;
}

// Every mesh the frame chain places at the segment's first frame lies where the
// evaluator places the stored mesh: object nodes in the evaluator's order, then
// the meshes no node places, at their stored place. Returns the meshes compared.
int ComparePlacement(TFile3DS& model, const TModelScene& scene, const std::string& what) {
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    const TPoseEvaluator pose(keyframer);
    const std::vector<TMatrix4> world = pose.World(keyframer.SegmentStart);
    std::vector<std::vector<TVector3DS>> expected;
    std::vector<bool> placed(static_cast<std::size_t>(model.ObjectList().MeshTotal()), false);
    for (const std::size_t i : pose.Order()) {
        const TKFNode3DS& node = keyframer.Nodes[i];
        if (node.Tag != CK_NODE_OBJECT || node.Name == kDummyNodeName) continue;
        const int index = FindMeshIndex(model, node.Name);
        if (index < 0) continue;
        placed[static_cast<std::size_t>(index)] = true;
        const TMesh3DS& mesh = *model.ObjectList().GetMesh(index);
        if (mesh.Faces.empty()) continue;
        std::vector<TVector3DS> points;
        for (const TVector3DS& v : mesh.Vertices) points.push_back(TransformPoint(pose.MeshPlacement(i, mesh.LocalMatrix, world), v));
        expected.push_back(points);
    }
    for (std::size_t m = 0; m < placed.size(); ++m) {
        const TMesh3DS& mesh = *model.ObjectList().GetMesh(static_cast<int>(m));
        if (!placed[m] && !mesh.Faces.empty()) expected.push_back(mesh.Vertices);
    }
    const double tolerance = 1e-5 * ModelSize(model);
    std::size_t k = 0;
    for (std::size_t n = 0; n < scene.Nodes.size(); ++n) {
        const TMatrix4 chain = Chain(scene, static_cast<int>(n));
        for (const auto& shared : scene.Nodes[n].Meshes) {
            const TMesh3DS& mesh = *shared;
            if (k >= expected.size()) {
                ADD_FAILURE() << what << ": more meshes than the keyframer places";
                return static_cast<int>(k);
            }
            EXPECT_EQ(mesh.Vertices.size(), expected[k].size()) << what;
            for (std::size_t v = 0; v < std::min(mesh.Vertices.size(), expected[k].size()); ++v) {
                const TVector3DS p = TransformPoint(chain, mesh.Vertices[v]);
                const TVector3DS& e = expected[k][v];
                EXPECT_NEAR(p.x, e.x, tolerance) << what << " node " << scene.Nodes[n].Name << " vertex " << v;
                EXPECT_NEAR(p.y, e.y, tolerance) << what << " node " << scene.Nodes[n].Name << " vertex " << v;
                EXPECT_NEAR(p.z, e.z, tolerance) << what << " node " << scene.Nodes[n].Name << " vertex " << v;
            }
            ++k;
        }
    }
    EXPECT_EQ(k, expected.size()) << what;
    return static_cast<int>(k);
}

TQuat Slerp(TQuat a, TQuat b, double t) {
    const double dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    const double angle = std::acos(std::clamp(dot, -1.0, 1.0));
    if (angle < 1e-9) return a;
    const double wa = std::sin((1 - t) * angle) / std::sin(angle), wb = std::sin(t * angle) / std::sin(angle);
    return {wa * a.w + wb * b.w, wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z};
}

// The pose a linear reader of the keys gives at tick t.
TNodePose Interpolate(const xexport::TNodeAnimation& animation, double t) {
    const auto bracket = [t](const auto& keys) {
        std::size_t b = 0;
        while (b + 1 < keys.size() && keys[b + 1].Tick <= t) ++b;
        const std::size_t e = std::min(b + 1, keys.size() - 1);
        const double span = static_cast<double>(keys[e].Tick) - keys[b].Tick;
        return std::make_tuple(b, e, span > 0 ? (t - keys[b].Tick) / span : 0.0);
    };
    TNodePose pose;
    const auto [rb, re, rt] = bracket(animation.Rotation);
    pose.Rotation = Slerp(animation.Rotation[rb].Value, animation.Rotation[re].Value, rt);
    const auto lerp = [&bracket](const std::vector<xexport::TVectorKey>& keys, double out[3]) {
        const auto [b, e, u] = bracket(keys);
        for (int k = 0; k < 3; ++k) out[k] = keys[b].Value[k] + (keys[e].Value[k] - keys[b].Value[k]) * u;
    };
    lerp(animation.Position, pose.Position);
    lerp(animation.Scale, pose.Scale);
    return pose;
}

}  // namespace

TEST(ModelScene, NamesNestingAndInstances) {
    auto model = Load(RigModel());
    const TModelScene scene = BuildModelScene(*model, {.FileName = "/some/where/rig model.3ds", .TopFrame = true});
    struct Row {
        const char* name;
        const char* parent;
        std::size_t meshes;
    };
    const Row expected[] = {{"rig_model", "", 0}, {"Turret__1", "rig_model", 0}, {"Arm", "Turret__1", 1},
                            {"Hand", "Arm", 1},  {"Wheel", "Turret__1", 1},    {"Wheel_2", "Turret__1", 1},
                            {"Mirror", "rig_model", 1}, {"Loose", "rig_model", 1}};
    ASSERT_EQ(scene.Nodes.size(), std::size(expected));
    EXPECT_EQ(scene.Name, "rig_model");
    for (std::size_t i = 0; i < scene.Nodes.size(); ++i) {
        const auto& node = scene.Nodes[i];
        EXPECT_EQ(node.Name, expected[i].name);
        EXPECT_EQ(node.Parent < 0 ? std::string() : scene.Nodes[static_cast<std::size_t>(node.Parent)].Name,
                  expected[i].parent)
            << node.Name;
        EXPECT_EQ(node.Meshes.size(), expected[i].meshes) << node.Name;
    }
    EXPECT_TRUE(scene.Animations.empty());
    EXPECT_TRUE(scene.Warnings.empty());
    // Without the top frame the same nodes, the top ones at the top.
    const TModelScene flat = BuildModelScene(*model, {.FileName = "rig.3ds"});
    ASSERT_EQ(flat.Nodes.size(), scene.Nodes.size() - 1);
    EXPECT_EQ(flat.Nodes[0].Parent, -1);
    EXPECT_EQ(flat.Nodes.back().Parent, -1);
}

TEST(ModelScene, FrameChainsPlaceEveryMeshWhereTheKeyframerDoes) {
    auto rig = Load(RigModel());
    EXPECT_EQ(ComparePlacement(*rig, BuildModelScene(*rig, {}), "rig"), 6);
    // Without a keyframer every mesh is a top node at its stored place.
    auto still = Load(testsupport::BuildModel({CubeMesh("A", 1, 2, 3), CubeMesh("B", 0, 0, 0, true)}));
    const TModelScene stillScene = BuildModelScene(*still, {});
    ASSERT_EQ(stillScene.Nodes.size(), 2u);
    EXPECT_EQ(ComparePlacement(*still, stillScene, "no keyframer"), 2);
    const auto models = testsupport::SharedModels();
    if (models.empty()) GTEST_SKIP() << "the shared model folder is absent";
    for (const auto& entry : std::filesystem::directory_iterator(models / "3ds")) {
        TFile3DS model(entry.path().string());
        EXPECT_GT(ComparePlacement(model, BuildModelScene(model, {}), entry.path().filename().string()), 0);
    }
}

TEST(ModelScene, KeysGiveBackEveryFramesPose) {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases = {{"rig", RigModel()}};
    const auto models = testsupport::SharedModels();
    for (const char* name : {"RotatingCube.3DS", "CameraRollAnimWithChildObject.3ds"}) {
        if (!models.empty()) cases.push_back({name, base::ReadWholeFile((models / "3ds" / name).string())});
    }
    for (const auto& [what, bytes] : cases) {
        auto model = Load(bytes);
        const TModelScene scene = BuildModelScene(*model, {.Animation = true});
        const TKeyframer3DS keyframer = ReadKeyframer(*model);
        const TPoseEvaluator pose(keyframer);
        ASSERT_FALSE(scene.Animations.empty()) << what;
        const double size = ModelSize(*model);
        std::size_t keys = 0;
        for (const auto& animation : scene.Animations) {
            const TMatrix4& first = scene.Nodes[animation.Node].Local;
            for (int frame = keyframer.SegmentStart; frame <= keyframer.SegmentEnd; ++frame) {
                const TMatrix4 read = Interpolate(animation, frame - keyframer.SegmentStart).Matrix();
                // The node's local pose at that frame: the frame matrix at the first
                // frame, the evaluator's own at the others.
                const std::size_t kf = [&] {
                    for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
                        if (xexport::NodeName(keyframer.Nodes[i]) == scene.Nodes[animation.Node].Name) return i;
                    }
                    return std::size_t{0};
                }();
                if (pose.Aimed(kf) && frame != keyframer.SegmentStart) continue;
                const TMatrix4 truth = frame == keyframer.SegmentStart ? first : pose.LocalPose(kf, frame).Matrix();
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 4; ++c)
                        ASSERT_NEAR(read.m[r][c], truth.m[r][c], (c == 3 ? 1e-5 * size : 1e-5))
                            << what << " " << scene.Nodes[animation.Node].Name << " frame " << frame;
            }
            for (std::size_t k = 1; k < animation.Rotation.size(); ++k) {
                const TQuat& a = animation.Rotation[k - 1].Value;
                const TQuat& b = animation.Rotation[k].Value;
                EXPECT_GE(a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z, 0) << what << " key " << k;
            }
            keys += animation.Rotation.size() + animation.Position.size() + animation.Scale.size();
        }
        const std::size_t frames = static_cast<std::size_t>(keyframer.SegmentEnd - keyframer.SegmentStart + 1);
        EXPECT_LT(keys, 3 * frames * scene.Animations.size()) << what << ": linear stretches keep no keys";
    }
}

TEST(ModelScene, StillModelsGetNoAnimationAndLinearTracksKeepTheirEnds) {
    KeyframerSpec kf{.start = 0, .end = 90};
    kf.nodes.push_back({.id = 0, .name = "A", .position = {.keys = {Key(0, {1, 2, 3})}}});
    auto still = Load(testsupport::BuildAnimatedModel({CubeMesh("A", 1, 2, 3)}, kf));
    EXPECT_TRUE(BuildModelScene(*still, {.Animation = true}).Animations.empty());

    kf.nodes[0].position.keys = {{.frame = 0, .value = {0, 0, 0}, .continuity = 1}, {.frame = 90, .value = {9, 0, 0}, .continuity = 1}};
    auto sliding = Load(testsupport::BuildAnimatedModel({CubeMesh("A", 0, 0, 0)}, kf));
    const TModelScene scene = BuildModelScene(*sliding, {.Animation = true});
    ASSERT_EQ(scene.Animations.size(), 1u);
    const auto& position = scene.Animations[0].Position;
    ASSERT_EQ(position.size(), 2u);
    EXPECT_EQ(position[1].Tick, 90u);
    EXPECT_DOUBLE_EQ(position[1].Value[0], 9);
    EXPECT_EQ(scene.Animations[0].Rotation.size(), 2u);
}

TEST(ModelScene, EndlessSegmentsAreRefusedQuickly) {
    const auto started = std::chrono::steady_clock::now();
    auto model = Load(RigModel(2'000'000'000));
    EXPECT_THROW(BuildModelScene(*model, {.Animation = true}), xexport::EExportError);
    // The hierarchy alone needs only the first frame.
    EXPECT_EQ(BuildModelScene(*model, {}).Nodes.size(), 7u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// Nodes that place one mesh the same way share one copy of it; a node that
// places it another way has its own. Every placement past the first counts
// for the writers that copy each one.
TEST(ModelScene, NodesPlacingAMeshAlikeShareOneCopy) {
    KeyframerSpec kf;
    for (std::int16_t i = 0; i < 3; ++i) {
        NodeSpec node{.id = i, .name = "Strip", .pivot = testsupport::Vertex{i == 2 ? 1.0f : 0.0f, 0, 0}};
        node.position.keys = {Key(0, {static_cast<float>(i), 0, 0})};
        kf.nodes.push_back(node);
    }
    auto model = Load(testsupport::BuildAnimatedModel({testsupport::StripMesh("Strip", 10)}, kf));
    const TModelScene scene = BuildModelScene(*model, {});
    ASSERT_EQ(scene.Nodes.size(), 3u);
    for (const auto& node : scene.Nodes) ASSERT_EQ(node.Meshes.size(), 1u);
    EXPECT_EQ(scene.Nodes[0].Meshes[0], scene.Nodes[1].Meshes[0]);
    EXPECT_NE(scene.Nodes[0].Meshes[0], scene.Nodes[2].Meshes[0]);
    EXPECT_FLOAT_EQ(scene.Nodes[2].Meshes[0]->Vertices[0].x, -1);
    EXPECT_EQ(scene.PlacedCopies, 2u * (10 + 8));
}

// A small file whose nodes place one large mesh many times is refused before
// the copies are made, or, when one copy serves them all, where a writer would
// copy it for each node (.x); glTF shares it.
TEST(ModelScene, CopiesPastTheBoundAreRefused) {
    constexpr int kVertices = 65535;
    constexpr std::uint64_t kPerCopy = kVertices + kVertices - 2;
    const int nodes = static_cast<int>(xexport::kMaxCopiedElements / kPerCopy) + 2;
    const struct {
        const char* name;
        bool alike;
        bool sceneRefused;
    } cases[] = {{"placed alike", true, false}, {"each placed its own way", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto model = Load(testsupport::MeshCopiesModel(nodes, kVertices, c.alike));
        xexport::TExportOptions options;
        options.Hierarchy = true;
        base::MemoryStream x;
        EXPECT_THROW(xexport::WriteModelX(*model, options, xexport::kMergedMeshes, xexport::TXForm::Text, {}, &x),
                     xexport::EExportError);
        EXPECT_EQ(x.Size(), 0u);
        if (c.sceneRefused) {
            EXPECT_THROW(BuildModelScene(*model, {}), xexport::EExportError);
        } else {
            EXPECT_EQ(BuildModelScene(*model, {}).Nodes.size(), static_cast<std::size_t>(nodes));
        }
    }
    // One copy fewer than the bound is written.
    auto within = Load(testsupport::MeshCopiesModel(nodes - 2, kVertices, false));
    EXPECT_LE(BuildModelScene(*within, {}).PlacedCopies, xexport::kMaxCopiedElements);
}

// The real models place few copies, far within the bound.
TEST(ModelScene, SharedModelsStayWithinTheCopyBound) {
    const auto models = testsupport::SharedModels();
    if (models.empty()) GTEST_SKIP() << "no shared models";
    for (const auto& entry : std::filesystem::directory_iterator(models / "3ds")) {
        auto model = Load(base::ReadWholeFile(entry.path().string()));
        const TModelScene scene = BuildModelScene(*model, {.TopFrame = true, .Animation = true});
        EXPECT_LE(scene.PlacedCopies, xexport::kMaxCopiedElements / 100) << entry.path();
    }
}
