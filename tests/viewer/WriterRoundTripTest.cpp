#include <gtest/gtest.h>

#include <functional>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/Writer3DS.h"
#include "viewer/MeshBuilder.h"
#include "viewer/XFile.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/XTextWriter.h"

using namespace viewer;
using testsupport::MeshSpec;

namespace {

// Two meshes, the second with a quad split in two and a face in no group.
std::vector<std::uint8_t> Model() {
    const MeshSpec first{.name = "Tri",
                         .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5f}},
                         .faces = {{0, 1, 2}},
                         .groups = {{"Red", {0}}}};
    const MeshSpec second{.name = "Quad",
                          .vertices = {{2, 2, 2}, {3, 2, 2}, {3, 3, 2}, {2, 3, 4}},
                          .faces = {{0, 1, 2}, {0, 2, 3}},
                          .groups = {{"Glass", {1}}}};
    return testsupport::BuildModel({first, second}, {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}},
                                                     {.name = "Glass", .diffuse = testsupport::Rgb{0, 0, 255}}});
}

using Writer = std::function<void(model3ds::TFile3DS&, base::MemoryStream&)>;

}  // namespace

// What the writers put out loads back with the model's geometry: coordinates in
// x, z, y order and faces wound V1, V3, V2.
TEST(WriterRoundTrip, ExportedDataLoadsWithTheModelsGeometry) {
    xexport::TExportOptions options;
    options.Origin = xexport::TOriginMode::NotEncode;
    const struct {
        const char* name;
        Writer write;
        int mesh;  // -1: all meshes merged
    } cases[] = {
        {"text, one mesh", [&](auto& m, auto& s) { xexport::WriteMeshXText(m, options, "", &s, 1); }, 1},
        {"binary, one mesh", [&](auto& m, auto& s) { xexport::WriteMeshXBinary(m, options, "", s, 1); }, 1},
        {"text, merged", [&](auto& m, auto& s) { xexport::WriteMergedXText(m, options, "", &s); }, -1},
        {"binary, merged", [&](auto& m, auto& s) { xexport::WriteMergedXBinary(m, options, "", s); }, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        base::MemoryStream source(Model());
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        base::MemoryStream x;
        c.write(model, x);
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(x.Bytes().data(), x.Bytes().size()), 0);

        std::vector<model3ds::TVector3DS> vertices;
        std::vector<std::array<std::uint32_t, 3>> faces;
        for (int m = 0; m < model.ObjectList().MeshTotal(); ++m) {
            if (c.mesh >= 0 && m != c.mesh) continue;
            const model3ds::TMesh3DS& mesh = *model.ObjectList().GetMesh(m);
            const auto base = static_cast<std::uint32_t>(vertices.size());
            for (const auto& f : mesh.Faces) faces.push_back({base + f.V1, base + f.V3, base + f.V2});
            vertices.insert(vertices.end(), mesh.Vertices.begin(), mesh.Vertices.end());
        }
        ASSERT_EQ(builder.Positions().size(), vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            EXPECT_NEAR(builder.Positions()[i].x, vertices[i].x, 2e-6f);
            EXPECT_NEAR(builder.Positions()[i].y, vertices[i].z, 2e-6f);
            EXPECT_NEAR(builder.Positions()[i].z, vertices[i].y, 2e-6f);
        }
        ASSERT_EQ(builder.Triangles().size(), faces.size());
        for (std::size_t i = 0; i < faces.size(); ++i) EXPECT_EQ(builder.Triangles()[i].vertices, faces[i]);
        // The quad's second face is of the blue material in every form.
        const Material& glass = builder.Materials()[builder.Triangles().back().material];
        EXPECT_FLOAT_EQ(glass.faceColor[2], 1.0f);
        EXPECT_FLOAT_EQ(glass.faceColor[0], 0.0f);
    }
}

// A mesh of any name exported as text loads back.
TEST(WriterRoundTrip, MeshesOfAnyNameLoadBack) {
    const std::string names[] = {"my mesh", "a{b}", "semi;colon", "com,ma", "quo\"te", "#hash", "//slashes",
                                 "a/b<c>[d]", "tab\tnew\nline", "12345", "-1.5", "\x83[\x83}\x83\\"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        base::MemoryStream source(testsupport::BuildModel(
            {{.name = name, .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}}}));
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        base::MemoryStream x;
        xexport::WriteMeshXText(model, {}, "", &x, 0);
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(x.Bytes().data(), x.Bytes().size()), 0);
        EXPECT_EQ(builder.Triangles().size(), 1u);
    }
}

// Every combination of korvane-convert's extra options, in all four writers,
// loads back in the viewer's loader with its counts.
TEST(WriterRoundTrip, EveryExtraOptionCombinationLoadsBack) {
    const MeshSpec quad{.name = "Quad",
                        .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}},
                        .faces = {{0, 1, 2}, {0, 2, 3}},
                        .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                        .groups = {{"Skin", {0, 1}}},
                        .smoothing = {1, 2},
                        .matrix = {0, 1, 0, -1, 0, 0, 0, 0, 1, 2, 0, 0}};
    const std::vector<std::uint8_t> bytes =
        testsupport::BuildModel({quad}, {{.name = "Skin", .diffuse = testsupport::Rgb{0, 255, 0}, .textureFile = "skin.png"}});
    for (int bits = 0; bits < 64 * 4; ++bits) {
        xexport::TExportOptions options;
        options.TexCoords = (bits & 1) != 0;
        options.Textures = (bits & 2) != 0;
        options.Normals = (bits & 4) != 0;
        options.Frames = (bits & 8) != 0;
        options.FlipWinding = (bits & 16) != 0;
        if ((bits & 32) != 0) options.Scale = 2.5f;
        const bool binary = (bits & 64) != 0;
        const bool merged = (bits & 128) != 0;
        SCOPED_TRACE(bits);
        base::MemoryStream source(bytes);
        model3ds::TFile3DS model;
        model.LoadFromStream(source);
        base::MemoryStream x;
        if (binary) {
            merged ? xexport::WriteMergedXBinary(model, options, "", x) : xexport::WriteMeshXBinary(model, options, "", x, 0);
        } else {
            merged ? xexport::WriteMergedXText(model, options, "", &x) : xexport::WriteMeshXText(model, options, "", &x, 0);
        }
        const std::vector<XMesh> meshes = ParseXFile(x.Bytes().data(), x.Bytes().size());
        ASSERT_EQ(meshes.size(), 1u);
        const XMesh& mesh = meshes[0];
        EXPECT_EQ(mesh.positions.size(), 4u);
        EXPECT_EQ(mesh.faces.cornerCounts.size(), 2u);
        EXPECT_EQ(mesh.normalFaces.cornerCounts.size(), options.Normals ? 2u : 0u);
        EXPECT_EQ(mesh.normals.size(), options.Normals ? 2u : 0u);  // no smoothing bit shared: flat
        EXPECT_EQ(mesh.textureCoordinates.size(), options.TexCoords ? 4u : 0u);
        ASSERT_EQ(mesh.materials.size(), 1u);
        EXPECT_EQ(mesh.materials[0].textureFileName, options.Textures ? "skin.png" : "");
        ASSERT_EQ(mesh.placements.size(), 1u);
        EXPECT_EQ(mesh.placements[0].m[3][0] != 0, options.Frames && !merged);
    }
}
