#pragma once
// Reads .x data into plain mesh records: every Mesh of the data with its
// normals, materials and texture coordinates, and the placements given by the
// frames around it and by the frames that name it; and the first AnimationSet
// with the frames it moves, so that the model can be posed at any time.
// Objects the viewer has no use for are skipped.
#include <array>
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
    // Of an animated model, per placement: the frame use (XModel::frameUses)
    // that places it, or -1 outside any frame. Empty for a model that does not move.
    std::vector<std::int32_t> placedBy;
};

// Keys of an AnimationKey, at ticks: a rotation quaternion (w, x, y, z) as .x
// stores it, a scale, a position, or a whole matrix.
struct XRotationKey {
    std::uint32_t tick = 0;
    std::array<float, 4> value{1, 0, 0, 0};
};
struct XVectorKey {
    std::uint32_t tick = 0;
    Vec3 value;
};
struct XMatrixKey {
    std::uint32_t tick = 0;
    Matrix4 value;
};

// One Animation of the played AnimationSet: the frame it moves and its keys,
// each kind sorted by tick. Matrix keys, when given, set the frame's whole
// matrix; otherwise it is scale, then rotation, then position, a kind without
// keys standing still (no scaling, no turn, at the parent's origin).
struct XFrameAnimation {
    std::uint32_t frame = 0;  // index into XModel::frameMatrices
    std::vector<XRotationKey> rotation;
    std::vector<XVectorKey> scale;
    std::vector<XVectorKey> position;
    std::vector<XMatrixKey> matrix;
};

// A frame where it is placed: the file's frames, and the frames that
// references place once more, each under the use of the frame around it.
struct XFrameUse {
    std::uint32_t frame = 0;  // index into XModel::frameMatrices
    std::int32_t parent = -1;  // index of the use around it, always earlier; -1 at the top
};

// The whole file: its meshes placed by the frames' own matrices, and what the
// pose at any time needs when the file holds an animation.
struct XModel {
    std::vector<XMesh> meshes;
    std::vector<Matrix4> frameMatrices;  // each frame's FrameTransformMatrix
    std::vector<XFrameUse> frameUses;    // empty for a model that does not move
    double ticksPerSecond = 4800;        // AnimTicksPerSecond, or the .x default
    std::vector<XFrameAnimation> animations;  // of the first AnimationSet; empty when nothing moves
    std::uint32_t lastTick = 0;  // of all the keys: the animation's length, after which it repeats
};

// The frame's matrix at tick from the animation's keys: scale, then rotation,
// then position, for row vectors.
Matrix4 AnimatedMatrix(const XFrameAnimation& animation, double tick);

// Sets every mesh's placements to the pose at ticks: each animated frame's
// matrix from its keys, interpolated linearly (rotations spherically) and held
// before the first key and after the last, the others at their own matrices.
// Past lastTick the animation starts again; times before 0 give the pose at 0.
void PoseXModel(XModel& model, double ticks);

// Parses a whole .x file (header included), posed at tick 0 when it holds an
// animation. A reference to a name that is not
// defined is skipped, and one that would enter a frame from inside itself is
// not followed; a material list keeps no more materials than it declares.
// Raises XFormatError, also when references would take too many steps or
// repeat meshes and materials past a bound in memory (a file of a few bytes
// could otherwise ask for billions of either).
std::vector<XMesh> ParseXFile(const std::uint8_t* data, std::size_t size);
// The same with the frames and the first AnimationSet, posed at tick 0.
// Animations of frames the file does not define are dropped, and a file whose
// frames are placed too often to be posed again and again draws unmoving.
XModel ParseXModel(const std::uint8_t* data, std::size_t size);

}  // namespace viewer
