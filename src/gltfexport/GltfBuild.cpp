#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "base/AsciiCase.h"
#include "GltfCamerasLights.h"
#include "GltfDocument.h"
#include "VertexTable.h"
#include "base/DisplayName.h"
#include "net/HttpRequest.h"
#include "xexport/ExportPreparation.h"
#include "xexport/MeshNormals.h"
#include "xexport/ModelScene.h"

namespace gltfexport {

namespace {

using model3ds::TMaterial3DS;
using model3ds::TMesh3DS;

// Model axes to glTF's: (x, y, z) -> (x, z, -y).
void ToGltf(double x, double y, double z, float out[3]) {
    out[0] = static_cast<float>(x);
    out[1] = static_cast<float>(z);
    out[2] = static_cast<float>(-y);
}

// The same rotation in glTF's axes, as x, y, z, w: its axis turns with the axes.
void RotationToGltf(const model3ds::TQuat& q, float out[4]) {
    const double length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    const bool usable = std::isfinite(length) && length > 0;
    const double s = usable ? 1 / length : 0;
    ToGltf(q.x * s, q.y * s, q.z * s, out);
    out[3] = usable ? static_cast<float>(q.w * s) : 1;
}

// A scale along the node's own axes: glTF's y is the model's z and the other way round.
void ScaleToGltf(const double scale[3], float out[3]) {
    out[0] = static_cast<float>(scale[0]);
    out[1] = static_cast<float>(scale[2]);
    out[2] = static_cast<float>(scale[1]);
}

float Unit(float value) { return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f; }

// The colours and surface of a model material; its texture is left to the caller.
TMaterialOut MaterialOut(const TMaterial3DS& material, bool editedOpacity) {
    TMaterialOut out;
    out.Name = base::DisplayName(material.Name);
    const float diffuse[3] = {material.Diffuse.r, material.Diffuse.g, material.Diffuse.b};
    for (int c = 0; c < 3; ++c) out.BaseColor[c] = static_cast<float>(SrgbToLinear(Unit(diffuse[c])));
    // The file's transparency counts by its magnitude: a flag in the file may store it negated.
    const float alpha = editedOpacity ? material.Opacity : 1.0f - std::fabs(material.Transparency);
    out.BaseColor[3] = std::isfinite(alpha) ? std::clamp(alpha, 0.0f, 1.0f) : 1.0f;
    out.Blend = out.BaseColor[3] < 1;
    out.DoubleSided = material.TwoSided;
    // Blinn-Phong's exponent as the roughness that gives a highlight of about its width.
    const double power = std::isfinite(material.SpecularPower) ? std::max(material.SpecularPower, 0.0f) : 0.0;
    out.Roughness = static_cast<float>(std::sqrt(2 / (power + 2)));
    // The highlight's colour, black for none: without it a viewer gives every
    // surface the white highlight of a default dielectric.
    const float specular[3] = {material.Specular.r, material.Specular.g, material.Specular.b};
    for (int c = 0; c < 3; ++c) out.Specular[c] = static_cast<float>(SrgbToLinear(Unit(specular[c])));
    const float glow = Unit(material.SelfIllumPct);
    for (int c = 0; c < 3; ++c) out.Emissive[c] = out.BaseColor[c] * glow;
    return out;
}

// The values of one primitive's vertices, each distinct vertex once, and its
// corners' indices into them. Without normals every face is flat: readers give
// each its own normal.
struct TCorners {
    std::vector<float> Positions, Normals, TexCoords;
    std::vector<std::uint32_t> Indices;
};

// A mesh's values by stored vertex, in glTF's axes, and where any face is
// smoothed the normals of every face's corners.
struct TMeshValues {
    std::vector<std::array<float, 3>> Positions;
    std::vector<std::array<float, 2>> TexCoords;  // empty for a mesh without texture coordinates
    std::vector<std::array<model3ds::TVector3DS, 3>> Normals;  // empty when every face is flat
};

bool Flat(const TMesh3DS& mesh, std::size_t face) {
    return face >= mesh.SmoothGroups.size() || mesh.SmoothGroups[face] == 0;
}

TMeshValues MeshValues(const TMesh3DS& mesh, const xexport::TVertexTransform& transform) {
    TMeshValues out;
    out.Positions.reserve(mesh.Vertices.size());
    for (const model3ds::TVector3DS& vertex : mesh.Vertices) {
        const model3ds::TVector3DS p = transform.Apply(vertex);
        ToGltf(p.x, p.y, p.z, out.Positions.emplace_back().data());
    }
    if (!mesh.TexCoords.empty()) {
        out.TexCoords.reserve(mesh.Vertices.size());
        for (std::size_t v = 0; v < mesh.Vertices.size(); ++v) {
            model3ds::TTexCoord3DS uv;
            if (v < mesh.TexCoords.size()) uv = mesh.TexCoords[v];
            const float u = std::isfinite(uv.u) ? uv.u : 0.0f;
            const float w = std::isfinite(uv.v) ? uv.v : 0.0f;
            out.TexCoords.push_back({u, 1 - w});  // glTF's v goes down the image
        }
    }
    for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
        if (Flat(mesh, f)) continue;
        out.Normals = xexport::CornerNormals(mesh, transform);
        break;
    }
    return out;
}

// The corners of the faces, vertices equal in position, normal and texture
// coordinates shared. The primitive has normals where any of its faces is
// smoothed; without, vertices are shared by position and texture coordinates.
TCorners CollectCorners(const TMesh3DS& mesh, const TMeshValues& values, const std::vector<std::size_t>& faces) {
    const bool normals = std::any_of(faces.begin(), faces.end(), [&mesh](std::size_t f) { return !Flat(mesh, f); });
    const bool mapped = !values.TexCoords.empty();
    const std::size_t width = 3 + (normals ? 3 : 0) + (mapped ? 2 : 0);
    TVertexTable table(width, faces.size());
    TCorners out;
    out.Indices.reserve(faces.size() * 3);
    float vertex[8];
    for (const std::size_t f : faces) {
        const model3ds::TFaceEntry3DS& face = mesh.Faces[f];
        const std::uint16_t corners[3] = {face.V1, face.V2, face.V3};
        for (std::size_t c = 0; c < 3; ++c) {
            std::copy_n(values.Positions[corners[c]].data(), 3, vertex);
            if (normals) {
                const model3ds::TVector3DS& normal = values.Normals[f][c];
                ToGltf(normal.x, normal.y, normal.z, vertex + 3);
            }
            if (mapped) std::copy_n(values.TexCoords[corners[c]].data(), 2, vertex + width - 2);
            out.Indices.push_back(table.Add(vertex));
        }
    }
    out.Positions = table.Column(0, 3);
    if (normals) out.Normals = table.Column(3, 3);
    if (mapped) out.TexCoords = table.Column(width - 2, 2);
    return out;
}

// Faces by material, the materials in order of first use.
struct TFacesByMaterial {
    std::vector<int> Order;
    std::map<int, std::vector<std::size_t>> Faces;
};

class TDocumentBuilder {
public:
    TDocumentBuilder(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName)
        : model_(model), request_(request) {
        const std::filesystem::path output = std::filesystem::path(outputName).filename();
        stem_ = output.stem().string();
        if (stem_.empty()) stem_ = "model";
        scene_ = StillIfTooLong(model, request.ModelFile);
        doc_.Generator = request.Generator;
        doc_.SceneName = scene_.Name;
        if (request.Form == TGltfForm::Text) doc_.BufferFile = stem_ + ".bin";
        AddNodes();
        AddAnimation();
        AddCamerasAndLights(scene_, doc_);
    }

    TGltfDocument Take() { return std::move(doc_); }

private:
    // The scene with its animation; one too long to write is left out, with a
    // warning, rather than losing the still scene too.
    xexport::TModelScene StillIfTooLong(model3ds::TFile3DS& model, const std::string& modelFile) {
        try {
            return xexport::BuildModelScene(model, {modelFile, false, true, true});
        } catch (const xexport::ELongAnimationError& error) {
            doc_.Warnings.push_back(std::string(error.what()) + "; the scene is written still, without it");
            return xexport::BuildModelScene(model, {modelFile, false, false, true});
        }
    }

    std::size_t AddView(const void* data, std::size_t size, int target) {
        std::vector<std::uint8_t>& bin = doc_.Bin;
        while (bin.size() % 4 != 0) bin.push_back(0);
        TView view{bin.size(), size, target};
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        bin.insert(bin.end(), bytes, bytes + size);
        doc_.Views.push_back(view);
        return doc_.Views.size() - 1;
    }

    // Floats of components each, min and max written when bounds is set.
    std::size_t AddFloats(const std::vector<float>& values, int components, const char* type, int target, bool bounds) {
        TAccessor accessor;
        accessor.View = AddView(values.data(), values.size() * sizeof(float), target);
        accessor.Count = values.size() / static_cast<std::size_t>(components);
        accessor.Type = type;
        if (bounds && !values.empty()) {
            accessor.Min.assign(values.begin(), values.begin() + components);
            accessor.Max = accessor.Min;
            for (std::size_t i = 0; i < values.size(); ++i) {
                const std::size_t c = i % static_cast<std::size_t>(components);
                accessor.Min[c] = std::min(accessor.Min[c], values[i]);
                accessor.Max[c] = std::max(accessor.Max[c], values[i]);
            }
        }
        doc_.Accessors.push_back(std::move(accessor));
        return doc_.Accessors.size() - 1;
    }

    // 16-bit while every index fits below 65535, which is the restart value.
    std::size_t AddIndices(const std::vector<std::uint32_t>& indices, std::size_t vertexCount) {
        TAccessor accessor;
        accessor.Count = indices.size();
        if (vertexCount <= 65535) {
            std::vector<std::uint16_t> narrow(indices.begin(), indices.end());
            accessor.View = AddView(narrow.data(), narrow.size() * 2, kElementArrayBuffer);
            accessor.ComponentType = kUnsignedShort;
        } else {
            accessor.View = AddView(indices.data(), indices.size() * 4, kElementArrayBuffer);
            accessor.ComponentType = kUnsignedInt;
        }
        const auto [low, high] = std::minmax_element(indices.begin(), indices.end());
        accessor.IndexMax = {*low, *high};
        doc_.Accessors.push_back(std::move(accessor));
        return doc_.Accessors.size() - 1;
    }

    // The glTF material of a model material (by its index in the model's list),
    // made on first use: with its texture for a primitive with texture
    // coordinates, else a second one without, which no validator or reader
    // would take as a texture to place.
    int MaterialOf(int modelIndex, bool mapped) {
        if (modelIndex < 0) return -1;
        const TMaterial3DS& material = *model_.MaterialList().GetMaterial(modelIndex);
        std::optional<std::size_t> texture;
        if (mapped && request_.Textures && !material.TextureMap.Map.Name.empty())
            texture = ImageOf(material.TextureMap.Map.Name);
        std::map<int, int>& known = texture ? texturedIndex_ : plainIndex_;
        const auto found = known.find(modelIndex);
        if (found != known.end()) return found->second;
        TMaterialOut out = MaterialOut(material, request_.EditedOpacity.count(material.Name) != 0);
        out.Texture = texture;
        doc_.Materials.push_back(std::move(out));
        known[modelIndex] = static_cast<int>(doc_.Materials.size()) - 1;
        return known[modelIndex];
    }

    // The image of a texture name, read once however many materials use it.
    std::optional<std::size_t> ImageOf(const std::string& textureName) {
        const auto known = imageIndex_.find(textureName);
        if (known != imageIndex_.end()) return known->second;
        TTextureLookup lookup;
        std::optional<TTextureImage> image = request_.Textures(textureName, lookup);
        if (!lookup.Warning.empty()) doc_.Warnings.push_back(lookup.Warning);
        if (!lookup.Read.empty()) doc_.Read.push_back(lookup.Read);
        std::optional<std::size_t> index;
        const auto sameFile = imageOfFile_.find(lookup.Read);
        if (image && sameFile != imageOfFile_.end()) {
            index = sameFile->second;
        } else if (image) {
            doc_.Images.push_back(ImageOut(*image));
            index = doc_.Images.size() - 1;
            imageOfFile_.emplace(lookup.Read, *index);
        }
        imageIndex_[textureName] = index;
        return index;
    }

    // A .glb holds the image's bytes in its buffer, a .gltf names a file beside it.
    TImageOut ImageOut(TTextureImage& image) {
        TImageOut out;
        // A file's name in the bytes of its system: glTF's names and URIs are UTF-8.
        out.Name = base::DisplayName(image.Name);
        out.MimeType = image.MimeType;
        if (request_.Form == TGltfForm::Binary) {
            out.View = AddView(image.Bytes.data(), image.Bytes.size(), 0);
            return out;
        }
        const std::string extension = image.MimeType == "image/png" ? ".png" : ".jpg";
        std::string stem = std::filesystem::path(out.Name).stem().string();
        if (stem.empty()) stem = "image";
        std::string file = stem;
        // Two sources of one name (WOOD.TGA, wood.bmp) stay two files, on any file system.
        for (int n = 2; !imageFileNames_.insert(base::LowerAscii(file + extension)).second; ++n)
            file = stem + "_" + std::to_string(n);
        const std::string path = stem_ + "_images/" + file + extension;
        out.Uri = net::PercentEncode(path, "/");
        doc_.ImageFiles.push_back({path, std::move(image.Bytes)});
        return out;
    }

    // The faces by glTF material; each group's material is found on its first face.
    TFacesByMaterial GroupFaces(const TMesh3DS& mesh, bool mapped) {
        constexpr int kUnknown = -2;
        const std::vector<std::uint16_t> groups = xexport::FirstGroupTable(mesh);
        std::vector<int> groupMaterial(mesh.MatGroups.size(), kUnknown);
        TFacesByMaterial grouped;
        for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
            const std::uint16_t group = groups[f];
            int material = -1;
            if (group != xexport::kNoFaceGroup) {
                int& known = groupMaterial[group];
                if (known == kUnknown)
                    known = MaterialOf(model3ds::FindMaterialIndex(model_, mesh.MatGroups[group].Name), mapped);
                material = known;
            }
            auto& list = grouped.Faces[material];
            if (list.empty()) grouped.Order.push_back(material);
            list.push_back(f);
        }
        return grouped;
    }

    // One primitive per material, equal vertices shared.
    TMeshOut BuildMesh(const TMesh3DS& mesh) {
        TMeshOut out;
        out.Name = base::DisplayName(mesh.Name);
        xexport::TVertexTransform transform;
        transform.Snap = false;
        xexport::CheckStaysFinite(mesh, transform);
        const TMeshValues values = MeshValues(mesh, transform);
        TFacesByMaterial grouped = GroupFaces(mesh, !values.TexCoords.empty());
        for (const int material : grouped.Order) {
            const TCorners corners = CollectCorners(mesh, values, grouped.Faces[material]);
            TPrimitive primitive;
            primitive.Material = material;
            primitive.Position = AddFloats(corners.Positions, 3, "VEC3", kArrayBuffer, true);
            if (!corners.Normals.empty()) primitive.Normal = AddFloats(corners.Normals, 3, "VEC3", kArrayBuffer, false);
            if (!corners.TexCoords.empty()) primitive.TexCoord = AddFloats(corners.TexCoords, 2, "VEC2", kArrayBuffer, false);
            primitive.Indices = AddIndices(corners.Indices, corners.Positions.size() / 3);
            out.Primitives.push_back(primitive);
        }
        return out;
    }

    // One glTF node per scene node; a node placing several meshes holds each in
    // a child of its own.
    void AddNodes() {
        std::vector<TNodeOut>& nodes = doc_.Nodes;
        nodes.resize(scene_.Nodes.size());
        for (std::size_t i = 0; i < scene_.Nodes.size(); ++i) {
            const xexport::TSceneNode& node = scene_.Nodes[i];
            TNodeOut& out = nodes[i];
            out.Name = base::DisplayName(node.RawName);
            ToGltf(node.Pose.Position[0], node.Pose.Position[1], node.Pose.Position[2], out.Translation);
            RotationToGltf(node.Pose.Rotation, out.Rotation);
            ScaleToGltf(node.Pose.Scale, out.Scale);
            if (node.Parent >= 0) nodes[static_cast<std::size_t>(node.Parent)].Children.push_back(i);
            else doc_.Roots.push_back(i);
        }
        for (std::size_t i = 0; i < scene_.Nodes.size(); ++i) AddMeshes(i);
    }

    // The glTF mesh of a scene mesh, built once however many nodes place it.
    std::size_t MeshOf(const std::shared_ptr<const TMesh3DS>& mesh) {
        const auto [known, added] = meshIndex_.try_emplace(mesh.get(), doc_.Meshes.size());
        if (added) doc_.Meshes.push_back(BuildMesh(*mesh));
        return known->second;
    }

    void AddMeshes(std::size_t node) {
        const auto& meshes = scene_.Nodes[node].Meshes;
        for (const auto& mesh : meshes) {
            const std::size_t index = MeshOf(mesh);
            if (meshes.size() == 1) {
                doc_.Nodes[node].Mesh = index;
                continue;
            }
            TNodeOut holder;
            holder.Name = base::DisplayName(mesh->Name);
            holder.Mesh = index;
            doc_.Nodes.push_back(std::move(holder));
            doc_.Nodes[node].Children.push_back(doc_.Nodes.size() - 1);
        }
    }

    void AddAnimation() {
        const double perTick = 1.0 / (scene_.TicksPerSecond > 0 ? scene_.TicksPerSecond : 30);
        for (const xexport::TNodeAnimation& animation : scene_.Animations) {
            const auto addTimes = [&](const auto& keys) {
                std::vector<float> times;
                for (const auto& key : keys) times.push_back(static_cast<float>(key.Tick * perTick));
                return AddFloats(times, 1, "SCALAR", 0, true);
            };
            // The keys of one path as glTF's values, components each.
            const auto addChannel = [&](const auto& keys, const char* path, int components, const char* type,
                                        const auto& convert) {
                if (keys.empty()) return;
                std::vector<float> values;
                for (const auto& key : keys) {
                    float value[4];
                    convert(key, value);
                    values.insert(values.end(), value, value + components);
                }
                const std::size_t input = addTimes(keys);
                doc_.Channels.push_back({animation.Node, path, input, AddFloats(values, components, type, 0, false)});
            };
            addChannel(animation.Position, "translation", 3, "VEC3", [](const xexport::TVectorKey& key, float* v) {
                ToGltf(key.Value[0], key.Value[1], key.Value[2], v);
            });
            addChannel(animation.Rotation, "rotation", 4, "VEC4",
                       [](const xexport::TRotationKey& key, float* q) { RotationToGltf(key.Value, q); });
            addChannel(animation.Scale, "scale", 3, "VEC3",
                       [](const xexport::TVectorKey& key, float* v) { ScaleToGltf(key.Value, v); });
        }
    }

    model3ds::TFile3DS& model_;
    const TGltfRequest& request_;
    std::string stem_;
    xexport::TModelScene scene_;
    TGltfDocument doc_;
    std::map<const TMesh3DS*, std::size_t> meshIndex_;             // scene mesh -> glTF mesh
    // model material -> glTF material, with its texture, and without
    std::map<int, int> texturedIndex_, plainIndex_;
    std::map<std::string, std::optional<std::size_t>> imageIndex_;  // texture name -> image
    std::map<std::string, std::size_t> imageOfFile_;                  // file read -> image, one for all its names
    std::set<std::string> imageFileNames_;                          // lower case, of the .gltf's image files
};

}  // namespace

TGltfDocument BuildDocument(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName) {
    return TDocumentBuilder(model, request, outputName).Take();
}

}  // namespace gltfexport
