#include "ExportBlocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

#include "base/Format.h"
#include "base/ShiftJis.h"

namespace xexport {

namespace {

bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsNameByte(unsigned char c) {
    return IsAsciiDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

float FiniteOrZero(float value) { return std::isfinite(value) ? value : 0.0f; }

TVector3DS Sub(const TVector3DS& a, const TVector3DS& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// In double, so that a large model's sums keep their precision.
struct Vec3d {
    double x = 0, y = 0, z = 0;
};

Vec3d Cross(const TVector3DS& a, const TVector3DS& b) {
    return {static_cast<double>(a.y) * b.z - static_cast<double>(a.z) * b.y,
            static_cast<double>(a.z) * b.x - static_cast<double>(a.x) * b.z,
            static_cast<double>(a.x) * b.y - static_cast<double>(a.y) * b.x};
}

// The unit vector of v, or false when v has no direction (zero, or not finite).
bool Normalise(const Vec3d& v, TVector3DS& unit) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!std::isfinite(length) || length < 1e-30) return false;
    unit = {static_cast<float>(v.x / length), static_cast<float>(v.y / length), static_cast<float>(v.z / length)};
    return std::isfinite(unit.x) && std::isfinite(unit.y) && std::isfinite(unit.z);
}

std::uint32_t FloatBits(float value) {
    if (value == 0.0f) value = 0.0f;  // -0 and +0 are one normal
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// For each vertex and each smoothing mask among its faces, the sum of the normals
// of the faces around the vertex that share a bit with the mask. Each sum adds
// its faces in face order, in one pass over them per distinct mask at the vertex,
// so the cost grows with the faces around a vertex, not with their square.
class TSmoothSums {
public:
    template <typename Smoothing>
    TSmoothSums(const TMesh3DS& mesh, const std::vector<Vec3d>& faceNormals, Smoothing smoothing) {
        const std::size_t n = mesh.Vertices.size();
        // The faces around each vertex, in face order (a face with a corner twice, twice).
        std::vector<std::uint32_t> first(n + 1, 0);
        for (const auto& face : mesh.Faces) {
            for (const std::uint16_t v : {face.V1, face.V2, face.V3}) ++first[v + 1];
        }
        for (std::size_t i = 0; i < n; ++i) first[i + 1] += first[i];
        std::vector<std::uint32_t> around(first[n]);
        std::vector<std::uint32_t> fill(first.begin(), first.end() - 1);
        for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
            const auto& face = mesh.Faces[f];
            for (const std::uint16_t v : {face.V1, face.V2, face.V3}) around[fill[v]++] = static_cast<std::uint32_t>(f);
        }
        firstSum_.reserve(n + 1);
        for (std::size_t v = 0; v < n; ++v) {
            const std::size_t begin = sums_.size();
            firstSum_.push_back(begin);
            for (std::uint32_t k = first[v]; k < first[v + 1]; ++k) {
                const std::uint32_t mask = smoothing(around[k]);
                if (mask != 0 && Find(begin, sums_.size(), mask) == nullptr) sums_.push_back({mask, {}});
            }
            for (std::size_t s = begin; s < sums_.size(); ++s) {
                for (std::uint32_t k = first[v]; k < first[v + 1]; ++k) {
                    if ((smoothing(around[k]) & sums_[s].mask) == 0) continue;
                    const Vec3d& normal = faceNormals[around[k]];
                    sums_[s].sum.x += normal.x;
                    sums_[s].sum.y += normal.y;
                    sums_[s].sum.z += normal.z;
                }
            }
        }
        firstSum_.push_back(sums_.size());
    }

    // The sum at vertex v for a face of that mask around it.
    const Vec3d& At(std::uint16_t v, std::uint32_t mask) const { return Find(firstSum_[v], firstSum_[v + 1], mask)->sum; }

private:
    struct Sum {
        std::uint32_t mask;
        Vec3d sum;
    };

    const Sum* Find(std::size_t begin, std::size_t end, std::uint32_t mask) const {
        for (std::size_t s = begin; s < end; ++s) {
            if (sums_[s].mask == mask) return &sums_[s];
        }
        return nullptr;
    }

    std::vector<std::size_t> firstSum_;  // per vertex, its first entry in sums_
    std::vector<Sum> sums_;
};

}  // namespace

std::string TextFormName(std::string_view name) {
    std::string word;
    word.reserve(name.size() + 1);
    if (!name.empty() && IsAsciiDigit(static_cast<unsigned char>(name.front()))) word += '_';
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (base::IsShiftJisLeadByte(c) && i + 1 < name.size() &&
            base::IsShiftJisTrailByte(static_cast<unsigned char>(name[i + 1]))) {
            word += name.substr(i, 2);
            ++i;
        } else {
            word += IsNameByte(c) ? name[i] : '_';
        }
    }
    return word;
}

std::string TextFormString(std::string_view text) {
    std::string safe(text);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte < 0x20 || byte == 0x7F) c = '_';
    }
    return safe;
}

std::vector<model3ds::TTexCoord3DS> ExportTexCoords(const std::vector<const TMesh3DS*>& meshes) {
    std::vector<model3ds::TTexCoord3DS> coords;
    bool any = false;
    for (const TMesh3DS* mesh : meshes) any = any || !mesh->TexCoords.empty();
    if (!any) return coords;
    for (const TMesh3DS* mesh : meshes) {
        for (std::size_t i = 0; i < mesh->Vertices.size(); ++i) {
            if (i < mesh->TexCoords.size()) {
                const auto& stored = mesh->TexCoords[i];
                coords.push_back({FiniteOrZero(stored.u), FiniteOrZero(1.0f - FiniteOrZero(stored.v))});
            } else {
                coords.push_back({0, 0});
            }
        }
    }
    return coords;
}

std::string_view TextureFileName(const TMaterial3DS* material, const TExportOptions& options) {
    if (!options.Textures || material == nullptr) return {};
    return material->TextureMap.Map.Name;
}

std::vector<std::array<TVector3DS, 3>> CornerNormals(const TMesh3DS& mesh, const TVertexTransform& transform) {
    const std::size_t n = mesh.Vertices.size();
    const std::size_t m = mesh.Faces.size();
    std::vector<TVector3DS> positions(n);
    for (std::size_t i = 0; i < n; ++i) positions[i] = transform.Apply(mesh.Vertices[i]);
    // Area-weighted face normals (twice the area), counter-clockwise in the model's axes.
    std::vector<Vec3d> faceNormals(m);
    for (std::size_t f = 0; f < m; ++f) {
        const auto& face = mesh.Faces[f];
        faceNormals[f] = Cross(Sub(positions[face.V2], positions[face.V1]), Sub(positions[face.V3], positions[face.V1]));
    }
    const auto smoothing = [&mesh](std::size_t f) {
        return f < mesh.SmoothGroups.size() ? mesh.SmoothGroups[f] : std::uint32_t{0};
    };
    const TSmoothSums sums(mesh, faceNormals, smoothing);
    std::vector<std::array<TVector3DS, 3>> normals(m);
    for (std::size_t f = 0; f < m; ++f) {
        const std::uint32_t bits = smoothing(f);
        TVector3DS flat{0, 0, 1};
        Normalise(faceNormals[f], flat);
        const auto& face = mesh.Faces[f];
        const std::uint16_t corners[3] = {face.V1, face.V2, face.V3};
        for (int c = 0; c < 3; ++c) {
            normals[f][c] = flat;
            Normalise(bits != 0 ? sums.At(corners[c], bits) : faceNormals[f], normals[f][c]);
        }
    }
    return normals;
}

TMeshNormals ComputeNormals(const std::vector<const TMesh3DS*>& meshes, const TVertexTransform& transform,
                            bool flip) {
    TMeshNormals result;
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::uint32_t> known;
    // FaceCorners' order as positions among V1, V2, V3.
    const std::array<int, 3> order = flip ? std::array<int, 3>{0, 1, 2} : std::array<int, 3>{0, 2, 1};
    for (const TMesh3DS* mesh : meshes) {
        for (const std::array<TVector3DS, 3>& corners : CornerNormals(*mesh, transform)) {
            std::array<std::uint32_t, 3> indices{};
            for (int c = 0; c < 3; ++c) {
                TVector3DS normal = corners[static_cast<std::size_t>(order[static_cast<std::size_t>(c)])];
                if (flip) normal = {-normal.x, -normal.y, -normal.z};
                const auto key = std::make_tuple(FloatBits(normal.x), FloatBits(normal.y), FloatBits(normal.z));
                const auto [found, added] = known.emplace(key, static_cast<std::uint32_t>(result.Normals.size()));
                if (added) result.Normals.push_back(normal);
                indices[static_cast<std::size_t>(c)] = found->second;
            }
            result.FaceNormals.push_back(indices);
        }
    }
    return result;
}

TFrame MeshFrame(const TMesh3DS& mesh, TVertexTransform& transform) {
    TFrame frame;
    frame.Name = mesh.Name.empty() ? std::string("Mesh") : TextFormName(mesh.Name);
    frame.Matrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float* m = mesh.LocalMatrix.m;
    if (std::all_of(m, m + 12, [](float value) { return value == 0; })) return frame;  // no matrix in the file
    const auto refuse = [&mesh](const char* why) {
        throw EExportError(base::Format("mesh \"%s\": its local matrix %s, so no frame can place the mesh",
                                        mesh.Name.c_str(), why));
    };
    if (!std::all_of(m, m + 12, [](float value) { return std::isfinite(value); })) refuse("is not all numbers");
    // Rows: the local x, y and z axes, then the origin, in the model's axes.
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = m[3 * i + j];
    const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                       r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                       r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    // Measured against the lengths of the axes (their volume is at most the product
    // of their lengths), so that a small matrix is not taken for a flat one. Axes
    // closer to a plane would magnify the rounding of the written coordinates past
    // what a 32-bit float carries.
    double lengths = 1;
    for (const auto& row : r) lengths *= std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
    if (!(std::fabs(det) > 1e-6 * lengths)) refuse("is singular (its axes lie in a plane)");
    // The origin goes where the vertex pipeline puts a vertex at that point.
    TVertexTransform originOnly = transform;
    originOnly.Snap = false;
    if (originOnly.FirstNonFiniteStep({m[9], m[10], m[11]}) != TVertexTransform::TStep::None)
        refuse("puts the origin past the largest 32-bit float");
    const TVector3DS origin = originOnly.Apply({m[9], m[10], m[11]});
    transform.ToLocal = true;
    transform.Origin[0] = origin.x;
    transform.Origin[1] = origin.y;
    transform.Origin[2] = origin.z;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
            transform.Inverse[i][j] = (r[a][c] * r[b][d] - r[a][d] * r[b][c]) / det;
        }
    }
    const double at[3] = {origin.x, origin.y, origin.z};
    frame.Matrix = XFrameMatrix(r, at);
    return frame;
}

std::array<float, 16> XFrameMatrix(const double axes[3][3], const double origin[3]) {
    // In .x axes: y and z swapped in both the rows and the columns.
    static constexpr int kSwap[3] = {0, 2, 1};
    std::array<float, 16> matrix{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) matrix[4 * i + j] = static_cast<float>(axes[kSwap[i]][kSwap[j]]);
    for (int j = 0; j < 3; ++j) matrix[12 + j] = static_cast<float>(origin[kSwap[j]]);
    matrix[15] = 1;
    return matrix;
}

TFrame SceneFrame(const TSceneNode& node, const TExportOptions& options) {
    TFrame frame;
    frame.Name = node.Name;
    double axes[3][3], origin[3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) axes[i][j] = node.Local.m[j][i];
        origin[i] = node.Local.m[i][3] * options.Scale;
    }
    frame.Matrix = XFrameMatrix(axes, origin);
    if (!std::all_of(frame.Matrix.begin(), frame.Matrix.end(), [](float value) { return std::isfinite(value); })) {
        throw EExportError(base::Format("frame \"%s\": its place under its parent is not a finite 32-bit number%s",
                                        node.Name.c_str(), options.Scale != 1 ? " at this scale" : ""));
    }
    return frame;
}

TVertexTransform SceneMeshTransform(const TExportOptions& options) {
    TVertexTransform transform;
    transform.Snap = false;
    AddScale(transform, options);
    return transform;
}

TSceneRequest SceneRequest(TFile3DS& model, const TExportOptions& options) {
    return {options.SceneName.empty() ? model.FileName() : options.SceneName, options.TopFrame, options.Animation};
}

bool SceneHasMesh(const TModelScene& scene) {
    return std::any_of(scene.Nodes.begin(), scene.Nodes.end(), [](const TSceneNode& node) { return !node.Meshes.empty(); });
}

std::array<float, 4> XRotationKey(const model3ds::TQuat& q) {
    // In .x axes (y and z swapped, a mirror) the rotation is (w, -x, -z, -y); a .x
    // key holds its conjugate, the rotation of the transposed matrix that .x
    // multiplies rows by.
    return {static_cast<float>(q.w), static_cast<float>(q.x), static_cast<float>(q.z), static_cast<float>(q.y)};
}

std::array<float, 3> XScaleKey(const double scale[3]) {
    return {static_cast<float>(scale[0]), static_cast<float>(scale[2]), static_cast<float>(scale[1])};
}

std::array<float, 3> XPositionKey(const double position[3], const TExportOptions& options) {
    return {static_cast<float>(position[0] * options.Scale), static_cast<float>(position[2] * options.Scale),
            static_cast<float>(position[1] * options.Scale)};
}

TSingleMeshExport PrepareSingleMesh(TFile3DS& model, int meshIndex, const TExportOptions& options) {
    TSingleMeshExport single;
    single.Mesh = MeshToExport(model, meshIndex);
    if (single.Mesh == nullptr) return single;
    const TMesh3DS& mesh = *single.Mesh;
    single.Transform = SingleMeshTransform(model, meshIndex, options);
    if (options.Frames) single.Frame = MeshFrame(mesh, single.Transform);
    CheckStaysFinite(mesh, single.Transform);
    single.WithMaterials = options.SaveMaterial && !mesh.MatGroups.empty();
    if (single.WithMaterials) single.FaceGroups = FaceGroupTable(mesh);
    return single;
}

}  // namespace xexport
