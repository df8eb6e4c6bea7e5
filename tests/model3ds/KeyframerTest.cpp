// The keyframer's records and poses, checked against lib3ds, which reads and
// evaluates the keyframer independently, and against the stored vertices where
// lib3ds goes wrong (mirrored mesh matrices, children of cameras).
#include <gtest/gtest.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "Load.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using namespace model3ds;
using testsupport::KeyframerSpec;
using testsupport::KeySpec;
using testsupport::MeshSpec;
using testsupport::NodeSpec;

namespace {

void Collect(Lib3dsNode* node, std::vector<Lib3dsNode*>& out) {
    for (; node != nullptr; node = node->next) {
        out.push_back(node);
        Collect(node->childs, out);
    }
}

// The largest side of the box around every stored vertex; 1 for a model without any.
double ModelSize(TFile3DS& model) {
    TVector3DS low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
    for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) {
        for (const TVector3DS& v : model.ObjectList().GetMesh(i)->Vertices) {
            low = VectorMin(low, v);
            high = VectorMax(high, v);
        }
    }
    const double size = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
    return size > 0 ? size : 1;
}

bool HasCameraAbove(const TKeyframer3DS& keyframer, const TPoseEvaluator& pose, std::size_t node) {
    for (int p = pose.Parent(node); p >= 0; p = pose.Parent(static_cast<std::size_t>(p))) {
        if (keyframer.Nodes[static_cast<std::size_t>(p)].Tag == CK_NODE_CAMERA) return true;
    }
    return false;
}

// Every node's matrix at every frame of the segment against lib3ds's, except for
// cameras and what hangs below them, whose aim lib3ds leaves out. Returns the
// number of node matrices compared.
int CompareWithLib3ds(const std::string& path) {
    TFile3DS model(path);
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    const TPoseEvaluator pose(keyframer);
    const double size = ModelSize(model);
    Lib3dsFile* oracle = lib3ds_file_load(path.c_str());
    EXPECT_NE(oracle, nullptr) << path;
    if (oracle == nullptr) return 0;
    std::vector<Lib3dsNode*> oracleNodes;
    Collect(oracle->nodes, oracleNodes);
    int compared = 0;
    for (int frame = keyframer.SegmentStart; frame <= keyframer.SegmentEnd; ++frame) {
        lib3ds_file_eval(oracle, static_cast<float>(frame));
        const std::vector<TMatrix4> world = pose.World(frame);
        for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
            const TKFNode3DS& node = keyframer.Nodes[i];
            if (node.Tag == CK_NODE_CAMERA || HasCameraAbove(keyframer, pose, i)) continue;
            const auto match = std::find_if(oracleNodes.begin(), oracleNodes.end(), [&node](Lib3dsNode* n) {
                return n->node_id == static_cast<Lib3dsWord>(node.Id);
            });
            if (match == oracleNodes.end()) continue;
            for (int row = 0; row < 3; ++row) {
                for (int column = 0; column < 4; ++column) {
                    const double tolerance = 1e-5 * (column == 3 ? size : 1);
                    const double ours = world[i].m[row][column], theirs = (*match)->matrix[column][row];
                    if (std::fabs(ours - theirs) > tolerance) {
                        ADD_FAILURE() << path << " node " << node.Name << "." << node.Instance << " frame " << frame
                                      << " row " << row << " column " << column << ": " << ours << " against "
                                      << theirs;
                        lib3ds_file_free(oracle);
                        return compared;
                    }
                }
            }
            ++compared;
        }
    }
    lib3ds_file_free(oracle);
    return compared;
}

// The largest distance of a mesh's stored vertex from where the placement at the
// file's current frame puts it.
double PlacementError(TFile3DS& model, const TKeyframer3DS& keyframer, const TPoseEvaluator& pose,
                      std::size_t node) {
    const TMesh3DS* mesh = model.ObjectList().GetMesh(FindMeshIndex(model, keyframer.Nodes[node].Name));
    const std::vector<TMatrix4> world = pose.World(keyframer.CurrentFrame);
    const TMatrix4 placement = pose.MeshPlacement(node, mesh->LocalMatrix, world);
    double error = 0;
    for (const TVector3DS& v : mesh->Vertices) {
        const TVector3DS p = TransformPoint(placement, v);
        error = std::max({error, double{std::fabs(p.x - v.x)}, double{std::fabs(p.y - v.y)},
                          double{std::fabs(p.z - v.z)}});
    }
    return error;
}

std::vector<testsupport::Vertex> Cube(float x, float y, float z, float half) {
    std::vector<testsupport::Vertex> corners;
    for (int i = 0; i < 8; ++i) {
        corners.push_back({x + (i & 1 ? half : -half), y + (i & 2 ? half : -half), z + (i & 4 ? half : -half)});
    }
    return corners;
}

MeshSpec CubeMesh(const std::string& name, float x, float y, float z) {
    return {.name = name,
            .vertices = Cube(x, y, z, 1),
            .faces = {{0, 1, 2, 0}, {1, 3, 2, 0}},
            .matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z}};
}

KeySpec Key(std::int32_t frame, std::vector<float> value) { return {.frame = frame, .value = std::move(value)}; }

// A turret on a base, an arm with a hand below it (three levels), a pivot, sparse
// keys with tension, continuity and bias, non-uniform scale, and one wheel mesh
// placed by two nodes. No ease: lib3ds leaves it out.
std::vector<std::uint8_t> RigModel() {
    KeyframerSpec kf{.start = 0, .end = 100, .current = 0};
    kf.nodes.push_back({.id = 0, .name = "Base", .position = {.keys = {Key(0, {0, 0, 0})}}});
    NodeSpec turret{.id = 1, .name = kDummyNodeName, .parent = 0, .instance = "Turret"};
    turret.position.keys = {Key(0, {0, 0, 2})};
    turret.rotation.keys = {Key(0, {0, 0, 0, 1}),
                            {.frame = 30, .value = {1.2f, 0, 0, 1}, .tension = 0.4f, .continuity = -0.3f, .bias = 0.5f},
                            {.frame = 55, .value = {0.5f, 0, 1, 1}, .continuity = 0.6f},
                            {.frame = 100, .value = {-2.0f, 1, 0, 0}, .tension = -0.5f, .bias = -0.7f}};
    kf.nodes.push_back(turret);
    NodeSpec arm{.id = 2, .name = "Arm", .parent = 1};
    arm.position.keys = {Key(0, {3, 0, 0}),
                         {.frame = 10, .value = {4, 1, 0}, .tension = 0.5f, .continuity = -0.3f, .bias = 0.4f},
                         Key(40, {2, -2, 1}),
                         {.frame = 100, .value = {3, 0, 3}, .continuity = 0.8f}};
    arm.scale.keys = {Key(0, {1, 2, 0.5f}), Key(60, {2, 1, 1}), Key(90, {0.5f, 0.5f, 3})};
    kf.nodes.push_back(arm);
    NodeSpec hand{.id = 3, .name = "Hand", .parent = 2, .pivot = testsupport::Vertex{1, 2, 3}};
    hand.position.keys = {Key(0, {2, 0, 0})};
    hand.rotation.keys = {Key(0, {0.3f, 1, 0, 0}), Key(50, {1.5f, 0, 0, 1}), Key(70, {0.7f, 0, 1, 0})};
    kf.nodes.push_back(hand);
    for (std::int16_t side = 0; side < 2; ++side) {
        NodeSpec wheel{.id = static_cast<std::int16_t>(4 + side), .name = "Wheel", .parent = 0,
                       .instance = side == 0 ? "Left" : "Right"};
        wheel.position.keys = {Key(0, {side == 0 ? -2.0f : 2.0f, 0, 0})};
        wheel.rotation.keys = {Key(0, {0, 0, 0, 1}), Key(100, {6.0f, 1, 0, 0})};
        kf.nodes.push_back(wheel);
    }
    return testsupport::BuildAnimatedModel(
        {CubeMesh("Base", 0, 0, 0), CubeMesh("Arm", 3, 0, 2), CubeMesh("Hand", 5, 0, 2), CubeMesh("Wheel", 0, 0, 0)},
        kf);
}

}  // namespace

TEST(Keyframer, ReadsNodesTracksAndSpline) {
    TFile3DS model;
    testsupport::LoadBytes(model, RigModel());
    const TKeyframer3DS kf = ReadKeyframer(model);
    ASSERT_TRUE(kf.Present);
    EXPECT_EQ(kf.SegmentEnd, 100);
    ASSERT_EQ(kf.Nodes.size(), 6u);
    EXPECT_EQ(kf.Nodes[1].Instance, "Turret");
    EXPECT_EQ(kf.Nodes[3].ParentId, 2);
    EXPECT_FLOAT_EQ(kf.Nodes[3].Pivot.z, 3);
    ASSERT_EQ(kf.Nodes[2].Position.Keys.size(), 4u);
    const TKFKey3DS& key = kf.Nodes[2].Position.Keys[1];
    EXPECT_EQ(key.Frame, 10);
    EXPECT_EQ(key.SplineFlags, KF_USE_TENSION | KF_USE_CONTINUITY | KF_USE_BIAS);
    EXPECT_FLOAT_EQ(key.Spline.Continuity, -0.3f);
    EXPECT_FLOAT_EQ(key.Value[1], 1);
    EXPECT_FLOAT_EQ(kf.Nodes[1].Rotation.Keys[1].Spline.Bias, 0.5f);
    EXPECT_TRUE(kf.Warnings.empty());
    // The meshes read as before.
    EXPECT_EQ(model.ObjectList().MeshTotal(), 4);
}

TEST(Keyframer, NodeMatricesMatchLib3dsOnBuiltModels) {
    testsupport::TempDir dir;
    const std::string path = dir.File("rig.3ds");
    testsupport::SaveFile(path, RigModel());
    EXPECT_EQ(CompareWithLib3ds(path), 101 * 6);
}

TEST(Keyframer, NodeMatricesMatchLib3dsOnSharedModels) {
    const std::filesystem::path folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "the shared models folder is absent";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "3ds")) {
        compared += CompareWithLib3ds(entry.path().string());
    }
    EXPECT_GT(compared, 300);
}

TEST(Keyframer, ChildOfACameraStaysAtItsStoredPlace) {
    const std::filesystem::path folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "the shared models folder is absent";
    TFile3DS model((folder / "3ds" / "CameraRollAnimWithChildObject.3ds").string());
    const TKeyframer3DS kf = ReadKeyframer(model);
    const TPoseEvaluator pose(kf);
    bool found = false;
    for (std::size_t i = 0; i < kf.Nodes.size(); ++i) {
        if (kf.Nodes[i].Tag != CK_NODE_OBJECT || !HasCameraAbove(kf, pose, i)) continue;
        found = true;
        EXPECT_LT(PlacementError(model, kf, pose, i), 1e-5 * ModelSize(model)) << kf.Nodes[i].Name;
    }
    EXPECT_TRUE(found);
}

TEST(Keyframer, MirroredMeshStaysAtItsStoredPlaceAndTurnsWithItsNode) {
    // The mesh matrix mirrors x; the node, as keyframers write it, does not.
    MeshSpec mirrored{.name = "Mirror",
                      .vertices = {{4, 0, 0}, {3, 1, 0}, {3, 0, 2}},
                      .faces = {{0, 1, 2, 0}},
                      .matrix = {-1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 0, 0}};
    KeyframerSpec kf{.start = 0, .end = 20, .current = 0};
    NodeSpec node{.id = 0, .name = "Mirror"};
    node.position.keys = {Key(0, {5, 0, 0})};
    node.rotation.keys = {Key(0, {0, 0, 0, 1}), Key(20, {1.0f, 0, 0, 1})};
    kf.nodes.push_back(node);
    TFile3DS model;
    testsupport::LoadBytes(model, testsupport::BuildAnimatedModel({mirrored}, kf));
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    const TPoseEvaluator pose(keyframer);
    EXPECT_LT(PlacementError(model, keyframer, pose, 0), 1e-5 * ModelSize(model));
    // Later the mesh turns about the node's origin: distances from it are kept.
    const TMatrix4 later = pose.MeshPlacement(0, model.ObjectList().GetMesh(0)->LocalMatrix, pose.World(20));
    for (const TVector3DS& v : model.ObjectList().GetMesh(0)->Vertices) {
        const TVector3DS p = TransformPoint(later, v);
        EXPECT_NEAR(std::hypot(p.x - 5, p.y, p.z), std::hypot(v.x - 5, v.y, v.z), 1e-5);
        EXPECT_NEAR(p.z, v.z, 1e-5);
    }
}

TEST(Keyframer, BadInputGivesWarningsAndFiniteMatrices) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::vector<NodeSpec> nodes;
        std::int32_t start = 0, end = 10;
    };
    NodeSpec moving{.id = 0, .name = "A"};
    moving.position.keys = {Key(0, {1, 2, 3}), Key(10, {2, 3, 4})};
    const auto with = [](NodeSpec node, auto change) {
        change(node);
        return node;
    };
    const std::vector<Case> cases = {
        {"a parent id naming no node", {with(moving, [](NodeSpec& n) { n.parent = 7; })}},
        {"a cycle of parents",
         {with(moving, [](NodeSpec& n) { n.parent = 1; }), {.id = 1, .name = "B", .parent = 0}}},
        {"a node its own parent", {with(moving, [](NodeSpec& n) { n.parent = 0; })}},
        {"a key count past the chunk's end", {with(moving, [](NodeSpec& n) { n.position.count = 100000000; })}},
        {"a not-a-number position", {with(moving, [&](NodeSpec& n) { n.position.keys[1].value[0] = nan; })}},
        {"an infinite scale", {with(moving, [&](NodeSpec& n) { n.scale.keys = {Key(0, {inf, 1, 1})}; })}},
        {"a not-a-number rotation",
         {with(moving, [&](NodeSpec& n) { n.rotation.keys = {Key(0, {nan, 0, 0, 1}), Key(5, {1, 0, 0, 1})}; })}},
        {"two keys on one frame", {with(moving, [](NodeSpec& n) { n.position.keys[1].frame = 0; })}},
    };
    for (const Case& c : cases) {
        TFile3DS model;
        testsupport::LoadBytes(model, testsupport::BuildAnimatedModel(
                                          {CubeMesh("A", 1, 2, 3)}, {.start = c.start, .end = c.end, .nodes = c.nodes}));
        const TKeyframer3DS kf = ReadKeyframer(model);
        const TPoseEvaluator pose(kf);
        std::vector<std::string> warnings = kf.Warnings;
        warnings.insert(warnings.end(), pose.Warnings().begin(), pose.Warnings().end());
        EXPECT_FALSE(warnings.empty()) << c.what;
        for (double frame : {-5.0, 0.0, 3.5, 10.0, 1e9}) {
            for (const TMatrix4& m : pose.World(frame)) {
                for (const auto& row : m.m) {
                    for (double value : row) EXPECT_TRUE(std::isfinite(value)) << c.what << " at " << frame;
                }
            }
        }
        EXPECT_EQ(model.ObjectList().GetMesh(0)->NumVertices(), 8) << c.what;
    }
}

TEST(Keyframer, ZeroLengthAxisTurnsNothing) {
    KeyframerSpec kf;
    NodeSpec node{.id = 0, .name = "A"};
    node.rotation.keys = {Key(0, {1.0f, 0, 0, 0})};
    kf.nodes.push_back(node);
    TFile3DS model;
    testsupport::LoadBytes(model, testsupport::BuildAnimatedModel({CubeMesh("A", 0, 0, 0)}, kf));
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    const TPoseEvaluator pose(keyframer);
    const TMatrix4 m = pose.World(0)[0];
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(m.m[i][i], 1);
}

TEST(Keyframer, ManyNodesInADeepChainAreEvaluatedInLinearTime) {
    KeyframerSpec kf{.start = 0, .end = 1};
    constexpr int kNodes = 20000;
    for (int i = 0; i < kNodes; ++i) {
        NodeSpec node{.id = static_cast<std::int16_t>(i), .name = kDummyNodeName,
                      .parent = static_cast<std::int16_t>(i - 1)};
        node.position.keys = {Key(0, {0, 0, 1})};
        kf.nodes.push_back(node);
    }
    TFile3DS model;
    testsupport::LoadBytes(model, testsupport::BuildAnimatedModel({}, kf));
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    const TPoseEvaluator pose(keyframer);
    const std::vector<TMatrix4> world = pose.World(0);
    ASSERT_EQ(world.size(), static_cast<std::size_t>(kNodes));
    EXPECT_DOUBLE_EQ(world.back().m[2][3], kNodes);
}

TEST(Keyframer, RepeatingTrackStartsOverAfterItsLastKey) {
    KeyframerSpec kf{.start = 0, .end = 40};
    NodeSpec node{.id = 0, .name = "A"};
    node.position = {.flags = KF_TRACK_REPEAT, .keys = {Key(0, {0, 0, 0}), Key(10, {10, 0, 0})}};
    kf.nodes.push_back(node);
    NodeSpec still = node;
    still.id = 1;
    still.position.flags = 0;
    kf.nodes.push_back(still);
    TFile3DS model;
    testsupport::LoadBytes(model, testsupport::BuildAnimatedModel({}, kf));
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    const TPoseEvaluator pose(keyframer);
    EXPECT_NEAR(pose.World(24)[0].m[0][3], pose.World(4)[0].m[0][3], 1e-9);
    EXPECT_DOUBLE_EQ(pose.World(24)[1].m[0][3], 10);
}

// Ease from a key slows the start of the curve leaving it; ease to a key slows the
// arrival; either way the keys themselves are still reached.
TEST(Keyframer, EaseSlowsTheCurveNearItsKeys) {
    struct Case {
        const char* what;
        float easeFrom, easeTo;
        double frame;
        int slower;  // -1: behind the uneased curve, +1: ahead of it (slowing down later), 0: the same
    };
    const std::vector<Case> cases = {
        {"ease from, early", 1.0f, 0, 2, -1},
        {"ease to, late", 0, 1.0f, 8, +1},
        {"ease from, at the end key", 1.0f, 0, 10, 0},
        {"ease to, at the start key", 0, 1.0f, 0, 0},
    };
    for (const Case& c : cases) {
        double eased = 0, plain = 0;
        for (bool withEase : {true, false}) {
            KeyframerSpec kf{.start = 0, .end = 10};
            NodeSpec node{.id = 0, .name = "A"};
            node.position.keys = {{.frame = 0, .value = {0, 0, 0}, .easeFrom = withEase ? c.easeFrom : 0},
                                  {.frame = 10, .value = {10, 0, 0}, .easeTo = withEase ? c.easeTo : 0}};
            kf.nodes.push_back(node);
            TFile3DS model;
            testsupport::LoadBytes(model, testsupport::BuildAnimatedModel({}, kf));
            const TKeyframer3DS keyframer = ReadKeyframer(model);
            const TPoseEvaluator pose(keyframer);
            (withEase ? eased : plain) = pose.World(c.frame)[0].m[0][3];
        }
        if (c.slower < 0) {
            EXPECT_LT(eased, plain - 0.1) << c.what;
        } else if (c.slower > 0) {
            EXPECT_GT(eased, plain + 0.1) << c.what;
        } else {
            EXPECT_NEAR(eased, plain, 1e-9) << c.what;
        }
    }
}
