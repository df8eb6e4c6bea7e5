#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "XSamples.h"
#include "base/FrameDepth.h"
#include "base/Stream.h"
#include "support/TempDir.h"
#include "viewer/MeshBuilder.h"
#include "viewer/XFile.h"
#include "XTokenizer.h"

using namespace viewer;
using xsamples::TextFile;

namespace {

std::int32_t Load(MeshBuilder& builder, const std::vector<std::uint8_t>& file) {
    return builder.Load(file.data(), file.size());
}

void ExpectNear(Vec3 actual, Vec3 expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A unit square in the z = 0 plane as one four-corner face, wound clockwise as
// seen from -z, with a material list and texture coordinates.
const std::string SquareChildren =
    "MeshMaterialList { 1; 1; 0; Material { 1.0; 0.0; 0.0; 0.5;; 12.0; 0.5; 0.5; 0.5;; "
    "0.0; 0.0; 0.0;; TextureFilename { \"red.png\"; } } }\n"
    "MeshTextureCoords { 4; 0.0; 1.0;, 0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;; }\n";
const std::vector<float> SquarePositions = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0};

xsamples::BinaryWriter SquareBinary(bool doubles) {
    xsamples::BinaryWriter w(doubles);
    w.Name("Header").Open().Integers({1, 0, 1}).Close();
    w.Name("Mesh").Name("square").Open().Integers({4});
    w.Floats({0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0}).Integers({1, 4, 0, 1, 2, 3});
    w.Name("MeshMaterialList").Open().Integers({1, 1, 0});
    w.Name("Material").Open().Floats({1, 0, 0, 0.5, 12, 0.5, 0.5, 0.5, 0, 0, 0}).Close().Close();
    w.Name("MeshTextureCoords").Open().Integers({4}).Floats({0, 1, 0, 0, 1, 0, 1, 1}).Close();
    w.Close();
    return w;
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

// Frame F0 holds the mesh; each further frame names the one before twice.
std::string DoublingFrames(const std::string& mesh, int levels) {
    std::string file = "Frame F0 {\n" + mesh + "}\n";
    for (int i = 1; i <= levels; ++i) {
        const std::string before = "{ F" + std::to_string(i - 1) + " }";
        file += "Frame F" + std::to_string(i) + " { " + before + " " + before + " }\n";
    }
    return file;
}

// Frame F0 holds the mesh; each further frame names the one before.
std::string ChainedFrames(const std::string& mesh, int length) {
    std::string file = "Frame F0 {\n" + mesh + "}\n";
    for (int i = 1; i <= length; ++i)
        file += "Frame F" + std::to_string(i) + " { { F" + std::to_string(i - 1) + " } }\n";
    return file;
}

// A compressed file whose declared unpacked size is one block short.
std::vector<std::uint8_t> Undersized(std::vector<std::uint8_t> file) {
    std::uint32_t total;
    std::memcpy(&total, file.data() + 16, 4);
    total -= 64;
    std::memcpy(file.data() + 16, &total, 4);
    return file;
}

// The mesh in a compressed file whose blocks of zeros unpack to more than 1 GiB
// in all. Deflate packs such a block into a few bytes, so the file stays small.
std::vector<std::uint8_t> CompressedPastOneGiB(const std::string& mesh) {
    constexpr std::size_t kBlock = 65535;  // the largest a block's 16-bit size can say
    std::vector<std::uint8_t> file = xsamples::Compress(TextFile(mesh), kBlock);
    const std::vector<std::uint8_t> zeros(kBlock, 0);
    const std::vector<std::uint8_t> packed = xsamples::DeflateBlock(zeros.data(), zeros.size());
    const std::size_t blocks = (std::size_t{1} << 30) / kBlock + 1;
    for (std::size_t i = 0; i < blocks; ++i) xsamples::AppendBlock(file, kBlock, packed);
    std::uint32_t total;
    std::memcpy(&total, file.data() + 16, 4);
    total += static_cast<std::uint32_t>(blocks * kBlock);
    std::memcpy(file.data() + 16, &total, 4);
    return file;
}

}  // namespace

TEST(XLoader, EveryEncodingGivesTheSameSquare) {
    const auto text = TextFile(xsamples::MeshText(SquarePositions, {{0, 1, 2, 3}}, SquareChildren));
    const auto binary = SquareBinary(false).Data();
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"text", text},
        {"binary 32", binary},
        {"binary 64", SquareBinary(true).Data()},
        {"tzip", xsamples::Compress(text, 1 << 15)},
        {"bzip in small blocks", xsamples::Compress(binary, 40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MeshBuilder builder;
        ASSERT_EQ(Load(builder, c.file), 0);
        ASSERT_EQ(builder.Positions().size(), 4u);
        ExpectNear(builder.Positions()[2], {1, 1, 0});
        ASSERT_EQ(builder.Triangles().size(), 2u);
        EXPECT_EQ(builder.Triangles()[1].vertices, (std::array<std::uint32_t, 3>{0, 2, 3}));
        ASSERT_EQ(builder.Materials().size(), 1u);
        const Material& m = builder.Materials()[0];
        EXPECT_FLOAT_EQ(m.faceColor[3], 0.5f);
        EXPECT_FLOAT_EQ(m.power, 12.0f);
        EXPECT_FLOAT_EQ(m.specular.green, 0.5f);
        ASSERT_EQ(builder.TextureCoordinates().size(), 4u);
        EXPECT_FLOAT_EQ(builder.TextureCoordinates()[3].v, 1.0f);
        // No normals in the data: every corner gets the face's own, facing -z.
        for (const Triangle& t : builder.Triangles())
            for (std::uint32_t n : t.normals) ExpectNear(builder.Normals()[n], {0, 0, -1});
    }
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, text), 0);
    EXPECT_EQ(builder.Materials()[0].textureFileName, "red.png");
}

TEST(XLoader, FacesOfAnyCornerCountBecomeFans) {
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 2, 1, 0, 1, 2, 0, 0, 1, 0};
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, TextFile(xsamples::MeshText(positions, {{0, 1, 2}, {0, 1, 2, 3, 4}, {3, 4}}))), 0);
    // 1 + 3 triangles; the two-corner face draws nothing.
    ASSERT_EQ(builder.Triangles().size(), 4u);
    EXPECT_EQ(builder.Triangles()[3].vertices, (std::array<std::uint32_t, 3>{0, 3, 4}));
}

TEST(XLoader, FramesPlaceTheirMeshesInsideOut) {
    // Outer frame: scale by 2; inner frame: move by (1, 0, 0). A point p ends
    // at (p + (1, 0, 0)) * 2; the matrix may follow the meshes.
    const std::string triangle = xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}});
    const std::string file =
        "template Frame { <3d82ab46-62da-11cf-ab39-0020af71e433> [...] }\n"
        "Header { 1; 0; 1; }\n"
        "Frame outer {\n"
        "  Frame inner { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; }\n" +
        triangle +
        "  }\n" + triangle +
        "  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }\n"
        "}\n" + triangle;
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, TextFile(file)), 0);
    ASSERT_EQ(builder.Positions().size(), 9u);
    ExpectNear(builder.Positions()[2], {4, 0, 0});  // inner frame's mesh
    ExpectNear(builder.Positions()[5], {2, 0, 0});  // outer frame's own mesh
    ExpectNear(builder.Positions()[8], {1, 0, 0});  // mesh outside any frame
    EXPECT_EQ(builder.Triangles()[2].vertices, (std::array<std::uint32_t, 3>{6, 7, 8}));
}

// Frames nest as deep as the converter may write them, without recursion: each
// level moves the mesh one unit along x.
TEST(XLoader, FramesNestAsDeepAsTheConverterWrites) {
    const std::string triangle = xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}});
    const std::string step = "Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; }\n";
    const int depth = base::kMaxFrameDepth;
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, TextFile(Repeat(step, depth) + triangle + Repeat("}", depth))), 0);
    ASSERT_EQ(builder.Positions().size(), 3u);
    ExpectNear(builder.Positions()[2], {static_cast<float>(depth + 1), 0, 0});
}

// A frame that names a mesh ("{ name }") draws it once more, placed by that
// frame; a top-level mesh stays where it is. Each copy shows as a triangle
// whose first corner lies at the offset of the frames that place it.
TEST(XLoader, FramesNamingAMeshDrawItOncePerFrame) {
    const auto named = [](const std::string& name) {
        return "Mesh " + name + xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}}).substr(4);
    };
    const auto frame = [](const std::string& name, int offset, const std::string& body) {
        return "Frame " + name + " { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, " +
               std::to_string(offset) + ",0,0,1;; }\n" + body + "}\n";
    };
    const struct {
        const char* name;
        std::string file;
        std::vector<float> offsets;
    } cases[] = {
        {"mesh in one frame, named by another", frame("A", 10, named("M")) + frame("B", 20, "{ M }"), {10, 20}},
        {"top-level mesh named by two frames", named("M") + frame("A", 10, "{M}") + frame("B", 20, "{ M }"),
         {0, 10, 20}},
        {"named before it is defined", frame("A", 10, "{ M }") + named("M"), {0, 10}},
        {"frames inside frames add up", frame("A", 10, frame("B", 1, "{ M }")) + named("M"), {0, 11}},
        {"a frame named by another", frame("A", 10, named("M")) + frame("B", 20, "{ A }"), {10, 30}},
        {"undefined name", frame("A", 10, "{ Nowhere }" + named("M")), {10}},
        {"frame naming itself", frame("A", 10, "{ A }" + named("M")), {10}},
        {"two frames naming each other", frame("A", 10, "{ B }") + frame("B", 20, "{ A }" + named("M")),
         {20, 30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MeshBuilder builder;
        ASSERT_EQ(Load(builder, TextFile(c.file)), 0);
        std::vector<float> offsets;
        for (const Triangle& triangle : builder.Triangles()) offsets.push_back(builder.Positions()[triangle.vertices[0]].x);
        std::sort(offsets.begin(), offsets.end());
        EXPECT_EQ(offsets, c.offsets);
    }
}

// A frame that mirrors its meshes would show them inside out; their faces are
// turned so that they keep facing the way they did.
TEST(XLoader, MirroringFrameKeepsFacesOutward) {
    const std::string file = "Frame { FrameTransformMatrix { -1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n" +
                             xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}}) + "}\n";
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, TextFile(file)), 0);
    ExpectNear(builder.Positions()[2], {-1, 0, 0});
    EXPECT_EQ(builder.Triangles()[0].vertices, (std::array<std::uint32_t, 3>{0, 2, 1}));
    for (std::uint32_t n : builder.Triangles()[0].normals) ExpectNear(builder.Normals()[n], {0, 0, -1});
}

TEST(XLoader, NormalsAndMaterialsOfTheData) {
    const std::string children =
        "MeshNormals { 2; 0.0; 0.0; -2.0;, 0.0; 1.0; 0.0;; 2; 3; 0,0,0;, 3; 1,1,1;; }\n"
        "MeshMaterialList { 3; 1; 2; { Blue } Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } }\n"
        "VertexDuplicationIndices { 4; 4; 0, 1, 2, 3; { nested { } } }\n";
    const std::string file = "Material Blue { 0; 0; 1; 1;; 5; 1; 1; 1;; 0; 0; 0;; }\n" +
                             xsamples::MeshText(SquarePositions, {{0, 1, 2}, {0, 2, 3}}, children);
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, TextFile(file)), 0);
    ASSERT_EQ(builder.Normals().size(), 2u);
    ExpectNear(builder.Normals()[builder.Triangles()[0].normals[0]], {0, 0, -1});
    ExpectNear(builder.Normals()[builder.Triangles()[1].normals[2]], {0, 1, 0});
    // The one index holds for every face; missing materials are white.
    ASSERT_EQ(builder.Materials().size(), 3u);
    EXPECT_EQ(builder.Triangles()[1].material, 2u);
    EXPECT_FLOAT_EQ(builder.Materials()[0].faceColor[2], 1.0f);  // Blue, by reference
    EXPECT_FLOAT_EQ(builder.Materials()[1].faceColor[1], 1.0f);  // inline
    EXPECT_FLOAT_EQ(builder.Materials()[2].faceColor[0], 1.0f);  // not given
}

// A Shift-JIS name is one word even when its trail byte is a bracket or a
// backslash: the material of that name is found by reference.
TEST(XLoader, ShiftJisNamesStayWhole) {
    for (const std::string name : {"\x83[", "\x83]", "\x83{", "\x83}", "\x83\\", "\x82\xA0\x83}\x83["}) {
        SCOPED_TRACE(name);
        const std::string file = "Material " + name + " { 0; 1; 0; 1;; 5; 0; 0; 0;; 0; 0; 0;; }\n" +
                                 xsamples::MeshText(SquarePositions, {{0, 1, 2}},
                                                    "MeshMaterialList { 1; 1; 0; { " + name + " } }\n");
        MeshBuilder builder;
        ASSERT_EQ(Load(builder, TextFile(file)), 0);
        ASSERT_EQ(builder.Materials().size(), 1u);
        EXPECT_FLOAT_EQ(builder.Materials()[0].faceColor[0], 0.0f);  // green, not the white of a missing material
        EXPECT_FLOAT_EQ(builder.Materials()[0].faceColor[1], 1.0f);
    }
}

TEST(XLoader, UnreadableDataGivesAnErrorCode) {
    const std::string mesh = xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}});
    const struct {
        const char* name;
        std::vector<std::uint8_t> data;
        std::int32_t result;
    } cases[] = {
        {"too short", xsamples::Bytes("xof 0303"), LoadErrorBadFile},
        {"not .x", xsamples::Bytes("hello world, not a model"), LoadErrorBadFile},
        {"unknown format", xsamples::Bytes("xof 0303abc 0032Mesh {}"), LoadErrorBadFile},
        {"no mesh", TextFile("Header { 1; 0; 1; }"), LoadErrorNotFound},
        {"index past the vertices", TextFile(xsamples::MeshText({0, 0, 0}, {{0, 0, 1}})), LoadErrorBadFile},
        {"huge vertex count", TextFile("Mesh { 4000000000; 1;2;3;; }"), LoadErrorBadFile},
        {"huge face corner count", TextFile("Mesh { 1; 1;2;3;; 1; 4000000000; 0; }"), LoadErrorBadFile},
        {"negative count", TextFile("Mesh { -1; }"), LoadErrorBadFile},
        {"unclosed mesh", TextFile(mesh.substr(0, mesh.size() - 2)), LoadErrorBadFile},
        {"unclosed string", TextFile("Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"a"),
         LoadErrorBadFile},
        {"binary mesh without data", xsamples::BinaryWriter().Name("Mesh").Open().Data(), LoadErrorBadFile},
        {"frames nested too deep",
         TextFile(Repeat("Frame {", base::kMaxFrameDepth + 1) + mesh + Repeat("}", base::kMaxFrameDepth + 1)),
         LoadErrorBadFile},
        {"frames left open", TextFile(Repeat("Frame {", 20000)), LoadErrorBadFile},
        {"references doubling the meshes forty times", TextFile(DoublingFrames(mesh, 40)), LoadErrorBadFile},
        {"references nested too deep", TextFile(ChainedFrames(mesh, 20000)), LoadErrorBadFile},
        {"compressed data past its declared size", Undersized(xsamples::Compress(TextFile(mesh), 64)),
         LoadErrorBadFile},
        {"compressed data past 1 GiB", CompressedPastOneGiB(mesh), LoadErrorBadFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MeshBuilder builder;
        EXPECT_EQ(Load(builder, c.data), c.result);
        EXPECT_TRUE(builder.Positions().empty());
    }
}

namespace {

// A white material named name whose texture file name is nameBytes long.
std::string LongTextureMaterial(const std::string& name, std::size_t nameBytes) {
    return "Material " + name + " { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" +
           std::string(nameBytes, 'a') + "\"; } }\n";
}

// A triangle with normals past its corners' needs: each copy carries them all.
std::string TriangleWithNormals(int normals) {
    std::string list = std::to_string(normals) + ";";
    for (int i = 0; i < normals; ++i) list += i + 1 < normals ? "0;0;1;," : "0;0;1;;";
    return xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}},
                              "MeshNormals { " + list + " 1; 3; 0,0,0;; }\n");
}

}  // namespace

// Small files that ask for billions of steps or gigabytes through references
// are refused with a format error, before the memory is taken.
TEST(XLoader, ReferenceAndCopyBombsAreRefused) {
    const std::string emptyMesh = "Mesh { 0;; 0;; MeshMaterialList { 1; 1; 0; ";
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"doubling frames ending in undefined references", DoublingFrames(Repeat("{ Nowhere }", 1000), 16)},
        {"doubling frames ending in references to an open frame", DoublingFrames(Repeat("{ F0 }", 1000), 16)},
        {"an empty mesh with a 64 KiB texture name placed 2^16 times",
         DoublingFrames(emptyMesh + LongTextureMaterial("", 65536) + "} }\n", 16)},
        {"a mesh with 20,000 normals placed 2^14 times", DoublingFrames(TriangleWithNormals(20000), 14)},
        {"a material list of 200,000 references to a 64 KiB texture name",
         LongTextureMaterial("M", 65536) + "Mesh { 0;; 0;; MeshMaterialList { 200000; 1; 0; " +
             Repeat("{M}", 200000) + " } }\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto data = TextFile(c.file);
        EXPECT_THROW(ParseXFile(data.data(), data.size()), XFormatError);
    }
}

// A material list keeps the materials it declares and no more, however many
// references follow.
TEST(XLoader, MaterialListKeepsOnlyTheDeclaredMaterials) {
    const std::string file =
        LongTextureMaterial("M", 65536) +
        xsamples::MeshText(SquarePositions, {{0, 1, 2}, {0, 2, 3}},
                           "MeshMaterialList { 2; 2; 0, 1; " + Repeat("{M}", 200000) + " }\n");
    MeshBuilder builder;
    ASSERT_EQ(Load(builder, TextFile(file)), 0);
    ASSERT_EQ(builder.Materials().size(), 2u);
    EXPECT_EQ(builder.Materials()[1].textureFileName.size(), 65536u);
    EXPECT_EQ(builder.Triangles()[1].material, 1u);
}

// Figures of the Open Asset Import Library ("assimp info FILE -r", no post
// processing): it makes one vertex per face corner and counts faces as given;
// "assimp info FILE" gives the same triangles. The malformed file's fault lies
// in its skin weights, which the viewer has no use for and skips.
TEST(XLoader, RealFilesLoadWithTheOraclesCounts) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    const struct {
        const char* file;
        std::size_t faces, corners, triangles, positions;
    } cases[] = {
        {"BCN_Epileptic.X", 5126, 15378, 5126, 1170 + 1196 + 648},
        {"Testwuson.X", 3732, 11196, 3732, 3205},
        {"anim_test.x", 840, 2520, 840, 1720},
        {"fromtruespace_bin32.x", 6656, 19968, 6656, 4132},
        {"kwxport_test_cubewithvcolors.x", 12, 36, 12, 24},
        {"malformed_skinweights_oob.x", 12, 36, 12, 24},
        {"test.x", 12, 36, 12, 24},
        {"test_cube_binary.x", 12, 36, 12, 24},
        {"test_cube_compressed.x", 12, 36, 12, 24},
        {"test_cube_text.x", 12, 36, 12, 24},
    };
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "x")) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const auto expected = std::find_if(std::begin(cases), std::end(cases),
                                           [&](const auto& c) { return name == c.file; });
        ASSERT_NE(expected, std::end(cases)) << "no figures for this file";
        const auto data = base::ReadWholeFile(entry.path().string());
        MeshBuilder builder;
        ASSERT_EQ(Load(builder, data), 0);
        EXPECT_EQ(builder.Triangles().size(), expected->triangles);
        EXPECT_EQ(builder.Triangles().size() * 3, expected->corners);
        EXPECT_EQ(builder.Positions().size(), expected->positions);
        for (const Vec3& n : builder.Normals()) EXPECT_NEAR(Length(n), 1.0f, 1e-3f);
        ++checked;
    }
    EXPECT_EQ(checked, std::size(cases));
}

// Cut short or with bytes changed, no file crashes the loader or is read past
// its end; each loads or gives an error code.
TEST(XLoader, DamagedFilesNeverCrash) {
    std::vector<std::vector<std::uint8_t>> files = {
        TextFile(xsamples::MeshText(SquarePositions, {{0, 1, 2, 3}}, SquareChildren)),
        SquareBinary(false).Data(),
        xsamples::Compress(SquareBinary(false).Data(), 40),
    };
    const auto folder = testsupport::SharedModels();
    if (!folder.empty())
        for (const char* name : {"test_cube_binary.x", "test_cube_compressed.x", "fromtruespace_bin32.x"})
            files.push_back(base::ReadWholeFile((folder / "x" / name).string()));
    for (const auto& file : files) {
        const std::size_t step = std::max<std::size_t>(1, file.size() / 300);
        for (std::size_t cut = 0; cut < file.size(); cut += step) {
            MeshBuilder builder;
            std::vector<std::uint8_t> damaged(file.begin(), file.begin() + cut);
            const std::int32_t result = Load(builder, damaged);
            EXPECT_TRUE(result == 0 || result == LoadErrorBadFile || result == LoadErrorNotFound);
            damaged = file;
            damaged[cut] ^= 0xA5;
            Load(builder, damaged);
        }
    }
}

namespace {

// Every index a loaded builder holds points into its own arrays: the renderer
// relies on it without checking.
void ExpectConsistent(const MeshBuilder& builder) {
    const std::size_t positions = builder.Positions().size(), normals = builder.Normals().size(),
                      materials = builder.Materials().size();
    for (const Triangle& t : builder.Triangles()) {
        for (int i = 0; i < 3; ++i) {
            ASSERT_LT(t.vertices[i], positions);
            ASSERT_LT(t.normals[i], normals);
        }
        ASSERT_LT(t.material, materials);
    }
    const std::size_t coordinates = builder.TextureCoordinates().size();
    EXPECT_TRUE(coordinates == 0 || coordinates == positions);
}

// One random change: bytes flipped or overwritten with counts that tempt a
// reader to trust them, a stretch cut out or repeated, or text tokens put in.
void Mutate(std::vector<std::uint8_t>& data, std::mt19937& random) {
    static const std::uint32_t counts[] = {0, 1, 2, 3, 0x7F, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    static const char* const words[] = {"{", "}", "Frame {", "Mesh {", "4000000000;", "-1;", "1e39;", "\"", "<", ";;"};
    const auto at = [&](std::size_t size) { return size == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, size - 1)(random); };
    if (data.empty()) return;
    const std::size_t p = at(data.size());
    switch (random() % 5) {
        case 0:
            data[p] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            break;
        case 1: {
            const std::uint32_t value = counts[random() % std::size(counts)];
            for (std::size_t i = 0; i < 4 && p + i < data.size(); ++i) data[p + i] = static_cast<std::uint8_t>(value >> (8 * i));
            break;
        }
        case 2:
            data.erase(data.begin() + static_cast<std::ptrdiff_t>(p),
                       data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), p + 1 + at(64))));
            break;
        case 3: {
            const std::size_t length = std::min(data.size() - p, 1 + at(64));
            const std::vector<std::uint8_t> copy(data.begin() + static_cast<std::ptrdiff_t>(p),
                                                 data.begin() + static_cast<std::ptrdiff_t>(p + length));
            data.insert(data.begin() + static_cast<std::ptrdiff_t>(at(data.size())), copy.begin(), copy.end());
            break;
        }
        default: {
            const std::string word = std::string(" ") + words[random() % std::size(words)] + " ";
            data.insert(data.begin() + static_cast<std::ptrdiff_t>(p), word.begin(), word.end());
            break;
        }
    }
}

}  // namespace

// Random damage, a few changes at a time, from a fixed seed: every result is a
// load or an error code, and what loads is consistent.
TEST(XLoader, RandomlyDamagedFilesLoadConsistentlyOrFail) {
    const std::string children =
        "MeshNormals { 2; 0.0; 0.0; -1.0;, 0.0; 1.0; 0.0;; 2; 3; 0,0,0;, 4; 1,1,1,1;; }\n" + SquareChildren;
    const auto framed = TextFile("Material Blue { 0; 0; 1; 1;; 5; 1; 1; 1;; 0; 0; 0;; }\nFrame { Frame {\n" +
                                 xsamples::MeshText(SquarePositions, {{0, 1, 2}, {0, 1, 2, 3}}, children) +
                                 "FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; } } }\n");
    std::vector<std::vector<std::uint8_t>> files = {framed, SquareBinary(false).Data(), SquareBinary(true).Data(),
                                                    xsamples::Compress(SquareBinary(false).Data(), 40),
                                                    xsamples::Compress(framed, 100)};
    const auto folder = testsupport::SharedModels();
    if (!folder.empty())
        for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                                 "kwxport_test_cubewithvcolors.x"})
            files.push_back(base::ReadWholeFile((folder / "x" / name).string()));
    std::mt19937 random(20261207);
    int loaded = 0;
    for (const auto& file : files) {
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::uint8_t> damaged = file;
            for (unsigned changes = 1 + random() % 3; changes > 0; --changes) Mutate(damaged, random);
            MeshBuilder builder;
            const std::int32_t result = Load(builder, damaged);
            ASSERT_TRUE(result == 0 || result == LoadErrorBadFile || result == LoadErrorNotFound) << result;
            if (result != 0) continue;
            ++loaded;
            ExpectConsistent(builder);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(loaded, 0);
}

namespace {

// Frame F, below frame Outer moved 100 along z, holding a triangle with a
// corner at the origin, and an AnimationSet of the given Animation bodies at 10 ticks a second.
std::string AnimatedTriangle(const std::string& animations) {
    return "AnimTicksPerSecond { 10; }\n"
           "Frame Outer { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,100,1;; }\n"
           "Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 7,7,7,1;; }\n" +
           xsamples::MeshText({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{0, 1, 2}}) + "} }\nAnimationSet Set {\n" + animations +
           "}\n";
}

// Where the triangle's corners at the origin and at x = 1 go at tick.
std::pair<Vec3, Vec3> PosedCorners(XModel& model, double tick) {
    PoseXModel(model, tick);
    const Matrix4& placement = model.meshes.at(0).placements.at(0);
    return {TransformPoint({0, 0, 0}, placement), TransformPoint({1, 0, 0}, placement)};
}

}  // namespace

// Keys are mixed linearly between their ticks (rotations along the shorter
// arc), held before the first, and the animation repeats after its last key;
// the frame's own matrix gives way to the keys, the frames around it stay.
TEST(XLoader, AnimationsPoseTheirFramesAtAnyTick) {
    const float half = std::sqrt(0.5f);
    const std::string slide = "Animation { { F } AnimationKey { 2; 2; 0;3;0,0,0;;, 10;3;10,0,0;;; } }\n";
    // A quarter turn about y, the second key in the other hemisphere.
    const std::string turn = "Animation { { F } AnimationKey { 0; 2; 0;4;1,0,0,0;;, 10;4;-" + std::to_string(half) +
                             ",0,-" + std::to_string(half) + ",0;;; } }\n";
    const std::string grow = "Animation { { F } AnimationKey { 1; 2; 10;3;3,1,1;;, 0;3;1,1,1;;; } }\n";
    const std::string matrix =
        "Animation { { F } AnimationKey { 4; 2; 0;16;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;, "
        "20;16;1,0,0,0,0,1,0,0,0,0,1,0,0,4,0,1;;; } }\n";
    const struct {
        const char* name;
        std::string animations;
        double tick;
        Vec3 origin, xCorner;  // where the corners at the origin and at x = 1 go
    } cases[] = {
        {"halfway along", slide, 5, {5, 0, 100}, {6, 0, 100}},
        {"before the first key", slide, -3, {0, 0, 100}, {1, 0, 100}},
        {"past the end, repeated", slide, 13, {3, 0, 100}, {4, 0, 100}},
        {"at the last key", slide, 10, {10, 0, 100}, {11, 0, 100}},
        {"a quarter turn, halfway", turn, 5, {0, 0, 100}, {half, 0, 100 + half}},
        {"a quarter turn, whole", turn, 10, {0, 0, 100}, {0, 0, 101}},
        {"keys out of order", grow, 5, {0, 0, 100}, {2, 0, 100}},
        {"matrix keys", matrix, 5, {0, 1, 100}, {1, 1, 100}},
        {"an animation of a name that is no frame", "Animation { { Nowhere } }\n" + slide, 5, {5, 0, 100}, {6, 0, 100}},
        {"a zero quaternion is no turn", "Animation { { F } AnimationKey { 0; 1; 0;4;0,0,0,0;;; } }\n", 0,
         {0, 0, 100}, {1, 0, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto data = TextFile(AnimatedTriangle(c.animations));
        XModel model = ParseXModel(data.data(), data.size());
        EXPECT_EQ(model.ticksPerSecond, 10);
        const auto [origin, xCorner] = PosedCorners(model, c.tick);
        EXPECT_LT(Length(origin - c.origin), 1e-5f) << origin.x << " " << origin.y << " " << origin.z;
        EXPECT_LT(Length(xCorner - c.xCorner), 1e-5f) << xCorner.x << " " << xCorner.y << " " << xCorner.z;
    }
}

// Without an animation that names a frame, the frames' own matrices stay,
// and the loaded model keeps no pose to change.
TEST(XLoader, ModelsThatDoNotMoveKeepTheirFrames) {
    const std::string files[] = {AnimatedTriangle(""), AnimatedTriangle("Animation { { Nowhere } }\n"),
                                 ChainedFrames(xsamples::MeshText({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{0, 1, 2}}), 3)};
    for (const std::string& file : files) {
        const auto data = TextFile(file);
        XModel model = ParseXModel(data.data(), data.size());
        EXPECT_TRUE(model.animations.empty());
        EXPECT_TRUE(model.frameUses.empty());
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(data.data(), data.size()), 0);
        EXPECT_FALSE(builder.Animated());
        const std::vector<Vec3> before = builder.Positions();
        builder.SetTime(0.5);
        EXPECT_EQ(builder.Positions().size(), before.size());
        EXPECT_EQ(builder.Time(), 0);
    }
}

// Damaged animations are refused with a format error, and animated frames
// placed past a million times are drawn unmoving, at once.
TEST(XLoader, DamagedOrOverlargeAnimationsAreBounded) {
    const struct {
        const char* name;
        std::string animations;
    } refused[] = {
        {"a key of the wrong size", "Animation { { F } AnimationKey { 2; 1; 0;2;0,0;;; } }\n"},
        {"an unknown key type", "Animation { { F } AnimationKey { 3; 1; 0;3;0,0,0;;; } }\n"},
        {"a key count past the data", "Animation { { F } AnimationKey { 0; 4000000000; 0;4;1,0,0,0;;; } }\n"},
        {"a negative tick", "Animation { { F } AnimationKey { 2; 1; -5;3;0,0,0;;; } }\n"},
        {"keys cut short", "Animation { { F } AnimationKey { 2; 2; 0;3;0,0,0;;, "},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        const auto data = TextFile(AnimatedTriangle(c.animations));
        EXPECT_THROW(ParseXModel(data.data(), data.size()), XFormatError);
    }
    const std::string many = DoublingFrames("", 19) + xsamples::MeshText({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{0, 1, 2}}) +
                             "AnimationSet { Animation { { F0 } AnimationKey { 2; 2; 0;3;0,0,0;;, 10;3;1,0,0;;; } } }\n";
    const auto data = TextFile(many);
    const XModel model = ParseXModel(data.data(), data.size());
    EXPECT_TRUE(model.animations.empty());
    EXPECT_TRUE(model.frameUses.empty());
    EXPECT_EQ(model.meshes.size(), 1u);
}
