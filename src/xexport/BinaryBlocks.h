#pragma once
// The pieces of the binary form ("xof 0303bin 0032") that every binary writer
// builds its output from, each appended to a TXBuffer.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ExportBlocks.h"
#include "XMem.h"
#include "base/Stream.h"
#include "xexport/ExportOptions.h"
#include "xexport/ExportPreparation.h"

namespace xexport {

constexpr std::uint64_t kMaterialBlockSize = 68;

// The exact sizes of a Mesh (with signature and Header) and of its material list.
std::uint64_t MeshSize(std::uint64_t vertices, std::uint64_t faces);
std::uint64_t MaterialListSize(std::uint64_t faces, std::uint64_t materials);

void WriteName(std::string_view name, XMem::TXBuffer& out);
void WriteListStart(std::uint16_t token, std::uint64_t count, XMem::TXBuffer& out);
// "Frame NAME {" with its FrameTransformMatrix; the caller closes the frame.
void WriteFrameStart(const TFrame& frame, XMem::TXBuffer& out);
// The signature and the Header.
void WriteHeader(XMem::TXBuffer& out);
// The opening of a Mesh with its vertex count.
void WriteMeshStart(std::uint64_t vertices, XMem::TXBuffer& out);
// Header, the frame when there is one, and the opening of the Mesh.
void WriteStart(std::uint64_t vertices, XMem::TXBuffer& out, const TFrame* frame);
// Written in the order x, z, y.
void WriteVertices(const TMesh3DS& mesh, const TVertexTransform& transform, XMem::TXBuffer& out);

template <typename Index>
void WriteTriangle(const std::array<Index, 3>& corners, std::uint64_t offset, XMem::TXBuffer& out) {
    const std::uint32_t entry[4] = {3, static_cast<std::uint32_t>(corners[0] + offset),
                                    static_cast<std::uint32_t>(corners[1] + offset),
                                    static_cast<std::uint32_t>(corners[2] + offset)};
    out.Append(entry, sizeof entry);
}

// Wound V1, V3, V2 (V1, V2, V3 flipped); offset moves a merged mesh's indices
// past the meshes before it.
void WriteFaces(const TMesh3DS& mesh, std::uint64_t offset, bool flip, XMem::TXBuffer& out);
void WriteTexCoords(const std::vector<model3ds::TTexCoord3DS>& coords, XMem::TXBuffer& out);
void WriteNormals(const TMeshNormals& normals, XMem::TXBuffer& out);
// The optional blocks after the faces and the material list.
void WriteExtraBlocks(const std::vector<const TMesh3DS*>& meshes, const TVertexTransform& transform,
                      const TExportOptions& options, XMem::TXBuffer& out);
void WriteTextureFileName(std::string_view name, XMem::TXBuffer& out);
void WriteMaterial(const TMaterial3DS* material, const TExportOptions& options, XMem::TXBuffer& out);
void WriteMeshMaterialList(TFile3DS& model, const TExportOptions& options, const TMesh3DS& mesh,
                           const std::vector<std::uint16_t>& faceGroups, XMem::TXBuffer& out);
void WriteMergedMaterialList(TFile3DS& model, const TExportOptions& options, const TMergedModel& merged,
                             XMem::TXBuffer& out);
// An empty memory stream takes the buffer over without a copy.
void PutIntoStream(XMem::TXBuffer& out, base::Stream& stream);
void SaveStreamToFile(base::Stream& stream, const std::string& fileName);
// Into the stream, then, when named, the stream's whole content into the file.
void Deliver(XMem::TXBuffer& out, const std::string& fileName, base::Stream& stream);

}  // namespace xexport
