#pragma once
// The keyframer's scene (ModelScene.h, built with SceneRequest of the same
// options) as .x: one Frame per node, nested as the keyframer nests them, each
// with its FrameTransformMatrix at the segment's first frame and its meshes in
// its own space; with options.Animation also AnimTicksPerSecond and one
// AnimationSet, named after the file, with an Animation of rotation, scale and
// position keys for each moving node.
#include <string>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "xexport/ExportOptions.h"
#include "xexport/ModelScene.h"

namespace xexport {

// Text form. With a stream, the text goes into it at its position and no file is
// touched; without one, it replaces the named file whole. A model without a mesh
// to write writes nothing.
void WriteSceneXText(model3ds::TFile3DS& model, const TModelScene& scene, const TExportOptions& options,
                     const std::string& fileName, base::Stream* stream);

// Binary form, into the stream at its position; with a file name, the stream's
// whole content is then stored in that file. A model without a mesh to write
// writes nothing.
void WriteSceneXBinary(model3ds::TFile3DS& model, const TModelScene& scene, const TExportOptions& options,
                       const std::string& fileName, base::Stream& stream);

}  // namespace xexport
