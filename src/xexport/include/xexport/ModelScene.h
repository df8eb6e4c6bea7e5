#pragma once
// The model's scene as the keyframer builds it, worked out once for any writer:
// nodes with names, parents and their local pose at the segment's first frame,
// the meshes each node places in its own space, and per moving node its keys.
// Everything is in the model's axes; matrices take points as columns (Pose.h).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model3ds/CamerasLights.h"
#include "model3ds/File3DS.h"
#include "model3ds/Pose.h"
#include "model3ds/Records.h"
#include "xexport/ExportOptions.h"
#include "xexport/ExportPreparation.h"

namespace xexport {

struct TSceneNode {
    std::string Name;                        // unique among the nodes, one word for every .x reader
    std::string RawName;                     // as the model has it (NodeName), bytes as stored
    int Parent = -1;                         // index into the scene's nodes; -1 for a top node
    model3ds::TMatrix4 Local;                // under the parent's, at the segment's first frame
    model3ds::TNodePose Pose;                // the same as translation, rotation and scale (Local = Pose.Matrix())
    // The model's meshes, vertices in this node's space; nodes that place one mesh
    // the same way share its copy.
    std::vector<std::shared_ptr<const model3ds::TMesh3DS>> Meshes;
};

// Keys are at whole ticks from the segment's first frame; a tick is one frame.
struct TVectorKey {
    std::uint32_t Tick = 0;
    double Value[3] = {0, 0, 0};
};

struct TRotationKey {
    std::uint32_t Tick = 0;
    model3ds::TQuat Value;  // unit length, in the same hemisphere as the key before
};

// A moving node's local pose over the segment. Linear interpolation between the
// keys (spherical for rotations) reproduces every frame within the tolerance.
struct TNodeAnimation {
    std::size_t Node = 0;  // index into the scene's nodes
    std::vector<TRotationKey> Rotation;
    std::vector<TVectorKey> Scale;
    std::vector<TVectorKey> Position;
};

// A camera on its node, which stands at the eye and looks down its local -z axis
// at the target, its +y up as far as the roll leaves it.
struct TSceneCamera {
    std::size_t Node = 0;
    model3ds::TCamera3DS Camera;
};

// A light on its node, which stands at the light; a spotlight's node looks down
// its local -z axis at the target, as a camera's does. Node is -1 for a light
// switched off, which no node carries.
struct TSceneLight {
    int Node = -1;
    model3ds::TLight3DS Light;
};

struct TModelScene {
    std::string Name;  // the file's name as one word: the top frame's and the animation's
    // Parents before their children, each node's subtree right after it.
    std::vector<TSceneNode> Nodes;
    int TicksPerSecond = 30;
    std::vector<TNodeAnimation> Animations;  // empty when nothing moves or none was asked for
    std::vector<std::string> Warnings;       // what the keyframer could not give, one line each
    // Vertices and faces of every placement of a mesh past its first: what a
    // writer that copies each placement (.x) adds to the model's own meshes.
    std::uint64_t PlacedCopies = 0;
    // When asked for: the model's cameras and lights, in file order, and what
    // could not be read of them.
    std::vector<TSceneCamera> Cameras;
    std::vector<TSceneLight> Lights;
    std::vector<std::string> CameraLightWarnings;
};

struct TSceneRequest {
    std::string FileName;    // the model's file; its name without folder and extension names the scene
    bool TopFrame = false;   // one node at the top holding all others
    bool Animation = false;  // sample the keys of every moving node
    bool CamerasAndLights = false;  // nodes for the model's cameras and lights
};

// What to ask of the scene for these export options.
TSceneRequest SceneRequest(model3ds::TFile3DS& model, const TExportOptions& options);

// Samples (frames of the segment times moving nodes) past which an animation is
// refused rather than sampled: the keys of a segment of billions of frames or
// of tens of thousands of moving nodes would take time and memory without bound.
inline constexpr std::uint64_t kMaxAnimationSamples = 1'000'000;

// Vertices and faces that copies of meshes may add, so that a small file whose
// nodes place one large mesh many times cannot ask for gigabytes: counted once
// per different copy in the scene, and once per placement where a writer copies
// each one.
inline constexpr std::uint64_t kMaxCopiedElements = 4'000'000;

// The animation of a scene asked for one is past kMaxAnimationSamples.
class ELongAnimationError : public EExportError {
public:
    using EExportError::EExportError;
};

// Raises EExportError when the scene's placed copies (PlacedCopies) pass kMaxCopiedElements.
void CheckPlacedCopies(const TModelScene& scene);

// The name a node gets, raw bytes: a group ("$$$DUMMY") by its instance name,
// any other node by its own name.
std::string NodeName(const model3ds::TKFNode3DS& node);

// The scene of the model. Every keyframer node that is an object, or holds one
// below it, becomes a node, named by NodeName made one word (TextFormName, "Node"
// when empty) and unique by a suffix "_2", "_3", ...; an object node places the
// mesh of its name, so a mesh used by several nodes appears under each. Meshes
// no node places, and every mesh of a model without a keyframer, are top nodes
// at their stored place. Meshes without vertices or faces are left out. Asked
// for, each camera and light that is on gets a node: its keyframer node of its
// kind and name (a camera's, an omni light's or a spotlight's), aimed and
// moving as the keyframer has it, or without one a top node at its stored
// place, aimed at its stored target with its roll. Raises
// E3DSError for a face past its mesh's vertices, ELongAnimationError for an
// animation past kMaxAnimationSamples, EExportError for different copies of
// meshes past kMaxCopiedElements.
TModelScene BuildModelScene(model3ds::TFile3DS& model, const TSceneRequest& request);

}  // namespace xexport
