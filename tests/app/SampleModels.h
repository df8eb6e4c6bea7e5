#pragma once
// The models the app's tests open, built in memory.
#include <cstdint>
#include <vector>

namespace apptest {

// A model of three meshes, the second unnamed, and two materials:
//   mesh 0 "箱" (Shift-JIS bytes): 4 vertices from (0, -1, 0) to (1, 1, 0.5), 2 faces,
//     3 texture coordinates, groups "Red" (face 0) and "Blue" (face 1);
//   mesh 1 "": one vertex;   mesh 2 "立方体" (UTF-8): one vertex at (5, 5, 5);
//   material "Red": diffuse (255, 128, 0), specular (0, 0, 255), self-illumination 35 %;
//   material "Blue": no colours.
std::vector<std::uint8_t> SampleModel();

// A text .x file of one triangle far from its own origin, from (40, 30, 5) to (43, 34, 6).
std::vector<std::uint8_t> FarTriangleX();

}  // namespace apptest
