#pragma once
// A sphere of about a million triangles as .x data, for the viewer and
// thumbnail benchmarks. Each is built once, on first use.
#include <cstdint>
#include <vector>

namespace spheremodel {

constexpr int Rings = 500, Segments = 1000;  // 1,000,000 triangles

// The binary .x file.
const std::vector<std::uint8_t>& SphereX();
// The same mesh as a text .x file.
const std::vector<std::uint8_t>& SphereXText();

}  // namespace spheremodel
