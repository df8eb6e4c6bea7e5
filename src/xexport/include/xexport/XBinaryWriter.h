#pragma once
// The binary form of .x ("xof 0303bin 0032", 32-bit floats): the same Mesh as the
// text form, as a stream of name, list and brace tokens.
#include <string>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "xexport/ExportOptions.h"

namespace xexport {

using model3ds::TFile3DS;

// Both write at the stream's position and leave it after the last byte written.
// With a file name, the stream's whole content is then stored in that file (which
// is replaced whole or not at all) and the stream is left at position 0.
// Nothing to export (index -1, a mesh without vertices, a model without meshes)
// leaves stream and file untouched.
void WriteMeshXBinary(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                      base::Stream& stream, int meshIndex);

void WriteMergedXBinary(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                        base::Stream& stream);

}  // namespace xexport
