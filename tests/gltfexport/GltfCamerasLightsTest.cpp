// korvane-convert's cameras and lights in glTF: each where 3D Studio places it
// and looking where it looks (read back through the nodes' matrices), the
// camera's lens and ranges, the lights' colour, cones, intensity and range, the
// keys of a moving camera, and the validator's word on them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ExportRun.h"
#include "gltfexport/GltfPoses.h"
#include "gltfexport/GltfReadBack.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using gltftest::Gltf;
using gltftest::Json;
using testsupport::KeySpec;
using testsupport::NodeSpec;
using Vec = std::array<double, 3>;

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

Vec ToGltf(const Vec& v) { return {v[0], v[2], -v[1]}; }
Vec Minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec Unit(const Vec& v) {
    const double length = std::sqrt(Dot(v, v));
    return {v[0] / length, v[1] / length, v[2] / length};
}
Vec Column(const model3ds::TMatrix4& m, int c) { return {m.m[0][c], m.m[1][c], m.m[2][c]}; }

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

KeySpec Key(std::int32_t frame, std::vector<float> value) { return {.frame = frame, .value = std::move(value)}; }

// Cameras and lights at their stored places: no keyframer.
testsupport::SceneSpec StillScene() {
    testsupport::SceneSpec scene;
    scene.meshes = {testsupport::StripMesh("Strip", 4)};
    scene.cameras = {{.name = "Still", .position = {0, -10, 2}, .target = {0, 0, 2}, .roll = 30, .lens = 50,
                      .ranges = std::array<float, 2>{2, 800}}};
    scene.lights = {
        {.name = "Spot", .position = {5, 5, 10}, .color = std::array<float, 3>{1, 0.5f, 0.25f}, .attenuated = true,
         .multiplier = 2, .outerRange = 40, .spot = testsupport::SpotSpec{.target = {5, 4, 0}, .hotspot = 30, .falloff = 60}},
        {.name = "Omni", .position = {1, 2, 3}, .color = std::array<float, 3>{0.2f, 0.4f, 0.6f}, .outerRange = 40},
        {.name = "Dark", .position = {0, 0, 9}, .off = true},
    };
    return scene;
}

// A camera sliding along x while it looks at its target, and a spotlight whose
// keyframer target is not where its stored target is: the keyframer wins.
testsupport::SceneSpec MovingScene() {
    testsupport::SceneSpec scene;
    scene.meshes = {testsupport::StripMesh("Strip", 4)};
    scene.cameras = {{.name = "Mover", .position = {50, -50, 0}, .target = {1, 1, 1}, .lens = 35}};
    scene.lights = {{.name = "Beam", .position = {0, 0, 10},
                     .spot = testsupport::SpotSpec{.target = {0, 0, 0}, .hotspot = 20, .falloff = 40}}};
    testsupport::KeyframerSpec kf{.start = 0, .end = 30, .current = 0};
    NodeSpec strip{.id = 0, .name = "Strip"};
    NodeSpec camera{.tag = model3ds::CK_NODE_CAMERA, .id = 1, .name = "Mover"};
    camera.position.keys = {Key(0, {0, -10, 0}), Key(30, {10, -10, 0})};
    camera.roll.keys = {Key(0, {0})};
    NodeSpec target{.tag = model3ds::CK_NODE_TARGET, .id = 2, .name = "Mover"};
    target.position.keys = {Key(0, {0, 0, 0})};
    NodeSpec spot{.tag = model3ds::CK_NODE_SPOT, .id = 3, .name = "Beam"};
    spot.position.keys = {Key(0, {0, 0, 10})};
    NodeSpec spotTarget{.tag = model3ds::CK_NODE_LIGHT_TARGET, .id = 4, .name = "Beam"};
    spotTarget.position.keys = {Key(0, {2, 0, 0})};
    kf.nodes = {strip, camera, target, spot, spotTarget};
    scene.keyframer = kf;
    return scene;
}

// The node that carries the camera or light of that name; -1 for none.
int CarrierOf(const Gltf& gltf, const std::string& name) {
    const Json& nodes = gltf.json["nodes"];
    for (std::size_t i = 0; i < nodes.Size(); ++i) {
        const Json& node = nodes[i];
        if (node.Has("camera") && gltf.json["cameras"][static_cast<std::size_t>(node["camera"].Int())]["name"].text == name)
            return static_cast<int>(i);
        if (!node.Has("extensions")) continue;
        const int light = node["extensions"]["KHR_lights_punctual"]["light"].Int();
        const Json& lights = gltf.json["extensions"]["KHR_lights_punctual"]["lights"];
        if (lights[static_cast<std::size_t>(light)]["name"].text == name) return static_cast<int>(i);
    }
    return -1;
}

// Where glTF puts a camera or light at a time, and where it looks (its -z) and
// its up (+y), in glTF's axes.
struct Placement {
    Vec eye, ahead, up;
};

Placement PlacementOf(const Gltf& gltf, const std::string& name, double time) {
    const int node = CarrierOf(gltf, name);
    EXPECT_GE(node, 0) << name;
    if (node < 0) return {};
    const model3ds::TMatrix4 world = gltftest::GltfWorld(gltf, time)[static_cast<std::size_t>(node)];
    const Vec z = Column(world, 2);
    return {Column(world, 3), Unit({-z[0], -z[1], -z[2]}), Unit(Column(world, 1))};
}

// The camera or light stands at eye and looks at target (model axes).
void ExpectAim(const Gltf& gltf, const std::string& name, double time, const Vec& eye, const Vec& target) {
    SCOPED_TRACE(name + " at " + std::to_string(time) + " s");
    const Placement placed = PlacementOf(gltf, name, time);
    const Vec ahead = Unit(ToGltf(Minus(target, eye)));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(placed.eye[static_cast<std::size_t>(i)], ToGltf(eye)[static_cast<std::size_t>(i)], 1e-4);
        EXPECT_NEAR(placed.ahead[static_cast<std::size_t>(i)], ahead[static_cast<std::size_t>(i)], 1e-5);
    }
    EXPECT_NEAR(Dot(placed.up, placed.ahead), 0, 1e-5);
}

std::string Export(const testsupport::TempDir& dir, const std::string& name, const testsupport::SceneSpec& scene,
                   const char* extension, std::string* warnings = nullptr) {
    const std::string input = dir.File(name + ".3ds");
    testsupport::SaveFile(input, testsupport::BuildScene(scene));
    const std::string output = dir.File(name + extension);
    const auto result = gltftest::Convert({"-o", output, input});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    if (warnings != nullptr) *warnings = result.err;
    return output;
}

}  // namespace

TEST(GltfCamerasLights, StoredCamerasAndLightsKeepTheirPlaceAimAndValues) {
    testsupport::TempDir dir;
    std::string warnings;
    const Gltf gltf = gltftest::LoadGltf(Export(dir, "still", StillScene(), ".glb", &warnings));
    EXPECT_NE(warnings.find("light \"Dark\" is switched off"), std::string::npos) << warnings;
    EXPECT_EQ(CarrierOf(gltf, "Dark"), -1);
    EXPECT_FALSE(gltf.json.Has("extensionsRequired"));
    std::vector<std::string> used;
    for (const Json& name : gltf.json["extensionsUsed"].items) used.push_back(name.text);
    EXPECT_NE(std::find(used.begin(), used.end(), "KHR_lights_punctual"), used.end());

    ExpectAim(gltf, "Still", 0, {0, -10, 2}, {0, 0, 2});
    ExpectAim(gltf, "Spot", 0, {5, 5, 10}, {5, 4, 0});
    EXPECT_NEAR(PlacementOf(gltf, "Omni", 0).eye[1], 3, 1e-6);  // model z is glTF's y
    EXPECT_NEAR(PlacementOf(gltf, "Omni", 0).eye[2], -2, 1e-6);
    // Rolled 30 degrees from level: its up leans 30 degrees off the vertical.
    EXPECT_NEAR(PlacementOf(gltf, "Still", 0).up[1], std::cos(30 * kDegree), 1e-5);

    const Json& camera = gltf.json["cameras"][0];
    EXPECT_EQ(camera["type"].text, "perspective");
    EXPECT_NEAR(camera["perspective"]["yfov"].number, 2 * std::atan(13.5 / 50), 1e-6);
    EXPECT_NEAR(camera["perspective"]["aspectRatio"].number, 4.0 / 3, 1e-6);
    EXPECT_EQ(camera["perspective"]["znear"].number, 2);
    EXPECT_EQ(camera["perspective"]["zfar"].number, 800);

    struct Expected {
        const char* name;
        const char* type;
        std::array<double, 3> srgb;
        double intensity;
        std::optional<double> range, inner, outer;  // cones in degrees, full
    };
    const Expected lights[] = {
        {"Spot", "spot", {1, 0.5, 0.25}, 2, 40, 30, 60},
        {"Omni", "point", {0.2, 0.4, 0.6}, 1, std::nullopt, std::nullopt, std::nullopt},
    };
    const Json& written = gltf.json["extensions"]["KHR_lights_punctual"]["lights"];
    ASSERT_EQ(written.Size(), 2u);
    for (std::size_t i = 0; i < written.Size(); ++i) {
        const Expected& e = lights[i];
        const Json& light = written[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(light["name"].text, e.name);
        EXPECT_EQ(light["type"].text, e.type);
        for (std::size_t c = 0; c < 3; ++c) EXPECT_NEAR(light["color"][c].number, SrgbToLinear(e.srgb[c]), 1e-6);
        EXPECT_EQ(light["intensity"].number, e.intensity);
        EXPECT_EQ(light.Has("range"), e.range.has_value());
        if (e.range) {
            EXPECT_EQ(light["range"].number, *e.range);
        }
        EXPECT_EQ(light.Has("spot"), e.outer.has_value());
        if (!e.outer) continue;
        EXPECT_NEAR(light["spot"]["innerConeAngle"].number, *e.inner / 2 * kDegree, 1e-6);
        EXPECT_NEAR(light["spot"]["outerConeAngle"].number, *e.outer / 2 * kDegree, 1e-6);
    }
}

TEST(GltfCamerasLights, KeyframedCamerasAndSpotsFollowTheirNodesAndTargets) {
    testsupport::TempDir dir;
    for (const char* extension : {".glb", ".gltf"}) {
        SCOPED_TRACE(extension);
        const Gltf gltf = gltftest::LoadGltf(Export(dir, "moving", MovingScene(), extension));
        for (const double seconds : {0.0, 0.5, 1.0})
            ExpectAim(gltf, "Mover", seconds, {10 * seconds, -10, 0}, {0, 0, 0});
        ExpectAim(gltf, "Beam", 0, {0, 0, 10}, {2, 0, 0});
        // The camera's keys are on the node above the one that carries it.
        const Json& carrier = gltf.json["nodes"][static_cast<std::size_t>(CarrierOf(gltf, "Mover"))];
        EXPECT_FALSE(carrier.Has("translation"));
        std::vector<std::string> paths;
        for (const Json& channel : gltf.json["animations"][0]["channels"].items) {
            const Json& target = gltf.json["nodes"][static_cast<std::size_t>(channel["target"]["node"].Int())];
            if (target.Has("children") && target["children"][0].Int() == CarrierOf(gltf, "Mover"))
                paths.push_back(channel["target"]["path"].text);
        }
        EXPECT_NE(std::find(paths.begin(), paths.end(), "translation"), paths.end());
        EXPECT_NE(std::find(paths.begin(), paths.end(), "rotation"), paths.end());
        const Json& perspective = gltf.json["cameras"][0]["perspective"];
        EXPECT_NEAR(perspective["yfov"].number, 2 * std::atan(13.5 / 35), 1e-6);
        EXPECT_GT(perspective["znear"].number, 0);
        EXPECT_FALSE(perspective.Has("zfar"));
    }
}

// The shared models' cameras look where the keyframer aims them, rolled as it rolls them.
TEST(GltfCamerasLights, SharedModelsCamerasLookWhereTheKeyframerAimsThem) {
    const std::filesystem::path shared = testsupport::SharedModels();
    if (shared.empty()) GTEST_SKIP() << "no shared models";
    testsupport::TempDir dir;
    for (const char* name : {"CameraRollAnim.3ds", "CameraRollAnimWithChildObject.3ds", "TargetCameraAnim.3ds"}) {
        SCOPED_TRACE(name);
        const std::string input = (shared / "3ds" / name).string();
        const std::string output = dir.File(std::string(name) + ".glb");
        ASSERT_EQ(gltftest::Convert({"-o", output, input}).exitCode, 0);
        const Gltf gltf = gltftest::LoadGltf(output);
        model3ds::TFile3DS model(input);
        const model3ds::TKeyframer3DS keyframer = model3ds::ReadKeyframer(model);
        const model3ds::TPoseEvaluator pose(keyframer);
        for (const int step : {0, 1, 2, 3}) {
            const int frame = keyframer.SegmentStart + (keyframer.SegmentEnd - keyframer.SegmentStart) * step / 3;
            const std::vector<model3ds::TMatrix4> world = pose.World(frame);
            for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
                if (keyframer.Nodes[i].Tag != model3ds::CK_NODE_CAMERA) continue;
                const Placement placed = PlacementOf(gltf, keyframer.Nodes[i].Name, (frame - keyframer.SegmentStart) / 30.0);
                const Vec eye = ToGltf(Column(world[i], 3)), up = ToGltf(Column(world[i], 1));
                const Vec back = ToGltf(Column(world[i], 2));
                for (std::size_t k = 0; k < 3; ++k) {
                    EXPECT_NEAR(placed.eye[k], eye[k], 1e-3) << "frame " << frame;
                    EXPECT_NEAR(placed.ahead[k], -back[k], 1e-4) << "frame " << frame;
                    EXPECT_NEAR(placed.up[k], up[k], 1e-4) << "frame " << frame;
                }
            }
        }
    }
}

// A camera's or spot's name is shown as the window shows it on the node that
// carries it too, not only on the node above it and on the camera or light.
TEST(GltfCamerasLights, CarryingNodesHaveTheNamesAsTheWindowShowsThem) {
    testsupport::TempDir dir;
    testsupport::SceneSpec scene;
    scene.meshes = {testsupport::StripMesh("Strip", 4)};
    scene.cameras = {{.name = "\x83\x4A\x83\x81\x83\x89", .position = {0, -10, 2}}};  // カメラ in Shift-JIS
    scene.lights = {{.name = "\x83\x89\x83\x43\x83\x67", .position = {0, 0, 9},  // ライト
                     .spot = testsupport::SpotSpec{.target = {0, 0, 0}, .hotspot = 20, .falloff = 40}},
                    {.name = "\x8C\xF5", .position = {1, 2, 3}}};  // 光
    const Gltf gltf = gltftest::LoadGltf(Export(dir, "names", scene, ".glb"));
    for (const char* name : {"\xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9", "\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x88", "\xE5\x85\x89"}) {
        SCOPED_TRACE(name);
        const int carrier = CarrierOf(gltf, name);
        ASSERT_GE(carrier, 0);
        EXPECT_EQ(gltf.json["nodes"][static_cast<std::size_t>(carrier)]["name"].text, name);
    }
}

// Two lights of one name and one keyframer node: the node carries the first,
// the second stands at its own stored place; neither is lost. A camera or spot
// whose keyframer node has no target keeps its stored aim.
TEST(GltfCamerasLights, LightsAndCamerasTheKeyframerCannotPlaceKeepTheirStoredPlaces) {
    testsupport::TempDir dir;
    testsupport::SceneSpec scene;
    scene.meshes = {testsupport::StripMesh("Strip", 4)};
    scene.lights = {{.name = "Twin", .position = {1, 0, 0}}, {.name = "Twin", .position = {0, 5, 0}}};
    testsupport::KeyframerSpec kf{.start = 0, .end = 10, .current = 0};
    NodeSpec light{.tag = model3ds::CK_NODE_LIGHT, .id = 0, .name = "Twin"};
    light.position.keys = {Key(0, {1, 0, 0})};
    kf.nodes = {light};
    scene.keyframer = kf;
    // A camera and a spot whose keyframer nodes have no targets look at their stored ones.
    scene.cameras = {{.name = "Lone", .position = {0, -10, 0}, .target = {3, 0, 0}}};
    scene.lights.push_back({.name = "Beam", .position = {0, 0, 10},
                            .spot = testsupport::SpotSpec{.target = {0, 2, 0}, .hotspot = 20, .falloff = 40}});
    NodeSpec camera{.tag = model3ds::CK_NODE_CAMERA, .id = 1, .name = "Lone"};
    camera.position.keys = {Key(0, {0, -10, 0})};
    NodeSpec spot{.tag = model3ds::CK_NODE_SPOT, .id = 2, .name = "Beam"};
    spot.position.keys = {Key(0, {0, 0, 10})};
    scene.keyframer->nodes.insert(scene.keyframer->nodes.end(), {camera, spot});
    const Gltf gltf = gltftest::LoadGltf(Export(dir, "twins", scene, ".glb"));
    ExpectAim(gltf, "Lone", 0, {0, -10, 0}, {3, 0, 0});
    ExpectAim(gltf, "Beam", 0, {0, 0, 10}, {0, 2, 0});
    const std::vector<model3ds::TMatrix4> world = gltftest::GltfWorld(gltf, 0);
    std::vector<Vec> places;
    for (std::size_t i = 0; i < gltf.json["nodes"].Size(); ++i)
        if (gltf.json["nodes"][i].Has("extensions")) places.push_back(Column(world[i], 3));
    ASSERT_EQ(places.size(), 3u);
    EXPECT_NEAR(places[0][0], 1, 1e-6);
    EXPECT_NEAR(places[1][2], -5, 1e-6);  // the model's y is glTF's -z
}

TEST(GltfCamerasLights, ValidatorFindsNoErrorOrWarning) {
    const std::string missing = gltftest::ValidatorMissing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir dir;
    std::vector<std::string> files;
    for (const char* extension : {".glb", ".gltf"}) {
        files.push_back(Export(dir, std::string("still") + (extension + 1), StillScene(), extension));
        files.push_back(Export(dir, std::string("moving") + (extension + 1), MovingScene(), extension));
    }
    const auto report = gltftest::Validate(files);
    EXPECT_EQ(report.out, "");
    EXPECT_EQ(report.exitCode, 0) << report.err;
}
