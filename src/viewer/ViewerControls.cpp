#include "viewer/ViewerControls.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace viewer {

bool TurnModel(ViewerScene& scene, std::int32_t dx, std::int32_t dy) {
    const float fx = static_cast<float>(dx), fy = static_cast<float>(dy);
    const float e = std::sqrt(fx * fx + fy * fy);
    if (e == 0) return false;
    const float f = std::sqrt(e * e + 2500.0f);
    if (f == 0) return false;
    Frame& model = *scene.ModelFrame;
    model.SetRotation(&scene.GetCamera(), {fy / e, -fx / e, 0}, e / f);
    scene.GetScene().Move(1.0f);
    model.SetRotation(&scene.GetCamera(), {0, 0, 0}, 0);
    return true;
}

void ChangeCameraDistance(ViewerScene& scene, float factor) {
    // Far beyond the back clipping plane the distance stops growing before the
    // position leaves the range of a float; past it the camera would be lost
    // for good. The length is taken in double, as its square overflows a float
    // from a distance of about 2e19.
    constexpr float MaxDistance = std::numeric_limits<float>::max() / 4;
    Frame& camera = scene.GetCamera();
    const Vec3 p = camera.GetPosition(scene.ModelFrame);
    const auto d = static_cast<float>(std::hypot(double{p.x}, double{p.y}, double{p.z}));
    const Vec3 u = d > 0 ? Vec3{p.x / d, p.y / d, p.z / d} : Vec3{1, 1, 1};
    float s = d * factor;
    if (std::fabs(s) < 0.0001f) s = 0.0001f;
    if (!(s <= MaxDistance)) return;
    camera.SetPosition(scene.ModelFrame, u * s);
}

void FitCameraToModel(ViewerScene& scene, int width, int height, float margin) {
    if (!scene.MeshBuilder || scene.MeshBuilder->Positions().empty()) return;
    const Viewport& viewport = scene.GetViewport();
    const Box box = scene.MeshBuilder->GetBox();
    const Matrix4 toView = scene.ModelFrame->WorldTransform() * viewport.ViewMatrix();
    const Vec3 centre = TransformPoint((box.min + box.max) * 0.5f, toView);
    // Half the view's width and height at distance 1, less the margin.
    const auto longer = static_cast<float>(std::max(width, height));
    const float halfWidth = viewport.field * static_cast<float>(width) / longer * (1 - margin);
    const float halfHeight = viewport.field * static_cast<float>(height) / longer * (1 - margin);
    // The camera moves along its own axis to distance d before the centre; a
    // vertex at (x, y, z) from the centre is then inside when |x| <= halfWidth
    // * (d + z), and likewise for y.
    float distance = 0;
    for (const Vec3 position : scene.MeshBuilder->Positions()) {
        const Vec3 p = TransformPoint(position, toView) - centre;
        distance = std::max({distance, std::fabs(p.x) / halfWidth - p.z, std::fabs(p.y) / halfHeight - p.z,
                             viewport.front * 1.01f - p.z});
    }
    // In the camera's own coordinates: straight back from the centre.
    Frame& camera = scene.GetCamera();
    camera.SetPosition(&camera, {centre.x, centre.y, centre.z - distance});
}

Color3 BackgroundFromColorRef(std::uint32_t color) {
    return {static_cast<float>(color & 0xFF) / 255.0f, static_cast<float>(color >> 8 & 0xFF) / 255.0f,
            static_cast<float>(color >> 16 & 0xFF) / 255.0f};
}

}  // namespace viewer
