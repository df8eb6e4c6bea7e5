#include "xexport/ExportPreparation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Format.h"

namespace xexport {

namespace {

// v with each coordinate that is NaN or infinite replaced by fill.
TVector3DS FiniteOr(TVector3DS v, float fill) {
    for (float* value : {&v.x, &v.y, &v.z}) {
        if (!std::isfinite(*value)) *value = fill;
    }
    return v;
}

// What a group naming no model material is written with.
TMaterial3DS WhiteMaterial() {
    TMaterial3DS material;
    material.Diffuse = {1, 1, 1};
    material.Specular = {0, 0, 0};
    return material;
}

}  // namespace

TMeshBounds GetMeshBounds(TFile3DS& model, int meshIndex) {
    TMeshBounds bounds;
    if (meshIndex < 0) return bounds;
    const TMesh3DS* mesh = model.ObjectList().GetMesh(meshIndex);
    if (mesh == nullptr) return bounds;
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    TVector3DS low{kInfinity, kInfinity, kInfinity};
    TVector3DS high{-kInfinity, -kInfinity, -kInfinity};
    for (const TVector3DS& v : mesh->Vertices) {
        low = model3ds::VectorMin(low, FiniteOr(v, kInfinity));
        high = model3ds::VectorMax(high, FiniteOr(v, -kInfinity));
    }
    for (auto axis : {&TVector3DS::x, &TVector3DS::y, &TVector3DS::z}) {
        if (low.*axis <= high.*axis) {
            bounds.Min.*axis = low.*axis;
            bounds.Max.*axis = high.*axis;
        }
    }
    return bounds;
}

TFaceGroup FaceGroupIndex(TFile3DS& model, int meshIndex, int faceIndex) {
    const TMesh3DS* mesh = model.ObjectList().GetMesh(meshIndex);
    if (mesh == nullptr) return {};
    for (std::size_t g = 0; g < mesh->MatGroups.size(); ++g) {
        const auto& faces = mesh->MatGroups[g].FaceIndices;
        if (std::find(faces.begin(), faces.end(), faceIndex) != faces.end())
            return {static_cast<int>(g), mesh->MatGroups[g].Name};
    }
    return {};
}

int FaceMaterialIndex(TFile3DS& model, int meshIndex, int faceIndex) {
    const std::string_view name = FaceGroupIndex(model, meshIndex, faceIndex).Name;
    if (name.empty()) return 0;
    return std::max(model3ds::FindMaterialIndex(model, name), 0);
}

void GetMaterialValues(TFile3DS& model, const TExportOptions& options, std::string_view name,
                       TMaterialPart part, TPowerRule rule, MaterialValues& values) {
    GetMaterialValues(model3ds::FindMaterial(model, name), options, part, rule, values);
}

void GetMaterialValues(const TMaterial3DS* found, const TExportOptions& options, TMaterialPart part,
                       TPowerRule rule, MaterialValues& values) {
    static const TMaterial3DS white = WhiteMaterial();
    const TMaterial3DS& material = found != nullptr ? *found : white;
    switch (part) {
    case TMaterialPart::Colour: {
        const bool useOpacity = options.SetTranse && material.Opacity > 0;
        const bool usePower = rule == TPowerRule::AsStored || material.SpecularPower > 1.0f;
        values[0] = material.Diffuse.r;
        values[1] = material.Diffuse.g;
        values[2] = material.Diffuse.b;
        values[3] = useOpacity ? material.Opacity : 1.0f;
        values[4] = usePower ? material.SpecularPower : 1.0f;
        break;
    }
    case TMaterialPart::Specular:
        values[5] = material.Specular.r;
        values[6] = material.Specular.g;
        values[7] = material.Specular.b;
        break;
    case TMaterialPart::Emissive:
        values[8] = values[9] = values[10] = 0;
        break;
    }
}

std::size_t CountNonFiniteCoordinates(const TMesh3DS& mesh) {
    std::size_t count = 0;
    for (const TVector3DS& v : mesh.Vertices) {
        count += !std::isfinite(v.x) + !std::isfinite(v.y) + !std::isfinite(v.z);
    }
    return count;
}

const TMesh3DS* MeshToExport(TFile3DS& model, int meshIndex) {
    if (meshIndex == -1) return nullptr;
    const TMesh3DS* mesh = model.ObjectList().GetMesh(meshIndex);
    if (mesh == nullptr || mesh->Vertices.empty()) return nullptr;
    CheckFaceVertices(*mesh);
    return mesh;
}

void CheckFaceVertices(const TMesh3DS& mesh) {
    const std::size_t count = mesh.Vertices.size();
    for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
        const auto& face = mesh.Faces[f];
        const std::uint16_t largest = std::max({face.V1, face.V2, face.V3});
        if (largest >= count) {
            model3ds::RaiseError3DS(base::Format("Mesh \"%s\": face %zu uses vertex %u, but the mesh has %zu vertices",
                                         mesh.Name.c_str(), f, unsigned{largest}, count));
        }
    }
}

std::vector<std::uint16_t> FirstGroupTable(const TMesh3DS& mesh) {
    std::vector<std::uint16_t> table(mesh.Faces.size(), kNoFaceGroup);
    for (std::size_t g = 0; g < mesh.MatGroups.size(); ++g) {
        for (const std::uint16_t face : mesh.MatGroups[g].FaceIndices) {
            if (face >= table.size()) {
                model3ds::RaiseError3DS(base::Format(
                    "Mesh \"%s\": material group \"%s\" lists face %u, but the mesh has %zu faces",
                    mesh.Name.c_str(), mesh.MatGroups[g].Name.c_str(), unsigned{face}, table.size()));
            }
            if (table[face] == kNoFaceGroup) table[face] = static_cast<std::uint16_t>(g);
        }
    }
    return table;
}

std::vector<std::uint16_t> FaceGroupTable(const TMesh3DS& mesh) {
    std::vector<std::uint16_t> table = FirstGroupTable(mesh);
    std::replace(table.begin(), table.end(), kNoFaceGroup, std::uint16_t{0});
    return table;
}

std::vector<int> FaceMaterialTable(TFile3DS& model, const TMesh3DS& mesh) {
    std::vector<int> groupMaterial(mesh.MatGroups.size());
    for (std::size_t g = 0; g < groupMaterial.size(); ++g) {
        const std::string& name = mesh.MatGroups[g].Name;
        groupMaterial[g] = name.empty() ? 0 : std::max(model3ds::FindMaterialIndex(model, name), 0);
    }
    std::vector<int> table(mesh.Faces.size(), 0);
    if (groupMaterial.empty()) return table;
    const std::vector<std::uint16_t> groups = FirstGroupTable(mesh);
    for (std::size_t f = 0; f < table.size(); ++f) {
        if (groups[f] != kNoFaceGroup) table[f] = groupMaterial[groups[f]];
    }
    return table;
}

TVertexTransform SingleMeshTransform(TFile3DS& model, int meshIndex, const TExportOptions& options) {
    TVertexTransform transform;
    AddScale(transform, options);
    if (options.Origin == TOriginMode::NotEncode) return transform;
    const TMeshBounds bounds = GetMeshBounds(model, meshIndex);
    const TVector3DS& min = bounds.Min;
    const TVector3DS& max = bounds.Max;
    transform.Move = true;
    if (options.Origin == TOriginMode::EncodeZeroLeft) {
        transform.Shift[0] = min.x;
        transform.Shift[1] = min.y;
        transform.Shift[2] = min.z;
    } else {
        transform.Shift[0] = (static_cast<long double>(min.x) + max.x) / 2;
        transform.Shift[1] = (static_cast<long double>(min.y) + max.y) / 2;
        transform.Shift[2] = (static_cast<long double>(min.z) + max.z) / 2;
    }
    return transform;
}

void AddScale(TVertexTransform& transform, const TExportOptions& options) {
    if (options.Scale == 1.0f) return;
    transform.Scaled = true;
    transform.Scale = options.Scale;
}

void CheckStaysFinite(const TMesh3DS& mesh, const TVertexTransform& transform) {
    using TStep = TVertexTransform::TStep;
    for (std::size_t i = 0; i < mesh.Vertices.size(); ++i) {
        const TVector3DS& v = mesh.Vertices[i];
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) continue;
        const TStep step = transform.FirstNonFiniteStep(v);
        if (step == TStep::None) continue;
        const std::string how = step == TStep::Move    ? std::string("moving the origin")
                                : step == TStep::Scale ? base::Format("scaling by %g", transform.Scale)
                                                       : std::string("the frame of its local matrix");
        throw EExportError(base::Format("mesh \"%s\": %s takes vertex %zu (%g, %g, %g) past the largest 32-bit float",
                                        mesh.Name.c_str(), how.c_str(), i, v.x, v.y, v.z));
    }
}

TExportRefusal ExportRefusal(TFile3DS& model, int meshIndex, bool merged) {
    if (merged) return CollectMeshes(model).Meshes.empty() ? TExportRefusal::NoMeshWithFaces : TExportRefusal::None;
    const TMesh3DS* mesh = MeshToExport(model, meshIndex);
    if (mesh == nullptr) return TExportRefusal::NoVertices;
    return mesh->Faces.empty() ? TExportRefusal::NoFaces : TExportRefusal::None;
}

TMergedModel CollectMeshes(TFile3DS& model) {
    TMergedModel merged;
    auto& meshes = model.ObjectList();
    const int total = meshes.MeshTotal();
    for (int i = 0; i < total; ++i) {
        const TMesh3DS* mesh = meshes.GetMesh(i);
        CheckFaceVertices(*mesh);
        if (mesh->Faces.empty()) continue;
        merged.Meshes.push_back(mesh);
        merged.TotalVertices += mesh->Vertices.size();
        merged.TotalFaces += mesh->Faces.size();
    }
    return merged;
}

bool MergedHasMaterialList(TFile3DS& model, const TExportOptions& options) {
    return options.SaveMaterial && model.MaterialList().MaterialTotal() > 0;
}

}  // namespace xexport
