#include "app/MaterialRules.h"

#include <algorithm>
#include <cmath>

namespace app {

void SetMaterialOpacity(model3ds::TMaterial3DS& material, int percent) {
    material.Opacity = static_cast<float>(std::clamp(percent, model3ds::kMinOpacityPercent, model3ds::kMaxOpacityPercent) / 100.0);
}

void SetMaterialPower(model3ds::TMaterial3DS& material, int power) {
    material.SpecularPower = static_cast<float>(std::clamp(power, model3ds::kMinSpecularPower, model3ds::kMaxSpecularPower));
}

float FileTransparency(const model3ds::TMaterial3DS& material) { return std::fabs(material.Transparency); }

void TakeFileOpacity(model3ds::TMaterial3DS& material) {
    // A transparency that is no number leaves the material opaque.
    const float opacity = 1.0f - FileTransparency(material);
    material.Opacity = std::isfinite(opacity) ? std::clamp(opacity, 0.0f, 1.0f) : 1.0f;
}

}  // namespace app
