#pragma once
// The model korvane-render draws, from whichever kind of file it is given.
#include <string>

#include "base/Stream.h"
#include "viewer/ViewerScene.h"

namespace render {

// A file known by its content: .x data (starting "xof ") as it is; a 3DS model
// (starting with its main chunk) converted by the merged binary writer with
// texture coordinates and texture names; else by its name, a packed .xa file
// unpacked and a packed .3da model unpacked and converted. With animated, a
// 3DS model is converted as its keyframer places and moves its parts. Raises
// base::Exception (or a subclass) with a message for the user.
base::MemoryStream ReadModelAsX(const std::string& path, bool animated = false);

// The model of the file loaded into the scene, its textures read from the
// file's folder; a glTF file (known by its content) is read as it is, with
// its animation whatever animated says. Raises an exception with a message for the user.
void LoadModelFile(viewer::ViewerScene& scene, const std::string& path, bool animated = false);

}  // namespace render
