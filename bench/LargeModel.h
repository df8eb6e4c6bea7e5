#pragma once
// The large synthetic model the reading benchmarks open: about 300 MB, 150 meshes
// of 60000 vertices, faces and texture coordinates each, with a material group,
// smoothing groups and a matrix, plus ten materials.
#include <string>

namespace largemodel {

constexpr int kMeshes = 150;

void WriteLargeModel(const std::string& path);

}  // namespace largemodel
