// The optional blocks of korvane-convert (issue 12), on small models whose
// output is worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <functional>
#include <string>
#include <vector>

#include "XExportTestSupport.h"
#include "viewer/MeshBuilder.h"
#include "ExportBlocks.h"
#include "xexport/ExportPreparation.h"

namespace {

using testsupport::MeshSpec;
using xexport::TExportOptions;
using xexport::TOriginMode;
using xtest::DecodeTokens;
using xtest::ListAfter;
using xtest::LoadModel;
using xtest::XToken;

// "Tri": (0, 0, 0), (1, 0, 0), (0, 1, 0), one face in the material "Red" that
// has the texture map "red.png"; texture coordinates (0, 0), (1, 0), (0, 1).
// Exported with the coordinates kept, the zeros snap to -0.000001.
std::unique_ptr<model3ds::TFile3DS> TexturedTriangle() {
    return LoadModel({{.name = "Tri",
                       .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                       .faces = {{0, 1, 2}},
                       .texCoords = {{0, 0}, {1, 0}, {0, 1}},
                       .groups = {{"Red", {0}}},
                       .withMatrix = true}},
                     {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}, .textureFile = "red.png"}});
}

std::vector<float> Floats(const XToken& token) { return token.floats; }
std::vector<std::uint32_t> Ints(const XToken& token) { return token.ints; }

bool HasString(const std::vector<XToken>& tokens, const std::string& text) {
    for (const XToken& token : tokens) {
        if (token.code == 2 && token.name == text) return true;
    }
    return false;
}

struct BlockCase {
    const char* what;
    std::function<void(TExportOptions&)> set;
    std::string text;  // expected in the text form, CR LF line ends
    std::function<void(const std::vector<XToken>&)> checkBinary;
};

TEST(ExportBlocks, EachOptionWritesItsBlockInTextAndBinary) {
    const float z = -1e-6f;
    const std::vector<BlockCase> cases = {
        {"texcoords", [](TExportOptions& o) { o.TexCoords = true; },
         "MeshTextureCoords {\r\n3;\r\n0.000000;1.000000;,\r\n1.000000;1.000000;,\r\n0.000000;0.000000;;\r\n}\r\n",
         [](const std::vector<XToken>& t) {
             EXPECT_EQ(Ints(ListAfter(t, "MeshTextureCoords")), (std::vector<std::uint32_t>{3}));
             EXPECT_EQ(Floats(ListAfter(t, "MeshTextureCoords", 1)), (std::vector<float>{0, 1, 1, 1, 0, 0}));
         }},
        {"textures", [](TExportOptions& o) { o.Textures = true; },
         "0.000000;0.000000;0.000000;;\r\nTextureFilename {\r\n\"red.png\";\r\n}\r\n}\r\n",
         [](const std::vector<XToken>& t) { EXPECT_TRUE(HasString(t, "red.png")); }},
        {"normals", [](TExportOptions& o) { o.Normals = true; },
         "MeshNormals {\r\n1;\r\n0.000000;1.000000;0.000000;;\r\n1;\r\n3;0,0,0;;\r\n}\r\n",
         [](const std::vector<XToken>& t) {
             EXPECT_EQ(Ints(ListAfter(t, "MeshNormals")), (std::vector<std::uint32_t>{1}));
             EXPECT_EQ(Floats(ListAfter(t, "MeshNormals", 1)), (std::vector<float>{0, 1, 0}));
             EXPECT_EQ(Ints(ListAfter(t, "MeshNormals", 2)), (std::vector<std::uint32_t>{1, 3, 0, 0, 0}));
         }},
        {"frames", [](TExportOptions& o) { o.Frames = true; },
         "}\r\n\r\nFrame Tri {\r\nFrameTransformMatrix {\r\n1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,"
         "0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,0.000000,0.000000,1.000000;;\r\n}\r\n"
         "Mesh Tri {\r\n",
         [](const std::vector<XToken>& t) {
             ASSERT_GE(t.size(), 10u);
             EXPECT_EQ(t[4].name, "Frame");
             EXPECT_EQ(t[5].name, "Tri");
             EXPECT_EQ(Floats(ListAfter(t, "FrameTransformMatrix")),
                       (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
             EXPECT_EQ(t.back().code, 11);
             EXPECT_EQ(t[t.size() - 2].code, 11);
         }},
        // Zeros are snapped after the scale: they stay -0.000001.
        {"scale", [](TExportOptions& o) { o.Scale = 2; },
         "3;\r\n-0.000001;-0.000001;-0.000001;,\r\n2.000000;-0.000001;-0.000001;,\r\n-0.000001;-0.000001;2.000000;;\r\n",
         [z](const std::vector<XToken>& t) {
             EXPECT_EQ(Floats(ListAfter(t, "Mesh", 1)), (std::vector<float>{z, z, z, 2, z, z, z, z, 2}));
         }},
        {"flip winding, with normals", [](TExportOptions& o) { o.FlipWinding = o.Normals = true; },
         "1;\r\n3;0,1,2;;\r\nMeshMaterialList {",
         [](const std::vector<XToken>& t) {
             EXPECT_EQ(Ints(ListAfter(t, "Mesh", 2)), (std::vector<std::uint32_t>{1, 3, 0, 1, 2}));
             EXPECT_EQ(Floats(ListAfter(t, "MeshNormals", 1)), (std::vector<float>{0, -1, 0}));
         }},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto model = TexturedTriangle();
        TExportOptions options;
        options.Origin = TOriginMode::NotEncode;
        c.set(options);
        const std::string text = xtest::MeshText(*model, options, 0);
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        c.checkBinary(DecodeTokens(xtest::MeshBinary(*model, options, 0)));
        // The merged writers write the same blocks.
        if (options.TexCoords || options.Textures || options.Normals) {
            EXPECT_NE(xtest::MergedText(*model, options).find(c.text), std::string::npos);
            EXPECT_EQ(DecodeTokens(xtest::MergedBinary(*model, options)).back().code, 11);
        }
    }
}

TEST(ExportBlocks, TextureNameStaysOneQuotedString) {
    const auto model = LoadModel({{.name = "Tri", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}},
                                   .groups = {{"Red", {0}}}}},
                                 {{.name = "Red", .textureFile = "a\"b\nc\x83\x5C.png"}});
    TExportOptions options;
    options.Textures = true;
    const std::string written = xtest::MeshText(*model, options, 0);
    EXPECT_NE(written.find("TextureFilename {\r\n\"a_b_c\x83\x5C.png\";\r\n}"), std::string::npos) << written;
}

TEST(ExportBlocks, OptionsOffChangeNoByteAndScaleOneIsOff) {
    auto model = TexturedTriangle();
    TExportOptions plain;
    TExportOptions scaleOne;
    scaleOne.Scale = 1.0f;
    EXPECT_EQ(xtest::MeshText(*model, plain, 0), xtest::MeshText(*model, scaleOne, 0));
    const std::string text = xtest::MergedText(*model, plain);
    for (const char* block : {"MeshTextureCoords", "TextureFilename", "MeshNormals", "Frame"})
        EXPECT_EQ(text.find(block), std::string::npos) << block;
}

TEST(ExportBlocks, MeshWithoutTexCoordsGetsNoneAndShortListsArePadded) {
    auto model = LoadModel({{.name = "A", .vertices = {{0, 0, 0}, {1, 0, 0}}},
                            {.name = "B", .vertices = {{0, 0, 0}, {1, 0, 0}}, .texCoords = {{0.25f, 0.25f}}}});
    auto& meshes = model->ObjectList();
    EXPECT_TRUE(xexport::ExportTexCoords({meshes.GetMesh(0)}).empty());
    const auto merged = xexport::ExportTexCoords({meshes.GetMesh(0), meshes.GetMesh(1)});
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[0].v, 0.0f);
    EXPECT_EQ(merged[2].u, 0.25f);
    EXPECT_EQ(merged[2].v, 0.75f);
    EXPECT_EQ(merged[3].v, 0.0f);
}

// Face A (0, 1, 2) lies in z = 0 (normal +z), face B (0, 3, 1) in y = 0 (normal
// +y); they share vertices 0 and 1 and have the same area.
struct SmoothCase {
    std::uint32_t a, b;
    bool shared;  // whether the corners at vertices 0 and 1 take the averaged normal
};

TEST(ExportBlocks, SmoothingGroupsShareOrSplitNormals) {
    const float h = static_cast<float>(1 / std::sqrt(2.0));
    for (const SmoothCase c : {SmoothCase{1, 1, true}, SmoothCase{3, 2, true}, SmoothCase{1, 2, false},
                               SmoothCase{0, 0, false}, SmoothCase{0, 1, false}}) {
        SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
        auto model = LoadModel({{.name = "Fold",
                                 .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                 .faces = {{0, 1, 2}, {0, 3, 1}},
                                 .smoothing = {c.a, c.b}}});
        xexport::TVertexTransform asStored;
        asStored.Snap = false;
        const auto normals = xexport::ComputeNormals({model->ObjectList().GetMesh(0)}, asStored, false);
        ASSERT_EQ(normals.FaceNormals.size(), 2u);
        const auto normal = [&normals](int face, int corner) {
            return normals.Normals[normals.FaceNormals[face][corner]];
        };
        // Written corners: V1, V3, V2. Face A: 0, 2, 1; face B: 0, 1, 3.
        EXPECT_EQ(normals.Normals.size(), c.shared ? 3u : 2u);
        for (const auto& [face, corner] : {std::pair{0, 0}, std::pair{0, 2}, std::pair{1, 0}, std::pair{1, 1}}) {
            const auto n = normal(face, corner);
            if (c.shared) {
                EXPECT_FLOAT_EQ(n.x, 0);
                EXPECT_FLOAT_EQ(n.y, h);
                EXPECT_FLOAT_EQ(n.z, h);
            } else {
                EXPECT_FLOAT_EQ(face == 0 ? n.z : n.y, 1);
            }
        }
        EXPECT_FLOAT_EQ(normal(0, 1).z, 1);  // vertex 2: only face A
        EXPECT_FLOAT_EQ(normal(1, 2).y, 1);  // vertex 3: only face B
    }
}

TEST(ExportBlocks, DegenerateFacesGetFiniteNormals) {
    auto model = LoadModel({{.name = "Flat",
                             .vertices = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1e30f, 0, 0}, {-1e30f, 0, 0}, {0, 1e30f, 0}},
                             .faces = {{0, 1, 2}, {3, 4, 5}},
                             .smoothing = {1, 1}}});
    xexport::TVertexTransform asStored;
    asStored.Snap = false;
    const auto normals = xexport::ComputeNormals({model->ObjectList().GetMesh(0)}, asStored, false);
    for (const auto& n : normals.Normals) {
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-5);
    }
}

// A frame's matrix puts the written vertices back where the plain export puts them.
TEST(ExportBlocks, FrameMatrixRestoresThePlainPositions) {
    const std::vector<std::vector<float>> matrices = {
        {0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 0, 0},    // turned a quarter about z, moved along x
        {2, 0, 0, 0, 0, 3, 0, -1, 0, 1, 2, 3},    // scaled and turned about x
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},     // singular: identity frame
    };
    for (const auto& matrix : matrices) {
        auto model = LoadModel({{.name = "7 Box!",
                                 .vertices = {{5, 1, 0}, {4, 2, 1}, {7, -3, 2}},
                                 .faces = {{0, 1, 2}},
                                 .matrix = matrix}});
        for (const TOriginMode origin : {TOriginMode::NotEncode, TOriginMode::EncodeZeroCenter}) {
            TExportOptions plain;
            plain.Origin = origin;
            plain.Scale = 1.5f;
            TExportOptions framed = plain;
            framed.Frames = true;
            const auto plainTokens = DecodeTokens(xtest::MeshBinary(*model, plain, 0));
            const auto framedTokens = DecodeTokens(xtest::MeshBinary(*model, framed, 0));
            EXPECT_EQ(framedTokens[5].name, "_7_Box_");
            const auto m = Floats(ListAfter(framedTokens, "FrameTransformMatrix"));
            const auto local = Floats(ListAfter(framedTokens, "Mesh", 1));
            const auto world = Floats(ListAfter(plainTokens, "Mesh", 1));
            ASSERT_EQ(m.size(), 16u);
            ASSERT_EQ(local.size(), world.size());
            for (std::size_t v = 0; v + 2 < local.size(); v += 3) {
                for (int j = 0; j < 3; ++j) {
                    const float back = local[v] * m[j] + local[v + 1] * m[4 + j] + local[v + 2] * m[8 + j] + m[12 + j];
                    EXPECT_NEAR(back, world[v + j], 1e-4);
                }
            }
        }
    }
}


// The text form's frame (item 12 of issue 18): a matrix of small elements, or a
// far origin, read back by the project's loader puts every vertex where the
// plain export puts it, to the precision of a 32-bit float.
TEST(ExportBlocks, TextFrameReadsBackToThePlainPositions) {
    const float c = std::cos(0.5f), s = std::sin(0.5f);
    const struct {
        const char* what;
        std::vector<float> matrix;  // local x, y, z axes and origin
    } cases[] = {
        {"small axes", {1.2345e-4f, 0, 0, 0, 2.5e-4f, 0, 0, 0, 3.1e-4f, 0.25f, -0.5f, 0.75f}},
        {"tiny axes", {1e-7f, 0, 0, 0, 0, 1e-7f, 0, -1e-7f, 0, 0, 0, 0}},
        {"turned, far origin", {c, s, 0, -s, c, 0, 0, 0, 1, 1.5e7f, -2.5e6f, 3.75e5f}},
        {"origin past 1e15", {1, 0, 0, 0, 1, 0, 0, 0, 1, 2.5e15f, 0, -1e16f}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        const auto at = [&k](float a, float b, float d) {  // a point given in the frame's axes
            const auto& m = k.matrix;
            return testsupport::Vertex{a * m[0] + b * m[3] + d * m[6] + m[9], a * m[1] + b * m[4] + d * m[7] + m[10],
                                       a * m[2] + b * m[5] + d * m[8] + m[11]};
        };
        auto model = LoadModel({{.name = "Part",
                                 .vertices = {at(0, 0, 0), at(1000, 0, 0), at(0, 2000, 30), at(-700, 50, 3000)},
                                 .faces = {{0, 1, 2}, {1, 3, 2}},
                                 .matrix = k.matrix}});
        for (const TOriginMode origin : {TOriginMode::NotEncode, TOriginMode::EncodeZeroCenter}) {
            TExportOptions plain;
            plain.Origin = origin;
            TExportOptions framed = plain;
            framed.Frames = true;
            const auto world = Floats(ListAfter(DecodeTokens(xtest::MeshBinary(*model, plain, 0)), "Mesh", 1));
            const std::string text = xtest::MeshText(*model, framed, 0);
            viewer::MeshBuilder builder;
            ASSERT_EQ(builder.Load(text.data(), text.size()), 0);
            ASSERT_EQ(builder.Positions().size() * 3, world.size());
            // Local coordinates up to about 3000, rounded to a float, times the longest axis.
            const float longest = std::fabs(*std::max_element(k.matrix.begin(), k.matrix.begin() + 9, [](float a, float b) {
                return std::fabs(a) < std::fabs(b);
            }));
            const float localRounding = 4000 * longest * std::numeric_limits<float>::epsilon();
            for (std::size_t v = 0; v < builder.Positions().size(); ++v) {
                const auto& p = builder.Positions()[v];
                const float back[3] = {p.x, p.y, p.z};
                for (int j = 0; j < 3; ++j) {
                    const float expected = world[3 * v + j];
                    const float ulp = std::nextafter(std::fabs(expected), INFINITY) - std::fabs(expected);
                    EXPECT_NEAR(back[j], expected, 8 * ulp + localRounding) << "vertex " << v << " axis " << j;
                }
            }
        }
    }
}

// A matrix that cannot place the mesh is refused, in both forms; a matrix of
// zeros is no matrix (the identity frame).
TEST(ExportBlocks, FrameOfAnUnusableMatrixIsRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> refused[] = {
        {1, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0},          // two axes along x
        {1, 0, 0, 0, 1, 0, 0, 0, 0, 5, 5, 5},          // no z axis
        {1, 0, 0, 0, 1, 0, 1, 1, 1e-7f, 0, 0, 0},      // z axis all but in the x-y plane
        {1, 0, 0, 0, nan, 0, 0, 0, 1, 0, 0, 0},
        {1, 0, 0, 0, 1, 0, 0, 0, 1, 3e38f, 0, 0},      // origin past the largest float once scaled
    };
    for (const auto& matrix : refused) {
        SCOPED_TRACE(testing::PrintToString(matrix));
        auto model = LoadModel({{.name = "Part", .vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}},
                                 .faces = {{0, 1, 2}}, .matrix = matrix}});
        TExportOptions options;
        options.Frames = true;
        options.Origin = TOriginMode::NotEncode;
        options.Scale = 2;
        EXPECT_THROW(xtest::MeshText(*model, options, 0), xexport::EExportError);
        try {
            xtest::MeshBinary(*model, options, 0);
            ADD_FAILURE() << "binary written";
        } catch (const xexport::EExportError& error) {
            EXPECT_NE(std::string(error.what()).find("mesh \"Part\": its local matrix"), std::string::npos) << error.what();
        }
    }
}

// A bumpy grid whose faces carry overlapping smoothing masks, some faces with a
// corner twice, exported with normals.
std::string HillWithNormals() {
    constexpr int kSide = 16;
    const std::uint32_t masks[] = {1, 1, 2, 3, 0, 6, 0x80000001u, 4, 5, 1, 3};
    MeshSpec hill{.name = "Hill"};
    for (int i = 0; i < kSide; ++i) {
        for (int j = 0; j < kSide; ++j)
            hill.vertices.push_back({i * 0.5f, j * 0.75f, static_cast<float>((i * 7 + j * 13) % 11) * 0.37f});
    }
    for (int i = 0; i + 1 < kSide; ++i) {
        for (int j = 0; j + 1 < kSide; ++j) {
            const auto at = [](int a, int b) { return static_cast<std::uint16_t>(a * kSide + b); };
            const bool folded = (i + j) % 17 == 0;
            hill.faces.push_back({at(i, j), at(i + 1, j), folded ? at(i, j) : at(i + 1, j + 1)});
            hill.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    for (std::size_t f = 0; f < hill.faces.size(); ++f) hill.smoothing.push_back(masks[(f * 5 + f / 7) % 11]);
    auto model = LoadModel({hill});
    TExportOptions options;
    options.Normals = true;
    const auto binary = xtest::MeshBinary(*model, options, 0);
    options.FlipWinding = true;
    return xtest::MeshText(*model, options, 0) + std::string(binary.begin(), binary.end());
}

// FNV-1a, 64 bits.
std::uint64_t Fingerprint(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// The normals of this model as the first implementation wrote them, bit for bit.
TEST(ExportBlocks, NormalsStayAsFirstWritten) {
    EXPECT_EQ(Fingerprint(HillWithNormals()), 15860241117565234696u);
}

}  // namespace
