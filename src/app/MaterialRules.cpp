#include "app/MaterialRules.h"

#include <algorithm>

namespace app {

void SetMaterialOpacity(model3ds::TMaterial3DS& material, int percent) {
    material.Opacity = static_cast<float>(std::clamp(percent, kMinOpacityPercent, kMaxOpacityPercent) / 100.0);
}

void SetMaterialPower(model3ds::TMaterial3DS& material, int power) {
    material.SpecularPower = static_cast<float>(std::clamp(power, kMinSpecularPower, kMaxSpecularPower));
}

}  // namespace app
