#include "xexport/XBinaryWriter.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "xexport/ExportPreparation.h"
#include "xexport/XMem.h"

namespace xexport {

using namespace XMem;

namespace {

constexpr std::uint64_t kMaterialBlockSize = 68;

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

// Signature, Header, and the opening of the Mesh with its vertex count.
void WriteStart(std::uint64_t vertices, TXBuffer& out) {
    WriteRawText("xof 0303bin 0032", out);
    WriteName("Header", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 3, out);
    WriteDword(1, out);
    WriteDword(0, out);
    WriteDword(1, out);
    WriteWord(TOKEN_CBRACE, out);
    WriteName("Mesh", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 1, out);
    WriteDword(static_cast<std::uint32_t>(vertices), out);
}

// Written in the order x, z, y.
void WriteVertices(const TMesh3DS& mesh, const TVertexTransform& transform, TXBuffer& out) {
    for (const TVector3DS& stored : mesh.Vertices) {
        const TVector3DS v = transform.Apply(stored);
        const float xzy[3] = {v.x, v.z, v.y};
        out.Append(xzy, sizeof xzy);
    }
}

// Wound V1, V3, V2; offset moves a merged mesh's indices past the meshes before it.
void WriteFaces(const TMesh3DS& mesh, std::uint64_t offset, TXBuffer& out) {
    for (const auto& face : mesh.Faces) {
        const std::uint32_t entry[4] = {3, static_cast<std::uint32_t>(face.V1 + offset),
                                        static_cast<std::uint32_t>(face.V3 + offset),
                                        static_cast<std::uint32_t>(face.V2 + offset)};
        out.Append(entry, sizeof entry);
    }
}

void WriteMaterial(const TMaterial3DS* material, const TExportOptions& options, TXBuffer& out) {
    MaterialValues values{};
    for (const TMaterialPart part : {TMaterialPart::Colour, TMaterialPart::Specular, TMaterialPart::Emissive})
        GetMaterialValues(material, options, part, TPowerRule::AtLeastOne, values);
    WriteName("Material", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_FLOAT_LIST, values.size(), out);
    for (const float value : values) WriteFloat(out, value);
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
    const TMaterialLookup lookup(model);
    for (const auto& group : mesh.MatGroups) WriteMaterial(lookup.Find(group.Name), options, out);
    WriteWord(TOKEN_CBRACE, out);
}

void WriteMergedMaterialList(TFile3DS& model, const TExportOptions& options, const TMergedModel& merged,
                             TXBuffer& out) {
    const TMaterialLookup lookup(model);
    const int materialTotal = model.MaterialList().MaterialTotal();
    WriteName("MeshMaterialList", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, merged.TotalFaces + 2, out);
    WriteDword(static_cast<std::uint32_t>(materialTotal), out);
    WriteDword(static_cast<std::uint32_t>(merged.TotalFaces), out);
    for (const TMesh3DS* mesh : merged.Meshes) {
        const std::vector<int> materials = FaceMaterialTable(*mesh, lookup);
        out.Append(materials.data(), materials.size() * sizeof(int));
    }
    for (int i = 0; i < materialTotal; ++i)
        WriteMaterial(lookup.Find(model.MaterialList().GetMaterial(i)->Name), options, out);
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
    stream.WriteBuffer(out.Bytes().data(), out.Size());
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

}  // namespace

void WriteMeshXBinary(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                      base::Stream& stream, int meshIndex) {
    const TMesh3DS* mesh = MeshToExport(model, meshIndex);
    if (mesh == nullptr) return;
    const TVertexTransform transform = SingleMeshTransform(model, meshIndex, options);
    const bool withMaterials = options.SaveMaterial && !mesh->MatGroups.empty();
    const std::vector<std::uint16_t> faceGroups = withMaterials ? FaceGroupTable(*mesh) : std::vector<std::uint16_t>();
    const std::uint64_t n = mesh->Vertices.size();
    const std::uint64_t m = mesh->Faces.size();

    TXBuffer out(MeshSize(n, m) + (withMaterials ? MaterialListSize(m, mesh->MatGroups.size()) : 0));
    WriteStart(n, out);
    WriteListStart(TOKEN_FLOAT_LIST, 3 * n, out);
    WriteVertices(*mesh, transform, out);
    WriteListStart(TOKEN_INTEGER_LIST, 4 * m + 1, out);
    WriteDword(static_cast<std::uint32_t>(m), out);
    WriteFaces(*mesh, 0, out);
    if (withMaterials) WriteMeshMaterialList(model, options, *mesh, faceGroups, out);
    WriteWord(TOKEN_CBRACE, out);
    Deliver(out, fileName, stream);
}

void WriteMergedXBinary(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                        base::Stream& stream) {
    const TMergedModel merged = CollectMeshes(model);
    if (merged.Meshes.empty()) return;
    const bool withMaterials = MergedHasMaterialList(model, options);
    const std::uint64_t n = merged.TotalVertices;
    const std::uint64_t m = merged.TotalFaces;
    const auto materialTotal = static_cast<std::uint64_t>(model.MaterialList().MaterialTotal());

    TXBuffer out(MeshSize(n, m) + (withMaterials ? MaterialListSize(m, materialTotal) : 0));
    WriteStart(n, out);
    WriteListStart(TOKEN_FLOAT_LIST, 3 * n, out);
    const TVertexTransform snapOnly;
    for (const TMesh3DS* mesh : merged.Meshes) WriteVertices(*mesh, snapOnly, out);
    WriteListStart(TOKEN_INTEGER_LIST, 4 * m + 1, out);
    WriteDword(static_cast<std::uint32_t>(m), out);
    std::uint64_t offset = 0;
    for (const TMesh3DS* mesh : merged.Meshes) {
        WriteFaces(*mesh, offset, out);
        offset += mesh->Vertices.size();
    }
    if (withMaterials) WriteMergedMaterialList(model, options, merged, out);
    WriteWord(TOKEN_CBRACE, out);
    Deliver(out, fileName, stream);
}

}  // namespace xexport
