#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"
#include "support/Writer3DS.h"
#include "viewer/MeshBuilder.h"
#include "viewer/XFile.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/WriteModelX.h"
#include "xexport/XTextWriter.h"

using namespace viewer;
using testsupport::MeshSpec;

namespace {

// Two meshes, the second with a quad split in two and a face in no group.
std::vector<std::uint8_t> Model() {
    const MeshSpec first{.name = "Tri",
                         .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5f}},
                         .faces = {{0, 1, 2}},
                         .groups = {{"Red", {0}}}};
    const MeshSpec second{.name = "Quad",
                          .vertices = {{2, 2, 2}, {3, 2, 2}, {3, 3, 2}, {2, 3, 4}},
                          .faces = {{0, 1, 2}, {0, 2, 3}},
                          .groups = {{"Glass", {1}}}};
    return testsupport::BuildModel({first, second}, {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}},
                                                     {.name = "Glass", .diffuse = testsupport::Rgb{0, 0, 255}}});
}

using Writer = std::function<void(model3ds::TFile3DS&, base::MemoryStream&)>;

}  // namespace

// What the writers put out loads back with the model's geometry: coordinates in
// x, z, y order and faces wound V1, V3, V2.
TEST(WriterRoundTrip, ExportedDataLoadsWithTheModelsGeometry) {
    xexport::TExportOptions options;
    options.Origin = xexport::TOriginMode::NotEncode;
    const struct {
        const char* name;
        Writer write;
        int mesh;  // -1: all meshes merged
    } cases[] = {
        {"text, one mesh", [&](auto& m, auto& s) { xexport::WriteMeshXText(m, options, "", &s, 1); }, 1},
        {"binary, one mesh", [&](auto& m, auto& s) { xexport::WriteMeshXBinary(m, options, "", s, 1); }, 1},
        {"text, merged", [&](auto& m, auto& s) { xexport::WriteMergedXText(m, options, "", &s); }, -1},
        {"binary, merged", [&](auto& m, auto& s) { xexport::WriteMergedXBinary(m, options, "", s); }, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        base::MemoryStream source(Model());
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        base::MemoryStream x;
        c.write(model, x);
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(x.Bytes().data(), x.Bytes().size()), 0);

        std::vector<model3ds::TVector3DS> vertices;
        std::vector<std::array<std::uint32_t, 3>> faces;
        for (int m = 0; m < model.ObjectList().MeshTotal(); ++m) {
            if (c.mesh >= 0 && m != c.mesh) continue;
            const model3ds::TMesh3DS& mesh = *model.ObjectList().GetMesh(m);
            const auto base = static_cast<std::uint32_t>(vertices.size());
            for (const auto& f : mesh.Faces) faces.push_back({base + f.V1, base + f.V3, base + f.V2});
            vertices.insert(vertices.end(), mesh.Vertices.begin(), mesh.Vertices.end());
        }
        ASSERT_EQ(builder.Positions().size(), vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            EXPECT_NEAR(builder.Positions()[i].x, vertices[i].x, 2e-6f);
            EXPECT_NEAR(builder.Positions()[i].y, vertices[i].z, 2e-6f);
            EXPECT_NEAR(builder.Positions()[i].z, vertices[i].y, 2e-6f);
        }
        ASSERT_EQ(builder.Triangles().size(), faces.size());
        for (std::size_t i = 0; i < faces.size(); ++i) EXPECT_EQ(builder.Triangles()[i].vertices, faces[i]);
        // The quad's second face is of the blue material in every form.
        const Material& glass = builder.Materials()[builder.Triangles().back().material];
        EXPECT_FLOAT_EQ(glass.faceColor[2], 1.0f);
        EXPECT_FLOAT_EQ(glass.faceColor[0], 0.0f);
    }
}

// A mesh of any name exported as text loads back.
TEST(WriterRoundTrip, MeshesOfAnyNameLoadBack) {
    const std::string names[] = {"my mesh", "a{b}", "semi;colon", "com,ma", "quo\"te", "#hash", "//slashes",
                                 "a/b<c>[d]", "tab\tnew\nline", "12345", "-1.5", "\x83[\x83}\x83\\"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        base::MemoryStream source(testsupport::BuildModel(
            {{.name = name, .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}}}));
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        base::MemoryStream x;
        xexport::WriteMeshXText(model, {}, "", &x, 0);
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(x.Bytes().data(), x.Bytes().size()), 0);
        EXPECT_EQ(builder.Triangles().size(), 1u);
    }
}

// Every combination of korvane-convert's extra options, in all four writers,
// loads back in the viewer's loader with its counts.
TEST(WriterRoundTrip, EveryExtraOptionCombinationLoadsBack) {
    const MeshSpec quad{.name = "Quad",
                        .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}},
                        .faces = {{0, 1, 2}, {0, 2, 3}},
                        .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                        .groups = {{"Skin", {0, 1}}},
                        .smoothing = {1, 2},
                        .matrix = {0, 1, 0, -1, 0, 0, 0, 0, 1, 2, 0, 0}};
    const std::vector<std::uint8_t> bytes =
        testsupport::BuildModel({quad}, {{.name = "Skin", .diffuse = testsupport::Rgb{0, 255, 0}, .textureFile = "skin.png"}});
    for (int bits = 0; bits < 64 * 4; ++bits) {
        xexport::TExportOptions options;
        options.TexCoords = (bits & 1) != 0;
        options.Textures = (bits & 2) != 0;
        options.Normals = (bits & 4) != 0;
        options.Frames = (bits & 8) != 0;
        options.FlipWinding = (bits & 16) != 0;
        if ((bits & 32) != 0) options.Scale = 2.5f;
        const bool binary = (bits & 64) != 0;
        const bool merged = (bits & 128) != 0;
        SCOPED_TRACE(bits);
        base::MemoryStream source(bytes);
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        base::MemoryStream x;
        if (binary) {
            merged ? xexport::WriteMergedXBinary(model, options, "", x) : xexport::WriteMeshXBinary(model, options, "", x, 0);
        } else {
            merged ? xexport::WriteMergedXText(model, options, "", &x) : xexport::WriteMeshXText(model, options, "", &x, 0);
        }
        const std::vector<XMesh> meshes = ParseXFile(x.Bytes().data(), x.Bytes().size());
        ASSERT_EQ(meshes.size(), 1u);
        const XMesh& mesh = meshes[0];
        EXPECT_EQ(mesh.positions.size(), 4u);
        EXPECT_EQ(mesh.faces.cornerCounts.size(), 2u);
        EXPECT_EQ(mesh.normalFaces.cornerCounts.size(), options.Normals ? 2u : 0u);
        EXPECT_EQ(mesh.normals.size(), options.Normals ? 2u : 0u);  // no smoothing bit shared: flat
        EXPECT_EQ(mesh.textureCoordinates.size(), options.TexCoords ? 4u : 0u);
        ASSERT_EQ(mesh.materials.size(), 1u);
        EXPECT_EQ(mesh.materials[0].textureFileName, options.Textures ? "skin.png" : "");
        ASSERT_EQ(mesh.placements.size(), 1u);
        EXPECT_EQ(mesh.placements[0].m[3][0] != 0, options.Frames && !merged);
    }
}

namespace {

testsupport::KeySpec Key(std::int32_t frame, std::vector<float> value) { return {.frame = frame, .value = std::move(value)}; }

// A lopsided tetrahedron, so that no turn maps it onto itself.
MeshSpec Tetra(const std::string& name, float x, float y, float z, bool mirrored = false) {
    return {.name = name,
            .vertices = {{x, y, z}, {x + 1, y, z}, {x, y + 2, z}, {x, y, z + 3}},
            .faces = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}},
            .matrix = {mirrored ? -1.0f : 1.0f, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z}};
}

// A turning group, two levels below it with splines, non-uniform scale and a
// pivot, one mesh under two nodes, and a mirrored mesh that slides.
std::vector<std::uint8_t> MovingRig() {
    testsupport::KeyframerSpec kf{.start = 10, .end = 50, .current = 10};
    testsupport::NodeSpec turret{.id = 0, .name = "$$$DUMMY", .instance = "Turret"};
    turret.rotation.keys = {Key(10, {0, 0, 0, 1}),
                            {.frame = 30, .value = {1.2f, 0, 0, 1}, .tension = 0.4f, .continuity = -0.3f, .bias = 0.5f},
                            Key(50, {-2.0f, 1, 1, 0})};
    kf.nodes.push_back(turret);
    testsupport::NodeSpec arm{.id = 1, .name = "Arm", .parent = 0};
    arm.position.keys = {Key(10, {3, 0, 0}), Key(25, {4, 1, 0}), Key(50, {2, -2, 1})};
    arm.scale.keys = {Key(10, {1, 2, 0.5f}), Key(40, {2, 1, 1})};
    kf.nodes.push_back(arm);
    testsupport::NodeSpec hand{.id = 2, .name = "Hand", .parent = 1, .pivot = testsupport::Vertex{1, 2, 3}};
    hand.rotation.keys = {Key(10, {0.3f, 1, 0, 0}), Key(45, {1.5f, 0, 0, 1})};
    kf.nodes.push_back(hand);
    for (std::int16_t side = 0; side < 2; ++side) {
        testsupport::NodeSpec wheel{.id = static_cast<std::int16_t>(3 + side), .name = "Wheel", .parent = 0,
                                    .instance = side == 0 ? "Left" : "Right"};
        wheel.position.keys = {Key(10, {side == 0 ? -2.0f : 2.0f, 0, 0})};
        kf.nodes.push_back(wheel);
    }
    testsupport::NodeSpec mirror{.id = 5, .name = "Mirror"};
    mirror.position.keys = {Key(10, {0, 5, 0}), Key(50, {0, 8, 0})};
    kf.nodes.push_back(mirror);
    return testsupport::BuildAnimatedModel(
        {Tetra("Arm", 3, 0, 2), Tetra("Hand", 5, 0, 2), Tetra("Wheel", 0, 0, 0), Tetra("Mirror", 0, 5, 0, true)}, kf);
}

using Points = std::vector<Vec3>;

// Every mesh the keyframer places at frame, in .x axes (x, z, y).
std::vector<Points> KeyframerMeshes(model3ds::TFile3DS& model, double frame) {
    const model3ds::TKeyframer3DS keyframer = model3ds::ReadKeyframer(model);
    const model3ds::TPoseEvaluator pose(keyframer);
    const std::vector<model3ds::TMatrix4> world = pose.World(frame);
    std::vector<Points> meshes;
    for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
        const int index = model3ds::FindMeshIndex(model, keyframer.Nodes[i].Name);
        if (index < 0) continue;
        const model3ds::TMesh3DS& mesh = *model.ObjectList().GetMesh(index);
        Points points;
        for (const model3ds::TVector3DS& v : mesh.Vertices) {
            const model3ds::TVector3DS p =
                model3ds::TransformPoint(pose.MeshPlacement(i, mesh.LocalMatrix, world), v);
            points.push_back({static_cast<float>(p.x), static_cast<float>(p.z), static_cast<float>(p.y)});
        }
        meshes.push_back(points);
    }
    return meshes;
}

// Every placement of every mesh of the loaded model.
std::vector<Points> LoadedMeshes(const XModel& model) {
    std::vector<Points> meshes;
    for (const XMesh& mesh : model.meshes)
        for (const Matrix4& placement : mesh.placements) {
            Points points;
            for (const Vec3& p : mesh.positions) points.push_back(TransformPoint(p, placement));
            meshes.push_back(points);
        }
    return meshes;
}

bool Near(const Points& a, const Points& b, float tolerance) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Length(a[i] - b[i]) > tolerance) return false;
    return true;
}

}  // namespace

// The hierarchy and animation korvane-convert writes, text and binary, load
// back so that at every sampled frame each mesh lies where the keyframer puts
// it, and the animation lasts the segment at 30 ticks a second.
TEST(WriterRoundTrip, AnimatedSceneLoadsBackPosedAsTheKeyframerPosesIt) {
    base::MemoryStream source(MovingRig());
    model3ds::TFile3DS model;
    model.LoadFromStream(source);
    xexport::TExportOptions options;
    options.Hierarchy = options.Animation = true;
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        base::MemoryStream x;
        xexport::WriteModelX(model, options, xexport::kMergedMeshes, binary ? xexport::TXForm::Binary : xexport::TXForm::Text,
                             "", &x);
        XModel loaded = ParseXModel(x.Bytes().data(), x.Bytes().size());
        EXPECT_EQ(loaded.ticksPerSecond, 30);
        EXPECT_EQ(loaded.lastTick, 40u);
        EXPECT_EQ(loaded.animations.size(), 4u);  // the wheels stand still
        for (const int frame : {10, 11, 17, 30, 33, 44, 50}) {
            SCOPED_TRACE(frame);
            PoseXModel(loaded, frame - 10);
            const std::vector<Points> expected = KeyframerMeshes(model, frame);
            std::vector<Points> actual = LoadedMeshes(loaded);
            ASSERT_EQ(actual.size(), expected.size());
            for (const Points& mesh : expected) {
                const auto match = std::find_if(actual.begin(), actual.end(),
                                                [&](const Points& placed) { return Near(placed, mesh, 1e-4f); });
                ASSERT_NE(match, actual.end()) << "a mesh is not where the keyframer puts it";
                actual.erase(match);
            }
        }
    }
}

// However deep the keyframer nests its nodes, the .x data written of them
// loads back with each mesh where the keyframer puts it, cameras aimed down the
// chain and all.
TEST(WriterRoundTrip, DeepHierarchiesLoadBack) {
    for (const int depth : {300, 20000}) {
        base::MemoryStream source(testsupport::CameraTargetChainModel(depth, 3));
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        xexport::TExportOptions options;
        options.Hierarchy = options.Animation = options.TopFrame = true;
        for (const bool binary : {false, true}) {
            SCOPED_TRACE(std::to_string(depth) + (binary ? " binary" : " text"));
            base::MemoryStream x;
            xexport::WriteModelX(model, options, xexport::kMergedMeshes,
                                 binary ? xexport::TXForm::Binary : xexport::TXForm::Text, "", &x);
            const XModel loaded = ParseXModel(x.Bytes().data(), x.Bytes().size());
            const std::vector<Points> expected = KeyframerMeshes(model, 0);
            const std::vector<Points> actual = LoadedMeshes(loaded);
            ASSERT_EQ(actual.size(), 1u);
            ASSERT_EQ(expected.size(), 1u);
            EXPECT_TRUE(Near(actual[0], expected[0], 1e-3f));
            EXPECT_NEAR(actual[0][0].x, depth - 1, 1e-3);
        }
    }
}
