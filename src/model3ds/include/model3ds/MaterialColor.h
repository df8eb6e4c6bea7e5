#pragma once
// How material colours are shown: as text and as a packed 24-bit colour.
#include <cstdint>
#include <string>

#include "model3ds/Records.h"

namespace model3ds {

// "R: %d; G: %d; B: %d", each component times 255, rounded half to even, not limited to 0..255.
std::string FormatColorText(const TColor3DS& color);

// red + green * 256 + blue * 65536, each component times 255, rounded half to even,
// cut to its low 8 bits.
std::uint32_t MaterialColorToRGB(const TColor3DS& color);

// The reverse: a packed colour to components 0..1, each byte divided by 255.
TColor3DS RGBToMaterialColor(std::uint32_t rgb);

}  // namespace model3ds
