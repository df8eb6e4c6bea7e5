#pragma once
// The data of the optional blocks of korvane-convert (texture coordinates,
// texture file names, normals, frames, face winding), worked out once here and
// written by the text and the binary writers alike. Every vector is in the
// model's axes (x, y, z); the writers put it in .x order (x, z, y) as they do
// for the vertices.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xexport/ExportOptions.h"
#include "xexport/ExportPreparation.h"
#include "xexport/MeshNormals.h"
#include "xexport/ModelScene.h"

namespace xexport {

// The name as one word that every reader of the text form takes for a name:
// letters, digits and "_", not starting with a digit, and bytes from 0x80 up (a
// Shift-JIS character whole, even when its trail byte is ASCII). Any other byte
// becomes "_", and a name starting with a digit gets a "_" in front.
std::string TextFormName(std::string_view name);

// The text inside a quoted string of the text form: a quote or a control byte,
// which would end or break the string, becomes "_"; every other byte stays.
std::string TextFormString(std::string_view text);

// A face's three vertex indices in the order they are written: V1, V3, V2, or
// V1, V2, V3 when the winding is flipped.
inline std::array<std::uint16_t, 3> FaceCorners(const model3ds::TFaceEntry3DS& face, bool flip) {
    return flip ? std::array<std::uint16_t, 3>{face.V1, face.V2, face.V3}
                : std::array<std::uint16_t, 3>{face.V1, face.V3, face.V2};
}

// The texture coordinates of every vertex of the meshes, in order, v flipped to
// DirectX's top-left origin (1 - v). Empty when no mesh has any; a mesh without
// them, or the vertices past a short list, get (0, 0). A NaN or infinite value is 0.
std::vector<model3ds::TTexCoord3DS> ExportTexCoords(const std::vector<const TMesh3DS*>& meshes);

// The texture file name written in a material's TextureFilename, raw bytes as
// stored; empty when the option is off or the material has no texture map.
std::string_view TextureFileName(const TMaterial3DS* material, const TExportOptions& options);

// A Frame around the single mesh: its name and its FrameTransformMatrix (16
// values, row by row, in .x axes).
struct TFrame {
    std::string Name;
    std::array<float, 16> Matrix{};
};

// The frame of the mesh, and the transform's steps into the frame's space: the
// vertices are written relative to the local matrix so that the frame's matrix
// puts them back where the plain export puts them. Without a matrix (all zero)
// the frame's matrix is the identity. Raises EExportError when the matrix cannot
// place the mesh: a value that is not a number, axes in a plane (singular), or an
// origin past the range of a 32-bit float.
TFrame MeshFrame(const TMesh3DS& mesh, TVertexTransform& transform);

// A FrameTransformMatrix in .x axes from a matrix in the model's axes, given as
// its axes (rows: the local x, y and z axes) and its origin.
std::array<float, 16> XFrameMatrix(const double axes[3][3], const double origin[3]);

// The frame of a scene node, its translation multiplied by the options' scale.
// Raises EExportError when the scale takes it past the range of a 32-bit float.
TFrame SceneFrame(const TSceneNode& node, const TExportOptions& options);

// The vertex steps of a scene mesh: its vertices are already in its frame's
// space, so only the scale applies.
TVertexTransform SceneMeshTransform(const TExportOptions& options);

// Whether the scene holds a mesh to write.
bool SceneHasMesh(const TModelScene& scene);

// Keys as .x writes them (AnimationKey types 0, 1 and 2): a rotation as w, x, y,
// z, a scale and a position in .x axes (x, z, y), the position scaled.
std::array<float, 4> XRotationKey(const model3ds::TQuat& rotation);
std::array<float, 3> XScaleKey(const double scale[3]);
std::array<float, 3> XPositionKey(const double position[3], const TExportOptions& options);

// One mesh made ready for either writer: its vertex transform (into its frame's
// space when frames are written), its frame, and the face groups of its material
// list when one is written.
struct TSingleMeshExport {
    const TMesh3DS* Mesh = nullptr;  // null: nothing to export
    TVertexTransform Transform;
    TFrame Frame;
    bool WithMaterials = false;
    std::vector<std::uint16_t> FaceGroups;
};

// The mesh at meshIndex ready to write. Raises as MeshFrame and CheckStaysFinite do.
TSingleMeshExport PrepareSingleMesh(TFile3DS& model, int meshIndex, const TExportOptions& options);

}  // namespace xexport
