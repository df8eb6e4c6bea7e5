#include "model3ds/MaterialColor.h"

#include "base/Format.h"

namespace model3ds {

namespace {
long long Scaled(float component) { return base::RoundHalfEven(static_cast<double>(component) * 255.0); }
}  // namespace

std::string FormatColorText(const TColor3DS& color) {
    return base::Format("R: %lld; G: %lld; B: %lld", Scaled(color.r), Scaled(color.g), Scaled(color.b));
}

std::uint32_t MaterialColorToRGB(const TColor3DS& color) {
    const auto low8 = [](long long value) { return static_cast<std::uint32_t>(value) & 0xFF; };
    return low8(Scaled(color.r)) | low8(Scaled(color.g)) << 8 | low8(Scaled(color.b)) << 16;
}

TColor3DS RGBToMaterialColor(std::uint32_t rgb) {
    const auto component = [rgb](int shift) { return static_cast<float>(((rgb >> shift) & 0xFF) / 255.0); };
    return {component(0), component(8), component(16)};
}

}  // namespace model3ds
