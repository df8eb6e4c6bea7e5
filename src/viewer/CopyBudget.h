#pragma once
// What copies of meshes and materials, made where a file places one mesh many
// times, may add to the mesh builder: one bound for every reader of models.
#include <cstddef>

#include "viewer/XFile.h"

namespace viewer {

// What copies add to the mesh builder, in bytes: in all, and in materials.
struct CopyCost {
    std::size_t bytes = 0;
    std::size_t materialBytes = 0;
};

std::size_t MaterialBytes(const Material& material);

// What one more placement of the mesh adds to the mesh builder: its positions
// with their texture coordinates, normals (made ones when the mesh gives
// none), triangles and materials, and the placement itself.
CopyCost PlacementCost(const XMesh& mesh);

class CopyBudget {
public:
    // Takes the cost from what is left; false, and nothing taken, when it
    // would pass the bound.
    bool Spend(const CopyCost& cost);

private:
    CopyCost spent_;
};

}  // namespace viewer
