#include "LargeModel.h"

#include "support/Writer3DS.h"

namespace largemodel {

namespace {

constexpr std::uint16_t kVertices = 60000;
constexpr std::uint16_t kFaces = 60000;

testsupport::MeshSpec LargeMesh(int index) {
    testsupport::MeshSpec mesh;
    mesh.name = "Mesh" + std::to_string(index);
    mesh.vertices.resize(kVertices);
    mesh.texCoords.resize(kVertices);
    for (std::uint16_t i = 0; i < kVertices; ++i) {
        mesh.vertices[i] = {static_cast<float>(i), static_cast<float>(index), static_cast<float>(i % 7)};
        mesh.texCoords[i] = {static_cast<float>(i % 13), 0.5f};
    }
    mesh.faces.resize(kFaces);
    testsupport::MaterialGroup group{"Material" + std::to_string(index % 10), {}};
    for (std::uint16_t i = 0; i < kFaces; ++i) {
        mesh.faces[i] = {i, static_cast<std::uint16_t>((i + 1) % kVertices), static_cast<std::uint16_t>((i + 2) % kVertices), 7};
        group.faces.push_back(i);
    }
    mesh.groups = {group};
    mesh.smoothing.assign(kFaces, 1);
    mesh.withMatrix = true;
    return mesh;
}

}  // namespace

void WriteLargeModel(const std::string& path) {
    testsupport::Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (int i = 0; i < 10; ++i) {
        testsupport::WriteMaterial(w, {.name = "Material" + std::to_string(i), .diffuse = testsupport::Rgb{200, 10, 10}});
    }
    for (int i = 0; i < kMeshes; ++i) testsupport::WriteMesh(w, LargeMesh(i));
    w.End();
    w.End();
    w.SaveToFile(path);
}

}  // namespace largemodel
