#include "viewer/ViewerControls.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace viewer {

bool TurnModel(ViewerScene& scene, std::int32_t dx, std::int32_t dy, Vec3 centre) {
    const float fx = static_cast<float>(dx), fy = static_cast<float>(dy);
    const float e = std::sqrt(fx * fx + fy * fy);
    if (e == 0) return false;
    const float f = std::sqrt(e * e + 2500.0f);
    if (f == 0) return false;
    Frame& model = *scene.ModelFrame;
    const Vec3 before = TransformPoint(centre, model.WorldTransform());
    model.SetRotation(&scene.GetCamera(), {fy / e, -fx / e, 0}, e / f);
    scene.GetScene().Move(1.0f);
    model.SetRotation(&scene.GetCamera(), {0, 0, 0}, 0);
    // The turn keeps the frame's origin in place; moving the frame back by
    // what the centre moved keeps the centre in place instead.
    const Vec3 shift = before - TransformPoint(centre, model.WorldTransform());
    if (shift.x != 0 || shift.y != 0 || shift.z != 0)
        model.SetPosition(nullptr, model.GetPosition(nullptr) + shift);
    return true;
}

void ChangeCameraDistance(ViewerScene& scene, float factor, Vec3 centre) {
    // Far beyond the back clipping plane the distance stops growing before the
    // position leaves the range of a float; past it the camera would be lost
    // for good. The length is taken in double, as its square overflows a float
    // from a distance of about 2e19.
    constexpr float MaxDistance = std::numeric_limits<float>::max() / 4;
    Frame& camera = scene.GetCamera();
    const Vec3 p = camera.GetPosition(scene.ModelFrame) - centre;
    const auto d = static_cast<float>(std::hypot(double{p.x}, double{p.y}, double{p.z}));
    const Vec3 u = d > 0 ? Vec3{p.x / d, p.y / d, p.z / d} : Vec3{1, 1, 1};
    float s = d * factor;
    if (std::fabs(s) < 0.0001f) s = 0.0001f;
    if (!(s <= MaxDistance)) return;
    camera.SetPosition(scene.ModelFrame, centre + u * s);
}

Vec3 ModelBoxCentre(const ViewerScene& scene) {
    if (!scene.MeshBuilder) return {};
    const Box box = scene.MeshBuilder->GetBox();
    return (box.min + box.max) * 0.5f;
}

void TurnToThreeQuarterView(ViewerScene& scene) {
    // About the camera's vertical axis by 45 degrees, then about its horizontal
    // axis by the angle that brings the diagonal down to the view's axis.
    const Frame& camera = scene.GetCamera();
    const float tilt = std::atan(1 / std::sqrt(2.0f));
    const std::pair<Vec3, float> turns[] = {{{0, 1, 0}, std::numbers::pi_v<float> / 4}, {{1, 0, 0}, -tilt}};
    for (const auto& [axis, angle] : turns) {
        scene.ModelFrame->SetRotation(&camera, axis, angle);
        scene.GetScene().Move(1.0f);
    }
    scene.ModelFrame->SetRotation(&camera, {0, 0, 0}, 0);
}

void FitCameraToModel(ViewerScene& scene, int width, int height, float margin) {
    if (!scene.MeshBuilder) return;
    const Viewport& viewport = scene.GetViewport();
    const MeshBuilder& builder = *scene.MeshBuilder;
    const std::vector<bool> drawn = builder.DrawnPositions();
    if (std::find(drawn.begin(), drawn.end(), true) == drawn.end()) return;
    const Matrix4 toView = scene.ModelFrame->WorldTransform() * viewport.ViewMatrix();
    // Half the view's width and height at distance 1, less the margin.
    const auto longer = static_cast<float>(std::max(width, height));
    const float halfWidth = viewport.field * static_cast<float>(width) / longer * (1 - margin);
    const float halfHeight = viewport.field * static_cast<float>(height) / longer * (1 - margin);
    // With the camera at c, a vertex p is inside when |p.x - c.x| <= halfWidth
    // * (p.z - c.z), that is c.x - halfWidth * c.z >= p.x - halfWidth * p.z
    // (the most of which is left.x) and c.x + halfWidth * c.z <= p.x + halfWidth
    // * p.z (the least: right.x); likewise for y. The camera goes where both
    // hold with equality on the axis that needs it farthest back, and midway
    // on the other, so that the picture of the model is centred.
    constexpr float Huge = std::numeric_limits<float>::max();
    Vec3 left{-Huge, -Huge, 0}, right{Huge, Huge, 0};
    float nearest = Huge;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (!drawn[i]) continue;
        const Vec3 p = TransformPoint(builder.Positions()[i], toView);
        left = {std::max(left.x, p.x - halfWidth * p.z), std::max(left.y, p.y - halfHeight * p.z), 0};
        right = {std::min(right.x, p.x + halfWidth * p.z), std::min(right.y, p.y + halfHeight * p.z), 0};
        nearest = std::min(nearest, p.z);
    }
    const float back = std::min({(right.x - left.x) / (2 * halfWidth), (right.y - left.y) / (2 * halfHeight),
                                 nearest - viewport.front * 1.01f});
    // In the camera's own coordinates.
    Frame& camera = scene.GetCamera();
    camera.SetPosition(&camera, {(left.x + right.x) / 2, (left.y + right.y) / 2, back});
}

bool AdvanceAnimation(ViewerScene& scene, double seconds) {
    MeshBuilder* builder = scene.MeshBuilder;
    if (!builder || !builder->Animated()) return false;
    const double length = builder->AnimationSeconds();
    double time = length > 0 ? std::fmod(builder->Time() + seconds, length) : 0;
    if (time < 0) time += length;
    builder->SetTime(time);
    return true;
}

Color3 BackgroundFromColorRef(std::uint32_t color) {
    return {static_cast<float>(color & 0xFF) / 255.0f, static_cast<float>(color >> 8 & 0xFF) / 255.0f,
            static_cast<float>(color >> 16 & 0xFF) / 255.0f};
}

}  // namespace viewer
