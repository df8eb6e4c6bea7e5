#pragma once
// Vertex normals from a mesh's smoothing groups, shared by every writer that
// writes normals.
#include <array>
#include <cstdint>
#include <vector>

#include "model3ds/Records.h"
#include "xexport/ExportPreparation.h"

namespace xexport {

// The normal at each corner of each face, corners in the face's order V1, V2,
// V3: at a corner, the sum of the area-weighted normals of the faces around the
// vertex that share a smoothing bit with the face; a face without smoothing bits
// is flat. Normalised; a corner whose sum has no direction takes its face's
// normal, and a degenerate face (0, 0, 1). Of the vertices as transform writes them.
std::vector<std::array<TVector3DS, 3>> CornerNormals(const TMesh3DS& mesh, const TVertexTransform& transform);

// Distinct normals (one copy of each value), and for each face (in the meshes'
// order) the indices of its corners' normals in .x corner order: V1, V3, V2, or
// V1, V2, V3 when flipped.
struct TMeshNormals {
    std::vector<TVector3DS> Normals;
    std::vector<std::array<std::uint32_t, 3>> FaceNormals;
};

// CornerNormals of every mesh, each value kept once, negated when flip is set.
TMeshNormals ComputeNormals(const std::vector<const TMesh3DS*>& meshes, const TVertexTransform& transform, bool flip);

}  // namespace xexport
