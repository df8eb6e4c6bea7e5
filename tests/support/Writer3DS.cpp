#include "support/Writer3DS.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace testsupport {

void Writer3DS::Begin(std::uint16_t tag) {
    open_.push_back(bytes_.size());
    U16(tag);
    U32(0);
}

void Writer3DS::End() {
    if (open_.empty()) throw std::logic_error("Writer3DS::End without Begin");
    const std::size_t start = open_.back();
    open_.pop_back();
    const auto length = static_cast<std::uint32_t>(bytes_.size() - start);
    for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

void Writer3DS::U8(std::uint8_t value) { bytes_.push_back(value); }

void Writer3DS::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void Writer3DS::I16(std::int16_t value) { U16(static_cast<std::uint16_t>(value)); }

void Writer3DS::U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void Writer3DS::F32(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    U32(bits);
}

void Writer3DS::String(const std::string& text) {
    Raw(text.data(), text.size());
    U8(0);
}

void Writer3DS::Raw(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
}

void Writer3DS::Flag(std::uint16_t tag) { Header(tag, 6); }

void Writer3DS::ChunkU16(std::uint16_t tag, std::uint16_t value) {
    Begin(tag);
    U16(value);
    End();
}

void Writer3DS::ChunkI16(std::uint16_t tag, std::int16_t value) { ChunkU16(tag, static_cast<std::uint16_t>(value)); }

void Writer3DS::ChunkF32(std::uint16_t tag, float value) {
    Begin(tag);
    F32(value);
    End();
}

void Writer3DS::ChunkString(std::uint16_t tag, const std::string& text) {
    Begin(tag);
    String(text);
    End();
}

void Writer3DS::ChunkRgb(std::uint16_t tag, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Begin(tag);
    U8(r);
    U8(g);
    U8(b);
    End();
}

void Writer3DS::ChunkRaw(std::uint16_t tag, const std::vector<std::uint8_t>& bytes) {
    Begin(tag);
    Raw(bytes.data(), bytes.size());
    End();
}

void Writer3DS::Header(std::uint16_t tag, std::uint32_t length) {
    U16(tag);
    U32(length);
}

void Writer3DS::SaveToFile(const std::string& fileName) const {
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    if (!out) throw std::runtime_error("cannot write " + fileName);
}

namespace {

void WriteFaces(Writer3DS& w, const MeshSpec& mesh) {
    w.Begin(0x4120);
    w.U16(static_cast<std::uint16_t>(mesh.faces.size()));
    for (const Face& f : mesh.faces) {
        w.U16(f.v1);
        w.U16(f.v2);
        w.U16(f.v3);
        w.U16(f.flags);
    }
    for (const MaterialGroup& group : mesh.groups) {
        w.Begin(0x4130);
        w.String(group.material);
        w.U16(static_cast<std::uint16_t>(group.faces.size()));
        for (std::uint16_t face : group.faces) w.U16(face);
        w.End();
    }
    if (!mesh.smoothing.empty()) {
        w.Begin(0x4150);
        for (std::uint32_t bits : mesh.smoothing) w.U32(bits);
        w.End();
    }
    w.End();
}

void WriteColor(Writer3DS& w, std::uint16_t tag, const std::optional<Rgb>& color) {
    if (!color) return;
    w.Begin(tag);
    w.ChunkRgb(0x0011, color->r, color->g, color->b);
    w.End();
}

void WritePercent(Writer3DS& w, std::uint16_t tag, const std::optional<std::int16_t>& percent) {
    if (!percent) return;
    w.Begin(tag);
    w.ChunkI16(0x0030, *percent);
    w.End();
}

}  // namespace

void WriteMesh(Writer3DS& w, const MeshSpec& mesh) {
    w.Begin(0x4000);
    w.String(mesh.name);
    w.Begin(0x4100);
    if (!mesh.vertices.empty()) {
        w.Begin(0x4110);
        w.U16(static_cast<std::uint16_t>(mesh.vertices.size()));
        for (const Vertex& v : mesh.vertices) {
            w.F32(v.x);
            w.F32(v.y);
            w.F32(v.z);
        }
        w.End();
    }
    if (!mesh.texCoords.empty()) {
        w.Begin(0x4140);
        w.U16(static_cast<std::uint16_t>(mesh.texCoords.size()));
        for (const TexCoord& t : mesh.texCoords) {
            w.F32(t.u);
            w.F32(t.v);
        }
        w.End();
    }
    if (mesh.withMatrix || !mesh.matrix.empty()) {
        w.Begin(0x4160);
        const std::vector<float> identity = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
        for (float value : mesh.matrix.empty() ? identity : mesh.matrix) w.F32(value);
        w.End();
    }
    if (!mesh.faces.empty() || !mesh.groups.empty() || !mesh.smoothing.empty()) WriteFaces(w, mesh);
    w.End();
    w.End();
}

void WriteMaterial(Writer3DS& w, const MaterialSpec& material) {
    w.Begin(0xAFFF);
    w.ChunkString(0xA000, material.name);
    WriteColor(w, 0xA010, material.ambient);
    WriteColor(w, 0xA020, material.diffuse);
    WriteColor(w, 0xA030, material.specular);
    WritePercent(w, 0xA040, material.shininess);
    WritePercent(w, 0xA050, material.transparency);
    WritePercent(w, 0xA084, material.selfIllum);
    if (!material.textureFile.empty()) {
        w.Begin(0xA200);
        w.ChunkI16(0x0030, 100);
        w.ChunkString(0xA300, material.textureFile);
        w.End();
    }
    w.End();
}

std::vector<std::uint8_t> BuildModel(const std::vector<MeshSpec>& meshes, const std::vector<MaterialSpec>& materials) {
    Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const MaterialSpec& material : materials) WriteMaterial(w, material);
    for (const MeshSpec& mesh : meshes) WriteMesh(w, mesh);
    w.End();
    w.End();
    return w.Bytes();
}

namespace {

void WriteTrack(Writer3DS& w, std::uint16_t tag, const TrackSpec& track) {
    if (track.keys.empty() && !track.count) return;
    w.Begin(tag);
    w.U16(track.flags);
    w.U32(0);
    w.U32(0);
    w.U32(track.count.value_or(static_cast<std::uint32_t>(track.keys.size())));
    for (const KeySpec& key : track.keys) {
        w.U32(static_cast<std::uint32_t>(key.frame));
        const float parameters[] = {key.tension, key.continuity, key.bias, key.easeTo, key.easeFrom};
        std::uint16_t flags = 0;
        for (unsigned bit = 0; bit < 5; ++bit) {
            if (parameters[bit] != 0) flags = static_cast<std::uint16_t>(flags | 1u << bit);
        }
        w.U16(flags);
        for (float parameter : parameters) {
            if (parameter != 0) w.F32(parameter);
        }
        for (float value : key.value) w.F32(value);
    }
    w.End();
}

}  // namespace

void WriteKeyframer(Writer3DS& w, const KeyframerSpec& keyframer) {
    w.Begin(0xB000);
    w.Begin(0xB008);
    w.U32(static_cast<std::uint32_t>(keyframer.start));
    w.U32(static_cast<std::uint32_t>(keyframer.end));
    w.End();
    w.Begin(0xB009);
    w.U32(static_cast<std::uint32_t>(keyframer.current));
    w.End();
    for (const NodeSpec& node : keyframer.nodes) {
        w.Begin(node.tag);
        w.ChunkI16(0xB030, node.id);
        w.Begin(0xB010);
        w.String(node.name);
        w.U16(0);
        w.U16(0);
        w.I16(node.parent);
        w.End();
        if (!node.instance.empty()) w.ChunkString(0xB011, node.instance);
        if (node.pivot) {
            w.Begin(0xB013);
            w.F32(node.pivot->x);
            w.F32(node.pivot->y);
            w.F32(node.pivot->z);
            w.End();
        }
        WriteTrack(w, 0xB020, node.position);
        WriteTrack(w, 0xB021, node.rotation);
        WriteTrack(w, 0xB022, node.scale);
        WriteTrack(w, 0xB024, node.roll);
        w.End();
    }
    w.End();
}

std::vector<std::uint8_t> BuildAnimatedModel(const std::vector<MeshSpec>& meshes, const KeyframerSpec& keyframer) {
    SceneSpec scene;
    scene.meshes = meshes;
    scene.keyframer = keyframer;
    return BuildScene(scene);
}

namespace {

void WriteVertex(Writer3DS& w, const Vertex& v) {
    w.F32(v.x);
    w.F32(v.y);
    w.F32(v.z);
}

}  // namespace

void WriteCamera(Writer3DS& w, const CameraSpec& camera) {
    w.Begin(0x4000);
    w.String(camera.name);
    w.Begin(0x4700);
    WriteVertex(w, camera.position);
    WriteVertex(w, camera.target);
    w.F32(camera.roll);
    w.F32(camera.lens);
    if (camera.ranges) {
        w.Begin(0x4720);
        w.F32((*camera.ranges)[0]);
        w.F32((*camera.ranges)[1]);
        w.End();
    }
    w.End();
    w.End();
}

void WriteLight(Writer3DS& w, const LightSpec& light) {
    w.Begin(0x4000);
    w.String(light.name);
    w.Begin(0x4600);
    WriteVertex(w, light.position);
    if (light.color) {
        w.Begin(0x0010);
        for (const float c : *light.color) w.F32(c);
        w.End();
    }
    if (light.off) w.Flag(0x4620);
    if (light.attenuated) w.Flag(0x4625);
    if (light.innerRange) w.ChunkF32(0x4659, *light.innerRange);
    if (light.outerRange) w.ChunkF32(0x465A, *light.outerRange);
    if (light.multiplier) w.ChunkF32(0x465B, *light.multiplier);
    if (light.spot) {
        w.Begin(0x4610);
        WriteVertex(w, light.spot->target);
        w.F32(light.spot->hotspot);
        w.F32(light.spot->falloff);
        if (light.spot->roll) w.ChunkF32(0x4656, *light.spot->roll);
        w.End();
    }
    w.End();
    w.End();
}

std::vector<std::uint8_t> BuildScene(const SceneSpec& scene) {
    Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const MeshSpec& mesh : scene.meshes) WriteMesh(w, mesh);
    for (const CameraSpec& camera : scene.cameras) WriteCamera(w, camera);
    for (const LightSpec& light : scene.lights) WriteLight(w, light);
    w.End();
    if (scene.keyframer) WriteKeyframer(w, *scene.keyframer);
    w.End();
    return w.Bytes();
}

MeshSpec StripMesh(const std::string& name, int vertices) {
    MeshSpec mesh{.name = name};
    for (int i = 0; i < vertices; ++i) mesh.vertices.push_back({static_cast<float>(i / 2), static_cast<float>(i % 2), 0});
    for (int i = 0; i + 2 < vertices; ++i) {
        const auto v = static_cast<std::uint16_t>(i);
        mesh.faces.push_back(i % 2 == 0 ? Face{v, static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + 2)}
                                        : Face{v, static_cast<std::uint16_t>(v + 2), static_cast<std::uint16_t>(v + 1)});
    }
    return mesh;
}

namespace {

std::int16_t WrappedId(int id) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(id)); }

KeySpec At(float x, float y, float z) { return {.frame = 0, .value = {x, y, z}}; }

}  // namespace

std::vector<std::uint8_t> MeshCopiesModel(int nodes, int vertices, bool alike) {
    KeyframerSpec keyframer;
    for (int i = 0; i < nodes; ++i) {
        NodeSpec node{.id = WrappedId(i), .name = "Strip", .pivot = Vertex{alike ? 0.0f : static_cast<float>(i), 0, 0}};
        node.position.keys = {At(static_cast<float>(i), 0, 0)};
        keyframer.nodes.push_back(node);
    }
    return BuildAnimatedModel({StripMesh("Strip", vertices)}, keyframer);
}

std::vector<std::uint8_t> CameraTargetChainModel(int depth, int cameras) {
    KeyframerSpec keyframer;
    for (int i = 0; i < depth; ++i) {
        NodeSpec link{.id = WrappedId(i), .name = i + 1 == depth ? "Strip" : "$$$DUMMY",
                      .parent = static_cast<std::int16_t>(i == 0 ? -1 : WrappedId(i - 1)),
                      .instance = i + 1 == depth ? "" : "Link" + std::to_string(i)};
        link.position.keys = {At(i == 0 ? 0.0f : 1.0f, 0, 0)};
        keyframer.nodes.push_back(link);
    }
    for (int i = 0; i < cameras; ++i) {
        NodeSpec camera{.tag = 0xB003, .id = WrappedId(depth + i), .name = "Camera"};
        camera.position.keys = {At(0, static_cast<float>(i), 5)};
        keyframer.nodes.push_back(camera);
    }
    NodeSpec target{.tag = 0xB004, .id = WrappedId(depth + cameras), .name = "Camera",
                    .parent = WrappedId(depth - 1)};
    keyframer.nodes.push_back(target);
    return BuildAnimatedModel({StripMesh("Strip", 3)}, keyframer);
}

}  // namespace testsupport
