// The cameras and lights of the named objects: every value against lib3ds,
// which reads them independently, and damaged chunks as warnings.
#include <gtest/gtest.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Load.h"
#include "model3ds/CamerasLights.h"
#include "model3ds/File3DS.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using namespace model3ds;
using testsupport::CameraSpec;
using testsupport::LightSpec;
using testsupport::SpotSpec;

namespace {

void ExpectVector(const TVector3DS& ours, const float theirs[3], const std::string& what) {
    EXPECT_FLOAT_EQ(ours.x, theirs[0]) << what;
    EXPECT_FLOAT_EQ(ours.y, theirs[1]) << what;
    EXPECT_FLOAT_EQ(ours.z, theirs[2]) << what;
}

void ExpectCamera(const TCamera3DS& ours, const Lib3dsCamera& theirs) {
    const std::string what = "camera " + ours.Name;
    ExpectVector(ours.Position, theirs.position, what);
    ExpectVector(ours.Target, theirs.target, what);
    EXPECT_FLOAT_EQ(ours.Roll, theirs.roll) << what;
    EXPECT_NEAR(ours.Lens, 2400.0 / theirs.fov, 1e-3 * ours.Lens) << what;  // lib3ds keeps 2400 / lens
    if (ours.Near) {
        EXPECT_FLOAT_EQ(*ours.Near, theirs.near_range) << what;
        EXPECT_FLOAT_EQ(*ours.Far, theirs.far_range) << what;
    }
}

void ExpectLight(const TLight3DS& ours, const Lib3dsLight& theirs) {
    const std::string what = "light " + ours.Name;
    ExpectVector(ours.Position, theirs.position, what);
    EXPECT_EQ(ours.Off, theirs.off != 0) << what;
    EXPECT_EQ(ours.Spot.has_value(), theirs.spot_light != 0) << what;
    if (ours.OuterRange) {
        EXPECT_FLOAT_EQ(*ours.OuterRange, theirs.outer_range) << what;
    }
    if (ours.InnerRange) {
        EXPECT_FLOAT_EQ(*ours.InnerRange, theirs.inner_range) << what;
    }
    if (ours.Multiplier != 1) {
        EXPECT_FLOAT_EQ(ours.Multiplier, theirs.multiplier) << what;
    }
    if (!ours.Spot) return;
    ExpectVector(ours.Spot->Target, theirs.spot, what);
    EXPECT_FLOAT_EQ(ours.Spot->Hotspot, theirs.hot_spot) << what;
    EXPECT_FLOAT_EQ(ours.Spot->Falloff, theirs.fall_off) << what;
    EXPECT_FLOAT_EQ(ours.Spot->Roll, theirs.roll) << what;
}

// Every camera and light of the file, as lib3ds reads them; returns how many were compared.
int CompareWithLib3ds(const std::string& path) {
    TFile3DS model(path);
    const TCamerasLights3DS ours = ReadCamerasAndLights(model);
    EXPECT_TRUE(ours.Warnings.empty()) << path;
    Lib3dsFile* theirs = lib3ds_file_load(path.c_str());
    EXPECT_NE(theirs, nullptr) << path;
    if (theirs == nullptr) return 0;
    int compared = 0;
    for (const TCamera3DS& camera : ours.Cameras) {
        const Lib3dsCamera* match = lib3ds_file_camera_by_name(theirs, camera.Name.c_str());
        EXPECT_NE(match, nullptr) << camera.Name;
        if (match == nullptr) continue;
        ExpectCamera(camera, *match);
        ++compared;
    }
    for (const TLight3DS& light : ours.Lights) {
        const Lib3dsLight* match = lib3ds_file_light_by_name(theirs, light.Name.c_str());
        EXPECT_NE(match, nullptr) << light.Name;
        if (match == nullptr) continue;
        ExpectLight(light, *match);
        ++compared;
    }
    lib3ds_file_free(theirs);
    return compared;
}

}  // namespace

TEST(CamerasLights, EveryValueIsReadAsLib3dsReadsIt) {
    testsupport::SceneSpec scene;
    scene.meshes = {testsupport::StripMesh("Strip", 4)};
    scene.cameras = {{.name = "Near", .position = {1, -20, 3}, .target = {0, 0, 1}, .roll = 12.5f, .lens = 35,
                      .ranges = std::array<float, 2>{2, 900}},
                     {.name = "Plain", .position = {-4, 5, 6}, .target = {7, 8, -9}, .lens = 135}};
    scene.lights = {
        {.name = "Omni", .position = {1, 2, 3}, .color = std::array<float, 3>{0.2f, 0.4f, 0.6f},
         .attenuated = true, .multiplier = 2.5f, .innerRange = 10, .outerRange = 40},
        {.name = "Spot", .position = {5, 5, 10}, .color = std::array<float, 3>{1, 0.5f, 0.25f},
         .spot = SpotSpec{.target = {5, 6, 0}, .hotspot = 30, .falloff = 60, .roll = 15}},
        {.name = "Dark", .position = {0, 0, 9}, .off = true},
    };
    testsupport::TempDir dir;
    const std::string path = dir.File("scene.3ds");
    testsupport::SaveFile(path, testsupport::BuildScene(scene));
    EXPECT_EQ(CompareWithLib3ds(path), 5);

    TFile3DS model(path);
    const TCamerasLights3DS read = ReadCamerasAndLights(model);
    ASSERT_EQ(read.Cameras.size(), 2u);
    ASSERT_EQ(read.Lights.size(), 3u);
    EXPECT_FALSE(read.Cameras[1].Near.has_value());
    EXPECT_TRUE(read.Lights[0].Attenuated);
    EXPECT_FALSE(read.Lights[1].Attenuated);
    EXPECT_FLOAT_EQ(read.Lights[1].Multiplier, 1);
    EXPECT_FLOAT_EQ(read.Lights[0].Color.b, 0.6f);
    EXPECT_FLOAT_EQ(read.Lights[2].Color.g, 1);  // none stored: white
    EXPECT_EQ(model.ObjectList().MeshTotal(), 1);
}

TEST(CamerasLights, SharedModelsReadAsLib3dsReadsThem) {
    const std::filesystem::path shared = testsupport::SharedModels();
    if (shared.empty()) GTEST_SKIP() << "no shared models";
    int compared = 0;
    for (const char* name : {"CameraRollAnim.3ds", "CameraRollAnimWithChildObject.3ds", "TargetCameraAnim.3ds"})
        compared += CompareWithLib3ds((shared / "3ds" / name).string());
    EXPECT_EQ(compared, 3);
}

// A named object whose camera or light is cut or bent; the rest of the file reads on.
TEST(CamerasLights, DamagedChunksBecomeWarningsAndLoseOnlyThemselves) {
    using testsupport::Writer3DS;
    const auto floats = [](Writer3DS& w, int count) {
        for (int i = 0; i < count; ++i) w.F32(static_cast<float>(i + 1));
    };
    struct Case {
        const char* name;
        std::function<void(Writer3DS&)> write;  // inside the named object
        std::size_t cameras, lights;
        const char* warning;
    };
    const std::vector<Case> cases = {
        {"short camera", [&](Writer3DS& w) { w.Begin(0x4700); floats(w, 7); w.End(); }, 0, 0, "camera \"X\" is damaged"},
        {"short ranges", [&](Writer3DS& w) {
             w.Begin(0x4700); floats(w, 8); w.ChunkF32(0x4720, 1); w.End(); }, 1, 0, "camera \"X\": its ranges"},
        {"short light", [&](Writer3DS& w) { w.Begin(0x4600); floats(w, 2); w.End(); }, 0, 0, "light \"X\" is damaged"},
        {"short spotlight", [&](Writer3DS& w) {
             w.Begin(0x4600); floats(w, 3); w.Begin(0x4610); floats(w, 4); w.End(); w.End(); }, 0, 0, "its spotlight"},
        {"empty multiplier", [&](Writer3DS& w) {
             w.Begin(0x4600); floats(w, 3); w.Flag(0x465B); w.End(); }, 0, 1, "its multiplier"},
        {"short colour", [&](Writer3DS& w) {
             w.Begin(0x4600); floats(w, 3); w.Begin(0x0010); floats(w, 1); w.End(); w.End(); }, 0, 1, "its colour"},
    };
    for (const Case& c : cases) {
        Writer3DS w;
        w.Begin(0x4D4D);
        w.Begin(0x3D3D);
        w.Begin(0x4000);
        w.String("X");
        c.write(w);
        w.End();
        testsupport::WriteMesh(w, testsupport::StripMesh("Strip", 3));
        w.End();
        w.End();
        TFile3DS model;
        testsupport::LoadBytes(model, w);
        const TCamerasLights3DS read = ReadCamerasAndLights(model);
        EXPECT_EQ(read.Cameras.size(), c.cameras) << c.name;
        EXPECT_EQ(read.Lights.size(), c.lights) << c.name;
        ASSERT_EQ(read.Warnings.size(), 1u) << c.name;
        EXPECT_NE(read.Warnings[0].find(c.warning), std::string::npos) << c.name << ": " << read.Warnings[0];
        EXPECT_EQ(model.ObjectList().MeshTotal(), 1) << c.name;
        if (!read.Lights.empty()) {
            EXPECT_FLOAT_EQ(read.Lights[0].Multiplier, 1) << c.name;
            EXPECT_FLOAT_EQ(read.Lights[0].Color.r, 1) << c.name;
        }
    }
}
