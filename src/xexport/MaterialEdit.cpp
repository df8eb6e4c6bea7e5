#include "xexport/MaterialEdit.h"

#include <algorithm>

namespace xexport {

model3ds::TColor3DS RGBToMaterialColor(std::uint32_t rgb) {
    return {static_cast<float>((rgb & 255) / 255.0), static_cast<float>(((rgb >> 8) & 255) / 255.0),
            static_cast<float>(((rgb >> 16) & 255) / 255.0)};
}

void SetMaterialOpacity(model3ds::TMaterial3DS& material, int percent) {
    material.Opacity = static_cast<float>(std::clamp(percent, kMinOpacityPercent, kMaxOpacityPercent) / 100.0);
}

void SetMaterialPower(model3ds::TMaterial3DS& material, int power) {
    material.SpecularPower = static_cast<float>(std::clamp(power, kMinSpecularPower, kMaxSpecularPower));
}

}  // namespace xexport
