// korvane-convert's glTF meshes and names read back: vertices shared wherever
// they are equal, flat faces without normals, a texture only where there are
// texture coordinates, and the model's own names.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ExportRun.h"
#include "gltfexport/GltfReadBack.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using gltftest::Convert;
using gltftest::Gltf;
using gltftest::Json;
using testsupport::MeshSpec;

namespace {

// The sides of a unit cube as corners 0..7 (bit 0: x, bit 1: y, bit 2: z),
// each counter-clockwise seen from outside.
constexpr std::array<std::array<int, 4>, 6> kSides = {{
    {0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}}};

testsupport::Vertex Corner(int i) {
    return {static_cast<float>(i & 1), static_cast<float>((i >> 1) & 1), static_cast<float>((i >> 2) & 1)};
}

// A cube as many writers store a faceted one: three vertices of its own for
// every face. smoothing is of each side; uvKind: no texture coordinates (0),
// by position (1), each side a part of the image of its own (2).
MeshSpec CopiedCornerCube(const std::string& name, const std::array<std::uint32_t, 6>& smoothing, int uvKind) {
    MeshSpec cube{.name = name};
    for (std::size_t s = 0; s < kSides.size(); ++s) {
        for (const int k : {0, 1, 2, 0, 2, 3}) {
            const int corner = kSides[s][static_cast<std::size_t>(k)];
            cube.vertices.push_back(Corner(corner));
            if (uvKind == 1) cube.texCoords.push_back({Corner(corner).x, Corner(corner).y});
            if (uvKind == 2)
                cube.texCoords.push_back({(static_cast<float>(s) + (k == 1 || k == 2 ? 0.5f : 0.0f)) / 6, k >= 2 ? 1.0f : 0.0f});
        }
        const auto first = static_cast<std::uint16_t>(s * 6);
        cube.faces.push_back({first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 2)});
        cube.faces.push_back(
            {static_cast<std::uint16_t>(first + 3), static_cast<std::uint16_t>(first + 4), static_cast<std::uint16_t>(first + 5)});
        cube.smoothing.insert(cube.smoothing.end(), 2, smoothing[s]);
    }
    return cube;
}

// The triangles a primitive draws, each as its corners' positions in order.
std::vector<std::array<double, 9>> Triangles(const Gltf& gltf, const Json& primitive) {
    const std::vector<double> positions = gltf.Values(primitive["attributes"]["POSITION"].Int());
    const std::vector<double> indices = gltf.Values(primitive["indices"].Int());
    std::vector<std::array<double, 9>> triangles;
    for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
        std::array<double, 9> triangle{};
        for (std::size_t c = 0; c < 3; ++c)
            for (std::size_t i = 0; i < 3; ++i)
                triangle[c * 3 + i] = positions[static_cast<std::size_t>(indices[t + c]) * 3 + i];
        triangles.push_back(triangle);
    }
    return triangles;
}

// The mesh's faces in glTF's axes, (x, y, z) -> (x, z, -y).
std::vector<std::array<double, 9>> ModelTriangles(const MeshSpec& mesh) {
    std::vector<std::array<double, 9>> triangles;
    for (const testsupport::Face& face : mesh.faces) {
        std::array<double, 9> triangle{};
        const std::uint16_t corners[3] = {face.v1, face.v2, face.v3};
        for (std::size_t c = 0; c < 3; ++c) {
            const testsupport::Vertex& v = mesh.vertices[corners[c]];
            triangle[c * 3] = v.x, triangle[c * 3 + 1] = v.z, triangle[c * 3 + 2] = -v.y;
        }
        triangles.push_back(triangle);
    }
    return triangles;
}

std::size_t Count(const Gltf& gltf, const Json& primitive, const char* attribute) {
    return static_cast<std::size_t>(gltf.json["accessors"][static_cast<std::size_t>(primitive["attributes"][attribute].Int())]["count"].Int());
}

void ExpectValid(const std::vector<std::string>& files) {
    if (const std::string missing = gltftest::ValidatorMissing(); !missing.empty()) GTEST_SKIP() << missing;
    const auto report = gltftest::Validate(files);
    EXPECT_EQ(report.out, "");
    EXPECT_EQ(report.exitCode, 0) << report.err;
}

}  // namespace

// Vertices equal in position, normal (where written) and texture coordinates
// are written once, whatever vertex of the model they came from; a primitive
// of flat faces only has no normals, and one with a smoothed face keeps them.
TEST(GltfShape, EqualVerticesAreWrittenOnceAndFlatFacesWithoutNormals) {
    testsupport::TempDir dir;
    constexpr std::array<std::uint32_t, 6> kFlat{}, kSmoothSides{1, 2, 4, 8, 16, 32}, kOneSmooth{1, 0, 0, 0, 0, 0};
    const struct {
        const char* name;
        std::array<std::uint32_t, 6> smoothing;
        int uvKind;  // 0: none, 1: by position, 2: each side a part of the image of its own
        bool normals;
        std::size_t vertices;
    } cases[] = {
        {"flat", kFlat, 0, false, 8},
        {"flat, coordinates by position", kFlat, 1, false, 8},
        {"flat, coordinates by side", kFlat, 2, false, 24},
        {"smoothed sides", kSmoothSides, 0, true, 24},
        {"one side smoothed", kOneSmooth, 1, true, 24},
    };
    std::vector<std::string> outputs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MeshSpec cube = CopiedCornerCube("Cube", c.smoothing, c.uvKind);
        const std::string input = dir.File("cube.3ds");
        testsupport::SaveFile(input, testsupport::BuildModel({cube}));
        const std::string output = dir.File("cube" + std::to_string(outputs.size()) + ".glb");
        const auto result = Convert({"-o", output, input});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        outputs.push_back(output);
        const Gltf gltf = gltftest::LoadGltf(output);
        const Json& primitive = gltf.json["meshes"][0]["primitives"][0];
        EXPECT_EQ(primitive["attributes"].Has("NORMAL"), c.normals);
        EXPECT_EQ(primitive["attributes"].Has("TEXCOORD_0"), c.uvKind != 0);
        EXPECT_EQ(Count(gltf, primitive, "POSITION"), c.vertices);
        EXPECT_EQ(Triangles(gltf, primitive), ModelTriangles(cube));
    }
    ExpectValid(outputs);
}

// A large faceted model: a grid of flat faces over shared vertices takes
// about a position a vertex and three 16-bit indices a face, far below the
// nine floats a face of a vertex for every corner.
TEST(GltfShape, AFacetedModelStaysSmall) {
    testsupport::TempDir dir;
    constexpr int kSide = 120;
    MeshSpec grid{.name = "Facets"};
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            grid.vertices.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>((x * 7 + y * 13) % 5)});
    const auto at = [](int x, int y) { return static_cast<std::uint16_t>(y * kSide + x); };
    for (int y = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x) {
            grid.faces.push_back({at(x, y), at(x + 1, y), at(x, y + 1)});
            grid.faces.push_back({at(x + 1, y), at(x + 1, y + 1), at(x, y + 1)});
        }
    }
    testsupport::SaveFile(dir.File("facets.3ds"), testsupport::BuildModel({grid}));
    const auto result = Convert({"-o", dir.File("facets.glb"), dir.File("facets.3ds")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Gltf gltf = gltftest::LoadGltf(dir.File("facets.glb"));
    const Json& primitive = gltf.json["meshes"][0]["primitives"][0];
    EXPECT_FALSE(primitive["attributes"].Has("NORMAL"));
    EXPECT_EQ(Count(gltf, primitive, "POSITION"), grid.vertices.size());
    const std::size_t cornerFloats = grid.faces.size() * 9 * sizeof(float);
    EXPECT_LT(std::filesystem::file_size(dir.File("facets.glb")), cornerFloats / 2);
    ExpectValid({dir.File("facets.glb")});
}

// A material's texture goes only to primitives with texture coordinates: a
// mesh without them takes a second material of the same colours and no texture.
TEST(GltfShape, TexturesGoOnlyWhereThereAreTextureCoordinates) {
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("checks.png"), gltftest::Png(2, 2, std::vector<std::uint8_t>(16, 200)));
    MeshSpec mapped = CopiedCornerCube("Mapped", {}, 1);
    mapped.groups = {{"Checks", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}};
    MeshSpec bare = CopiedCornerCube("Bare", {}, 0);
    bare.groups = {{"Checks", {0, 1, 2, 3}}, {"Plain", {4, 5, 6, 7, 8, 9, 10, 11}}};
    const std::vector<testsupport::MaterialSpec> materials = {
        {.name = "Checks", .diffuse = testsupport::Rgb{200, 180, 90}, .textureFile = "CHECKS.PNG"},
        {.name = "Plain", .diffuse = testsupport::Rgb{20, 80, 90}}};
    testsupport::SaveFile(dir.File("mixed.3ds"), testsupport::BuildModel({mapped, bare}, materials));
    const struct {
        const char* mesh;
        std::size_t primitive;
        const char* material;
        bool textured;
    } cases[] = {
        {"Mapped", 0, "Checks", true},
        {"Bare", 0, "Checks", false},
        {"Bare", 1, "Plain", false},
    };
    std::vector<std::string> outputs;
    for (const char* extension : {".glb", ".gltf"}) {
        SCOPED_TRACE(extension);
        const std::string output = dir.File(std::string("out/mixed") + extension);
        std::filesystem::create_directories(dir.Path() / "out");
        const auto result = Convert({"-o", output, dir.File("mixed.3ds")});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        outputs.push_back(output);
        const Gltf gltf = gltftest::LoadGltf(output);
        EXPECT_EQ(gltf.json["materials"].Size(), 3u);
        std::set<std::vector<double>> checksColours;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.mesh) + " " + c.material);
            const Json* mesh = nullptr;
            for (const Json& m : gltf.json["meshes"].items)
                if (m["name"].text == c.mesh) mesh = &m;
            ASSERT_NE(mesh, nullptr);
            const Json& primitive = (*mesh)["primitives"][c.primitive];
            const Json& material = gltf.json["materials"][static_cast<std::size_t>(primitive["material"].Int())];
            EXPECT_EQ(material["name"].text, c.material);
            EXPECT_EQ(material["pbrMetallicRoughness"].Has("baseColorTexture"), c.textured);
            EXPECT_EQ(primitive["attributes"].Has("TEXCOORD_0"), c.textured);
            if (std::string(c.material) != "Checks") continue;
            std::vector<double> colour;
            for (const Json& v : material["pbrMetallicRoughness"]["baseColorFactor"].items) colour.push_back(v.number);
            checksColours.insert(colour);
        }
        EXPECT_EQ(checksColours.size(), 1u);
    }
    ExpectValid(outputs);
}

// Node, mesh and material names are the model's own, as the window shows
// them: UTF-8 as it is, other bytes read as Shift-JIS, never made one word.
TEST(GltfShape, NamesAreTheModelsOwnAsTheWindowShowsThem) {
    testsupport::TempDir dir;
    const struct {
        std::string raw, written;
    } cases[] = {
        {"Torus Knot", "Torus Knot"},
        {"ICP_0Geo*0", "ICP_0Geo*0"},
        {"\xE7\xAE\xB1 1", "\xE7\xAE\xB1 1"},        // 箱 1 in UTF-8
        {"\x94\xA0\x83\x5C", "\xE7\xAE\xB1\xE3\x82\xBD"},  // 箱ソ in Shift-JIS, the second's trail byte a backslash
        {"a\xFF", "a\xEF\xBF\xBD"},                  // a byte of neither: U+FFFD
    };
    std::vector<MeshSpec> meshes;
    std::vector<testsupport::MaterialSpec> materials;
    testsupport::KeyframerSpec keyframer;
    keyframer.nodes.push_back({.id = 0, .name = "$$$DUMMY", .instance = "Rig \x94\xA0"});
    for (const auto& c : cases) {
        MeshSpec cube = CopiedCornerCube(c.raw, {}, 0);
        cube.groups = {{c.raw, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}};
        meshes.push_back(cube);
        materials.push_back({.name = c.raw, .diffuse = testsupport::Rgb{100, 100, 100}});
        keyframer.nodes.push_back({.id = static_cast<std::int16_t>(keyframer.nodes.size()), .name = c.raw, .parent = 0});
    }
    testsupport::Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const auto& material : materials) testsupport::WriteMaterial(w, material);
    for (const auto& mesh : meshes) testsupport::WriteMesh(w, mesh);
    w.End();
    testsupport::WriteKeyframer(w, keyframer);
    w.End();
    w.SaveToFile(dir.File("names.3ds"));
    const auto result = Convert({"-o", dir.File("names.glb"), dir.File("names.3ds")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Gltf gltf = gltftest::LoadGltf(dir.File("names.glb"));
    std::vector<std::string> nodes, meshNames, materialNames, expected;
    for (const Json& node : gltf.json["nodes"].items) nodes.push_back(node["name"].text);
    for (const Json& mesh : gltf.json["meshes"].items) meshNames.push_back(mesh["name"].text);
    for (const Json& material : gltf.json["materials"].items) materialNames.push_back(material["name"].text);
    for (const auto& c : cases) expected.push_back(c.written);
    EXPECT_EQ(meshNames, expected);
    EXPECT_EQ(materialNames, expected);
    expected.insert(expected.begin(), "Rig \xE7\xAE\xB1");
    EXPECT_EQ(nodes, expected);
    ExpectValid({dir.File("names.glb")});
}
