#pragma once
// The order in which the renderer draws a builder's triangles, free of GL.
// Materials that look the same (the same colours, power and texture, to the
// bit) are one look, whichever mesh they came from: the opaque triangles of
// one look are drawn as one batch, the looks in the order of their first
// material, each batch's triangles in the order of their materials. Where
// triangles of one look lie over each other (meshes, or one mesh naming the
// same corners again), a triangle drawn again later in its batch with the same
// corners (position, normal, texture coordinates) changes no pixel, since
// depth passes on equal: only its last copy is kept.
// Transparent triangles stay in the order of their materials, every copy
// kept, for sorting by depth at every picture.
#include <cstdint>
#include <vector>

#include "viewer/MeshBuilder.h"

namespace viewer {

struct DrawBatch {
    std::uint32_t material;     // the look's first material
    std::uint32_t first, count; // in DrawBatches::opaque
};

struct DrawBatches {
    std::vector<std::uint32_t> opaque;  // triangle indices, batch after batch
    std::vector<DrawBatch> batches;
    std::vector<std::uint32_t> transparent;           // triangle indices
    std::vector<std::uint32_t> transparentMaterials;  // the look's first material, per transparent triangle
};

// The first material of the same look as each material; textures holds the
// texture each material is drawn with (0 for none), or is empty for none.
std::vector<std::uint32_t> SameLooks(const std::vector<Material>& materials, const std::vector<unsigned>& textures);

DrawBatches PlanDraws(const MeshBuilder& builder, const std::vector<unsigned>& textures);

// Drawn blended, after the opaque triangles.
bool IsTransparent(const Material& material);

}  // namespace viewer
