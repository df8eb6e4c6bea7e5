#pragma once
// The pieces of the text form ("xof 0303txt 0032") that every text writer
// builds its output from, each appended to a TTextOut.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ExportBlocks.h"
#include "TextOut.h"
#include "base/Stream.h"
#include "xexport/ExportOptions.h"
#include "xexport/ExportPreparation.h"

namespace xexport {

// Generous line lengths, to reserve the buffer once; it still grows when needed.
std::size_t EstimateSize(std::uint64_t vertices, std::uint64_t faces);

void AppendHeader(TTextOut& out);
// "%d;" on a line.
void AppendCount(TTextOut& out, std::uint64_t count);
// The list separator after an element: "," for all but the last, ";" for the last.
void EndElement(TTextOut& out, bool last);
// Written in the order x, z, y.
void AppendVertex(TTextOut& out, const TVector3DS& v, bool last);

// Three indices "3;a,b,c;" in written order; offset moves a merged mesh's indices
// past the meshes before it.
template <typename Index>
void AppendTriangle(TTextOut& out, const std::array<Index, 3>& corners, std::uint64_t offset, bool last) {
    out.Text("3;");
    out.Int(static_cast<long long>(corners[0] + offset));
    out.Char(',');
    out.Int(static_cast<long long>(corners[1] + offset));
    out.Char(',');
    out.Int(static_cast<long long>(corners[2] + offset));
    out.Char(';');
    EndElement(out, last);
}

// Wound V1, V3, V2 (V1, V2, V3 flipped).
void AppendFace(TTextOut& out, const model3ds::TFaceEntry3DS& face, std::uint64_t offset, bool flip, bool last);
void AppendTexCoords(TTextOut& out, const std::vector<model3ds::TTexCoord3DS>& coords);
void AppendNormals(TTextOut& out, const TMeshNormals& normals);
// The optional blocks after the faces and the material list.
void AppendExtraBlocks(TTextOut& out, const std::vector<const TMesh3DS*>& meshes, const TVertexTransform& transform,
                       const TExportOptions& options);
// "Frame NAME {" with its FrameTransformMatrix; the caller closes the frame.
void AppendFrameStart(TTextOut& out, const TFrame& frame);
void AppendMaterialPart(TTextOut& out, const MaterialValues& values, TMaterialPart part);
void AppendMaterialBlock(TTextOut& out, const TMaterial3DS* material, const TExportOptions& options,
                         TPowerRule rule);
// One Material per group of the mesh, faceGroups giving each face's group.
void AppendMeshMaterialList(TTextOut& out, TFile3DS& model, const TExportOptions& options, const TMesh3DS& mesh,
                            const std::vector<std::uint16_t>& faceGroups, TPowerRule rule);
void AppendMergedMaterialList(TTextOut& out, TFile3DS& model, const TExportOptions& options,
                              const TMergedModel& merged);
// Into the stream when there is one, else into the named file (when named).
void Deliver(TTextOut& out, const std::string& fileName, base::Stream* stream);

}  // namespace xexport
