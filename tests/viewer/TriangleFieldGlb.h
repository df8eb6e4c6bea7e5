#pragma once
// A generated .glb: a flat field of triangles tiling a square, two to a unit
// cell, with materials in a checker of triangles, or every triangle stacked
// on the first. Laid out either as one node and one mesh per triangle (every
// node placed by its translation, all meshes sharing two position accessors),
// or as the same triangles in one mesh of one primitive per material, already
// in place.
#include <cstdint>
#include <vector>

namespace trianglefield {

enum class Layout { NodePerTriangle, OneMesh };

struct Field {
    int triangles = 0;
    // Materials cycle through a few colours; every third one is half transparent.
    int materials = 1;
    Layout layout = Layout::NodePerTriangle;
    bool stacked = false;
};

std::vector<std::uint8_t> Glb(const Field& field);

}  // namespace trianglefield
