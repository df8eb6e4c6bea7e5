#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "XSamples.h"
#include "viewer/ViewerControls.h"
#include "viewer/ViewerScene.h"

using namespace viewer;

namespace {

void ExpectNear(Vec3 actual, Vec3 expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

base::MemoryStream Stream(const std::vector<std::uint8_t>& bytes) { return base::MemoryStream(bytes); }

// The model frame's axes as seen from the camera.
Matrix4 ModelInCamera(ViewerScene& scene) {
    return scene.ModelFrame->WorldTransform() * InverseAffine(scene.GetCamera().WorldTransform());
}

}  // namespace

TEST(ViewerScene, StartsWithTheModelInFrontOfTheCameraAndTheLightOnIt) {
    ViewerScene scene;
    ExpectNear(scene.ModelFrame->GetPosition(&scene.GetCamera()), {0, 0, 15});
    EXPECT_EQ(scene.ModelFrame->Parent(), &scene.GetScene());
    const Color3 background = scene.GetScene().GetSceneBackground();
    EXPECT_EQ(background.red + background.green + background.blue, 0.0f);
    const Matrix4 light = scene.LightFrame->WorldTransform();
    ExpectNear(light.Row(3), {50, 20, -50});
    // It is turned before the model frame moves away from the scene's origin.
    ExpectNear(light.Row(2), Normalize(Vec3{-50, -20, 50}));
    EXPECT_NEAR(light.Row(0).y, 0.0f, 1e-6f);  // not rolled about its z axis
    EXPECT_GT(light.Row(1).y, 0.0f);
    EXPECT_EQ(scene.GetViewport().back, 5000.0f);
    EXPECT_EQ(scene.GetDevice().renderMode, 3u);
    EXPECT_EQ(scene.AmbientLight.color.red, 0.4f);
}

TEST(ViewerScene, DragTurnsTheModelAboutTheScreenAxis) {
    ViewerScene scene;
    EXPECT_FALSE(TurnModel(scene, 0, 0));  // a click without movement
    ExpectNear(ModelInCamera(scene).Row(0), {1, 0, 0});

    // 50 pixels to the right: about the camera's -y axis by 50 / sqrt(5000).
    ASSERT_TRUE(TurnModel(scene, 50, 0));
    const float angle = 50.0f / std::sqrt(5000.0f);
    EXPECT_NEAR(angle, 0.7071f, 1e-4f);
    const Matrix4 expected = Matrix4::Rotation({0, -1, 0}, angle);
    const Matrix4 model = ModelInCamera(scene);
    for (int row = 0; row < 3; ++row) ExpectNear(model.Row(row), expected.Row(row));
    // The front of the model (towards the camera, -z) moves to the right.
    EXPECT_GT(TransformDirection({0, 0, -1}, model).x, 0.5f);
    ExpectNear(model.Row(3), {0, 0, 15});  // turned about its own origin

    // The turn happens once: moving the scene again changes nothing.
    scene.GetScene().Move(1.0f);
    ExpectNear(ModelInCamera(scene).Row(0), expected.Row(0));

    // Upwards: the front moves up.
    ViewerScene other;
    TurnModel(other, 0, 30);
    EXPECT_GT(TransformDirection({0, 0, -1}, ModelInCamera(other)).y, 0.4f);
}

TEST(ViewerScene, PageKeysMoveTheCameraAlongTheLineToTheModel) {
    ViewerScene scene;
    TurnModel(scene, 17, -40);
    for (int i = 0; i < 10; ++i) ChangeCameraDistance(scene, CloserFactor);
    const Vec3 camera = scene.GetCamera().GetPosition(&scene.GetScene());
    ExpectNear(camera, {0, 0, 15 - 15 * std::pow(0.9f, 10.0f)}, 1e-3f);
    EXPECT_NEAR(Length(scene.GetCamera().GetPosition(scene.ModelFrame)), 5.23f, 0.01f);
    ExpectNear(scene.GetCamera().WorldTransform().Row(2), {0, 0, 1});  // still looking ahead

    ChangeCameraDistance(scene, FartherFactor);
    EXPECT_NEAR(Length(scene.GetCamera().GetPosition(scene.ModelFrame)), 5.23f * 1.1f, 0.01f);
    ChangeCameraDistance(scene, 0.0f);
    EXPECT_NEAR(Length(scene.GetCamera().GetPosition(scene.ModelFrame)), 0.0001f, 1e-5f);
}

// Holding Page Down long after the model has passed the back clipping plane
// must not lose the camera: Page Up brings it back again.
// Turned or approached about a centre, the model keeps that point where it was,
// and the camera moves along the line through it.
TEST(ViewerScene, TurningAndApproachingAboutACentreKeepItInPlace) {
    const struct {
        const char* name;
        std::int32_t dx, dy;
        float factor;
    } cases[] = {{"drag right", 60, 0, 1}, {"drag up and left", -30, 45, 1}, {"closer", 0, 0, 0.9f},
                 {"farther", 0, 0, 1.1f}};
    const Vec3 centre{12, -3, 4};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewerScene scene;
        const Vec3 before = centre + scene.ModelFrame->GetPosition(&scene.GetCamera());
        const float distance = Length(scene.GetCamera().GetPosition(scene.ModelFrame) - centre);
        TurnModel(scene, c.dx, c.dy, centre);
        ChangeCameraDistance(scene, c.factor, centre);
        const Vec3 inCamera = TransformPoint(centre, ModelInCamera(scene));
        ExpectNear(Normalize(inCamera), Normalize(before), 1e-4f);
        EXPECT_NEAR(Length(inCamera), distance * c.factor, 1e-3f);
    }
}

TEST(ViewerScene, FarCameraStillComesBack) {
    const auto distance = [](ViewerScene& scene) {
        const Vec3 p = scene.GetCamera().GetPosition(scene.ModelFrame);
        return static_cast<float>(std::hypot(double{p.x}, double{p.y}, double{p.z}));
    };
    ViewerScene scene;
    TurnModel(scene, 23, 31);
    for (int i = 0; i < 500; ++i) ChangeCameraDistance(scene, FartherFactor);
    EXPECT_NEAR(distance(scene) / (15 * std::pow(1.1, 500)), 1.0, 1e-3);
    for (int i = 0; i < 500; ++i) ChangeCameraDistance(scene, CloserFactor);
    EXPECT_NEAR(distance(scene), 15 * std::pow(0.99, 500), 1e-3);

    for (int i = 0; i < 3000; ++i) ChangeCameraDistance(scene, FartherFactor);
    const float far = distance(scene);
    ASSERT_TRUE(std::isfinite(far));
    ChangeCameraDistance(scene, CloserFactor);
    EXPECT_NEAR(distance(scene) / far, 0.9f, 1e-3f);
    for (int i = 0; i < 3000; ++i) ChangeCameraDistance(scene, CloserFactor);
    EXPECT_NEAR(distance(scene), 0.0001f, 1e-5f);
    ExpectNear(scene.GetCamera().WorldTransform().Row(2), {0, 0, 1});
}

TEST(ViewerScene, LoadScalesTheLargestExtentToSeven) {
    const struct {
        const char* name;
        std::vector<float> positions;
        float scale;
    } cases[] = {
        {"2 x 1 x 0.5 box", {-1, 0, 0, 1, 1, 0.5f, 0, 0, 0.5f}, 3.5f},
        {"single point", {4, 5, 6}, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewerScene scene;
        const std::vector<std::vector<std::uint32_t>> faces =
            c.positions.size() > 3 ? std::vector<std::vector<std::uint32_t>>{{0, 1, 2}}
                                   : std::vector<std::vector<std::uint32_t>>{};
        auto stream = Stream(xsamples::TextFile(xsamples::MeshText(c.positions, faces)));
        stream.Seek(stream.Size());
        ASSERT_EQ(scene.LoadXFromStream(stream), 0);
        ASSERT_NE(scene.MeshBuilder, nullptr);
        EXPECT_EQ(scene.MeshBuilder->GetQuality(), RenderGouraud);
        ExpectNear(scene.MeshBuilder->Positions()[0],
                   Vec3{c.positions[0], c.positions[1], c.positions[2]} * c.scale);
        ASSERT_EQ(scene.ModelFrame->Visuals().size(), 1u);
    }
}

TEST(ViewerScene, NothingOrBadDataLeavesTheLoadedBuilder) {
    ViewerScene scene;
    base::MemoryStream empty;
    EXPECT_EQ(scene.LoadXFromStream(empty), 0);
    EXPECT_TRUE(scene.MeshBuilders.empty());
    EXPECT_EQ(scene.MeshBuilder, nullptr);

    auto bad = Stream(xsamples::Bytes("xof 0303txt 0032 Mesh { 3; 1;"));
    EXPECT_EQ(scene.LoadXFromStream(bad), LoadErrorBadFile);
    EXPECT_EQ(scene.MeshBuilders.size(), 1u);  // created and attached before it was loaded
    EXPECT_EQ(scene.ModelFrame->Visuals().size(), 1u);
    EXPECT_EQ(scene.MeshBuilder, nullptr);

    auto good = Stream(xsamples::TextFile(xsamples::MeshText({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{0, 1, 2}})));
    ASSERT_EQ(scene.LoadXFromStream(good), 0);
    MeshBuilder* loaded = scene.MeshBuilder;
    EXPECT_EQ(scene.LoadXFromStream(bad), LoadErrorBadFile);
    EXPECT_EQ(scene.MeshBuilder, loaded);
}

TEST(ViewerScene, ColourDialogValuesBecomeTheBackground) {
    const struct {
        std::uint32_t color;
        Color3 expected;
    } cases[] = {{0x0000FF, {1, 0, 0}}, {0x00FF00, {0, 1, 0}}, {0xFF0000, {0, 0, 1}}, {0x336699, {0x99 / 255.0f, 0x66 / 255.0f, 0.2f}}};
    for (const auto& c : cases) {
        const Color3 color = BackgroundFromColorRef(c.color);
        EXPECT_FLOAT_EQ(color.red, c.expected.red);
        EXPECT_FLOAT_EQ(color.green, c.expected.green);
        EXPECT_FLOAT_EQ(color.blue, c.expected.blue);
    }
}

// Fitted, the camera keeps looking along +z; every vertex lies inside the
// picture less the margin, and along one of its axes the model reaches the margin.
TEST(ViewerScene, FitFillsThePictureWithTheWholeModel) {
    const auto box = [](float sx, float sy, float sz, Vec3 at) {
        std::vector<float> corners;
        for (int i = 0; i < 8; ++i)
            for (const float c : {at.x + (i & 1 ? sx : 0), at.y + (i & 2 ? sy : 0), at.z + (i & 4 ? sz : 0)})
                corners.push_back(c);
        return corners;
    };
    const struct {
        const char* name;
        std::vector<float> positions;
        int width, height;
        std::int32_t turnX, turnY;
    } cases[] = {
        {"tall thin, square picture", box(1, 20, 1, {0, 0, 0}), 256, 256, 0, 0},
        {"wide flat, square picture", box(20, 1, 2, {0, 0, 0}), 256, 256, 0, 0},
        {"far from its origin, wide picture", box(3, 2, 1, {100, -40, 70}), 200, 100, 0, 0},
        {"turned cube, tall picture", box(1, 1, 1, {-0.5f, -0.5f, -0.5f}), 100, 200, 40, 25},
        {"deep box seen end on", box(2, 2, 5, {0, 0, 0}), 128, 128, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewerScene scene;
        auto stream = Stream(xsamples::TextFile(xsamples::MeshText(c.positions, {{0, 1, 2}, {3, 4, 5}, {5, 6, 7}})));
        ASSERT_EQ(scene.LoadXFromStream(stream), 0);
        TurnModel(scene, c.turnX, c.turnY);
        FitCameraToModel(scene, c.width, c.height);
        ExpectNear(scene.GetCamera().WorldTransform().Row(2), {0, 0, 1});
        Viewport& viewport = scene.GetViewport();
        viewport.width = c.width;
        viewport.height = c.height;
        const Matrix4 projection = viewport.ProjectionMatrix();
        float reachX = 0, reachY = 0, nearest = std::numeric_limits<float>::max();
        for (const Vec3 position : scene.MeshBuilder->Positions()) {
            const Vec3 p = TransformPoint(position, ModelInCamera(scene));
            nearest = std::min(nearest, p.z);
            reachX = std::max(reachX, std::fabs(p.x * projection.m[0][0] / p.z));
            reachY = std::max(reachY, std::fabs(p.y * projection.m[1][1] / p.z));
        }
        EXPECT_GT(nearest, viewport.front);
        EXPECT_LE(reachX, 1 - FitMargin + 1e-4f);
        EXPECT_LE(reachY, 1 - FitMargin + 1e-4f);
        EXPECT_NEAR(std::max(reachX, reachY), 1 - FitMargin, 1e-3f);
    }
}

// The three-quarter view looks along the diagonal from in front of the model,
// to its right and above it: the model's front (-z), right (+x) and top (+y)
// all face the camera, the right side shows on the right, the top upwards.
TEST(ViewerScene, ThreeQuarterViewShowsFrontRightAndTop) {
    ViewerScene scene;
    TurnToThreeQuarterView(scene);
    const Matrix4 model = ModelInCamera(scene);
    ExpectNear(Normalize(TransformDirection({1, 1, -1}, model)), {0, 0, -1});
    ExpectNear(model.Row(3), {0, 0, 15});  // turned about its own origin
    const Vec3 right = TransformDirection({1, 0, 0}, model), top = TransformDirection({0, 1, 0}, model);
    EXPECT_GT(right.x, 0.5f);
    EXPECT_GT(top.y, 0.5f);
    for (const Vec3 side : {right, top, TransformDirection({0, 0, -1}, model)}) EXPECT_LT(side.z, -0.5f);
}
