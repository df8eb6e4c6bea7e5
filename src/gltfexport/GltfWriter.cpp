#include "gltfexport/GltfWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "JsonOut.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "net/HttpRequest.h"
#include "xexport/ExportPreparation.h"
#include "xexport/MeshNormals.h"
#include "xexport/ModelScene.h"

namespace gltfexport {

namespace {

using model3ds::TMaterial3DS;
using model3ds::TMesh3DS;

constexpr int kFloatComponent = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;

struct TView {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    int Target = 0;  // 0: none (animation data, images)
};

struct TAccessor {
    std::size_t View = 0;
    int ComponentType = kFloatComponent;
    std::size_t Count = 0;
    const char* Type = "SCALAR";
    std::vector<float> Min, Max;  // empty: not written
    std::vector<std::uint32_t> IndexMax;
};

struct TPrimitive {
    std::size_t Position = 0, Normal = 0, Indices = 0;
    std::optional<std::size_t> TexCoord;
    int Material = -1;
};

struct TMeshOut {
    std::string Name;
    std::vector<TPrimitive> Primitives;
};

// Every material names the colour of its highlight through this extension.
constexpr const char* kSpecularExtension = "KHR_materials_specular";

struct TMaterialOut {
    std::string Name;
    float BaseColor[4] = {1, 1, 1, 1};
    bool Blend = false;
    bool DoubleSided = false;
    float Roughness = 1;
    float Specular[3] = {1, 1, 1};  // linear, KHR_materials_specular's colour
    float Emissive[3] = {0, 0, 0};
    std::optional<std::size_t> Texture;  // index of the image (one texture per image)
};

struct TImageOut {
    std::string Name;
    std::string MimeType;
    std::optional<std::size_t> View;  // .glb: its bytes in the buffer
    std::string Uri;                  // .gltf: the file beside
};

struct TNodeOut {
    std::string Name;
    std::vector<std::size_t> Children;
    std::optional<std::size_t> Mesh;
    float Translation[3] = {0, 0, 0};
    float Rotation[4] = {0, 0, 0, 1};  // x, y, z, w
    float Scale[3] = {1, 1, 1};
};

struct TChannel {
    std::size_t Node = 0;
    const char* Path = "";
    std::size_t Input = 0, Output = 0;
};

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

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The glTF vertices of a primitive: one per stored vertex and normal, found in
// the few entries of that vertex.
class TCornerTable {
public:
    explicit TCornerTable(std::size_t vertices) : first_(vertices, kNone) {}

    // The corner's index, and whether it is new.
    std::pair<std::uint32_t, bool> Find(std::uint16_t vertex, const model3ds::TVector3DS& normal) {
        for (std::uint32_t e = first_[vertex]; e != kNone; e = entries_[e].Next) {
            const model3ds::TVector3DS& known = entries_[e].Normal;
            if (known.x == normal.x && known.y == normal.y && known.z == normal.z) return {e, false};
        }
        entries_.push_back({normal, first_[vertex]});
        first_[vertex] = static_cast<std::uint32_t>(entries_.size() - 1);
        return {first_[vertex], true};
    }

    std::size_t Size() const { return entries_.size(); }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    struct Entry {
        model3ds::TVector3DS Normal;
        std::uint32_t Next;
    };
    std::vector<std::uint32_t> first_;  // per stored vertex, its latest entry
    std::vector<Entry> entries_;        // in order of first use: the corners' indices
};

class TGltfBuilder {
public:
    TGltfBuilder(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName)
        : model_(model), request_(request) {
        const std::filesystem::path output = std::filesystem::path(outputName).filename();
        stem_ = output.stem().string();
        if (stem_.empty()) stem_ = "model";
        scene_ = xexport::BuildModelScene(model, {request.ModelFile, false, true});
        AddNodes();
        AddAnimation();
    }

    TGltfFiles Take() {
        TGltfFiles files;
        files.Warnings = std::move(warnings_);
        const std::string json = Json();
        if (request_.Form == TGltfForm::Binary) {
            files.Main = Glb(json);
        } else {
            files.Main.assign(json.begin(), json.end());
            if (!bin_.empty()) files.Beside.push_back({stem_ + ".bin", bin_});
            for (TSideFile& image : imageFiles_) files.Beside.push_back(std::move(image));
        }
        return files;
    }

private:
    std::size_t AddView(const void* data, std::size_t size, int target) {
        while (bin_.size() % 4 != 0) bin_.push_back(0);
        TView view{bin_.size(), size, target};
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        bin_.insert(bin_.end(), bytes, bytes + size);
        views_.push_back(view);
        return views_.size() - 1;
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
        accessors_.push_back(std::move(accessor));
        return accessors_.size() - 1;
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
        accessors_.push_back(std::move(accessor));
        return accessors_.size() - 1;
    }

    // The glTF material of a model material (by its index in the model's list), made on first use.
    int MaterialOf(int modelIndex) {
        if (modelIndex < 0) return -1;
        const auto found = materialIndex_.find(modelIndex);
        if (found != materialIndex_.end()) return found->second;
        const TMaterial3DS& material = *model_.MaterialList().GetMaterial(modelIndex);
        TMaterialOut out;
        out.Name = material.Name;
        const float diffuse[3] = {material.Diffuse.r, material.Diffuse.g, material.Diffuse.b};
        for (int c = 0; c < 3; ++c) out.BaseColor[c] = static_cast<float>(SrgbToLinear(Unit(diffuse[c])));
        const bool edited = request_.EditedOpacity.count(material.Name) != 0;
        // The file's transparency counts by its magnitude: a flag in the file may store it negated.
        const float alpha = edited ? material.Opacity : 1.0f - std::fabs(material.Transparency);
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
        if (request_.Textures && !material.TextureMap.Map.Name.empty()) out.Texture = ImageOf(material.TextureMap.Map.Name);
        materialsOut_.push_back(std::move(out));
        materialIndex_[modelIndex] = static_cast<int>(materialsOut_.size()) - 1;
        return materialIndex_[modelIndex];
    }

    // The image of a texture name, read once however many materials use it.
    std::optional<std::size_t> ImageOf(const std::string& textureName) {
        const auto known = imageIndex_.find(textureName);
        if (known != imageIndex_.end()) return known->second;
        std::string warning;
        std::optional<TTextureImage> image = request_.Textures(textureName, warning);
        if (!warning.empty()) warnings_.push_back(warning);
        std::optional<std::size_t> index;
        if (image) {
            TImageOut out;
            out.Name = image->Name;
            out.MimeType = image->MimeType;
            if (request_.Form == TGltfForm::Binary) {
                out.View = AddView(image->Bytes.data(), image->Bytes.size(), 0);
            } else {
                const std::string extension = image->MimeType == "image/png" ? ".png" : ".jpg";
                std::string stem = std::filesystem::path(image->Name).stem().string();
                if (stem.empty()) stem = "image";
                std::string file = stem;
                // Two sources of one name (WOOD.TGA, wood.bmp) stay two files, on any file system.
                for (int n = 2; !imageFileNames_.insert(Lower(file + extension)).second; ++n)
                    file = stem + "_" + std::to_string(n);
                const std::string path = stem_ + "_images/" + file + extension;
                out.Uri = net::PercentEncode(path, "/");
                imageFiles_.push_back({path, std::move(image->Bytes)});
            }
            images_.push_back(std::move(out));
            index = images_.size() - 1;
        }
        imageIndex_[textureName] = index;
        return index;
    }

    // One primitive per material, corners with the same vertex and normal shared.
    TMeshOut BuildMesh(const TMesh3DS& mesh) {
        TMeshOut out;
        out.Name = mesh.Name;
        xexport::TVertexTransform transform;
        transform.Snap = false;
        xexport::CheckStaysFinite(mesh, transform);
        const std::vector<std::array<model3ds::TVector3DS, 3>> normals = xexport::CornerNormals(mesh, transform);
        const std::vector<std::uint16_t> groups = xexport::FirstGroupTable(mesh);
        std::vector<int> order;             // materials in order of first use
        std::map<int, std::vector<std::size_t>> faces;  // per material, its faces
        for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
            const std::uint16_t group = groups[f];
            const int modelMaterial =
                group == xexport::kNoFaceGroup ? -1 : model3ds::FindMaterialIndex(model_, mesh.MatGroups[group].Name);
            const int material = MaterialOf(modelMaterial);
            auto& list = faces[material];
            if (list.empty()) order.push_back(material);
            list.push_back(f);
        }
        const bool mapped = !mesh.TexCoords.empty();
        for (const int material : order) {
            std::vector<float> positions, normalValues, uvs;
            std::vector<std::uint32_t> indices;
            TCornerTable corners(mesh.Vertices.size());
            for (const std::size_t f : faces[material]) {
                const model3ds::TFaceEntry3DS& face = mesh.Faces[f];
                const std::uint16_t vertices[3] = {face.V1, face.V2, face.V3};
                for (int c = 0; c < 3; ++c) {
                    const std::uint16_t vertex = vertices[c];
                    const model3ds::TVector3DS& normal = normals[f][static_cast<std::size_t>(c)];
                    const auto [index, added] = corners.Find(vertex, normal);
                    indices.push_back(index);
                    if (!added) continue;
                    const model3ds::TVector3DS p = transform.Apply(mesh.Vertices[vertex]);
                    float value[3];
                    ToGltf(p.x, p.y, p.z, value);
                    positions.insert(positions.end(), value, value + 3);
                    ToGltf(normal.x, normal.y, normal.z, value);
                    normalValues.insert(normalValues.end(), value, value + 3);
                    if (mapped) {
                        model3ds::TTexCoord3DS uv;
                        if (vertex < mesh.TexCoords.size()) uv = mesh.TexCoords[vertex];
                        const float u = std::isfinite(uv.u) ? uv.u : 0.0f;
                        const float w = std::isfinite(uv.v) ? uv.v : 0.0f;
                        uvs.push_back(u);
                        uvs.push_back(1 - w);  // glTF's v goes down the image
                    }
                }
            }
            TPrimitive primitive;
            primitive.Material = material;
            primitive.Position = AddFloats(positions, 3, "VEC3", kArrayBuffer, true);
            primitive.Normal = AddFloats(normalValues, 3, "VEC3", kArrayBuffer, false);
            if (mapped) primitive.TexCoord = AddFloats(uvs, 2, "VEC2", kArrayBuffer, false);
            primitive.Indices = AddIndices(indices, corners.Size());
            out.Primitives.push_back(primitive);
        }
        return out;
    }

    // One glTF node per scene node; a node placing several meshes holds each in
    // a child of its own.
    void AddNodes() {
        nodes_.resize(scene_.Nodes.size());
        for (std::size_t i = 0; i < scene_.Nodes.size(); ++i) {
            const xexport::TSceneNode& node = scene_.Nodes[i];
            TNodeOut& out = nodes_[i];
            out.Name = node.Name;
            ToGltf(node.Pose.Position[0], node.Pose.Position[1], node.Pose.Position[2], out.Translation);
            RotationToGltf(node.Pose.Rotation, out.Rotation);
            ScaleToGltf(node.Pose.Scale, out.Scale);
            if (node.Parent >= 0) nodes_[static_cast<std::size_t>(node.Parent)].Children.push_back(i);
            else roots_.push_back(i);
        }
        for (std::size_t i = 0; i < scene_.Nodes.size(); ++i) {
            const std::vector<TMesh3DS>& meshes = scene_.Nodes[i].Meshes;
            for (const TMesh3DS& mesh : meshes) {
                meshes_.push_back(BuildMesh(mesh));
                if (meshes.size() == 1) {
                    nodes_[i].Mesh = meshes_.size() - 1;
                    continue;
                }
                TNodeOut holder;
                holder.Name = mesh.Name;
                holder.Mesh = meshes_.size() - 1;
                nodes_.push_back(std::move(holder));
                nodes_[i].Children.push_back(nodes_.size() - 1);
            }
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
                channels_.push_back({animation.Node, path, input, AddFloats(values, components, type, 0, false)});
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

    void WriteNode(TJsonOut& json, const TNodeOut& node) const {
        json.BeginObject();
        json.Key("name");
        json.String(node.Name);
        if (!node.Children.empty()) {
            json.Key("children");
            json.BeginArray();
            for (const std::size_t child : node.Children) json.Int(static_cast<std::int64_t>(child));
            json.EndArray();
        }
        if (node.Mesh) {
            json.Key("mesh");
            json.Int(static_cast<std::int64_t>(*node.Mesh));
        }
        const auto vector = [&json](const char* key, const float* values, std::size_t count, const float* identity) {
            if (std::equal(values, values + count, identity)) return;
            json.Key(key);
            json.Floats(values, count);
        };
        static const float zero[3] = {0, 0, 0}, one[3] = {1, 1, 1}, none[4] = {0, 0, 0, 1};
        vector("translation", node.Translation, 3, zero);
        vector("rotation", node.Rotation, 4, none);
        vector("scale", node.Scale, 3, one);
        json.EndObject();
    }

    void WriteMaterial(TJsonOut& json, const TMaterialOut& material) const {
        json.BeginObject();
        json.Key("name");
        json.String(material.Name);
        json.Key("pbrMetallicRoughness");
        json.BeginObject();
        json.Key("baseColorFactor");
        json.Floats(material.BaseColor, 4);
        if (material.Texture) {
            json.Key("baseColorTexture");
            json.BeginObject();
            json.Key("index");
            json.Int(static_cast<std::int64_t>(*material.Texture));
            json.EndObject();
        }
        json.Key("metallicFactor");
        json.Int(0);
        json.Key("roughnessFactor");
        json.Float(material.Roughness);
        json.EndObject();
        json.Key("extensions");
        json.BeginObject();
        json.Key(kSpecularExtension);
        json.BeginObject();
        json.Key("specularColorFactor");
        json.Floats(material.Specular, 3);
        json.EndObject();
        json.EndObject();
        if (std::any_of(material.Emissive, material.Emissive + 3, [](float c) { return c > 0; })) {
            json.Key("emissiveFactor");
            json.Floats(material.Emissive, 3);
        }
        if (material.Blend) {
            json.Key("alphaMode");
            json.String("BLEND");
        }
        if (material.DoubleSided) {
            json.Key("doubleSided");
            json.Bool(true);
        }
        json.EndObject();
    }

    void WriteMesh(TJsonOut& json, const TMeshOut& mesh) const {
        json.BeginObject();
        json.Key("name");
        json.String(mesh.Name);
        json.Key("primitives");
        json.BeginArray();
        for (const TPrimitive& primitive : mesh.Primitives) {
            json.BeginObject();
            json.Key("attributes");
            json.BeginObject();
            json.Key("POSITION");
            json.Int(static_cast<std::int64_t>(primitive.Position));
            json.Key("NORMAL");
            json.Int(static_cast<std::int64_t>(primitive.Normal));
            if (primitive.TexCoord) {
                json.Key("TEXCOORD_0");
                json.Int(static_cast<std::int64_t>(*primitive.TexCoord));
            }
            json.EndObject();
            json.Key("indices");
            json.Int(static_cast<std::int64_t>(primitive.Indices));
            if (primitive.Material >= 0) {
                json.Key("material");
                json.Int(primitive.Material);
            }
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }

    void WriteAccessor(TJsonOut& json, const TAccessor& accessor) const {
        json.BeginObject();
        json.Key("bufferView");
        json.Int(static_cast<std::int64_t>(accessor.View));
        json.Key("componentType");
        json.Int(accessor.ComponentType);
        json.Key("count");
        json.Int(static_cast<std::int64_t>(accessor.Count));
        json.Key("type");
        json.String(accessor.Type);
        if (!accessor.Min.empty()) {
            for (const auto& [key, values] : {std::pair{"min", &accessor.Min}, std::pair{"max", &accessor.Max}}) {
                json.Key(key);
                json.BeginArray();
                for (const float value : *values) json.ExactFloat(value);
                json.EndArray();
            }
        }
        if (!accessor.IndexMax.empty()) {
            json.Key("min");
            json.BeginArray();
            json.Int(accessor.IndexMax[0]);
            json.EndArray();
            json.Key("max");
            json.BeginArray();
            json.Int(accessor.IndexMax[1]);
            json.EndArray();
        }
        json.EndObject();
    }

    void WriteAnimation(TJsonOut& json) const {
        json.Key("animations");
        json.BeginArray();
        json.BeginObject();
        json.Key("name");
        json.String(scene_.Name);
        json.Key("channels");
        json.BeginArray();
        for (std::size_t i = 0; i < channels_.size(); ++i) {
            json.BeginObject();
            json.Key("sampler");
            json.Int(static_cast<std::int64_t>(i));
            json.Key("target");
            json.BeginObject();
            json.Key("node");
            json.Int(static_cast<std::int64_t>(channels_[i].Node));
            json.Key("path");
            json.String(channels_[i].Path);
            json.EndObject();
            json.EndObject();
        }
        json.EndArray();
        json.Key("samplers");
        json.BeginArray();
        for (const TChannel& channel : channels_) {
            json.BeginObject();
            json.Key("input");
            json.Int(static_cast<std::int64_t>(channel.Input));
            json.Key("interpolation");
            json.String("LINEAR");
            json.Key("output");
            json.Int(static_cast<std::int64_t>(channel.Output));
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
        json.EndArray();
    }

    template <typename T, typename Write>
    void WriteList(TJsonOut& json, const char* key, const std::vector<T>& items, Write write) const {
        if (items.empty()) return;
        json.Key(key);
        json.BeginArray();
        for (const T& item : items) write(json, item);
        json.EndArray();
    }

    std::string Json() const {
        TJsonOut json;
        json.BeginObject();
        json.Key("asset");
        json.BeginObject();
        json.Key("generator");
        json.String(request_.Generator);
        json.Key("version");
        json.String("2.0");
        json.EndObject();
        if (!materialsOut_.empty()) {
            json.Key("extensionsUsed");
            json.BeginArray();
            json.String(kSpecularExtension);
            json.EndArray();
        }
        json.Key("scene");
        json.Int(0);
        json.Key("scenes");
        json.BeginArray();
        json.BeginObject();
        json.Key("name");
        json.String(scene_.Name);
        if (!roots_.empty()) {
            json.Key("nodes");
            json.BeginArray();
            for (const std::size_t root : roots_) json.Int(static_cast<std::int64_t>(root));
            json.EndArray();
        }
        json.EndObject();
        json.EndArray();
        WriteList(json, "nodes", nodes_, [this](TJsonOut& out, const TNodeOut& node) { WriteNode(out, node); });
        WriteList(json, "meshes", meshes_, [this](TJsonOut& out, const TMeshOut& mesh) { WriteMesh(out, mesh); });
        WriteList(json, "materials", materialsOut_,
                  [this](TJsonOut& out, const TMaterialOut& material) { WriteMaterial(out, material); });
        if (!images_.empty()) {
            json.Key("textures");
            json.BeginArray();
            for (std::size_t i = 0; i < images_.size(); ++i) {
                json.BeginObject();
                json.Key("source");
                json.Int(static_cast<std::int64_t>(i));
                json.EndObject();
            }
            json.EndArray();
        }
        WriteList(json, "images", images_, [](TJsonOut& out, const TImageOut& image) {
            out.BeginObject();
            out.Key("name");
            out.String(image.Name);
            if (image.View) {
                out.Key("bufferView");
                out.Int(static_cast<std::int64_t>(*image.View));
                out.Key("mimeType");
                out.String(image.MimeType);
            } else {
                out.Key("uri");
                out.String(image.Uri);
            }
            out.EndObject();
        });
        if (!channels_.empty()) WriteAnimation(json);
        WriteList(json, "accessors", accessors_,
                  [this](TJsonOut& out, const TAccessor& accessor) { WriteAccessor(out, accessor); });
        WriteList(json, "bufferViews", views_, [](TJsonOut& out, const TView& view) {
            out.BeginObject();
            out.Key("buffer");
            out.Int(0);
            if (view.Offset != 0) {
                out.Key("byteOffset");
                out.Int(static_cast<std::int64_t>(view.Offset));
            }
            out.Key("byteLength");
            out.Int(static_cast<std::int64_t>(view.Length));
            if (view.Target != 0) {
                out.Key("target");
                out.Int(view.Target);
            }
            out.EndObject();
        });
        if (!bin_.empty()) {
            json.Key("buffers");
            json.BeginArray();
            json.BeginObject();
            json.Key("byteLength");
            json.Int(static_cast<std::int64_t>(bin_.size()));
            if (request_.Form == TGltfForm::Text) {
                json.Key("uri");
                json.String(net::PercentEncode(stem_ + ".bin"));
            }
            json.EndObject();
            json.EndArray();
        }
        json.EndObject();
        return json.Text();
    }

    // The binary container: a header, the JSON chunk padded with spaces, the
    // buffer's chunk padded with zeros.
    std::vector<std::uint8_t> Glb(std::string json) const {
        while (json.size() % 4 != 0) json += ' ';
        std::vector<std::uint8_t> bin = bin_;
        while (bin.size() % 4 != 0) bin.push_back(0);
        std::vector<std::uint8_t> out;
        const auto word = [&out](std::uint32_t value) {
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        };
        const std::uint64_t total = 12 + 8 + json.size() + (bin.empty() ? 0 : 8 + bin.size());
        if (total > 0xFFFFFFFFu) throw xexport::EExportError("the model is too large for one .glb file (4 GiB)");
        word(0x46546C67);  // "glTF"
        word(2);
        word(static_cast<std::uint32_t>(total));
        word(static_cast<std::uint32_t>(json.size()));
        word(0x4E4F534A);  // "JSON"
        out.insert(out.end(), json.begin(), json.end());
        if (!bin.empty()) {
            word(static_cast<std::uint32_t>(bin.size()));
            word(0x004E4942);  // "BIN\0"
            out.insert(out.end(), bin.begin(), bin.end());
        }
        return out;
    }

    model3ds::TFile3DS& model_;
    const TGltfRequest& request_;
    std::string stem_;
    xexport::TModelScene scene_;
    std::vector<std::string> warnings_;

    std::vector<std::uint8_t> bin_;
    std::vector<TView> views_;
    std::vector<TAccessor> accessors_;
    std::vector<TNodeOut> nodes_;
    std::vector<std::size_t> roots_;
    std::vector<TMeshOut> meshes_;
    std::vector<TMaterialOut> materialsOut_;
    std::map<int, int> materialIndex_;  // model material -> glTF material
    std::vector<TImageOut> images_;
    std::map<std::string, std::optional<std::size_t>> imageIndex_;  // texture name -> image
    std::set<std::string> imageFileNames_;  // lower case, of the .gltf's image files
    std::vector<TSideFile> imageFiles_;
    std::vector<TChannel> channels_;
};

}  // namespace

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

TGltfFiles BuildGltf(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName) {
    return TGltfBuilder(model, request, outputName).Take();
}

void WriteGltfFiles(const TGltfFiles& files, const std::string& outputPath) {
    const std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    for (const TSideFile& side : files.Beside) {
        const std::filesystem::path path = folder / side.Name;
        std::error_code error;
        if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path(), error);
        if (error) throw base::EFCreateError(path.parent_path().string(), error.value());
        base::WriteFileAtomically(path.string(), side.Bytes.data(), side.Bytes.size());
    }
    base::WriteFileAtomically(outputPath, files.Main.data(), files.Main.size());
}

}  // namespace gltfexport
