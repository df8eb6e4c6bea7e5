#pragma once
// The keyframer's pose at any time: every node's matrix, and where a mesh goes.
// Matrices are in the model's axes, with points as columns (p' = M p); the last
// column holds the translation.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model3ds/Keyframer.h"
#include "model3ds/Records.h"

namespace model3ds {

struct TMatrix4 {
    std::array<std::array<double, 4>, 4> m{};  // m[row][column]

    static TMatrix4 Identity();
    static TMatrix4 Translation(double x, double y, double z);
    static TMatrix4 Scaling(double x, double y, double z);
    // The local matrix of a mesh (CK_LOCAL_MATRIX): its axes, then its origin.
    static TMatrix4 FromMesh(const TMatrix3DS& matrix);

    friend TMatrix4 operator*(const TMatrix4& a, const TMatrix4& b);
};

// The inverse of an affine matrix; a singular one gives the identity.
TMatrix4 InverseAffine(const TMatrix4& matrix);
// The determinant of the upper 3 x 3 part: negative for a mirroring matrix.
double Determinant(const TMatrix4& matrix);
TVector3DS TransformPoint(const TMatrix4& matrix, TVector3DS point);

// A rotation as a unit quaternion: w + xi + yj + zk.
struct TQuat {
    double w = 1, x = 0, y = 0, z = 0;
};

// The quaternion of a rotation key's angle and axis; a zero-length or non-finite axis gives none.
TQuat AngleAxisQuat(double angle, double x, double y, double z);
TQuat operator*(const TQuat& a, const TQuat& b);
TMatrix4 RotationMatrix(const TQuat& q);

// One node's transform at a time, before its parent's: translation, rotation, scale.
struct TNodePose {
    double Position[3] = {0, 0, 0};
    TQuat Rotation;
    double Scale[3] = {1, 1, 1};
    TMatrix4 Matrix() const;
};

// A camera or spotlight at eye looking at target, turned by roll degrees about its
// line of sight. It looks along its local -z axis, with its x axis level and its
// y axis up as far as it can: the placement that children of cameras are stored
// in. Straight up or down, "up" is taken along y; at its target it only moves.
TMatrix4 AimMatrix(const double eye[3], const double target[3], double roll);

class TPoseEvaluator {
public:
    // The keyframer is borrowed and must outlive the evaluator.
    explicit TPoseEvaluator(const TKeyframer3DS& keyframer);
    ~TPoseEvaluator();
    TPoseEvaluator(const TPoseEvaluator&) = delete;
    TPoseEvaluator& operator=(const TPoseEvaluator&) = delete;

    std::size_t NodeCount() const;
    // The parent's index in the keyframer's nodes; -1 for a top node, and for a node
    // whose parent id names no node or leads round a cycle (it then stands at the top).
    int Parent(std::size_t node) const;
    // Every node with its parents before it: each node, then its children's
    // subtrees in file order.
    const std::vector<std::size_t>& Order() const;
    // Problems found in the hierarchy and the tracks, one line each.
    const std::vector<std::string>& Warnings() const;

    // A node's own transform at frame (a fraction of a frame allowed), its tracks
    // evaluated; for a camera, its position only (the aim comes in World).
    TNodePose LocalPose(std::size_t node, double frame) const;
    // Every node's matrix in the model's axes at frame: its parent's matrix times its
    // own. A camera (a spotlight) is turned to look at its target (light target)
    // node of the same name and rolled, so that its children follow its aim.
    std::vector<TMatrix4> World(double frame) const;

    // The matrix that carries a mesh's stored vertices to where the node puts them:
    // the node's matrix (world, from World), minus the pivot, times the inverse of
    // the mesh matrix. For a mirrored mesh matrix, which no keyframer track can
    // follow, it is the node's matrix times the inverse of its matrix at the file's
    // current frame, so that at that frame the stored vertices stay as they are.
    TMatrix4 MeshPlacement(std::size_t node, const TMatrix3DS& meshMatrix, const std::vector<TMatrix4>& world) const;
    // The same without the node's matrix: what carries the stored vertices into the
    // node's own space, the same at every frame.
    TMatrix4 MeshInNode(std::size_t node, const TMatrix3DS& meshMatrix) const;

    // Whether the node is a camera or spotlight turned to look at its target: its matrix under
    // its parent's then comes from World, not from its own tracks alone.
    bool Aimed(std::size_t node) const;

    // Whether the node's pose changes over the frames of its tracks.
    bool Moves(std::size_t node) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace model3ds
