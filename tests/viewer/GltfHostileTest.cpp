// Hostile glTF files, as a file manager's thumbnailer hands them to the reader
// without anyone asking: each gives the reader's format error or a bounded
// model, never a crash, a hang, or a read outside the model's folder.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "GlbFile.h"
#include "base/FrameDepth.h"
#include "support/TempDir.h"
#include "viewer/GltfFile.h"

namespace {

using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

// The binary data of a quad (four corners, two triangles) moving along x:
// positions, 16-bit indices, two key times and two translations.
struct QuadData {
    float positions[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    float times[2] = {0, 1};
    float translations[6] = {0, 0, 0, 5, 0, 0};
};

Bytes BufferOf(const QuadData& quad) {
    Bytes bytes(sizeof quad.positions + sizeof quad.indices + sizeof quad.times + sizeof quad.translations);
    std::uint8_t* at = bytes.data();
    for (const auto& [from, size] : {std::pair<const void*, std::size_t>{quad.positions, sizeof quad.positions},
                                     {quad.indices, sizeof quad.indices},
                                     {quad.times, sizeof quad.times},
                                     {quad.translations, sizeof quad.translations}}) {
        std::memcpy(at, from, size);
        at += size;
    }
    return bytes;
}

std::string Base64(const Bytes& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) group = group << 8 | (k < n ? bytes[i + k] : 0u);
        for (std::size_t k = 0; k < 4; ++k) text += k <= n ? digits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// The quad's glTF description, its buffer in the BIN chunk (no uri).
json QuadJson() {
    return json{
        {"asset", {{"version", "2.0"}}},
        {"buffers", json::array({{{"byteLength", 92}}})},
        {"bufferViews", json::array({{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 48}},
                                     {{"buffer", 0}, {"byteOffset", 48}, {"byteLength", 12}},
                                     {{"buffer", 0}, {"byteOffset", 60}, {"byteLength", 8}},
                                     {{"buffer", 0}, {"byteOffset", 68}, {"byteLength", 24}}})},
        {"accessors", json::array({{{"bufferView", 0}, {"componentType", 5126}, {"count", 4}, {"type", "VEC3"}},
                                   {{"bufferView", 1}, {"componentType", 5123}, {"count", 6}, {"type", "SCALAR"}},
                                   {{"bufferView", 2}, {"componentType", 5126}, {"count", 2}, {"type", "SCALAR"}},
                                   {{"bufferView", 3}, {"componentType", 5126}, {"count", 2}, {"type", "VEC3"}}})},
        {"meshes", json::array({{{"primitives", json::array({{{"attributes", {{"POSITION", 0}}}, {"indices", 1}}})}}})},
        {"nodes", json::array({{{"name", "Root"}, {"children", {1}}}, {{"name", "Quad"}, {"mesh", 0}}})},
        {"scene", 0},
        {"scenes", json::array({{{"nodes", {0}}}})},
        {"animations", json::array({{{"channels", json::array({{{"sampler", 0},
                                                                {"target", {{"node", 1}, {"path", "translation"}}}}})},
                                     {"samplers", json::array({{{"input", 2}, {"output", 3}}})}}})},
    };
}

Bytes Glb(const json& gltf, Bytes bin) { return glbfile::Glb(gltf.dump(), std::move(bin)); }

// A .gltf file with its buffer in a data: uri.
Bytes Gltf(json gltf, const Bytes& bin) {
    gltf["buffers"][0]["uri"] = "data:application/octet-stream;base64," + Base64(bin);
    const std::string text = gltf.dump();
    return Bytes(text.begin(), text.end());
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

viewer::GltfModel Parse(const Bytes& bytes, const std::string& folder = {}) {
    return viewer::ParseGltf(bytes.data(), bytes.size(), folder);
}

std::size_t Triangles(const viewer::GltfModel& model) {
    std::size_t count = 0;
    for (const auto& mesh : model.model.meshes) count += mesh.faces.cornerCounts.size() * mesh.placements.size();
    return count;
}

TEST(GltfHostile, TheQuadLoadsInBothForms) {
    for (const Bytes& file : {Glb(QuadJson(), BufferOf({})), Gltf(QuadJson(), BufferOf({}))}) {
        const viewer::GltfModel model = Parse(file);
        EXPECT_EQ(Triangles(model), 2u);
        ASSERT_EQ(model.model.animations.size(), 1u);
        EXPECT_EQ(model.model.animations[0].position.size(), 2u);
    }
}

// A .glb file spoilt after it is assembled.
struct GlbCase {
    const char* name;
    std::function<void(Bytes&)> spoil;
};

TEST(GltfHostile, BrokenContainersAreFormatErrors) {
    const Bytes good = Glb(QuadJson(), BufferOf({}));
    const std::uint32_t jsonLength = good[12] | good[13] << 8 | good[14] << 16 | static_cast<std::uint32_t>(good[15]) << 24;
    const std::size_t binHeader = 20 + jsonLength;
    const GlbCase cases[] = {
        {"bad magic", [](Bytes& f) { f[3] = 'X'; }},
        {"version 1", [](Bytes& f) { Put32(f, 4, 1); }},
        {"version 3", [](Bytes& f) { Put32(f, 4, 3); }},
        {"total length past the file", [](Bytes& f) { Put32(f, 8, static_cast<std::uint32_t>(f.size() + 4)); }},
        {"total length shorter than the header", [](Bytes& f) { Put32(f, 8, 8); }},
        {"total length 4 GiB - 1", [](Bytes& f) { Put32(f, 8, 0xffffffffu); }},
        {"JSON chunk length past the file", [](Bytes& f) { Put32(f, 12, static_cast<std::uint32_t>(f.size())); }},
        {"JSON chunk length 4 GiB - 4", [](Bytes& f) { Put32(f, 12, 0xfffffffcu); }},
        {"JSON chunk length zero", [](Bytes& f) { Put32(f, 12, 0); }},
        {"JSON chunk of another type", [](Bytes& f) { f[16] = 'X'; }},
        {"BIN chunk length past the file", [=](Bytes& f) { Put32(f, binHeader, 4096); }},
        {"BIN chunk length 4 GiB - 4", [=](Bytes& f) { Put32(f, binHeader, 0xfffffffcu); }},
        {"BIN chunk shorter than the buffer", [=](Bytes& f) { Put32(f, binHeader, 40); }},
        {"header alone", [](Bytes& f) { f.resize(12); }},
        {"cut in the JSON chunk", [](Bytes& f) { f.resize(30); }},
        {"magic alone", [](Bytes& f) { f.resize(4); }},
    };
    for (const GlbCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = good;
        c.spoil(file);
        EXPECT_THROW(Parse(file), viewer::GltfFormatError);
    }
}

// A quad whose description or data is spoilt; the expectation holds in both
// forms, .glb and .gltf with a data: uri.
struct JsonCase {
    const char* name;
    std::function<void(json&, QuadData&)> spoil;
    // Null when the file is a format error; else what the loaded model must show.
    std::function<void(const viewer::GltfModel&)> check;
};

const float Inf = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

void NoTriangles(const viewer::GltfModel& model) { EXPECT_EQ(Triangles(model), 0u); }
void OneQuad(const viewer::GltfModel& model) { EXPECT_EQ(Triangles(model), 2u); }

// A chain of nested nodes, the last holding the quad.
void Chain(json& g, int length) {
    g["nodes"] = json::array();
    for (int n = 0; n < length; ++n)
        g["nodes"].push_back(n + 1 < length ? json{{"children", {n + 1}}} : json{{"mesh", 0}});
    g["animations"] = json::array();
}

TEST(GltfHostile, BrokenDescriptionsAndDataAreRefusedOrBounded) {
    const JsonCase cases[] = {
        // Buffers, views and accessors.
        {"buffer longer than its data", [](json& g, QuadData&) { g["buffers"][0]["byteLength"] = 4096; }, nullptr},
        {"view past its buffer", [](json& g, QuadData&) { g["bufferViews"][0]["byteLength"] = 96; }, nullptr},
        {"view offset 4 GiB", [](json& g, QuadData&) { g["bufferViews"][0]["byteOffset"] = 1ull << 32; }, nullptr},
        {"view offset 2^64 - 1", [](json& g, QuadData&) { g["bufferViews"][0]["byteOffset"] = ~0ull; }, nullptr},
        {"view of a missing buffer", [](json& g, QuadData&) { g["bufferViews"][0]["buffer"] = 7; }, nullptr},
        {"view of buffer -1", [](json& g, QuadData&) { g["bufferViews"][0]["buffer"] = -1; }, nullptr},
        {"accessor of a missing view", [](json& g, QuadData&) { g["accessors"][0]["bufferView"] = 9; }, nullptr},
        {"accessor past its view", [](json& g, QuadData&) { g["accessors"][0]["count"] = 5; }, nullptr},
        {"accessor offset past its view", [](json& g, QuadData&) { g["accessors"][0]["byteOffset"] = 52; }, nullptr},
        {"count 2^31", [](json& g, QuadData&) { g["accessors"][0]["count"] = 1ull << 31; }, nullptr},
        {"count 2^63", [](json& g, QuadData&) { g["accessors"][0]["count"] = 1ull << 63; }, nullptr},
        {"count times stride past 2^64",
         [](json& g, QuadData&) {
             g["accessors"][0]["count"] = (1ull << 62) + 1;
             g["bufferViews"][0]["byteStride"] = 16;
         },
         nullptr},
        {"stride below the element", [](json& g, QuadData&) { g["bufferViews"][0]["byteStride"] = 4; }, nullptr},
        {"stride past the view", [](json& g, QuadData&) { g["bufferViews"][0]["byteStride"] = 252; }, nullptr},
        {"stride 2^40", [](json& g, QuadData&) { g["bufferViews"][0]["byteStride"] = 1ull << 40; }, nullptr},
        {"unknown component type", [](json& g, QuadData&) { g["accessors"][1]["componentType"] = 5130; }, nullptr},
        {"positions of two components", [](json& g, QuadData&) { g["accessors"][0]["type"] = "VEC2"; }, nullptr},
        {"sparse positions",
         [](json& g, QuadData&) {
             g["accessors"][0]["sparse"] = {{"count", 1},
                                            {"indices", {{"bufferView", 1}, {"componentType", 5123}}},
                                            {"values", {{"bufferView", 0}}}};
         },
         nullptr},
        // Indices.
        {"index at the vertex count", [](json&, QuadData& d) { d.indices[4] = 4; }, nullptr},
        {"index 65535", [](json&, QuadData& d) { d.indices[0] = 65535; }, nullptr},
        {"indices of a missing accessor", [](json& g, QuadData&) { g["meshes"][0]["primitives"][0]["indices"] = 40; },
         nullptr},
        {"indices not a multiple of three",
         [](json& g, QuadData&) { g["accessors"][1]["count"] = 5; },
         [](const viewer::GltfModel& m) { EXPECT_EQ(Triangles(m), 1u); }},
        // Numbers that are not finite, in the data and in the description.
        {"NaN position", [](json&, QuadData& d) { d.positions[4] = NaN; }, nullptr},
        {"infinite position", [](json&, QuadData& d) { d.positions[0] = -Inf; }, nullptr},
        {"infinite key time", [](json&, QuadData& d) { d.times[1] = Inf; }, nullptr},
        {"NaN key", [](json&, QuadData& d) { d.translations[3] = NaN; }, nullptr},
        {"matrix element past a float",
         [](json& g, QuadData&) { g["nodes"][0]["matrix"] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1e39, 0, 0, 1}; },
         nullptr},
        {"translation past a float", [](json& g, QuadData&) { g["nodes"][1]["translation"] = {0, -1e300, 0}; },
         nullptr},
        {"rotation past a float", [](json& g, QuadData&) { g["nodes"][1]["rotation"] = {0, 0, 1e300, 1}; }, nullptr},
        {"scale past a float", [](json& g, QuadData&) { g["nodes"][1]["scale"] = {1e300, 1, 1}; }, nullptr},
        // Animations.
        {"more keys than times", [](json& g, QuadData&) { g["accessors"][2]["count"] = 1; }, nullptr},
        {"cubic spline with one value a key",
         [](json& g, QuadData&) { g["animations"][0]["samplers"][0]["interpolation"] = "CUBICSPLINE"; }, nullptr},
        {"rotation keys of three components",
         [](json& g, QuadData&) { g["animations"][0]["channels"][0]["target"]["path"] = "rotation"; }, nullptr},
        {"channel of a missing sampler", [](json& g, QuadData&) { g["animations"][0]["channels"][0]["sampler"] = 3; },
         nullptr},
        {"channel of a missing node",
         [](json& g, QuadData&) { g["animations"][0]["channels"][0]["target"]["node"] = 12; }, nullptr},
        {"times out of order and past the ticks",
         [](json&, QuadData& d) {
             d.times[0] = 1e30f;
             d.times[1] = -5;
         },
         OneQuad},
        // Primitives.
        {"lines", [](json& g, QuadData&) { g["meshes"][0]["primitives"][0]["mode"] = 1; }, NoTriangles},
        {"points", [](json& g, QuadData&) { g["meshes"][0]["primitives"][0]["mode"] = 0; }, NoTriangles},
        {"triangle strip", [](json& g, QuadData&) { g["meshes"][0]["primitives"][0]["mode"] = 5; }, NoTriangles},
        {"no POSITION",
         [](json& g, QuadData&) { g["meshes"][0]["primitives"][0]["attributes"] = {{"NORMAL", 0}}; }, NoTriangles},
        {"node of a missing mesh", [](json& g, QuadData&) { g["nodes"][1]["mesh"] = 3; }, nullptr},
        {"node of mesh 2^32, which would wrap to 0", [](json& g, QuadData&) { g["nodes"][1]["mesh"] = 1ull << 32; },
         nullptr},
        {"scene of node 2^32 + 1", [](json& g, QuadData&) { g["scenes"][0]["nodes"] = {(1ull << 32) + 1}; }, nullptr},
        {"missing material", [](json& g, QuadData&) { g["meshes"][0]["primitives"][0]["material"] = 2; }, nullptr},
        {"missing texture",
         [](json& g, QuadData&) {
             g["materials"] = json::array({{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 5}}}}}}});
             g["meshes"][0]["primitives"][0]["material"] = 0;
         },
         nullptr},
        // Nodes.
        {"node its own child", [](json& g, QuadData&) { g["nodes"][1]["children"] = {1}; }, OneQuad},
        {"node with two parents",
         [](json& g, QuadData&) {
             g["nodes"].push_back({{"children", {1}}});
             g["scenes"][0]["nodes"] = {0, 2};
         },
         OneQuad},
        {"cycle with no scene",
         [](json& g, QuadData&) {
             g["nodes"][1]["children"] = {0};
             g.erase("scenes");
             g.erase("scene");
         },
         NoTriangles},
        {"scene of missing nodes", [](json& g, QuadData&) { g["scenes"][0]["nodes"] = {5, -1}; }, NoTriangles},
        {"nodes nested 200 deep", [](json& g, QuadData&) { Chain(g, 200); }, OneQuad},
        {"nodes nested 5000 deep", [](json& g, QuadData&) { Chain(g, 5000); }, OneQuad},
        {"nodes nested deeper than .x frames may be",
         [](json& g, QuadData&) { Chain(g, base::kMaxFrameDepth + 1); }, nullptr},
    };
    for (const JsonCase& c : cases) {
        json gltf = QuadJson();
        QuadData data;
        c.spoil(gltf, data);
        const Bytes bin = BufferOf(data);
        for (const auto& [form, file] : {std::pair{"glb", Glb(gltf, bin)}, std::pair{"gltf", Gltf(gltf, bin)}}) {
            SCOPED_TRACE(std::string(c.name) + " in " + form);
            if (c.check) {
                viewer::GltfModel model;
                ASSERT_NO_THROW(model = Parse(file));
                c.check(model);
            } else {
                EXPECT_THROW(Parse(file), viewer::GltfFormatError);
            }
        }
    }
}

// Text that is not a glTF description at all.
TEST(GltfHostile, BrokenJsonIsAFormatError) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string texts[] = {
        "",
        "{",
        "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{]}",
        "{\"asset\":{\"version\":\"2.0\"}}" + std::string(100000, ' ') + "junk",
        "[]",
        "{\"asset\":{\"version\":\"2.0\"},\"extras\":" + deep + "}",
        "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{\"extras\":" + deep + "}]}",
        deep,
        "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{\"matrix\":[1,0,0,0,0,1,0,0,0,0,1,0,1e400,0,0,1]}]}",
        "{\"asset\":{\"version\":\"2.0\"},\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":-1,"
        "\"type\":\"VEC3\"}]}",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 80));
        EXPECT_THROW(Parse(Bytes(text.begin(), text.end())), viewer::GltfFormatError);
    }
}

// Buffers and images named by uri: only files inside the model's folder are read.
TEST(GltfHostile, UrisReachNothingOutsideTheFolder) {
    testsupport::TempDir dir;
    const auto folder = dir.Path() / "model";
    const Bytes bin = BufferOf({});
    testsupport::SaveFile(folder / "quad.bin", bin);
    testsupport::SaveFile(dir.Path() / "outside.bin", bin);
    const auto withBuffer = [&](const std::string& uri) {
        json gltf = QuadJson();
        gltf["buffers"][0]["uri"] = uri;
        const std::string text = gltf.dump();
        return Bytes(text.begin(), text.end());
    };
    EXPECT_EQ(Triangles(Parse(withBuffer("quad.bin"), folder.string())), 2u);
    EXPECT_EQ(Triangles(Parse(withBuffer("QUAD.BIN"), folder.string())), 2u);
    const std::string refused[] = {
        "../outside.bin",
        "sub/../../outside.bin",
        (dir.Path() / "outside.bin").string(),
        "file://" + (dir.Path() / "outside.bin").string(),
        "/etc/passwd",
        "/dev/zero",
        "missing.bin",
        "std::bad_alloc",
        "data:application/octet-stream;base64,@@@@",
        "data:application/octet-stream;base64,AAA",
        "data:application/octet-stream;base64," + Base64(Bytes(40, 0)),
    };
    for (const std::string& uri : refused) {
        SCOPED_TRACE(uri);
        EXPECT_THROW(Parse(withBuffer(uri), folder.string()), viewer::GltfFormatError);
    }
    // With no folder no file is read at all.
    EXPECT_THROW(Parse(withBuffer("quad.bin")), viewer::GltfFormatError);

    testsupport::SaveFile(dir.Path() / "outside.png", {0x89, 'P', 'N', 'G'});
    for (const std::string& uri : {std::string("../outside.png"), (dir.Path() / "outside.png").string()}) {
        SCOPED_TRACE(uri);
        json gltf = QuadJson();
        gltf["images"] = json::array({{{"uri", uri}}});
        gltf["textures"] = json::array({{{"source", 0}}});
        gltf["materials"] = json::array({{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}}});
        gltf["meshes"][0]["primitives"][0]["material"] = 0;
        try {
            EXPECT_TRUE(Parse(Glb(gltf, bin), folder.string()).images.empty());
        } catch (const viewer::GltfFormatError&) {
        }
    }
}

// One mesh placed by many nodes is copied for each: the copies are bounded.
TEST(GltfHostile, AMeshPlacedByManyNodesIsBounded) {
    constexpr std::uint32_t vertices = 1u << 18;
    Bytes bin(vertices * 12, 0);
    json gltf = QuadJson();
    gltf["buffers"][0]["byteLength"] = bin.size();
    gltf["bufferViews"] = json::array({{{"buffer", 0}, {"byteLength", bin.size()}}});
    gltf["accessors"] = json::array({{{"bufferView", 0}, {"componentType", 5126}, {"count", vertices}, {"type", "VEC3"}}});
    gltf["meshes"][0]["primitives"][0].erase("indices");
    gltf["animations"] = json::array();
    gltf["nodes"] = json::array();
    gltf["scenes"][0]["nodes"] = json::array();
    for (int n = 0; n < 200; ++n) {
        gltf["nodes"].push_back({{"mesh", 0}});
        gltf["scenes"][0]["nodes"].push_back(n);
    }
    EXPECT_THROW(Parse(Glb(gltf, bin)), viewer::GltfFormatError);
}

// The quad's first triangle, times times.
std::vector<std::uint16_t> OneTriangle(std::size_t times) {
    std::vector<std::uint16_t> indices;
    for (std::size_t i = 0; i < times; ++i) indices.insert(indices.end(), {0, 1, 2});
    return indices;
}

// A primitive without normals gets one per direction its triangles face, not
// one per triangle: indices that give a few corners millions of times would
// otherwise make the viewer a vertex of every corner.
TEST(GltfHostile, FlatNormalsAreOnePerDirectionFaced) {
    const struct {
        const char* name;
        std::vector<std::uint16_t> indices;
        std::size_t normals;
    } cases[] = {
        {"one triangle", {0, 1, 2}, 1},
        {"the quad, both halves facing one way", {0, 1, 2, 0, 2, 3}, 1},
        {"the quad and its back", {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2}, 2},
        {"a line without area and a triangle", {0, 0, 1, 0, 1, 2}, 2},
        {"one triangle over and over", OneTriangle(10000), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint16_t>& indices = c.indices;
        const QuadData quad;
        Bytes bin(sizeof quad.positions + indices.size() * 2);
        std::memcpy(bin.data(), quad.positions, sizeof quad.positions);
        std::memcpy(bin.data() + sizeof quad.positions, indices.data(), indices.size() * 2);
        json gltf = QuadJson();
        gltf.erase("animations");
        gltf["buffers"][0]["byteLength"] = bin.size();
        gltf["bufferViews"][1] = {{"buffer", 0}, {"byteOffset", sizeof quad.positions}, {"byteLength", indices.size() * 2}};
        gltf["accessors"][1]["count"] = indices.size();
        const viewer::GltfModel model = Parse(Glb(gltf, bin));
        ASSERT_EQ(model.model.meshes.size(), 1u);
        const viewer::XMesh& mesh = model.model.meshes[0];
        EXPECT_EQ(mesh.faces.cornerCounts.size(), indices.size() / 3);
        EXPECT_EQ(mesh.normals.size(), c.normals);
        EXPECT_EQ(mesh.normalFaces.indices.size(), indices.size());
    }
}

// Triangles without normals that face every way over a few thousand positions
// would make the renderer a vertex of nearly every corner: past the bound of
// what a file's meshes may take, they are refused; a faceted sphere is read.
TEST(GltfHostile, FlatTrianglesFacingEveryWayAreBounded) {
    const auto primitive = [](std::size_t positions, const std::vector<std::uint32_t>& indices) {
        Bytes bin(positions * 12 + indices.size() * 4);
        std::uint32_t state = 7;
        for (std::size_t i = 0; i < positions * 3; ++i) {
            state = state * 1103515245u + 12345u;
            const float value = static_cast<float>(state >> 8) / static_cast<float>(1 << 24);
            std::memcpy(bin.data() + i * 4, &value, 4);
        }
        std::memcpy(bin.data() + positions * 12, indices.data(), indices.size() * 4);
        json gltf = QuadJson();
        gltf.erase("animations");
        gltf["buffers"][0]["byteLength"] = bin.size();
        gltf["bufferViews"] = {{{"buffer", 0}, {"byteLength", positions * 12}},
                               {{"buffer", 0}, {"byteOffset", positions * 12}, {"byteLength", indices.size() * 4}}};
        gltf["accessors"] = {{{"bufferView", 0}, {"componentType", 5126}, {"count", positions}, {"type", "VEC3"}},
                             {{"bufferView", 1}, {"componentType", 5125}, {"count", indices.size()}, {"type", "SCALAR"}}};
        return Glb(gltf, bin);
    };
    constexpr std::uint32_t kPool = 4096;
    std::vector<std::uint32_t> everyWay(3'600'000);
    std::uint32_t state = 11;
    for (std::uint32_t& index : everyWay) index = (state = state * 1103515245u + 12345u) >> 8 & (kPool - 1);
    EXPECT_THROW(Parse(primitive(kPool, everyWay)), viewer::GltfFormatError);
    // Each triangle its own three positions: flat, and as many vertices as the file gives.
    std::vector<std::uint32_t> faceted(300'000);
    for (std::uint32_t i = 0; i < faceted.size(); ++i) faceted[i] = i;
    EXPECT_EQ(Parse(primitive(faceted.size(), faceted)).model.meshes.size(), 1u);
}

// A mesh is read once and placed by every node that names it; the
// placements after the first are bounded as the .x loader bounds its copies.
TEST(GltfHostile, NodesNamingOneMeshShareItWithinABound) {
    const auto placedBy = [](int primitives, int nodes) {
        json gltf = QuadJson();
        gltf["animations"] = json::array();
        gltf["meshes"][0]["primitives"] = json::array();
        for (int p = 0; p < primitives; ++p)
            gltf["meshes"][0]["primitives"].push_back({{"attributes", {{"POSITION", 0}}}, {"indices", 1}});
        gltf["nodes"] = json::array();
        gltf["scenes"][0]["nodes"] = json::array();
        for (int n = 0; n < nodes; ++n) {
            gltf["nodes"].push_back({{"mesh", 0}, {"translation", {n, 0, 0}}});
            gltf["scenes"][0]["nodes"].push_back(n);
        }
        return Glb(gltf, BufferOf({}));
    };
    const viewer::GltfModel shared = Parse(placedBy(2, 30));
    ASSERT_EQ(shared.model.meshes.size(), 2u);
    EXPECT_EQ(shared.model.meshes[0].placements.size(), 30u);
    EXPECT_EQ(Triangles(shared), 2u * 2 * 30);
    EXPECT_THROW(Parse(placedBy(1000, 1000)), viewer::GltfFormatError);
}

// The quad textured by two materials, one a triangle, each of its own image;
// the images' bytes are in a fifth view of the buffer, after the quad's data,
// unless an image says otherwise. spoil changes the description before it is
// written in either form.
std::vector<Bytes> TexturedQuads(const std::function<void(json&, std::size_t imageView)>& spoil) {
    Bytes bin = BufferOf({});
    const std::size_t imageAt = bin.size();
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    bin.insert(bin.end(), png.begin(), png.end());
    json gltf = QuadJson();
    gltf["buffers"][0]["byteLength"] = bin.size();
    gltf["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", imageAt}, {"byteLength", png.size()}});
    gltf["accessors"].push_back({{"bufferView", 1}, {"componentType", 5123}, {"count", 3}, {"type", "SCALAR"}});
    gltf["images"] = json::array({{{"bufferView", 4}, {"mimeType", "image/png"}}, {{"bufferView", 4}, {"mimeType", "image/png"}}});
    gltf["textures"] = json::array({{{"source", 0}}, {{"source", 1}}});
    gltf["materials"] = json::array();
    for (int m = 0; m < 2; ++m)
        gltf["materials"].push_back({{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", m}}}}}});
    auto& primitives = gltf["meshes"][0]["primitives"];
    primitives[0]["material"] = 0;
    primitives.push_back({{"attributes", {{"POSITION", 0}}}, {"indices", 4}, {"material", 1}});
    spoil(gltf, 4);
    return {Glb(gltf, bin), Gltf(gltf, bin)};
}

// Images in buffer views are read from the buffer only once the view is found
// inside it, and each view once, however many images it holds.
TEST(GltfHostile, ImageViewsAreCheckedAndReadOnce) {
    const struct {
        const char* name;
        std::function<void(json&, std::size_t)> spoil;
    } refused[] = {
        {"offset 2^40", [](json& g, std::size_t v) { g["bufferViews"][v]["byteOffset"] = 1ull << 40; }},
        {"length 2^31", [](json& g, std::size_t v) { g["bufferViews"][v]["byteLength"] = 1ull << 31; }},
        {"4 KB past the end", [](json& g, std::size_t v) { g["bufferViews"][v]["byteLength"] = 4096 + 12; }},
        {"one byte past the end", [](json& g, std::size_t v) { g["bufferViews"][v]["byteLength"] = 13; }},
        {"view of a missing buffer", [](json& g, std::size_t v) { g["bufferViews"][v]["buffer"] = 3; }},
        {"missing view", [](json& g, std::size_t) { g["images"][1]["bufferView"] = 9; }},
    };
    for (const auto& c : refused) {
        for (const Bytes& file : TexturedQuads(c.spoil)) {
            SCOPED_TRACE(c.name);
            EXPECT_THROW(Parse(file), viewer::GltfFormatError);
        }
    }
    const auto secondViewOfTheSameBytes = [](json& g, std::size_t v) {
        g["bufferViews"].push_back(g["bufferViews"][v]);
        g["images"][1]["bufferView"] = v + 1;
    };
    for (const Bytes& file : TexturedQuads(secondViewOfTheSameBytes)) {
        const viewer::GltfModel model = Parse(file);
        ASSERT_EQ(model.images.size(), 1u);
        EXPECT_EQ(model.images.begin()->second.size(), 12u);
        ASSERT_EQ(model.model.meshes.size(), 2u);
        EXPECT_EQ(model.model.meshes[0].materials[0].textureFileName, model.model.meshes[1].materials[0].textureFileName);
    }
}

// Views over the same bytes at other offsets are other images: together they
// may take no more than the renderer lets textures take.
TEST(GltfHostile, ImagesOfOverlappingViewsAreBounded) {
    constexpr std::size_t megabyte = 1 << 20;
    Bytes bin = BufferOf({});
    bin.resize(bin.size() + 2 * megabyte, 0);
    json gltf = QuadJson();
    gltf["buffers"][0]["byteLength"] = bin.size();
    gltf["images"] = json::array();
    gltf["textures"] = json::array();
    gltf["materials"] = json::array();
    json& primitives = gltf["meshes"][0]["primitives"];
    for (std::size_t i = 0; i < 300; ++i) {
        gltf["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", 100 + i}, {"byteLength", megabyte}});
        gltf["images"].push_back({{"bufferView", 4 + i}, {"mimeType", "image/png"}});
        gltf["textures"].push_back({{"source", i}});
        gltf["materials"].push_back({{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", i}}}}}});
        primitives.push_back({{"attributes", {{"POSITION", 0}}}, {"indices", 1}, {"material", i}});
    }
    EXPECT_THROW(Parse(Glb(gltf, bin)), viewer::GltfFormatError);
}

// Only the first buffer of a .glb may be its BIN chunk: each buffer without a
// uri would be a copy of it.
TEST(GltfHostile, AGlbHasOneBufferWithoutAUri) {
    for (const json& other : {json{{"byteLength", 92}}, json{{"byteLength", 92}, {"uri", ""}}}) {
        json gltf = QuadJson();
        for (int i = 0; i < 3; ++i) gltf["buffers"].push_back(other);
        EXPECT_THROW(Parse(Glb(gltf, BufferOf({}))), viewer::GltfFormatError) << other;
    }
}

// Image files are read by the reader, each file once however many images name
// it, and no more than the renderer lets textures take.
TEST(GltfHostile, ImageFilesAreReadOnceWithinABound) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.Path() / "wood.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    std::ofstream(dir.Path() / "huge.png") << "\x89PNG";
    std::filesystem::resize_file(dir.Path() / "huge.png", std::uintmax_t{1} << 30);  // sparse: no disk taken
    const auto named = [](const char* first, const char* second) {
        return TexturedQuads([=](json& g, std::size_t) { g["images"] = json::array({{{"uri", first}}, {{"uri", second}}}); });
    };
    for (const Bytes& file : named("wood.png", "WOOD%2Epng")) {
        const viewer::GltfModel model = Parse(file, dir.Path().string());
        ASSERT_EQ(model.images.size(), 1u);
        EXPECT_EQ(model.images.begin()->second.size(), 8u);
    }
    for (const Bytes& file : named("huge.png", "wood.png")) EXPECT_THROW(Parse(file, dir.Path().string()), viewer::GltfFormatError);
    for (const Bytes& file : named("missing.png", "wood.png")) EXPECT_EQ(Parse(file, dir.Path().string()).images.size(), 1u);
}

// A description is counted before it is built: a small file asking for
// millions of records is refused at once.
TEST(GltfHostile, DescriptionsAskingForTooMuchAreRefused) {
    const auto many = [](const char* key, const char* record, std::size_t count) {
        std::string text = "{\"asset\":{\"version\":\"2.0\"},\"" + std::string(key) + "\":[";
        for (std::size_t i = 0; i < count; ++i) text += (i == 0 ? "" : ",") + std::string(record);
        text += "]}";
        return Bytes(text.begin(), text.end());
    };
    const Bytes refused[] = {
        many("nodes", "{}", 2000000),
        many("materials", "{}", 300000),
        many("images", "{\"uri\":\"a.png\"}", 1000000),
        many("extras", "[0,0,0,0,0,0,0,0,0,0]", 300000),
    };
    // A key given twice: the census counts both arrays, whichever a parser keeps.
    const Bytes twice = many("materials", "{}", 300000);
    std::string text(twice.begin(), twice.end() - 1);
    text += ",\"materials\":[]}";
    EXPECT_THROW(Parse(Bytes(text.begin(), text.end())), viewer::GltfFormatError);
    std::string lights = "{\"asset\":{\"version\":\"2.0\"},\"extensions\":{\"KHR_lights_punctual\":{\"lights\":[";
    for (int i = 0; i < 1000000; ++i) lights += i == 0 ? "{\"type\":\"point\"}" : ",{\"type\":\"point\"}";
    lights += "]}}}";
    EXPECT_THROW(Parse(Bytes(lights.begin(), lights.end())), viewer::GltfFormatError);
    for (const Bytes& file : refused) {
        SCOPED_TRACE(std::string(file.begin(), file.begin() + 40));
        EXPECT_THROW(Parse(file), viewer::GltfFormatError);
    }
    EXPECT_NO_THROW(Parse(many("nodes", "{}", 20000)));
}

}  // namespace
