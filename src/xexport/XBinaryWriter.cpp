#include "xexport/XBinaryWriter.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "BinaryBlocks.h"
#include "ExportBlocks.h"
#include "xexport/ExportPreparation.h"
#include "XMem.h"

namespace xexport {

using namespace XMem;

std::uint64_t MeshSize(std::uint64_t vertices, std::uint64_t faces) {
    return 16 + 12 + 2 + 18 + 2 + 10 + 2 + 10 + (6 + 12 * vertices) + (6 + 4 * (4 * faces + 1)) + 2;
}

std::uint64_t MaterialListSize(std::uint64_t faces, std::uint64_t materials) {
    return 22 + 2 + (6 + 4 * (faces + 2)) + kMaterialBlockSize * materials + 2;
}

void WriteName(std::string_view name, TXBuffer& out) {
    WriteWord(TOKEN_NAME, out);
    WriteDword(static_cast<std::uint32_t>(name.size()), out);
    WriteRawText(name, out);
}

void WriteListStart(std::uint16_t token, std::uint64_t count, TXBuffer& out) {
    WriteWord(token, out);
    WriteDword(static_cast<std::uint32_t>(count), out);
}

void WriteFrameStart(const TFrame& frame, TXBuffer& out) {
    WriteName("Frame", out);
    WriteName(frame.Name, out);
    WriteWord(TOKEN_OBRACE, out);
    WriteName("FrameTransformMatrix", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_FLOAT_LIST, frame.Matrix.size(), out);
    for (const float value : frame.Matrix) WriteFloat(out, value);
    WriteWord(TOKEN_CBRACE, out);
}

void WriteHeader(TXBuffer& out) {
    WriteRawText("xof 0303bin 0032", out);
    WriteName("Header", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 3, out);
    WriteDword(1, out);
    WriteDword(0, out);
    WriteDword(1, out);
    WriteWord(TOKEN_CBRACE, out);
}

void WriteMeshStart(std::uint64_t vertices, TXBuffer& out) {
    WriteName("Mesh", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 1, out);
    WriteDword(static_cast<std::uint32_t>(vertices), out);
}

void WriteStart(std::uint64_t vertices, TXBuffer& out, const TFrame* frame) {
    WriteHeader(out);
    if (frame != nullptr) WriteFrameStart(*frame, out);
    WriteMeshStart(vertices, out);
}

// Written in the order x, z, y.
void WriteVertices(const TMesh3DS& mesh, const TVertexTransform& transform, TXBuffer& out) {
    for (const TVector3DS& stored : mesh.Vertices) {
        const TVector3DS v = transform.Apply(stored);
        const float xzy[3] = {v.x, v.z, v.y};
        out.Append(xzy, sizeof xzy);
    }
}

// Wound V1, V3, V2 (V1, V2, V3 flipped); offset moves a merged mesh's indices
// past the meshes before it.
void WriteFaces(const TMesh3DS& mesh, std::uint64_t offset, bool flip, TXBuffer& out) {
    for (const auto& face : mesh.Faces) WriteTriangle(FaceCorners(face, flip), offset, out);
}

void WriteTexCoords(const std::vector<model3ds::TTexCoord3DS>& coords, TXBuffer& out) {
    if (coords.empty()) return;
    WriteName("MeshTextureCoords", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 1, out);
    WriteDword(static_cast<std::uint32_t>(coords.size()), out);
    WriteListStart(TOKEN_FLOAT_LIST, 2 * coords.size(), out);
    for (const auto& coord : coords) {
        WriteFloat(out, coord.u);
        WriteFloat(out, coord.v);
    }
    WriteWord(TOKEN_CBRACE, out);
}

void WriteNormals(const TMeshNormals& normals, TXBuffer& out) {
    WriteName("MeshNormals", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 1, out);
    WriteDword(static_cast<std::uint32_t>(normals.Normals.size()), out);
    WriteListStart(TOKEN_FLOAT_LIST, 3 * normals.Normals.size(), out);
    for (const TVector3DS& n : normals.Normals) {
        const float xzy[3] = {n.x, n.z, n.y};
        out.Append(xzy, sizeof xzy);
    }
    WriteListStart(TOKEN_INTEGER_LIST, 4 * normals.FaceNormals.size() + 1, out);
    WriteDword(static_cast<std::uint32_t>(normals.FaceNormals.size()), out);
    for (const auto& face : normals.FaceNormals) WriteTriangle(face, 0, out);
    WriteWord(TOKEN_CBRACE, out);
}

// The optional blocks after the faces and the material list.
void WriteExtraBlocks(const std::vector<const TMesh3DS*>& meshes, const TVertexTransform& transform,
                      const TExportOptions& options, TXBuffer& out) {
    if (options.Normals) WriteNormals(ComputeNormals(meshes, transform, options.FlipWinding), out);
    if (options.TexCoords) WriteTexCoords(ExportTexCoords(meshes), out);
}

// A string token ends with its separator token.
void WriteTextureFileName(std::string_view name, TXBuffer& out) {
    WriteName("TextureFilename", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteWord(TOKEN_STRING, out);
    WriteDword(static_cast<std::uint32_t>(name.size()), out);
    WriteRawText(name, out);
    WriteWord(TOKEN_SEMICOLON, out);
    WriteWord(TOKEN_CBRACE, out);
}

void WriteMaterial(const TMaterial3DS* material, const TExportOptions& options, TXBuffer& out) {
    MaterialValues values{};
    for (const TMaterialPart part : {TMaterialPart::Colour, TMaterialPart::Specular, TMaterialPart::Emissive})
        GetMaterialValues(material, options, part, TPowerRule::AtLeastOne, values);
    WriteName("Material", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_FLOAT_LIST, values.size(), out);
    for (const float value : values) WriteFloat(out, value);
    const std::string_view texture = TextureFileName(material, options);
    if (!texture.empty()) WriteTextureFileName(texture, out);
    WriteWord(TOKEN_CBRACE, out);
}

void WriteMeshMaterialList(TFile3DS& model, const TExportOptions& options, const TMesh3DS& mesh,
                           const std::vector<std::uint16_t>& faceGroups, TXBuffer& out) {
    WriteName("MeshMaterialList", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, faceGroups.size() + 2, out);
    WriteDword(static_cast<std::uint32_t>(mesh.MatGroups.size()), out);
    WriteDword(static_cast<std::uint32_t>(faceGroups.size()), out);
    for (const std::uint16_t group : faceGroups) WriteDword(group, out);
    for (const auto& group : mesh.MatGroups) WriteMaterial(model3ds::FindMaterial(model, group.Name), options, out);
    WriteWord(TOKEN_CBRACE, out);
}

void WriteMergedMaterialList(TFile3DS& model, const TExportOptions& options, const TMergedModel& merged,
                             TXBuffer& out) {
    const int materialTotal = model.MaterialList().MaterialTotal();
    WriteName("MeshMaterialList", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, merged.TotalFaces + 2, out);
    WriteDword(static_cast<std::uint32_t>(materialTotal), out);
    WriteDword(static_cast<std::uint32_t>(merged.TotalFaces), out);
    for (const TMesh3DS* mesh : merged.Meshes) {
        const std::vector<int> materials = FaceMaterialTable(model, *mesh);
        out.Append(materials.data(), materials.size() * sizeof(int));
    }
    for (int i = 0; i < materialTotal; ++i)
        WriteMaterial(model3ds::FindMaterial(model, model.MaterialList().GetMaterial(i)->Name), options, out);
    WriteWord(TOKEN_CBRACE, out);
}

// An empty memory stream takes the buffer over without a copy.
void PutIntoStream(TXBuffer& out, base::Stream& stream) {
    auto* memory = dynamic_cast<base::MemoryStream*>(&stream);
    if (memory != nullptr && memory->Size() == 0 && memory->Position() == 0) {
        const std::uint64_t size = out.Size();
        *memory = base::MemoryStream(out.TakeBytes());
        memory->Seek(size);
        return;
    }
    stream.WriteBuffer(out.Data(), out.Size());
}

void SaveStreamToFile(base::Stream& stream, const std::string& fileName) {
    stream.Seek(0);
    if (auto* memory = dynamic_cast<base::MemoryStream*>(&stream)) {
        memory->SaveToFile(fileName);
        return;
    }
    std::vector<std::uint8_t> bytes(stream.Size());
    stream.ReadBuffer(bytes.data(), bytes.size());
    stream.Seek(0);
    base::WriteFileAtomically(fileName, bytes.data(), bytes.size());
}

void Deliver(TXBuffer& out, const std::string& fileName, base::Stream& stream) {
    PutIntoStream(out, stream);
    if (!fileName.empty()) SaveStreamToFile(stream, fileName);
}

void WriteMeshXBinary(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                      base::Stream& stream, int meshIndex) {
    const TSingleMeshExport single = PrepareSingleMesh(model, meshIndex, options);
    if (single.Mesh == nullptr) return;
    const TMesh3DS* mesh = single.Mesh;
    const TVertexTransform& transform = single.Transform;
    const bool withMaterials = single.WithMaterials;
    const std::uint64_t n = mesh->Vertices.size();
    const std::uint64_t m = mesh->Faces.size();

    TXBuffer out(MeshSize(n, m) + (withMaterials ? MaterialListSize(m, mesh->MatGroups.size()) : 0));
    WriteStart(n, out, options.Frames ? &single.Frame : nullptr);
    WriteListStart(TOKEN_FLOAT_LIST, 3 * n, out);
    WriteVertices(*mesh, transform, out);
    WriteListStart(TOKEN_INTEGER_LIST, 4 * m + 1, out);
    WriteDword(static_cast<std::uint32_t>(m), out);
    WriteFaces(*mesh, 0, options.FlipWinding, out);
    if (withMaterials) WriteMeshMaterialList(model, options, *mesh, single.FaceGroups, out);
    WriteExtraBlocks({mesh}, transform, options, out);
    WriteWord(TOKEN_CBRACE, out);
    if (options.Frames) WriteWord(TOKEN_CBRACE, out);
    Deliver(out, fileName, stream);
}

void WriteMergedXBinary(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                        base::Stream& stream) {
    const TMergedModel merged = CollectMeshes(model);
    if (merged.Meshes.empty()) return;
    TVertexTransform snapOnly;
    AddScale(snapOnly, options);
    for (const TMesh3DS* mesh : merged.Meshes) CheckStaysFinite(*mesh, snapOnly);
    const bool withMaterials = MergedHasMaterialList(model, options);
    const std::uint64_t n = merged.TotalVertices;
    const std::uint64_t m = merged.TotalFaces;
    const auto materialTotal = static_cast<std::uint64_t>(model.MaterialList().MaterialTotal());

    TXBuffer out(MeshSize(n, m) + (withMaterials ? MaterialListSize(m, materialTotal) : 0));
    WriteStart(n, out, nullptr);
    WriteListStart(TOKEN_FLOAT_LIST, 3 * n, out);
    for (const TMesh3DS* mesh : merged.Meshes) WriteVertices(*mesh, snapOnly, out);
    WriteListStart(TOKEN_INTEGER_LIST, 4 * m + 1, out);
    WriteDword(static_cast<std::uint32_t>(m), out);
    std::uint64_t offset = 0;
    for (const TMesh3DS* mesh : merged.Meshes) {
        WriteFaces(*mesh, offset, options.FlipWinding, out);
        offset += mesh->Vertices.size();
    }
    if (withMaterials) WriteMergedMaterialList(model, options, merged, out);
    WriteExtraBlocks(merged.Meshes, snapOnly, options, out);
    WriteWord(TOKEN_CBRACE, out);
    Deliver(out, fileName, stream);
}

}  // namespace xexport
