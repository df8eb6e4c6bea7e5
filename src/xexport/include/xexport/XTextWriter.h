#pragma once
// The text form of .x ("xof 0303txt 0032"): one Mesh with its vertices, triangles
// and, optionally, its MeshMaterialList. A mesh name that readers would not take
// for one word is written with "_" for each byte they stop at (Shift-JIS bytes
// stay as they are), and with a "_" in front when it starts with a digit.
#include <string>
#include <string_view>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "xexport/ExportOptions.h"
#include "xexport/ExportPreparation.h"

namespace xexport {

// Writes the mesh at meshIndex. With a stream, the text goes into it at its
// position and no file is touched; without one, it replaces the named file whole.
// The index -1 or a mesh without vertices writes nothing.
void WriteMeshXText(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                    base::Stream* stream, int meshIndex);

// Writes all meshes merged into one Mesh; a model without meshes writes nothing.
void WriteMergedXText(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                      base::Stream* stream);

// The text of one part of a Material block as the single-mesh text writer writes
// it, each line ending in CR LF: for Colour the colour line and the power line,
// for Specular and Emissive their one line.
std::string FormatMaterialLine(TFile3DS& model, const TExportOptions& options, std::string_view name,
                               TMaterialPart part);

}  // namespace xexport
