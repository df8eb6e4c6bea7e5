#pragma once
// The scene's cameras and lights as glTF cameras and KHR_lights_punctual lights.
#include "GltfDocument.h"
#include "JsonOut.h"
#include "xexport/ModelScene.h"

namespace gltfexport {

inline constexpr const char* kLightsExtension = "KHR_lights_punctual";

// Adds the cameras and lights of the scene whose nodes are the document's first
// nodes, one for one; lights left out, and what could not be read, are warnings.
void AddCamerasAndLights(const xexport::TModelScene& scene, TGltfDocument& document);

// The node's camera and light, when it carries them, as members of its object.
void WriteNodeCameraLight(TJsonOut& json, const TNodeOut& node);

// The document's "cameras" member, when it has any.
void WriteCameras(TJsonOut& json, const TGltfDocument& document);

// The document's "extensions" member holding its lights, when it has any.
void WriteLightsExtension(TJsonOut& json, const TGltfDocument& document);

}  // namespace gltfexport
