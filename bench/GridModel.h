#pragma once
// Generated game-sized models for the batch benchmarks.
#include <cstdint>
#include <vector>

namespace gridmodel {

// A bumpy grid of side x side vertices with texture coordinates, smoothing
// groups (two bands, or none for a faceted grid of flat faces) and a textured
// material group, as 3D Studio bytes; index varies the bumps.
std::vector<std::uint8_t> GridModel(int index, int side, bool faceted = false);

}  // namespace gridmodel
