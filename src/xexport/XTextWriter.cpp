#include "xexport/XTextWriter.h"

#include <array>
#include <cstdint>
#include <vector>

#include "ExportBlocks.h"
#include "TextBlocks.h"
#include "TextOut.h"

namespace xexport {

// Generous line lengths, to reserve the buffer once; it still grows when needed.
// Room reserved but never written is never touched, so it costs no memory.
std::size_t EstimateSize(std::uint64_t vertices, std::uint64_t faces) {
    return 256 + vertices * 40 + faces * 40;
}

void AppendHeader(TTextOut& out) {
    out.Line("xof 0303txt 0032");
    out.Line("");
    out.Line("Header {");
    out.Line("1;");
    out.Line("0;");
    out.Line("1;");
    out.Line("}");
    out.Line("");
}

void AppendCount(TTextOut& out, std::uint64_t count) {
    out.Int(static_cast<long long>(count));
    out.Line(";");
}

// The list separator after an element: "," for all but the last, ";" for the last.
void EndElement(TTextOut& out, bool last) {
    out.Char(last ? ';' : ',');
    out.EndLine();
}

// Written in the order x, z, y.
void AppendVertex(TTextOut& out, const TVector3DS& v, bool last) {
    out.Number(v.x);
    out.Char(';');
    out.Number(v.z);
    out.Char(';');
    out.Number(v.y);
    out.Char(';');
    EndElement(out, last);
}

// Wound V1, V3, V2 (V1, V2, V3 flipped).
void AppendFace(TTextOut& out, const model3ds::TFaceEntry3DS& face, std::uint64_t offset, bool flip, bool last) {
    AppendTriangle(out, FaceCorners(face, flip), offset, last);
}

void AppendTexCoords(TTextOut& out, const std::vector<model3ds::TTexCoord3DS>& coords) {
    if (coords.empty()) return;
    out.Line("MeshTextureCoords {");
    AppendCount(out, coords.size());
    for (std::size_t i = 0; i < coords.size(); ++i) {
        out.Number(coords[i].u);
        out.Char(';');
        out.Number(coords[i].v);
        out.Char(';');
        EndElement(out, i + 1 == coords.size());
    }
    out.Line("}");
}

void AppendNormals(TTextOut& out, const TMeshNormals& normals) {
    out.Line("MeshNormals {");
    AppendCount(out, normals.Normals.size());
    for (std::size_t i = 0; i < normals.Normals.size(); ++i)
        AppendVertex(out, normals.Normals[i], i + 1 == normals.Normals.size());
    AppendCount(out, normals.FaceNormals.size());
    for (std::size_t f = 0; f < normals.FaceNormals.size(); ++f)
        AppendTriangle(out, normals.FaceNormals[f], 0, f + 1 == normals.FaceNormals.size());
    out.Line("}");
}

// The optional blocks after the faces and the material list.
void AppendExtraBlocks(TTextOut& out, const std::vector<const TMesh3DS*>& meshes, const TVertexTransform& transform,
                       const TExportOptions& options) {
    if (options.Normals) AppendNormals(out, ComputeNormals(meshes, transform, options.FlipWinding));
    if (options.TexCoords) AppendTexCoords(out, ExportTexCoords(meshes));
}

void AppendFrameStart(TTextOut& out, const TFrame& frame) {
    out.Line("Frame " + frame.Name + " {");
    out.Line("FrameTransformMatrix {");
    for (std::size_t i = 0; i < frame.Matrix.size(); ++i) {
        out.ExactNumber(frame.Matrix[i]);
        out.Char(i + 1 == frame.Matrix.size() ? ';' : ',');
    }
    out.Line(";");
    out.Line("}");
}

void AppendMaterialPart(TTextOut& out, const MaterialValues& values, TMaterialPart part) {
    const auto appendFloats = [&out, &values](int first, int count) {
        for (int i = first; i < first + count; ++i) {
            out.Number(values[i]);
            out.Char(';');
        }
    };
    switch (part) {
    case TMaterialPart::Colour:
        appendFloats(0, 4);
        out.Line(";");
        appendFloats(4, 1);
        out.EndLine();
        break;
    case TMaterialPart::Specular:
        appendFloats(5, 3);
        out.Line(";");
        break;
    case TMaterialPart::Emissive:
        appendFloats(8, 3);
        out.Line(";");
        break;
    }
}

void AppendMaterialBlock(TTextOut& out, const TMaterial3DS* material, const TExportOptions& options,
                         TPowerRule rule) {
    MaterialValues values{};
    out.Line("Material {");
    for (const TMaterialPart part : {TMaterialPart::Colour, TMaterialPart::Specular, TMaterialPart::Emissive}) {
        GetMaterialValues(material, options, part, rule, values);
        AppendMaterialPart(out, values, part);
    }
    const std::string_view texture = TextureFileName(material, options);
    if (!texture.empty()) {
        out.Line("TextureFilename {");
        out.Char('"');
        out.Text(TextFormString(texture));
        out.Line("\";");
        out.Line("}");
    }
    out.Line("}");
}

void Deliver(TTextOut& out, const std::string& fileName, base::Stream* stream) {
    const std::string_view text = out.View();
    if (stream != nullptr) {
        stream->WriteBuffer(text.data(), text.size());
    } else if (!fileName.empty()) {
        base::WriteFileAtomically(fileName, text.data(), text.size());
    }
}

void AppendMeshMaterialList(TTextOut& out, TFile3DS& model, const TExportOptions& options, const TMesh3DS& mesh,
                            const std::vector<std::uint16_t>& faceGroups, TPowerRule rule) {
    out.Line("MeshMaterialList {");
    AppendCount(out, mesh.MatGroups.size());
    AppendCount(out, faceGroups.size());
    for (std::size_t f = 0; f < faceGroups.size(); ++f) {
        out.Int(faceGroups[f]);
        EndElement(out, f + 1 == faceGroups.size());
    }
    for (const auto& group : mesh.MatGroups)
        AppendMaterialBlock(out, model3ds::FindMaterial(model, group.Name), options, rule);
    out.Line("}");
}

void AppendMergedMaterialList(TTextOut& out, TFile3DS& model, const TExportOptions& options,
                              const TMergedModel& merged) {
    const int materialTotal = model.MaterialList().MaterialTotal();
    out.Line("MeshMaterialList {");
    AppendCount(out, static_cast<std::uint64_t>(materialTotal));
    AppendCount(out, merged.TotalFaces);
    std::uint64_t written = 0;
    for (const TMesh3DS* mesh : merged.Meshes) {
        for (const int material : FaceMaterialTable(model, *mesh)) {
            out.Int(material);
            EndElement(out, ++written == merged.TotalFaces);
        }
    }
    for (int i = 0; i < materialTotal; ++i) {
        const TMaterial3DS* first = model3ds::FindMaterial(model, model.MaterialList().GetMaterial(i)->Name);
        AppendMaterialBlock(out, first, options, TPowerRule::AtLeastOne);
    }
    out.Line("}");
}

std::string FormatMaterialLine(TFile3DS& model, const TExportOptions& options, std::string_view name,
                               TMaterialPart part) {
    MaterialValues values{};
    GetMaterialValues(model, options, name, part, TPowerRule::AsStored, values);
    TTextOut out;
    AppendMaterialPart(out, values, part);
    return std::string(out.View());
}

void WriteMeshXText(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                    base::Stream* stream, int meshIndex) {
    const TSingleMeshExport single = PrepareSingleMesh(model, meshIndex, options);
    if (single.Mesh == nullptr) return;
    const TMesh3DS* mesh = single.Mesh;
    const TVertexTransform& transform = single.Transform;

    TTextOut out(EstimateSize(mesh->Vertices.size(), mesh->Faces.size()));
    AppendHeader(out);
    if (options.Frames) AppendFrameStart(out, single.Frame);
    out.Line(mesh->Name.empty() ? std::string("Mesh {") : "Mesh " + TextFormName(mesh->Name) + " {");
    const std::size_t n = mesh->Vertices.size();
    AppendCount(out, n);
    for (std::size_t i = 0; i < n; ++i) AppendVertex(out, transform.Apply(mesh->Vertices[i]), i + 1 == n);
    const std::size_t m = mesh->Faces.size();
    AppendCount(out, m);
    for (std::size_t f = 0; f < m; ++f) AppendFace(out, mesh->Faces[f], 0, options.FlipWinding, f + 1 == m);
    if (single.WithMaterials) AppendMeshMaterialList(out, model, options, *mesh, single.FaceGroups, TPowerRule::AsStored);
    AppendExtraBlocks(out, {mesh}, transform, options);
    out.Line("}");
    if (options.Frames) out.Line("}");
    Deliver(out, fileName, stream);
}

void WriteMergedXText(TFile3DS& model, const TExportOptions& options, const std::string& fileName,
                      base::Stream* stream) {
    const TMergedModel merged = CollectMeshes(model);
    if (merged.Meshes.empty()) return;

    TTextOut out(EstimateSize(merged.TotalVertices, merged.TotalFaces));
    AppendHeader(out);
    out.Line("Mesh {");
    AppendCount(out, merged.TotalVertices);
    TVertexTransform asStored;
    asStored.Snap = false;
    AddScale(asStored, options);
    for (const TMesh3DS* mesh : merged.Meshes) CheckStaysFinite(*mesh, asStored);
    std::uint64_t written = 0;
    for (const TMesh3DS* mesh : merged.Meshes) {
        for (const TVector3DS& v : mesh->Vertices)
            AppendVertex(out, asStored.Apply(v), ++written == merged.TotalVertices);
    }
    AppendCount(out, merged.TotalFaces);
    std::uint64_t offset = 0;
    written = 0;
    for (const TMesh3DS* mesh : merged.Meshes) {
        for (const auto& face : mesh->Faces)
            AppendFace(out, face, offset, options.FlipWinding, ++written == merged.TotalFaces);
        offset += mesh->Vertices.size();
    }
    if (MergedHasMaterialList(model, options)) AppendMergedMaterialList(out, model, options, merged);
    AppendExtraBlocks(out, merged.Meshes, asStored, options);
    out.Line("}");
    Deliver(out, fileName, stream);
}

}  // namespace xexport
