#pragma once
// Reads .x data into plain mesh records: every Mesh of the data with its
// normals, materials and texture coordinates, and the placements given by the
// frames around it and by the frames that name it. Objects the viewer has no
// use for are skipped.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "viewer/Math3D.h"
#include "viewer/MeshBuilder.h"

namespace viewer {

// Faces as the data gives them: each with its own number of corners.
struct XFaces {
    std::vector<std::uint32_t> cornerCounts;
    std::vector<std::uint32_t> indices;  // all corners, face after face
};

struct XMesh {
    std::vector<Vec3> positions;
    XFaces faces;
    std::vector<Vec3> normals;        // empty when the mesh gives none, or none that fit
    XFaces normalFaces;               // corners index normals, face for face with faces
    std::vector<Material> materials;  // empty when there is no material list
    std::vector<std::uint32_t> faceMaterials;  // one per face when materials are given
    std::vector<Vec2> textureCoordinates;      // one per position, or none
    // Where the mesh is drawn: where it stands in the file, and once more for
    // each frame that names it ("{ name }"), each as its frames place it.
    std::vector<Matrix4> placements;
};

// Parses a whole .x file (header included). A reference to a name that is not
// defined is skipped, and one that would enter a frame from inside itself is
// not followed; a material list keeps no more materials than it declares.
// Raises XFormatError, also when references would take too many steps or
// repeat meshes and materials past a bound in memory (a file of a few bytes
// could otherwise ask for billions of either).
std::vector<XMesh> ParseXFile(const std::uint8_t* data, std::size_t size);

}  // namespace viewer
