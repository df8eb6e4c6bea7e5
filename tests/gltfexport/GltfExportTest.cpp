// korvane-convert's glTF: what the Khronos validator says of it, and what it holds
// when read back: nodes, where every mesh is at sampled times (the keyframer's
// pose evaluator), material colours and alpha, texture images by their pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <stb_image.h>

#include "ExportRun.h"
#include "base/Stream.h"
#include "gltfexport/GltfPoses.h"
#include "gltfexport/GltfReadBack.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"
#include "support/JapaneseMessages.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using gltftest::Convert;
using gltftest::Gltf;
using gltftest::GltfWorld;
using gltftest::Json;
using gltftest::Png;
using gltftest::ValidatorMissing;
using model3ds::TMatrix4;
using testsupport::KeySpec;
using testsupport::MeshSpec;
using testsupport::NodeSpec;

namespace {

// The shared 3DS models, or empty when the shared folder is absent: the built
// models are tested all the same.
std::filesystem::path SharedModels3DS() {
    const std::filesystem::path shared = testsupport::SharedModels();
    return shared.empty() ? shared : shared / "3ds";
}

MeshSpec Box(const std::string& name, float x, float y, float z, std::vector<testsupport::MaterialGroup> groups = {}) {
    std::vector<testsupport::Vertex> corners;
    for (int i = 0; i < 8; ++i) corners.push_back({x + (i & 1 ? 1.0f : -1.0f), y + (i & 2 ? 2.0f : -2.0f), z + (i & 4 ? 0.5f : -0.5f)});
    return {.name = name, .vertices = corners,
            .faces = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4}, {2, 6, 3}, {3, 6, 7}},
            .groups = std::move(groups), .smoothing = {1, 1, 2, 2, 4, 4, 8, 8},
            .matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z}};
}

KeySpec Key(std::int32_t frame, std::vector<float> value) { return {.frame = frame, .value = std::move(value)}; }

// A group holding an arm that slides and stretches, a hand with a pivot that
// turns past half a circle under it, and a mesh no node places.
std::vector<std::uint8_t> RiggedModel() {
    testsupport::KeyframerSpec kf{.start = 10, .end = 70, .current = 10};
    NodeSpec group{.id = 0, .name = "$$$DUMMY", .instance = "Rig"};
    group.position.keys = {Key(0, {0, 0, 1})};
    group.rotation.keys = {Key(0, {0, 0, 0, 1}), Key(70, {3.5f, 0, 0, 1})};
    kf.nodes.push_back(group);
    NodeSpec arm{.id = 1, .name = "Arm", .parent = 0};
    arm.position.keys = {Key(10, {4, 0, 0}), Key(40, {5, 2, -1}), Key(70, {3, -2, 0})};
    arm.scale.keys = {Key(10, {1, 1.5f, 0.5f}), Key(70, {2, 1, 1})};
    kf.nodes.push_back(arm);
    NodeSpec hand{.id = 2, .name = "Hand", .parent = 1, .pivot = testsupport::Vertex{0.5f, 1, 0}};
    hand.position.keys = {Key(0, {2, 0, 0})};
    hand.rotation.keys = {Key(10, {0.2f, 1, 0, 0}), Key(50, {4.0f, 0, 1, 1}), Key(70, {-1.0f, 1, 1, 0})};
    kf.nodes.push_back(hand);
    return testsupport::BuildAnimatedModel({Box("Arm", 4, 0, 1), Box("Hand", 6, 0, 1), Box("Loose", -5, 3, 0)}, kf);
}

// A bumpy grid of flat faces but one smoothed: the primitive keeps its normals,
// every corner has one of its own, so it has more vertices than 16-bit indices
// can reach.
std::vector<std::uint8_t> BumpyGrid() {
    constexpr int kSide = 160;
    MeshSpec grid{.name = "Grid"};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x)
            grid.vertices.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>((x * 7 + y * 13) % 5)});
    }
    for (int y = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x) {
            const auto at = [](int i, int j) { return static_cast<std::uint16_t>(j * kSide + i); };
            grid.faces.push_back({at(x, y), at(x + 1, y), at(x, y + 1)});
            grid.faces.push_back({at(x + 1, y), at(x + 1, y + 1), at(x, y + 1)});
        }
    }
    grid.smoothing.assign(grid.faces.size(), 0);
    grid.smoothing[0] = 1;
    return testsupport::BuildModel({grid});
}

std::unique_ptr<model3ds::TFile3DS> Load(const std::string& path) {
    auto model = std::make_unique<model3ds::TFile3DS>();
    base::FileStream stream(path, base::FileStream::Mode::Read);
    model->LoadFromStream(stream);
    return model;
}

struct Box3 {
    double min[3] = {INFINITY, INFINITY, INFINITY};
    double max[3] = {-INFINITY, -INFINITY, -INFINITY};
    void Add(const double p[3]) {
        for (int i = 0; i < 3; ++i) {
            min[i] = std::min(min[i], p[i]);
            max[i] = std::max(max[i], p[i]);
        }
    }
};

// The box of each mesh (by name) where glTF puts it at a time.
std::map<std::string, Box3> GltfBoxes(const Gltf& gltf, double time) {
    const std::vector<TMatrix4> world = GltfWorld(gltf, time);
    std::map<std::string, Box3> boxes;
    const Json& nodes = gltf.json["nodes"];
    for (std::size_t i = 0; i < nodes.Size(); ++i) {
        if (!nodes[i].Has("mesh")) continue;
        const Json& mesh = gltf.json["meshes"][static_cast<std::size_t>(nodes[i]["mesh"].Int())];
        for (const Json& primitive : mesh["primitives"].items) {
            const std::vector<double> positions = gltf.Values(primitive["attributes"]["POSITION"].Int());
            for (std::size_t v = 0; v + 2 < positions.size(); v += 3) {
                const model3ds::TVector3DS p = model3ds::TransformPoint(
                    world[i], {static_cast<float>(positions[v]), static_cast<float>(positions[v + 1]),
                               static_cast<float>(positions[v + 2])});
                const double at[3] = {p.x, p.y, p.z};
                boxes[mesh["name"].text].Add(at);
            }
        }
    }
    return boxes;
}

// The box of each mesh where the keyframer puts it at a frame (a mesh no node
// places: as stored), in glTF's axes.
std::map<std::string, Box3> ModelBoxes(model3ds::TFile3DS& model, double frame) {
    const model3ds::TKeyframer3DS keyframer = model3ds::ReadKeyframer(model);
    const model3ds::TPoseEvaluator pose(keyframer);
    const std::vector<TMatrix4> world = pose.World(frame);
    std::map<std::string, Box3> boxes;
    auto& meshes = model.ObjectList();
    for (int m = 0; m < meshes.MeshTotal(); ++m) {
        const model3ds::TMesh3DS& mesh = *meshes.GetMesh(m);
        TMatrix4 placement = TMatrix4::Identity();
        for (std::size_t k = 0; k < keyframer.Nodes.size(); ++k) {
            if (keyframer.Nodes[k].Tag == model3ds::CK_NODE_OBJECT && keyframer.Nodes[k].Name == mesh.Name) {
                placement = pose.MeshPlacement(k, mesh.LocalMatrix, world);
                break;
            }
        }
        for (const model3ds::TFaceEntry3DS& face : mesh.Faces) {
            for (const std::uint16_t v : {face.V1, face.V2, face.V3}) {
                const model3ds::TVector3DS p = model3ds::TransformPoint(placement, mesh.Vertices[v]);
                const double at[3] = {p.x, p.z, -p.y};
                boxes[mesh.Name].Add(at);
            }
        }
    }
    return boxes;
}

std::vector<std::string> NodeNames(const Json& json) {
    std::vector<std::string> names;
    for (const Json& node : json["nodes"].items) names.push_back(node["name"].text);
    return names;
}

}  // namespace

TEST(GltfExport, ValidatorFindsNoErrorOrWarningInEitherForm) {
    const std::string missing = ValidatorMissing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir dir;
    std::vector<std::filesystem::path> inputs;
    if (const auto shared = SharedModels3DS(); !shared.empty())
        for (const auto& entry : std::filesystem::directory_iterator(shared)) inputs.push_back(entry.path());
    testsupport::SaveFile(dir.Path() / "in" / "rigged.3ds", RiggedModel());
    inputs.push_back(dir.Path() / "in" / "rigged.3ds");
    testsupport::SaveFile(dir.Path() / "in" / "grid.3ds", BumpyGrid());
    inputs.push_back(dir.Path() / "in" / "grid.3ds");
    std::vector<std::string> validate{KORVANE_NODE, KORVANE_SOURCE_DIR "/tests/gltf/validate.js"};
    for (const auto& input : inputs) {
        for (const char* extension : {".glb", ".gltf"}) {
            const std::string output = (dir.Path() / "out" / input.stem()).string() + extension;
            std::filesystem::create_directories(dir.Path() / "out");
            const auto result = Convert({"-o", output, input.string()});
            ASSERT_EQ(result.exitCode, 0) << input << result.err;
            validate.push_back(output);
        }
    }
    const auto report = testsupport::RunProcess(validate);
    EXPECT_EQ(report.out, "");
    EXPECT_EQ(report.exitCode, 0) << report.err;
}

TEST(GltfExport, NodesAndEveryMeshsPlaceFollowTheKeyframer) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("rigged.3ds"), RiggedModel());
    std::vector<std::string> inputs{dir.File("rigged.3ds")};
    if (const auto folder = SharedModels3DS(); !folder.empty())
        for (const char* shared : {"CameraRollAnimWithChildObject.3ds", "RotatingCube.3DS", "fels.3ds", "test1.3ds"})
            inputs.push_back((folder / shared).string());
    for (const std::string& input : inputs) {
        for (const char* extension : {".glb", ".gltf"}) {
            SCOPED_TRACE(input + extension);
            const std::string output = dir.File(std::filesystem::path(input).stem().string() + extension);
            ASSERT_EQ(Convert({"-o", output, input}).exitCode, 0);
            const Gltf gltf = gltftest::LoadGltf(output);
            EXPECT_EQ(gltf.json["asset"]["version"].text, "2.0");
            EXPECT_EQ(gltf.json["asset"]["generator"].text.rfind("Korvane ", 0), 0u);
            const auto model = Load(input);
            const model3ds::TKeyframer3DS keyframer = model3ds::ReadKeyframer(*model);
            const int start = keyframer.SegmentStart;
            const int frames = std::max(keyframer.SegmentEnd - start, 0);
            for (int step = 0; step <= 6; ++step) {
                const int frame = start + frames * step / 6;
                const auto expected = ModelBoxes(*model, frame);
                const auto written = GltfBoxes(gltf, (frame - start) / 30.0);
                ASSERT_EQ(written.size(), expected.size());
                for (const auto& [name, box] : expected) {
                    ASSERT_TRUE(written.count(name)) << name;
                    const Box3& got = written.at(name);
                    double size = 0;
                    for (int i = 0; i < 3; ++i) size = std::max(size, box.max[i] - box.min[i]);
                    for (int i = 0; i < 3; ++i) {
                        EXPECT_NEAR(got.min[i], box.min[i], 2e-3 * (size + 1)) << name << " frame " << frame;
                        EXPECT_NEAR(got.max[i], box.max[i], 2e-3 * (size + 1)) << name << " frame " << frame;
                    }
                }
            }
        }
    }
    const Gltf rigged = gltftest::LoadGltf(dir.File("rigged.glb"));
    EXPECT_EQ(NodeNames(rigged.json), (std::vector<std::string>{"Rig", "Arm", "Hand", "Loose"}));
    EXPECT_EQ(rigged.json["nodes"][0]["children"][0].Int(), 1);
    EXPECT_EQ(rigged.json["nodes"][1]["children"][0].Int(), 2);
    std::vector<int> roots;
    for (const Json& root : rigged.json["scenes"][0]["nodes"].items) roots.push_back(root.Int());
    EXPECT_EQ(roots, (std::vector<int>{0, 3}));
}

// The faces' winding, seen from where their normals point, is counter-clockwise;
// indices are 16-bit while they fit.
TEST(GltfExport, FrontFacesStayCounterClockwiseAndIndicesFit) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("box.3ds"), testsupport::BuildModel({Box("Box", 0, 0, 0)}));
    testsupport::SaveFile(dir.File("grid.3ds"), BumpyGrid());
    for (const auto& [name, componentType] : {std::pair{"box", 5123}, std::pair{"grid", 5125}}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Convert({"-o", dir.File(std::string(name) + ".glb"), dir.File(std::string(name) + ".3ds")}).exitCode, 0);
        const Gltf gltf = gltftest::LoadGltf(dir.File(std::string(name) + ".glb"));
        const Json& primitive = gltf.json["meshes"][0]["primitives"][0];
        EXPECT_EQ(gltf.json["accessors"][static_cast<std::size_t>(primitive["indices"].Int())]["componentType"].Int(),
                  componentType);
        const std::vector<double> p = gltf.Values(primitive["attributes"]["POSITION"].Int());
        const std::vector<double> n = gltf.Values(primitive["attributes"]["NORMAL"].Int());
        const std::vector<double> indices = gltf.Values(primitive["indices"].Int());
        bool downward = false;  // the model's bottom (-z) is glTF's -y
        for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
            const auto a = static_cast<std::size_t>(indices[t]) * 3, b = static_cast<std::size_t>(indices[t + 1]) * 3,
                       c = static_cast<std::size_t>(indices[t + 2]) * 3;
            const double u[3] = {p[b] - p[a], p[b + 1] - p[a + 1], p[b + 2] - p[a + 2]};
            const double v[3] = {p[c] - p[a], p[c + 1] - p[a + 1], p[c + 2] - p[a + 2]};
            const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            ASSERT_GT(cross[0] * n[a] + cross[1] * n[a + 1] + cross[2] * n[a + 2], 0) << "triangle " << t / 3;
            downward = downward || (n[a + 1] < -0.999 && p[a + 1] == -0.5 && p[b + 1] == -0.5 && p[c + 1] == -0.5);
        }
        EXPECT_EQ(downward, std::string(name) == "box");
    }
}

TEST(GltfExport, AnimationTimesRiseAndRotationsStayUnitInOneHemisphere) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("rigged.3ds"), RiggedModel());
    ASSERT_EQ(Convert({"-o", dir.File("rigged.glb"), dir.File("rigged.3ds")}).exitCode, 0);
    const Gltf gltf = gltftest::LoadGltf(dir.File("rigged.glb"));
    const Json& animation = gltf.json["animations"][0];
    std::size_t rotations = 0;
    for (const Json& channel : animation["channels"].items) {
        const Json& sampler = animation["samplers"][static_cast<std::size_t>(channel["sampler"].Int())];
        EXPECT_EQ(sampler["interpolation"].text, "LINEAR");
        const std::vector<double> times = gltf.Values(sampler["input"].Int());
        EXPECT_EQ(times.front(), 0);
        EXPECT_NEAR(times.back(), 2.0, 1e-6);  // 60 frames at 30 a second
        EXPECT_TRUE(std::adjacent_find(times.begin(), times.end(), std::greater_equal<>()) == times.end());
        if (channel["target"]["path"].text != "rotation") continue;
        ++rotations;
        const std::vector<double> q = gltf.Values(sampler["output"].Int());
        for (std::size_t k = 0; k < q.size(); k += 4) {
            EXPECT_NEAR(q[k] * q[k] + q[k + 1] * q[k + 1] + q[k + 2] * q[k + 2] + q[k + 3] * q[k + 3], 1, 1e-5);
            if (k > 0) {
                EXPECT_GE(q[k] * q[k - 4] + q[k + 1] * q[k - 3] + q[k + 2] * q[k - 2] + q[k + 3] * q[k - 1], 0);
            }
        }
    }
    EXPECT_EQ(rotations, 3u);  // every moving node has all three paths: the group, the arm, the hand
}

TEST(GltfExport, MaterialsCarryLinearColourAlphaSidesAndGlow) {
    testsupport::TempDir dir;
    testsupport::Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    testsupport::WriteMaterial(w, {.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}, .specular = testsupport::Rgb{0, 0, 0},
                                   .selfIllum = 50});
    testsupport::WriteMaterial(w, {.name = "Glass", .diffuse = testsupport::Rgb{128, 64, 255},
                                   .specular = testsupport::Rgb{255, 128, 64}, .transparency = 25});
    testsupport::WriteMaterial(w, {.name = "Edited", .diffuse = testsupport::Rgb{0, 0, 0},
                                   .specular = testsupport::Rgb{255, 255, 255}, .transparency = 80});
    // A transparency stored negated, as the flag 0xA08A leaves it, on a two-sided material.
    w.Begin(0xAFFF);
    w.ChunkString(0xA000, "Negated");
    w.Begin(0xA050);
    w.ChunkI16(0x0030, 40);
    w.End();
    w.Flag(0xA08A);
    w.Flag(0xA081);
    w.End();
    testsupport::WriteMesh(w, Box("Box", 0, 0, 0, {{"Red", {0, 1}}, {"Glass", {2, 3}}, {"Edited", {4, 5}}, {"Negated", {6, 7}}}));
    w.End();
    w.End();
    w.SaveToFile(dir.File("materials.3ds"));
    ASSERT_EQ(Convert({"-o", dir.File("m.glb"), "--opacity", "Edited=50", dir.File("materials.3ds")}).exitCode, 0);
    const Gltf gltf = gltftest::LoadGltf(dir.File("m.glb"));

    struct Case {
        std::string name;
        std::array<double, 4> colour;  // the sRGB diffuse in linear light, and the alpha
        bool blend;
        bool twoSided;
        std::array<double, 3> emissive;
        std::optional<std::array<double, 3>> specular;  // KHR_materials_specular's colour, linear
    } cases[] = {
        {"Red", {1, 0, 0, 1}, false, false, {0.5, 0, 0}, {{0, 0, 0}}},
        {"Glass", {0.2158605, 0.0512695, 1, 0.75}, true, false, {0, 0, 0}, {{1, 0.2158605, 0.0512695}}},
        {"Edited", {0, 0, 0, 0.5}, true, false, {0, 0, 0}, {{1, 1, 1}}},
        {"Negated", {0, 0, 0, 0.6}, true, true, {0, 0, 0}, std::nullopt},
    };
    const Json& materials = gltf.json["materials"];
    ASSERT_EQ(materials.Size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = std::find_if(materials.items.begin(), materials.items.end(),
                                        [&c](const Json& m) { return m["name"].text == c.name; });
        ASSERT_NE(found, materials.items.end());
        const Json& pbr = (*found)["pbrMetallicRoughness"];
        for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(pbr["baseColorFactor"][i].number, c.colour[i], 1e-5);
        EXPECT_EQ(pbr["metallicFactor"].number, 0);
        EXPECT_GT(pbr["roughnessFactor"].number, 0);
        EXPECT_LT(pbr["roughnessFactor"].number, 1);
        EXPECT_EQ(found->Has("alphaMode") ? (*found)["alphaMode"].text : "OPAQUE", c.blend ? "BLEND" : "OPAQUE");
        EXPECT_EQ(found->Has("doubleSided") && (*found)["doubleSided"].boolean, c.twoSided);
        const std::array<double, 3> emissive = {
            found->Has("emissiveFactor") ? (*found)["emissiveFactor"][0].number : 0,
            found->Has("emissiveFactor") ? (*found)["emissiveFactor"][1].number : 0,
            found->Has("emissiveFactor") ? (*found)["emissiveFactor"][2].number : 0};
        for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(emissive[i], c.emissive[i], 1e-6);
        if (c.specular) {
            const Json& specular = (*found)["extensions"]["KHR_materials_specular"]["specularColorFactor"];
            for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(specular[i].number, (*c.specular)[i], 1e-5);
        }
    }
    ASSERT_EQ(gltf.json["extensionsUsed"].Size(), 1u);
    EXPECT_EQ(gltf.json["extensionsUsed"][0].text, "KHR_materials_specular");
    // A higher specular power is a sharper highlight: a smoother surface.
    ASSERT_EQ(Convert({"-o", dir.File("p.glb"), "--power", "Red=50", "--power", "Glass=2", dir.File("materials.3ds")}).exitCode, 0);
    const Gltf poweredGltf = gltftest::LoadGltf(dir.File("p.glb"));
    const Json& powered = poweredGltf.json["materials"];
    EXPECT_LT(powered[0]["pbrMetallicRoughness"]["roughnessFactor"].number,
              powered[1]["pbrMetallicRoughness"]["roughnessFactor"].number);
}

namespace {

// An uncompressed 24-bit TGA, rows from the bottom as the format's default.
std::vector<std::uint8_t> Tga(int width, int height, const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> tga(18, 0);
    tga[2] = 2;
    tga[12] = static_cast<std::uint8_t>(width);
    tga[14] = static_cast<std::uint8_t>(height);
    tga[16] = 24;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgba[static_cast<std::size_t>((y * width + x) * 4)];
            tga.insert(tga.end(), {p[2], p[1], p[0]});
        }
    }
    return tga;
}

std::vector<std::uint8_t> Pixels(const std::vector<std::uint8_t>& image) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(image.data(), static_cast<int>(image.size()), &width, &height, &channels, 4);
    if (pixels == nullptr) return {};
    std::vector<std::uint8_t> out(pixels, pixels + width * height * 4);
    stbi_image_free(pixels);
    return out;
}

}  // namespace

TEST(GltfExport, TexturesAreFoundInTheFolderAndKeptOrTurnedIntoPng) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> sky = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 99, 199, 255};
    const std::vector<std::uint8_t> wood = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255,
                                            100, 110, 120, 255, 130, 140, 150, 255, 160, 170, 180, 255};
    testsupport::SaveFile(dir.Path() / "model" / "sky.png", Png(2, 2, sky));
    testsupport::SaveFile(dir.Path() / "model" / "Wood.tga", Tga(3, 2, wood));
    testsupport::SaveFile(dir.Path() / "elsewhere" / "outside.png", Png(2, 2, sky));
    testsupport::SaveFile(dir.Path() / "model" / "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 2, 'n', 'o'});
    testsupport::Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    const std::pair<const char*, const char*> maps[] = {
        {"Sky", "SKY.PNG"}, {"Wood", "WOOD.TGA"}, {"Gone", "GONE.BMP"}, {"Out", "../ELSEWHERE/OUTSIDE.PNG"},
        {"Broken", "BROKEN.JPG"}};
    for (const auto& [name, file] : maps)
        testsupport::WriteMaterial(w, {.name = name, .diffuse = testsupport::Rgb{200, 200, 200}, .textureFile = file});
    MeshSpec box = Box("Box", 0, 0, 0, {{"Sky", {0, 1}}, {"Wood", {2, 3}}, {"Gone", {4, 5}}, {"Out", {6}}, {"Broken", {7}}});
    for (int i = 0; i < 8; ++i) box.texCoords.push_back({static_cast<float>(i & 1), static_cast<float>(i >> 2)});
    testsupport::WriteMesh(w, box);
    w.End();
    w.End();
    w.SaveToFile((dir.Path() / "model" / "textured.3ds").string());

    for (const char* extension : {".glb", ".gltf"}) {
        SCOPED_TRACE(extension);
        const std::string output = dir.File(std::string("out/t") + extension);
        std::filesystem::create_directories(dir.Path() / "out");
        const auto result = Convert({"-o", output, (dir.Path() / "model" / "textured.3ds").string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.err.find("\"GONE.BMP\""), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("\"../ELSEWHERE/OUTSIDE.PNG\""), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("\"BROKEN.JPG\""), std::string::npos) << result.err;
        const Gltf gltf = gltftest::LoadGltf(output);
        const Json& images = gltf.json["images"];
        ASSERT_EQ(images.Size(), 2u);
        EXPECT_EQ(images[0]["name"].text, "sky.png");
        EXPECT_EQ(images[1]["name"].text, "Wood.tga");
        EXPECT_EQ(gltf.ImageBytes(0), Png(2, 2, sky));  // PNG as it is
        const std::vector<std::uint8_t> converted = gltf.ImageBytes(1);
        EXPECT_EQ(Pixels(converted), wood);
        EXPECT_EQ(std::string(converted.begin(), converted.begin() + 4), "\x89PNG");
        if (std::string(extension) == ".gltf") {
            EXPECT_EQ(images[0]["uri"].text, "t_images/sky.png");
            EXPECT_EQ(images[1]["uri"].text, "t_images/Wood.png");
        }
        for (const Json& material : gltf.json["materials"].items) {
            const bool textured = material["pbrMetallicRoughness"].Has("baseColorTexture");
            EXPECT_EQ(textured, material["name"].text == "Sky" || material["name"].text == "Wood") << material["name"].text;
        }
        // Texture coordinates with v flipped, as glTF's v runs down the image.
        const Json& primitive = gltf.json["meshes"][0]["primitives"][0];
        const std::vector<double> uv = gltf.Values(primitive["attributes"]["TEXCOORD_0"].Int());
        for (std::size_t i = 1; i < uv.size(); i += 2) EXPECT_TRUE(uv[i] == 1 || uv[i] == 0);
    }
}

TEST(GltfExport, OutputNamesChooseTheFormOrAreRefused) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("box.3ds"), testsupport::BuildModel({Box("Box", 0, 0, 0)}));
    struct Case {
        std::vector<std::string> words;
        int exitCode;
        std::string errorPart;
    } cases[] = {
        {{"-o", dir.File("box.obj")}, 2, "writes .x, .glb or .gltf files, not"},
        {{"-o", "-", "--format", "gltf"}, 2, "cannot go to standard output"},
        {{"-o", dir.File("box.GLB"), "--format", "x"}, 2, "does not go with the output"},
        {{"-o", dir.File("box.glb"), "--binary"}, 2, "--binary is for .x output"},
        {{"--format", "obj"}, 2, "--format takes x, glb or gltf, not obj"},
        {{"-o", dir.File("box.GLB")}, 0, ""},
        {{"-o", "/dev/null", "--format", "glb"}, 0, ""},
        {{"-o", dir.File("null"), "--format", "glb"}, 0, ""},
        // A .gltf's files beside a device would be strays.
        {{"-o", dir.File("null"), "--format", "gltf"}, 1, "は通常のファイルではないため"},
    };
    std::filesystem::create_symlink("/dev/null", dir.File("null"));
    for (const Case& c : cases) {
        std::vector<std::string> words = c.words;
        words.push_back(dir.File("box.3ds"));
        const auto result = Convert(words);
        EXPECT_EQ(result.exitCode, c.exitCode) << words[1] << result.err;
        EXPECT_NE(result.err.find(c.errorPart), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("null.bin")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("null_images")));
    EXPECT_EQ(gltftest::LoadGltf(dir.File("box.GLB")).json["asset"]["version"].text, "2.0");
    // A folder: each model's glTF beside it, under the format's extension.
    ASSERT_EQ(Convert({"--format", "gltf", dir.Path().string()}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("box.gltf")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("box.bin")));
}

TEST(GltfExport, FilesBesideAGltfNeverReplaceTheInput) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> model = testsupport::BuildModel({Box("Box", 0, 0, 0)});
    testsupport::SaveFile(dir.File("scene.bin"), model);
    const auto result = Convert({"-o", dir.File("scene.gltf"), dir.File("scene.bin")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("は読み込むファイルそのものです"), std::string::npos) << result.err;
    EXPECT_EQ(base::ReadWholeFile(dir.File("scene.bin")), model);
    EXPECT_FALSE(std::filesystem::exists(dir.File("scene.gltf")));
}

namespace {

// A box whose faces take, two by two, a material of each texture file named.
std::vector<std::uint8_t> TexturedBox(const std::vector<std::string>& textures, float x = 0) {
    testsupport::Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    std::vector<testsupport::MaterialGroup> groups;
    for (std::size_t i = 0; i < textures.size(); ++i) {
        const std::string name = "M" + std::to_string(i);
        testsupport::WriteMaterial(w, {.name = name, .diffuse = testsupport::Rgb{200, 200, 200}, .textureFile = textures[i]});
        groups.push_back({name, {static_cast<std::uint16_t>(i % 8)}});
    }
    MeshSpec box = Box("Box", x, 0, 0, groups);
    for (int i = 0; i < 8; ++i) box.texCoords.push_back({static_cast<float>(i & 1), static_cast<float>(i >> 2)});
    testsupport::WriteMesh(w, box);
    w.End();
    w.End();
    return w.Bytes();
}

// A PNG of noise, which does not compress: about 4 bytes a pixel.
std::vector<std::uint8_t> NoisePng(int side) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(side * side * 4));
    std::uint32_t state = 12345;
    for (std::uint8_t& byte : rgba) byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    return Png(side, side, rgba);
}

}  // namespace

// A collection keeps its models beside their textures, in other capitals, as
// .tga files where the model names .RGB; a file of the name given that does not
// decode gives way to one of its stem that does; --texture-path comes first.
// Each image is the file used, named by it, with a note where the model's name
// does not lead to it.
TEST(GltfExport, TexturesAreFoundWhereCollectionsKeepThem) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> red = {255, 0, 0, 255}, green = {0, 255, 0, 255}, blue = {0, 0, 255, 255};
    testsupport::SaveFile(dir.Path() / "textures" / "ship_fra.tga", Tga(1, 1, red));
    testsupport::SaveFile(dir.Path() / "models" / "HULL.PNG", {'n', 'o', 't', ' ', 'P', 'N', 'G'});
    testsupport::SaveFile(dir.Path() / "models" / "Maps" / "hull.bmp", {'n', 'o', 't', ' ', 'B', 'M', 'P'});
    testsupport::SaveFile(dir.Path() / "models" / "hull.jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 2});
    testsupport::SaveFile(dir.Path() / "models" / "Hull.tga", Tga(1, 1, green));
    testsupport::SaveFile(dir.Path() / "textures" / "wing.png", Png(1, 1, red));
    testsupport::SaveFile(dir.Path() / "extra" / "WING.png", Png(1, 1, blue));
    testsupport::SaveFile(dir.Path() / "textures" / "stone.bmp", {'n', 'o', 't', ' ', 'B', 'M', 'P'});
    testsupport::SaveFile(dir.File("models/ship.3ds"),
                          TexturedBox({"SHIP_FRA.RGB", "HULL.PNG", "WING.PNG", "C:\\ART\\STONE.GIF", "GONE.BMP"}));

    const auto result = Convert({"-o", dir.File("ship.glb"), "--texture-path", dir.File("extra"),
                                 dir.File("models/ship.3ds")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string model = dir.File("models/ship.3ds");
    EXPECT_EQ(result.err, "korvane-convert: warning: texture SHIP_FRA.RGB of " + model +
                              ": using ../textures/ship_fra.tga\n"
                              "korvane-convert: warning: texture HULL.PNG of " + model + ": using Hull.tga\n"
                              "korvane-convert: warning: texture \"C:\\\\ART\\\\STONE.GIF\" (../textures/stone.bmp) of " +
                              model + " is not an image that can be read; the material keeps its colour\n"
                              "korvane-convert: warning: texture \"GONE.BMP\" of " + model +
                              " is found nowhere textures are looked for; the material keeps its colour\n");
    const Gltf gltf = gltftest::LoadGltf(dir.File("ship.glb"));
    const Json& images = gltf.json["images"];
    ASSERT_EQ(images.Size(), 3u);
    const std::pair<const char*, std::vector<std::uint8_t>> expected[] = {
        {"ship_fra.tga", red}, {"Hull.tga", green}, {"WING.png", blue}};
    for (std::size_t i = 0; i < images.Size(); ++i) {
        EXPECT_EQ(images[i]["name"].text, expected[i].first);
        EXPECT_EQ(Pixels(gltf.ImageBytes(i)), expected[i].second) << expected[i].first;
    }
}

// Forged or cut texture files are refused by their headers before anything is
// decoded, and a file past the bound is refused by its size before it is read:
// each leaves its material's colour, with a warning naming it, and nothing else
// is printed.
TEST(GltfExport, TexturesThatAreNotWholeImagesLeaveTheColourWithAWarning) {
    testsupport::TempDir dir;
    std::vector<std::uint8_t> tgaHeader(18, 0);  // uncompressed 24-bit, 8000 x 8000, no pixels
    tgaHeader[2] = 2, tgaHeader[12] = 0x40, tgaHeader[13] = 0x1F, tgaHeader[14] = 0x40, tgaHeader[15] = 0x1F;
    tgaHeader[16] = 24;
    std::vector<std::uint8_t> bmpHeader(54, 0);  // 24-bit, 8000 x 8000, no rows
    bmpHeader[0] = 'B', bmpHeader[1] = 'M', bmpHeader[10] = 54, bmpHeader[14] = 40;
    bmpHeader[18] = 0x40, bmpHeader[19] = 0x1F, bmpHeader[22] = 0x40, bmpHeader[23] = 0x1F;
    bmpHeader[26] = 1, bmpHeader[28] = 24;
    const std::vector<std::uint8_t> png = Png(2, 2, std::vector<std::uint8_t>(16, 200));
    std::vector<std::uint8_t> wrongCrc = png;
    wrongCrc[png.size() - 20] ^= 0x5A;  // inside the image data, whose CRC no longer fits
    const std::vector<std::uint8_t> headerOnly(png.begin(), png.begin() + 33);  // signature and IHDR
    const std::vector<std::uint8_t> wood = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255};
    const struct {
        std::string file;
        std::vector<std::uint8_t> bytes;
    } refused[] = {
        {"tgahead.tga", tgaHeader}, {"bmphead.bmp", bmpHeader}, {"crc.png", wrongCrc}, {"head.png", headerOnly}};
    std::vector<std::string> names;
    for (const auto& texture : refused) {
        testsupport::SaveFile(dir.Path() / texture.file, texture.bytes);
        names.push_back(texture.file);
    }
    // 6 GB of holes, which reading would take half a minute and all the memory.
    { std::ofstream(dir.File("sparse.tga")); }
    std::filesystem::resize_file(dir.File("sparse.tga"), std::uintmax_t{6} << 30);
    names.push_back("sparse.tga");
    testsupport::SaveFile(dir.Path() / "wood.tga", Tga(2, 2, wood));
    // One file under three names is read, converted and held once.
    names.insert(names.end(), {"wood.tga", "./WOOD.TGA", "x/../Wood.tga"});
    testsupport::SaveFile(dir.File("box.3ds"), TexturedBox(names));

    const auto result = Convert({"-o", dir.File("box.glb"), dir.File("box.3ds")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const auto& texture : refused)
        EXPECT_NE(result.err.find("\"" + texture.file + "\" of"), std::string::npos) << texture.file << result.err;
    EXPECT_NE(result.err.find("\"sparse.tga\" of " + dir.File("box.3ds") + " is larger than"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("libpng"), std::string::npos) << result.err;
    const Gltf gltf = gltftest::LoadGltf(dir.File("box.glb"));
    ASSERT_EQ(gltf.json["images"].Size(), 1u);
    EXPECT_EQ(Pixels(gltf.ImageBytes(0)), wood);
}

// A re-export that fails part-way leaves the old set whole, or no .gltf: never
// the old .gltf beside a new .bin. The old set is a box without textures; the
// new one has other geometry and a texture whose image cannot be written.
TEST(GltfExport, AFailedReExportLeavesTheOldSetWholeOrNoGltf) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("plain.3ds"), testsupport::BuildModel({Box("Box", 0, 0, 0)}));
    testsupport::SaveFile(dir.File("textured.3ds"), TexturedBox({"wood.png"}, 7));
    testsupport::SaveFile(dir.File("wood.png"), NoisePng(128));  // 64 KB
    const std::string convert = KORVANE_CONVERT;
    const struct {
        const char* what;
        std::function<void(const std::filesystem::path& out)> spoil;
        std::vector<std::string> words;
    } cases[] = {
        {"the image folder is a plain file",
         [](const std::filesystem::path& out) { testsupport::SaveFile(out / "scene_images", {'x'}); },
         {convert}},
        {"the image's place is a folder",
         [](const std::filesystem::path& out) { testsupport::SaveFile(out / "scene_images" / "wood.png" / "x", {'x'}); },
         {convert}},
        // Files of more than 16 KB cannot be written, as on a full disk.
        {"the disk fills", [](const std::filesystem::path&) {},
         {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 32; exec \"$0\" \"$@\"", convert}},
        // The limit's signal does not end the run with its temporary files.
        {"the file size limit is reached", [](const std::filesystem::path&) {},
         {"/bin/sh", "-c", "ulimit -f 32; exec \"$0\" \"$@\"", convert}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path out = dir.Path() / c.what;
        const std::string gltf = (out / "scene.gltf").string();
        std::filesystem::create_directories(out);
        ASSERT_EQ(Convert({"-o", gltf, dir.File("plain.3ds")}).exitCode, 0);
        const std::string oldGltf = testsupport::ReadFile(gltf), oldBin = testsupport::ReadFile(out / "scene.bin");
        c.spoil(out);
        std::vector<std::string> words = c.words;
        words.insert(words.end(), {"-o", gltf, dir.File("textured.3ds")});
        const auto result = testsupport::RunProcess(words);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        if (std::filesystem::exists(gltf)) {
            EXPECT_EQ(testsupport::ReadFile(gltf), oldGltf);
            EXPECT_EQ(testsupport::ReadFile(out / "scene.bin"), oldBin);
        }
        for (const std::string& file : testsupport::FilesBelow(out))
            EXPECT_TRUE(file == "scene.gltf" || file == "scene.bin" || file.rfind("scene_images", 0) == 0) << file;
    }
}

// A .gltf named by a link is written where the link leads, its files beside
// it; a name as long as the file system takes is written whole.
TEST(GltfExport, OutputsThroughALinkOrOfTheLongestNameAreWhole) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("box.3ds"), testsupport::BuildModel({Box("Box", 0, 0, 0)}));
    std::filesystem::create_directories(dir.Path() / "out");
    std::filesystem::create_directories(dir.Path() / "else");
    std::filesystem::create_symlink("../else/real.gltf", dir.Path() / "out" / "link.gltf");
    const std::string longName = (dir.Path() / "out" / (std::string(250, 'a') + ".glb")).string();
    const struct {
        std::string output, written;
    } cases[] = {{(dir.Path() / "out" / "link.gltf").string(), (dir.Path() / "else" / "real.gltf").string()},
                 {longName, longName}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output.substr(c.output.size() - 20));
        const auto result = Convert({"-o", c.output, dir.File("box.3ds")});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NO_THROW(gltftest::LoadGltf(c.written));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out" / "link.bin"));
}

// Nodes that place one mesh the same way share one glTF mesh, so that a small
// file of many such nodes gives a small glTF; a node that places it another way
// has a mesh of its own. Either way each copy lies where its node puts it.
TEST(GltfExport, NodesPlacingAMeshAlikeShareOneGltfMesh) {
    testsupport::TempDir dir;
    const struct {
        const char* name;
        int nodes;
        bool alike;
        std::size_t meshes;
        double right;  // the largest x of any copy
    } cases[] = {
        {"alike", 1000, true, 1, 999 + 4},
        {"each its own way", 3, false, 3, 4},
    };
    std::vector<std::string> validate{KORVANE_NODE, KORVANE_SOURCE_DIR "/tests/gltf/validate.js"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input = dir.File(std::string(c.name) + ".3ds");
        const std::string output = dir.File(std::string(c.name) + ".glb");
        testsupport::SaveFile(input, testsupport::MeshCopiesModel(c.nodes, 10, c.alike));
        const auto result = Convert({"-o", output, input});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const Gltf gltf = gltftest::LoadGltf(output);
        EXPECT_EQ(gltf.json["meshes"].Size(), c.meshes);
        EXPECT_EQ(gltf.json["nodes"].Size(), static_cast<std::size_t>(c.nodes));
        const Box3 box = GltfBoxes(gltf, 0).at("Strip");
        EXPECT_NEAR(box.min[0], 0, 1e-4);
        EXPECT_NEAR(box.max[0], c.right, 1e-3);
        validate.push_back(output);
    }
    EXPECT_LT(std::filesystem::file_size(dir.File("alike.glb")), 200'000u);
    if (const std::string missing = ValidatorMissing(); !missing.empty()) GTEST_SKIP() << missing;
    const auto report = testsupport::RunProcess(validate);
    EXPECT_EQ(report.out, "");
    EXPECT_EQ(report.exitCode, 0) << report.err;
}

// An animation too long to write leaves the still scene, with a warning that
// says so, rather than no glTF at all.
TEST(GltfExport, AnimationTooLongToWriteIsLeftOutWithAWarning) {
    testsupport::TempDir dir;
    testsupport::KeyframerSpec kf{.start = 0, .end = 2'000'000};
    NodeSpec box{.id = 0, .name = "Box"};
    box.position.keys = {Key(0, {0, 0, 0}), Key(2'000'000, {10, 0, 0})};
    kf.nodes.push_back(box);
    testsupport::SaveFile(dir.File("long.3ds"), testsupport::BuildAnimatedModel({Box("Box", 0, 0, 0)}, kf));
    for (const char* extension : {".glb", ".gltf"}) {
        SCOPED_TRACE(extension);
        const std::string output = dir.File(std::string("long") + extension);
        const auto result = Convert({"-o", output, dir.File("long.3ds")});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.err.find("korvane-convert: warning: the animation is too long to write: 2000001 frames"),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find("the scene is written still, without it"), std::string::npos) << result.err;
        const Gltf gltf = gltftest::LoadGltf(output);
        EXPECT_FALSE(gltf.json.Has("animations"));
        EXPECT_EQ(NodeNames(gltf.json), std::vector<std::string>{"Box"});
    }
}

// What the keyframer cannot give is told once, before the writer's own warnings.
TEST(GltfExport, KeyframerComplaintsAreToldOnce) {
    testsupport::TempDir dir;
    testsupport::KeyframerSpec kf{.start = 0, .end = 10};
    kf.nodes = {NodeSpec{.id = 0, .name = "A", .parent = 1}, NodeSpec{.id = 1, .name = "B", .parent = 0}};
    testsupport::SaveFile(dir.File("cycle.3ds"),
                          testsupport::BuildAnimatedModel({Box("A", 0, 0, 0), Box("B", 3, 0, 0)}, kf));
    const auto result = Convert({"-o", dir.File("cycle.glb"), dir.File("cycle.3ds")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "korvane-convert: warning: keyframer node \"B\": its parents form a cycle; it stands at the top\n");
}
