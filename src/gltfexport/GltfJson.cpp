#include <algorithm>

#include "GltfCamerasLights.h"
#include "GltfDocument.h"
#include "JsonOut.h"
#include "base/PercentEscapes.h"
#include "xexport/ExportPreparation.h"

namespace gltfexport {

namespace {

// Every material names the colour of its highlight through this extension.
constexpr const char* kSpecularExtension = "KHR_materials_specular";

void WriteNode(TJsonOut& json, const TNodeOut& node) {
    json.BeginObject();
    json.Key("name");
    json.String(node.Name);
    if (!node.Children.empty()) {
        json.Key("children");
        json.BeginArray();
        for (const std::size_t child : node.Children) json.Int(static_cast<std::int64_t>(child));
        json.EndArray();
    }
    if (node.Mesh) WriteIndex(json, "mesh", *node.Mesh);
    WriteNodeCameraLight(json, node);
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

void WritePbr(TJsonOut& json, const TMaterialOut& material) {
    json.Key("pbrMetallicRoughness");
    json.BeginObject();
    json.Key("baseColorFactor");
    json.Floats(material.BaseColor, 4);
    if (material.Texture) {
        json.Key("baseColorTexture");
        json.BeginObject();
        WriteIndex(json, "index", *material.Texture);
        json.EndObject();
    }
    json.Key("metallicFactor");
    json.Int(0);
    json.Key("roughnessFactor");
    json.Float(material.Roughness);
    json.EndObject();
}

void WriteMaterial(TJsonOut& json, const TMaterialOut& material) {
    json.BeginObject();
    json.Key("name");
    json.String(material.Name);
    WritePbr(json, material);
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

void WritePrimitive(TJsonOut& json, const TPrimitive& primitive) {
    json.BeginObject();
    json.Key("attributes");
    json.BeginObject();
    WriteIndex(json, "POSITION", primitive.Position);
    if (primitive.Normal) WriteIndex(json, "NORMAL", *primitive.Normal);
    if (primitive.TexCoord) WriteIndex(json, "TEXCOORD_0", *primitive.TexCoord);
    json.EndObject();
    WriteIndex(json, "indices", primitive.Indices);
    if (primitive.Material >= 0) {
        json.Key("material");
        json.Int(primitive.Material);
    }
    json.EndObject();
}

void WriteMesh(TJsonOut& json, const TMeshOut& mesh) {
    json.BeginObject();
    json.Key("name");
    json.String(mesh.Name);
    json.Key("primitives");
    json.BeginArray();
    for (const TPrimitive& primitive : mesh.Primitives) WritePrimitive(json, primitive);
    json.EndArray();
    json.EndObject();
}

void WriteAccessor(TJsonOut& json, const TAccessor& accessor) {
    json.BeginObject();
    WriteIndex(json, "bufferView", accessor.View);
    json.Key("componentType");
    json.Int(accessor.ComponentType);
    WriteIndex(json, "count", accessor.Count);
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

void WriteChannels(TJsonOut& json, const std::vector<TChannel>& channels) {
    json.Key("channels");
    json.BeginArray();
    for (std::size_t i = 0; i < channels.size(); ++i) {
        json.BeginObject();
        WriteIndex(json, "sampler", i);
        json.Key("target");
        json.BeginObject();
        WriteIndex(json, "node", channels[i].Node);
        json.Key("path");
        json.String(channels[i].Path);
        json.EndObject();
        json.EndObject();
    }
    json.EndArray();
}

void WriteSamplers(TJsonOut& json, const std::vector<TChannel>& channels) {
    json.Key("samplers");
    json.BeginArray();
    for (const TChannel& channel : channels) {
        json.BeginObject();
        WriteIndex(json, "input", channel.Input);
        json.Key("interpolation");
        json.String("LINEAR");
        WriteIndex(json, "output", channel.Output);
        json.EndObject();
    }
    json.EndArray();
}

void WriteAnimation(TJsonOut& json, const TGltfDocument& document) {
    json.Key("animations");
    json.BeginArray();
    json.BeginObject();
    json.Key("name");
    json.String(document.SceneName);
    WriteChannels(json, document.Channels);
    WriteSamplers(json, document.Channels);
    json.EndObject();
    json.EndArray();
}

void WriteImage(TJsonOut& json, const TImageOut& image) {
    json.BeginObject();
    json.Key("name");
    json.String(image.Name);
    if (image.View) {
        WriteIndex(json, "bufferView", *image.View);
        json.Key("mimeType");
        json.String(image.MimeType);
    } else {
        json.Key("uri");
        json.String(image.Uri);
    }
    json.EndObject();
}

void WriteView(TJsonOut& json, const TView& view) {
    json.BeginObject();
    json.Key("buffer");
    json.Int(0);
    if (view.Offset != 0) WriteIndex(json, "byteOffset", view.Offset);
    WriteIndex(json, "byteLength", view.Length);
    if (view.Target != 0) {
        json.Key("target");
        json.Int(view.Target);
    }
    json.EndObject();
}

template <typename T, typename Write>
void WriteList(TJsonOut& json, const char* key, const std::vector<T>& items, Write write) {
    if (items.empty()) return;
    json.Key(key);
    json.BeginArray();
    for (const T& item : items) write(json, item);
    json.EndArray();
}

void WriteAsset(TJsonOut& json, const TGltfDocument& document) {
    json.Key("asset");
    json.BeginObject();
    json.Key("generator");
    json.String(document.Generator);
    json.Key("version");
    json.String("2.0");
    json.EndObject();
    if (document.Materials.empty() && document.Lights.empty()) return;
    json.Key("extensionsUsed");
    json.BeginArray();
    if (!document.Materials.empty()) json.String(kSpecularExtension);
    if (!document.Lights.empty()) json.String(kLightsExtension);
    json.EndArray();
}

void WriteScene(TJsonOut& json, const TGltfDocument& document) {
    json.Key("scene");
    json.Int(0);
    json.Key("scenes");
    json.BeginArray();
    json.BeginObject();
    json.Key("name");
    json.String(document.SceneName);
    if (!document.Roots.empty()) {
        json.Key("nodes");
        json.BeginArray();
        for (const std::size_t root : document.Roots) json.Int(static_cast<std::int64_t>(root));
        json.EndArray();
    }
    json.EndObject();
    json.EndArray();
}

// One texture per image, in the images' order.
void WriteTextures(TJsonOut& json, std::size_t images) {
    if (images == 0) return;
    json.Key("textures");
    json.BeginArray();
    for (std::size_t i = 0; i < images; ++i) {
        json.BeginObject();
        WriteIndex(json, "source", i);
        json.EndObject();
    }
    json.EndArray();
}

void WriteBuffer(TJsonOut& json, const TGltfDocument& document) {
    if (document.Bin.empty()) return;
    json.Key("buffers");
    json.BeginArray();
    json.BeginObject();
    WriteIndex(json, "byteLength", document.Bin.size());
    if (!document.BufferFile.empty()) {
        json.Key("uri");
        json.String(base::PercentEncode(document.BufferFile));
    }
    json.EndObject();
    json.EndArray();
}

}  // namespace

std::string DocumentJson(const TGltfDocument& document) {
    TJsonOut json;
    json.BeginObject();
    WriteAsset(json, document);
    WriteScene(json, document);
    WriteList(json, "nodes", document.Nodes, WriteNode);
    WriteList(json, "meshes", document.Meshes, WriteMesh);
    WriteCameras(json, document);
    WriteList(json, "materials", document.Materials, WriteMaterial);
    WriteTextures(json, document.Images.size());
    WriteList(json, "images", document.Images, WriteImage);
    if (!document.Channels.empty()) WriteAnimation(json, document);
    WriteList(json, "accessors", document.Accessors, WriteAccessor);
    WriteList(json, "bufferViews", document.Views, WriteView);
    WriteBuffer(json, document);
    WriteLightsExtension(json, document);
    json.EndObject();
    return json.Text();
}

// A header, the JSON chunk padded with spaces, the buffer's chunk padded with zeros.
std::vector<std::uint8_t> Glb(std::string json, const std::vector<std::uint8_t>& buffer) {
    while (json.size() % 4 != 0) json += ' ';
    std::vector<std::uint8_t> bin = buffer;
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

}  // namespace gltfexport
