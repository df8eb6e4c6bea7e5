#pragma once
// One way to write a model as .x: one mesh or every mesh merged, in text or
// binary form, into a stream or a file. The window, the converter and the
// renderer all write through here.
#include <string>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "xexport/ExportOptions.h"
#include "xexport/ModelScene.h"

namespace xexport {

enum class TXForm { Text, Binary };

// The mesh index that asks for every mesh merged into one Mesh.
constexpr int kMergedMeshes = -1;

// Writes the mesh at meshIndex, or all meshes for kMergedMeshes, in form. With a
// stream, the data goes into it at its position and no file is touched; without
// one, it replaces the file fileName whole. Nothing to export (a mesh without
// vertices, a model without a mesh with faces) writes nothing. With
// options.Hierarchy the keyframer's scene is written whatever meshIndex says.
void WriteModelX(model3ds::TFile3DS& model, const TExportOptions& options, int meshIndex, TXForm form,
                 const std::string& fileName, base::Stream* stream);

// What WriteModelX writes with options.Hierarchy, from the scene already built
// (BuildModelScene with SceneRequest of the same options), so that a caller who
// shows the scene's warnings builds it once. Each placement of a mesh is a copy
// in .x: past kMaxCopiedElements (CheckPlacedCopies) nothing is written.
void WriteSceneX(model3ds::TFile3DS& model, const TModelScene& scene, const TExportOptions& options, TXForm form,
                 const std::string& fileName, base::Stream* stream);

}  // namespace xexport
