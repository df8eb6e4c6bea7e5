#include "CopyBudget.h"

#include <cstdint>

#include "viewer/MeshBuilder.h"

namespace viewer {

namespace {

// 256 MiB, so that with the growth of the builder's arrays a load stays well
// under a gigabyte.
constexpr std::size_t MaxCopiedBytes = std::size_t{1} << 28;
// Of those, the copies of materials: each texture name is an allocation of its
// own, and many mid-sized ones stay with the allocator after they are freed.
constexpr std::size_t MaxCopiedMaterialBytes = std::size_t{1} << 25;

}  // namespace

std::size_t MaterialBytes(const Material& material) { return sizeof(Material) + material.textureFileName.size(); }

CopyCost PlacementCost(const XMesh& mesh) {
    // A mesh without materials is drawn with a white one per copy.
    std::size_t materials = mesh.materials.empty() ? sizeof(Material) : 0;
    for (const Material& material : mesh.materials) materials += MaterialBytes(material);
    std::size_t triangles = 0;
    for (const std::uint32_t corners : mesh.faces.cornerCounts) triangles += corners > 2 ? corners - 2 : 0;
    const std::size_t normals = mesh.normals.empty() ? mesh.positions.size() : mesh.normals.size();
    const std::size_t geometry = sizeof(Matrix4) + mesh.positions.size() * (sizeof(Vec3) + sizeof(Vec2)) +
                                 normals * sizeof(Vec3) + triangles * sizeof(Triangle);
    return {geometry + materials, materials};
}

bool CopyBudget::Spend(const CopyCost& cost) {
    if (cost.bytes > MaxCopiedBytes - spent_.bytes || cost.materialBytes > MaxCopiedMaterialBytes - spent_.materialBytes)
        return false;
    spent_.bytes += cost.bytes;
    spent_.materialBytes += cost.materialBytes;
    return true;
}

}  // namespace viewer
