#include "viewer/ViewerControls.h"

#include <cmath>

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
    Frame& camera = scene.GetCamera();
    const Vec3 p = camera.GetPosition(scene.ModelFrame);
    const float d = Length(p);
    const Vec3 u = d > 0 ? p * (1.0f / d) : Vec3{1, 1, 1};
    float s = d * factor;
    if (std::fabs(s) < 0.0001f) s = 0.0001f;
    camera.SetPosition(scene.ModelFrame, u * s);
}

Color3 BackgroundFromColorRef(std::uint32_t color) {
    return {static_cast<float>(color & 0xFF) / 255.0f, static_cast<float>(color >> 8 & 0xFF) / 255.0f,
            static_cast<float>(color >> 16 & 0xFF) / 255.0f};
}

}  // namespace viewer
