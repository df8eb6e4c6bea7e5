#include "viewer/MeshBuilder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>

#include "base/Errors.h"
#include "base/Format.h"

#include "viewer/GltfFile.h"
#include "viewer/XFile.h"
#include "XTokenizer.h"

namespace viewer {

// Appends the meshes of a file to a builder: placed by their frames, faces
// turned into fans of triangles, normals made where the file gives none.
class MeshBuilderFiller {
public:
    explicit MeshBuilderFiller(MeshBuilder& builder) : b_(builder) {}

    void Append(const XMesh& mesh, const Matrix4& placement, bool withTextureCoordinates) {
        const Bases bases{static_cast<std::uint32_t>(b_.positions_.size()),
                          static_cast<std::uint32_t>(b_.normals_.size()),
                          static_cast<std::uint32_t>(b_.materials_.size())};
        for (const Vec3& p : mesh.positions) b_.positions_.push_back(TransformPoint(p, placement));
        if (withTextureCoordinates) AppendTextureCoordinates(mesh);
        if (mesh.materials.empty())
            b_.materials_.emplace_back();
        else
            b_.materials_.insert(b_.materials_.end(), mesh.materials.begin(), mesh.materials.end());
        const std::size_t firstTriangle = b_.triangles_.size();
        AppendTriangles(mesh, placement, bases);
        if (mesh.normals.empty()) {
            AppendSmoothNormals(bases.position, mesh.positions.size(), firstTriangle);
        } else {
            const Matrix4 normalMatrix = NormalMatrix(placement);
            for (const Vec3& n : mesh.normals)
                b_.normals_.push_back(Normalize(TransformDirection(n, normalMatrix)));
        }
    }

private:
    // Where the mesh's positions, normals and materials start in the builder.
    struct Bases {
        std::uint32_t position, normal, material;
    };

    // Meshes without coordinates get zeros, so that there is one per position.
    void AppendTextureCoordinates(const XMesh& mesh) {
        if (mesh.textureCoordinates.empty())
            b_.textureCoordinates_.resize(b_.positions_.size());
        else
            b_.textureCoordinates_.insert(b_.textureCoordinates_.end(), mesh.textureCoordinates.begin(),
                                          mesh.textureCoordinates.end());
    }

    // Each face of n corners becomes the fan of n - 2 triangles around its
    // first corner. Without normals of its own, a corner's normal is that of
    // its position, made afterwards.
    void AppendTriangles(const XMesh& mesh, const Matrix4& placement, const Bases& bases) {
        const bool ownNormals = !mesh.normals.empty();
        // A mirroring placement would turn the faces inside out; their corners
        // are taken in reverse order so that they keep facing outwards.
        const bool mirrored = Determinant(placement) < 0;
        std::size_t corner = 0;
        for (std::size_t face = 0; face < mesh.faces.cornerCounts.size(); ++face) {
            const std::uint32_t corners = mesh.faces.cornerCounts[face];
            Triangle triangle;
            triangle.material = bases.material + (mesh.faceMaterials.empty() ? 0 : mesh.faceMaterials[face]);
            for (std::uint32_t k = 2; k < corners; ++k) {
                const std::size_t fan[3] = {corner, mirrored ? corner + k : corner + k - 1,
                                            mirrored ? corner + k - 1 : corner + k};
                for (int i = 0; i < 3; ++i) {
                    triangle.vertices[i] = bases.position + mesh.faces.indices[fan[i]];
                    triangle.normals[i] = bases.normal + (ownNormals ? mesh.normalFaces.indices[fan[i]]
                                                                     : mesh.faces.indices[fan[i]]);
                }
                b_.triangles_.push_back(triangle);
            }
            corner += corners;
        }
    }

    // One normal per position: the area-weighted mean of the normals of the
    // triangles around it, for Gouraud shading of meshes without normals.
    void AppendSmoothNormals(std::uint32_t positionBase, std::size_t count, std::size_t firstTriangle) {
        const std::size_t normalBase = b_.normals_.size();
        b_.normals_.resize(normalBase + count);
        for (std::size_t t = firstTriangle; t < b_.triangles_.size(); ++t) {
            const auto& v = b_.triangles_[t].vertices;
            const Vec3 a = b_.positions_[v[0]];
            const Vec3 faceNormal = Cross(b_.positions_[v[1]] - a, b_.positions_[v[2]] - a);
            for (std::uint32_t index : v) b_.normals_[normalBase + index - positionBase] += faceNormal;
        }
        for (std::size_t i = normalBase; i < b_.normals_.size(); ++i)
            b_.normals_[i] = Normalize(b_.normals_[i]);
    }

    MeshBuilder& b_;
};

MeshBuilder::MeshBuilder() = default;
MeshBuilder::~MeshBuilder() = default;

std::int32_t MeshBuilder::Load(const void* data, std::size_t size) {
    Clear();
    try {
        XModel model = ParseXModel(static_cast<const std::uint8_t*>(data), size);
        if (model.meshes.empty()) return LoadErrorNotFound;
        Keep(std::move(model));
    } catch (const XFormatError&) {
        Clear();
        return LoadErrorBadFile;
    } catch (const std::bad_alloc&) {
        Clear();
        return LoadErrorOutOfMemory;
    }
    return 0;
}

void MeshBuilder::Load(GltfModel&& model) {
    Clear();
    Keep(std::move(model.model));
    embeddedImages_ = std::move(model.images);
}

void MeshBuilder::Keep(XModel&& model) {
    Fill(model.meshes);
    if (!model.animations.empty()) animated_ = std::make_unique<XModel>(std::move(model));
}

void MeshBuilder::Fill(const std::vector<XMesh>& meshes) {
    const bool withTextureCoordinates = std::any_of(
        meshes.begin(), meshes.end(), [](const XMesh& m) { return !m.textureCoordinates.empty(); });
    MeshBuilderFiller filler(*this);
    for (const XMesh& mesh : meshes)
        for (const Matrix4& placement : mesh.placements) filler.Append(mesh, placement, withTextureCoordinates);
}

double MeshBuilder::AnimationSeconds() const {
    return animated_ ? animated_->lastTick / animated_->ticksPerSecond : 0;
}

void MeshBuilder::SetTime(double seconds) {
    if (!animated_) return;
    const double ticks = seconds * animated_->ticksPerSecond;
    if (!std::isfinite(ticks))
        throw base::Exception(base::Format("the time %g s is more than the animation's ticks can count", seconds));
    time_ = seconds;
    PoseXModel(*animated_, ticks);
    positions_.clear();
    normals_.clear();
    textureCoordinates_.clear();
    triangles_.clear();
    materials_.clear();
    Fill(animated_->meshes);
    for (Vec3& p : positions_) p = {p.x * scale_.x, p.y * scale_.y, p.z * scale_.z};
    revision_ = NextRevision();
}

void MeshBuilder::Clear() {
    animated_.reset();
    time_ = 0;
    scale_ = {1, 1, 1};
    positions_ = {};
    normals_ = {};
    textureCoordinates_ = {};
    triangles_ = {};
    materials_ = {};
    embeddedImages_ = {};
    revision_ = NextRevision();
}

std::vector<bool> MeshBuilder::DrawnPositions() const {
    std::vector<bool> drawn(positions_.size());
    for (const Triangle& t : triangles_)
        for (const std::uint32_t v : t.vertices) drawn[v] = true;
    return drawn;
}

Box MeshBuilder::GetBox() const {
    const std::vector<bool> drawn = DrawnPositions();
    const auto first = std::find(drawn.begin(), drawn.end(), true);
    if (first == drawn.end()) return {};
    const Vec3 start = positions_[static_cast<std::size_t>(first - drawn.begin())];
    Box box{start, start};
    for (std::size_t i = 0; i < positions_.size(); ++i) {
        if (!drawn[i]) continue;
        const Vec3& p = positions_[i];
        box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
        box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
    }
    return box;
}

// Normals are kept: the viewer scales by the same positive factor on every axis.
void MeshBuilder::Scale(float sx, float sy, float sz) {
    for (Vec3& p : positions_) p = {p.x * sx, p.y * sy, p.z * sz};
    scale_ = {scale_.x * sx, scale_.y * sy, scale_.z * sz};
    revision_ = NextRevision();
}

void MeshBuilder::SetModelFile(const std::string& path) {
    modelFile_ = path;
    textureFolder_ = std::filesystem::absolute(path).parent_path().string();
    revision_ = NextRevision();
}

void MeshBuilder::SetTexturePaths(const std::vector<std::string>& folders) {
    if (folders == texturePaths_) return;
    texturePaths_ = folders;
    revision_ = NextRevision();
}

std::uint64_t MeshBuilder::NextRevision() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

}  // namespace viewer
