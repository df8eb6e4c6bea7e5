#pragma once
// Where a glTF file read back puts its nodes at a time, its animation sampled
// as glTF interpolates it.
#include <vector>

#include "gltfexport/GltfReadBack.h"
#include "model3ds/Pose.h"

namespace gltftest {

// Every node's matrix at a time (seconds), in glTF's axes.
std::vector<model3ds::TMatrix4> GltfWorld(const Gltf& gltf, double time);

}  // namespace gltftest
