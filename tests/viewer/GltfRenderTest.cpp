// korvane-render draws the glTF files korvane-convert writes as it draws the
// models they came from.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "PictureDifference.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

const std::string Render = std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render";
const std::string Convert = std::string(KORVANE_BINARY_DIR) + "/src/tools/korvane-convert";

using picturetest::DifferingShare;

QImage Picture(const std::string& input, const std::string& time, const std::string& output) {
    const auto run = testsupport::RunProcess({"/usr/bin/env", "-u", "DISPLAY", Render, "--fit", "--size", "96",
                                              "--time", time, input, output});
    EXPECT_EQ(run.exitCode, 0) << input << ": " << run.err;
    return QImage(QString::fromStdString(output));
}

// A textured plate in the model's folder: a 2 x 2 checker of red and blue.
std::string TexturedPlate(const testsupport::TempDir& temp) {
    QImage checker(2, 2, QImage::Format_RGB32);
    checker.setPixel(0, 0, qRgb(220, 30, 30));
    checker.setPixel(1, 1, qRgb(220, 30, 30));
    checker.setPixel(0, 1, qRgb(30, 30, 220));
    checker.setPixel(1, 0, qRgb(30, 30, 220));
    checker.save(QString::fromStdString(temp.File("checker.png")));
    const testsupport::MeshSpec plate{.name = "Plate",
                                      .vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                                      .faces = {{0, 1, 2}, {0, 2, 3}},
                                      .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                                      .groups = {{.material = "Checks", .faces = {0, 1}}}};
    const testsupport::MaterialSpec checks{.name = "Checks",
                                           .diffuse = testsupport::Rgb{200, 180, 90},
                                           .specular = testsupport::Rgb{0, 0, 0},
                                           .textureFile = "CHECKER.PNG"};
    const std::string model = temp.File("plate.3ds");
    testsupport::SaveFile(model, testsupport::BuildModel({plate}, {checks}));
    return model;
}

// A plate that the keyframer turns and moves, nested under a moving parent.
std::string MovingPlates(const testsupport::TempDir& temp) {
    const testsupport::MeshSpec base{.name = "Base",
                                     .vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                                     .faces = {{0, 1, 2}, {0, 2, 3}}};
    testsupport::MeshSpec arm = base;
    arm.name = "Arm";
    testsupport::KeyframerSpec keyframer{.start = 0, .end = 30};
    testsupport::NodeSpec parent{.id = 0, .name = "Base"};
    parent.position.keys = {{.frame = 0, .value = {0, 0, 0}}, {.frame = 30, .value = {2, 0, 1}}};
    testsupport::NodeSpec child{.id = 1, .name = "Arm", .parent = 0};
    child.position.keys = {{.frame = 0, .value = {0, 3, 0}}};
    child.rotation.keys = {{.frame = 0, .value = {0, 0, 0, 1}}, {.frame = 30, .value = {1.5f, 1, 0, 0}}};
    keyframer.nodes = {parent, child};
    const std::string model = temp.File("moving.3ds");
    testsupport::SaveFile(model, testsupport::BuildAnimatedModel({base, arm}, keyframer));
    return model;
}

// A coarse ball of flat faces over shared vertices, and one of smoothed faces
// but a flat band: the .glb of the first has no normals, its reader gives each
// triangle its own.
std::string Ball(const testsupport::TempDir& temp, bool smoothed) {
    constexpr int kRings = 6, kSegments = 9;
    testsupport::MeshSpec ball{.name = "Ball"};
    for (int r = 0; r <= kRings; ++r) {
        const double polar = 3.14159265358979 * r / kRings;
        for (int s = 0; s < kSegments; ++s) {
            const double around = 2 * 3.14159265358979 * s / kSegments;
            ball.vertices.push_back({static_cast<float>(std::sin(polar) * std::cos(around)),
                                     static_cast<float>(std::sin(polar) * std::sin(around)),
                                     static_cast<float>(std::cos(polar))});
        }
    }
    const auto at = [](int r, int s) { return static_cast<std::uint16_t>(r * kSegments + s % kSegments); };
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSegments; ++s) {
            ball.faces.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1)});
            ball.faces.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1)});
            const std::uint32_t group = smoothed && r != kRings / 2 ? 1 : 0;
            ball.smoothing.insert(ball.smoothing.end(), 2, group);
        }
    }
    const std::string model = temp.File(smoothed ? "banded.3ds" : "facets.3ds");
    testsupport::SaveFile(model, testsupport::BuildModel({ball}));
    return model;
}

// Shared models, built textured, moving and faceted ones, each drawn from
// the .3ds and from its .glb and .gltf: the pictures differ in no more than a
// small share of pixels (edges drawn from other triangles).
TEST(GltfRender, PictureMatchesTheModelItCameFrom) {
    testsupport::TempDir temp;
    struct Case {
        std::string model, time;
    };
    std::vector<Case> cases{{TexturedPlate(temp), "0"}, {MovingPlates(temp), "0"}, {MovingPlates(temp), "0.6"},
                            {Ball(temp, false), "0"}, {Ball(temp, true), "0"}};
    // Every shared model, the animated ones also in motion: hard edges, transparency
    // and highlights of no colour all show in these.
    if (const auto shared = testsupport::SharedModels(); !shared.empty())
        for (const auto& entry : std::filesystem::directory_iterator(shared / "3ds"))
            for (const char* time : {"0", "1.5"}) cases.push_back({entry.path().string(), time});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model + " at " + c.time);
        const std::string stem = std::filesystem::path(c.model).stem().string() + "-" + c.time;
        const QImage original = Picture(c.model, c.time, temp.File(stem + "-3ds.png"));
        ASSERT_FALSE(original.isNull());
        for (const std::string extension : {".glb", ".gltf"}) {
            const std::string gltf = temp.File(stem + extension);
            const auto converted = testsupport::RunProcess({Convert, "-o", gltf, c.model});
            ASSERT_EQ(converted.exitCode, 0) << converted.err;
            const QImage drawn = Picture(gltf, c.time, temp.File(stem + extension + ".png"));
            EXPECT_LT(DifferingShare(original, drawn), 0.02) << extension;
        }
    }
}

}  // namespace
