#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "XExportTestSupport.h"
#include "support/TempDir.h"
#include "viewer/XFile.h"
#include "xexport/ExportPreparation.h"
#include "xexport/XTextWriter.h"

namespace {

using testsupport::MaterialSpec;
using testsupport::MeshSpec;
using xexport::TExportOptions;
using xexport::TOriginMode;
using xtest::Lines;
using xtest::LoadModel;
using xtest::TriangleModel;
using xtest::MergedText;
using xtest::MeshText;

TEST(XTextWriter, TriangleExampleByteForByte) {
    auto model = TriangleModel();
    const std::string expected =
        "xof 0303txt 0032\r\n\r\nHeader {\r\n1;\r\n0;\r\n1;\r\n}\r\n\r\n"
        "Mesh Tri {\r\n3;\r\n"
        "-0.500001;-0.000001;-0.500001;,\r\n"
        "0.500000;-0.000001;-0.500001;,\r\n"
        "-0.500001;-0.000001;0.500000;;\r\n"
        "1;\r\n3;0,2,1;;\r\n"
        "MeshMaterialList {\r\n1;\r\n1;\r\n0;\r\n"
        "Material {\r\n1.000000;0.000000;0.000000;1.000000;;\r\n15.000000;\r\n"
        "0.900000;0.900000;0.900000;;\r\n0.000000;0.000000;0.000000;;\r\n}\r\n"
        "}\r\n}\r\n";
    EXPECT_EQ(MeshText(*model, {}, 0), expected);
}

// The vertex lines of a mesh (after the count line) as written.
std::vector<std::string> VertexLines(const std::string& text) {
    const auto lines = Lines(text);
    const std::size_t count = std::stoul(lines.at(9));
    return {lines.begin() + 10, lines.begin() + 10 + static_cast<long>(count)};
}

TEST(XTextWriter, VertexPipelineFollowsTheOrigin) {
    const MeshSpec zero{.name = "Z", .vertices = {{0, 0, 0}}};
    const MeshSpec axes{.name = "A", .vertices = {{2, 3, 5}}};
    const MeshSpec span{.name = "S", .vertices = {{10, 1, 1}, {20, 1, 1}}};
    struct Case {
        MeshSpec mesh;
        TOriginMode origin;
        std::vector<std::string> lines;
    } cases[] = {
        {zero, TOriginMode::NotEncode, {"-0.000001;-0.000001;-0.000001;;"}},
        {zero, TOriginMode::EncodeZeroLeft, {"-0.000001;-0.000001;-0.000001;;"}},
        {axes, TOriginMode::NotEncode, {"2.000000;5.000000;3.000000;;"}},
        {span, TOriginMode::EncodeZeroLeft, {"0.000000;0.000000;0.000000;,", "10.000000;0.000000;0.000000;;"}},
        {span, TOriginMode::EncodeZeroCenter, {"-5.000000;0.000000;0.000000;,", "5.000000;0.000000;0.000000;;"}},
        {{.name = "T", .vertices = {{1e-6f, -1e-6f, 2e-6f}}}, TOriginMode::NotEncode,
         {"0.000001;0.000002;-0.000001;;"}},
    };
    for (const Case& c : cases) {
        auto model = LoadModel({c.mesh});
        TExportOptions options;
        options.Origin = c.origin;
        EXPECT_EQ(VertexLines(MeshText(*model, options, 0)), c.lines) << c.mesh.name;
    }
}

// Vertices no face uses, far out (issue 16): a number whose "%.6f" form would have
// 16 digits or more before the point is written in exponent form, which the
// project's loader reads back as the same float; every smaller one as before.
TEST(XTextWriter, HugeCoordinatesTakeTheExponentFormAndReadBack) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.37f, "0.370000"},
        {-123456.789f, "-123456.789062"},
        {999999986991104.0f, "999999986991104.000000"},  // the largest float below 1e15
        {1000000054099968.0f, "1.00000005e+15"},          // the next one
        {2e35f, "2.0e+35"},
        {-3e35f, "-3.0e+35"},
        {std::numeric_limits<float>::max(), "3.4028235e+38"},
    };
    MeshSpec far{.name = "Far", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}};
    for (const auto& c : cases) far.vertices.push_back({c.value, 1, 2});
    auto model = LoadModel({far});
    TExportOptions keep;
    keep.Origin = TOriginMode::NotEncode;
    for (const std::string& text : {MeshText(*model, keep, 0), MergedText(*model, {})}) {
        const auto lines = VertexLines(text);
        const auto meshes = viewer::ParseXFile(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        ASSERT_EQ(meshes.size(), 1u);
        ASSERT_EQ(meshes[0].positions.size(), lines.size());
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const bool last = i + 1 == std::size(cases);
            EXPECT_EQ(lines[3 + i], std::string(cases[i].text) + ";2.000000;1.000000;" + (last ? ";" : ","));
            EXPECT_EQ(meshes[0].positions[3 + i].x, cases[i].value) << cases[i].text;
        }
    }
}

TEST(XTextWriter, MergedOutputNeitherSnapsNorMoves) {
    auto model = LoadModel({{.name = "A", .vertices = {{0, 0, 0}, {10, 20, 30}}, .faces = {{0, 1, 1}}},
                            {.name = "B", .vertices = {{1, 2, 3}}, .faces = {{0, 0, 0}}}});
    EXPECT_EQ(VertexLines(MergedText(*model, {})),
              (std::vector<std::string>{"0.000000;0.000000;0.000000;,", "10.000000;30.000000;20.000000;,",
                                        "1.000000;3.000000;2.000000;;"}));
}

TEST(XTextWriter, MergedFacesAreOffsetAndWound) {
    std::vector<testsupport::Vertex> eight(8, {1, 1, 1});
    auto model = LoadModel({{.name = "A", .vertices = eight, .faces = {{0, 1, 2}}},
                            {.name = "Empty"},
                            {.name = "B", .vertices = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}}, .faces = {{0, 1, 2}, {3, 2, 1}}}});
    const auto lines = Lines(MergedText(*model, {}));
    EXPECT_EQ(lines.at(8), "Mesh {");
    EXPECT_EQ(lines.at(9), "12;");
    EXPECT_EQ(lines.at(22), "3;");
    EXPECT_EQ(lines.at(23), "3;0,2,1;,");
    EXPECT_EQ(lines.at(24), "3;8,10,9;,");
    EXPECT_EQ(lines.at(25), "3;11,9,10;;");
    EXPECT_EQ(lines.at(26), "}");
}

TEST(XTextWriter, ListsEndRightForOneVertexNoFacesAndTrailingEmptyMesh) {
    auto one = LoadModel({{.name = "One", .vertices = {{1, 2, 3}}}});
    EXPECT_EQ(Lines(MeshText(*one, {}, 0)),
              (std::vector<std::string>{"xof 0303txt 0032", "", "Header {", "1;", "0;", "1;", "}", "", "Mesh One {",
                                        "1;", "0.000000;0.000000;0.000000;;", "0;", "}"}));

    auto trailing = LoadModel({{.name = "A", .vertices = {{1, 2, 3}}, .faces = {{0, 0, 0}}}, {.name = "B"}});
    const auto lines = Lines(MergedText(*trailing, {}));
    EXPECT_EQ(lines.at(10), "1.000000;3.000000;2.000000;;");
    EXPECT_EQ(lines.at(12), "3;0,0,0;;");
}

// A name stays byte for byte when readers take it for one word; otherwise each
// byte they would stop at becomes "_". Shift-JIS characters stay whole, even
// when their trail byte is a bracket or a backslash.
TEST(XTextWriter, MeshNameIsWrittenAsOneWord) {
    const struct {
        std::string name, line;
    } cases[] = {
        {"Box_01", "Mesh Box_01 {"},
        {"\x83\x8c\x83\x66\x83\x42", "Mesh \x83\x8c\x83\x66\x83\x42 {"},
        {"\x83[\x83]\x83{\x83}\x83\\\xB1", "Mesh \x83[\x83]\x83{\x83}\x83\\\xB1 {"},
        {"", "Mesh {"},
        {"Big Box 2", "Mesh Big_Box_2 {"},
        {"a{b}c;d,e", "Mesh a_b_c_d_e {"},
        {"q\"x#y//z", "Mesh q_x_y__z {"},
        {"tab\tnew\nline\x01\x7F", "Mesh tab_new_line__ {"},
        {"123", "Mesh _123 {"},
        {"9 lives", "Mesh _9_lives {"},
        {"Box.01-a", "Mesh Box_01_a {"},
        {"\x83 x\x83", "Mesh \x83_x\x83 {"},  // a lead byte without its trail byte
    };
    for (const auto& c : cases) {
        auto model = LoadModel({{.name = c.name, .vertices = {{1, 1, 1}}}});
        EXPECT_EQ(Lines(MeshText(*model, {}, 0)).at(8), c.line) << c.name;
    }
}

// A NaN or infinite coordinate is written as 0 and leaves the box alone: every
// other coordinate is written as if the value were not there.
TEST(XTextWriter, NonFiniteCoordinatesAreWrittenAsZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const MeshSpec finite{.name = "F", .vertices = {{0, 0, 0}, {2, 6, 4}}, .faces = {{0, 1, 1}}};
    MeshSpec spoilt = finite;
    spoilt.vertices.insert(spoilt.vertices.begin() + 1, {{nan, inf, -inf}, {1, nan, nan}});
    using Write = std::function<std::string(model3ds::TFile3DS&, TOriginMode)>;
    const struct {
        const char* what;
        Write write;
    } writers[] = {
        {"mesh", [](auto& m, TOriginMode origin) {
             TExportOptions options;
             options.Origin = origin;
             return MeshText(m, options, 0);
         }},
        {"merged", [](auto& m, TOriginMode) { return MergedText(m, {}); }},
    };
    for (const auto& writer : writers) {
        for (const TOriginMode origin :
             {TOriginMode::EncodeZeroCenter, TOriginMode::EncodeZeroLeft, TOriginMode::NotEncode}) {
            SCOPED_TRACE(testing::Message() << writer.what << " origin " << static_cast<int>(origin));
            auto clean = LoadModel({finite});
            auto model = LoadModel({spoilt});
            const auto expected = VertexLines(writer.write(*clean, origin));
            const auto lines = VertexLines(writer.write(*model, origin));
            ASSERT_EQ(lines.size(), 4u);
            EXPECT_EQ(lines[0], expected[0]);
            EXPECT_EQ(lines[1], "0.000000;0.000000;0.000000;,");
            EXPECT_EQ(lines[2].substr(lines[2].find(';')), ";0.000000;0.000000;,");
            EXPECT_EQ(lines[3], expected[1]);
        }
    }
    auto clean = LoadModel({finite});
    auto model = LoadModel({spoilt});
    EXPECT_EQ(xexport::CountNonFiniteCoordinates(*model->ObjectList().GetMesh(0)), 5u);
    const auto box = xexport::GetMeshBounds(*model, 0);
    const auto cleanBox = xexport::GetMeshBounds(*clean, 0);
    for (auto axis : {&model3ds::TVector3DS::x, &model3ds::TVector3DS::y, &model3ds::TVector3DS::z}) {
        EXPECT_EQ(box.Min.*axis, cleanBox.Min.*axis);
        EXPECT_EQ(box.Max.*axis, cleanBox.Max.*axis);
    }
    auto nothingFinite = LoadModel({{.name = "N", .vertices = {{nan, 1, 1}, {inf, 3, 3}}}});
    EXPECT_EQ(xexport::GetMeshBounds(*nothingFinite, 0).Max.x, 0);
}

TEST(XTextWriter, FaceMaterialIndicesOfOneMeshFollowTheFirstGroup) {
    auto model = LoadModel({{.name = "M",
                             .vertices = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}},
                             .faces = {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}, {0, 1, 2}},
                             .groups = {{"Red", {1, 2}}, {"Blue", {2, 3}}, {"Red", {3}}}}},
                           {{.name = "Blue", .diffuse = testsupport::Rgb{0, 0, 255}},
                            {.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}}});
    const auto lines = Lines(MeshText(*model, {}, 0));
    const std::vector<std::string> list(lines.begin() + 19, lines.begin() + 25);
    EXPECT_EQ(list, (std::vector<std::string>{"3;", "4;", "0,", "0,", "0,", "1;"}));
    EXPECT_EQ(lines.at(25), "Material {");
    EXPECT_EQ(lines.at(26), "1.000000;0.000000;0.000000;1.000000;;");
    EXPECT_EQ(lines.at(32), "0.000000;0.000000;1.000000;1.000000;;");
    EXPECT_EQ(lines.at(38), "1.000000;0.000000;0.000000;1.000000;;");
}

TEST(XTextWriter, MergedFaceMaterialIndicesReferToTheModelList) {
    auto model = LoadModel({{.name = "A", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}, {0, 0, 0}},
                             .groups = {{"Blue", {1}}}},
                            {.name = "B", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
                             .groups = {{"Gone", {0}}, {"Blue", {1}}, {"Green", {2}}}}},
                           {{.name = "Red"}, {.name = "Green"}, {.name = "Blue"}, {.name = "Blue"}});
    const auto lines = Lines(MergedText(*model, {}));
    const std::vector<std::string> list(lines.begin() + 18, lines.begin() + 25);
    EXPECT_EQ(list, (std::vector<std::string>{"MeshMaterialList {", "4;", "5;", "0,", "2,", "0,", "2,"}));
    EXPECT_EQ(lines.at(25), "1;");
    EXPECT_EQ(lines.size(), 26u + 4 * 6 + 2);
}

TEST(XTextWriter, MergedMaterialsOfOneNameAllTakeTheFirstsValues) {
    auto model = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}}},
                           {{.name = "Twin", .diffuse = testsupport::Rgb{255, 0, 0}},
                            {.name = "Twin", .diffuse = testsupport::Rgb{0, 255, 0}}});
    const auto lines = Lines(MergedText(*model, {}));
    EXPECT_EQ(lines.at(18), "1.000000;0.000000;0.000000;1.000000;;");
    EXPECT_EQ(lines.at(24), "1.000000;0.000000;0.000000;1.000000;;");
}

TEST(XTextWriter, PowerAndAlphaRules) {
    struct Case {
        float power, opacity;
        bool setTranse;
        std::string meshColour, meshPower, mergedColour, mergedPower;
    } cases[] = {
        {15, 1, true, "1.000000;0.000000;0.000000;1.000000;;", "15.000000;", "1.000000;0.000000;0.000000;1.000000;;", "15.000000;"},
        {0, 0.5f, true, "1.000000;0.000000;0.000000;0.500000;;", "0.000000;", "1.000000;0.000000;0.000000;0.500000;;", "1.000000;"},
        {0.5f, 0.5f, false, "1.000000;0.000000;0.000000;1.000000;;", "0.500000;", "1.000000;0.000000;0.000000;1.000000;;", "1.000000;"},
        {50, 0, true, "1.000000;0.000000;0.000000;1.000000;;", "50.000000;", "1.000000;0.000000;0.000000;1.000000;;", "50.000000;"},
    };
    for (const Case& c : cases) {
        auto model = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"Red", {0}}}}},
                               {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}}});
        auto* red = model->MaterialList().GetMaterial(0);
        red->SpecularPower = c.power;
        red->Opacity = c.opacity;
        TExportOptions options;
        options.SetTranse = c.setTranse;
        const auto mesh = Lines(MeshText(*model, options, 0));
        EXPECT_EQ(mesh.at(18), c.meshColour) << c.power;
        EXPECT_EQ(mesh.at(19), c.meshPower) << c.power;
        const auto merged = Lines(MergedText(*model, options));
        EXPECT_EQ(merged.at(18), c.mergedColour) << c.power;
        EXPECT_EQ(merged.at(19), c.mergedPower) << c.power;
    }
}

TEST(XTextWriter, MaterialListOnlyWhenAskedForAndPresent) {
    auto grouped = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"Red", {0}}}}},
                             {{.name = "Red"}});
    auto ungrouped = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}}}, {{.name = "Red"}});
    auto bare = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"Red", {0}}}}});
    TExportOptions off;
    off.SaveMaterial = false;
    const auto has = [](const std::string& text) { return text.find("MeshMaterialList") != std::string::npos; };
    EXPECT_TRUE(has(MeshText(*grouped, {}, 0)));
    EXPECT_FALSE(has(MeshText(*grouped, off, 0)));
    EXPECT_FALSE(has(MergedText(*grouped, off)));
    EXPECT_FALSE(has(MeshText(*ungrouped, {}, 0)));
    EXPECT_TRUE(has(MergedText(*ungrouped, {})));
    // Without any model material a merged list would point every face at a missing material.
    EXPECT_FALSE(has(MergedText(*bare, {})));
}

TEST(XTextWriter, GroupOfUnknownMaterialIsWhiteAndOpaque) {
    auto model = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"Nowhere", {0}}}}},
                           {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}}});
    const auto lines = Lines(MeshText(*model, {}, 0));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 17, lines.begin() + 23),
              (std::vector<std::string>{"Material {", "1.000000;1.000000;1.000000;1.000000;;", "15.000000;",
                                        "0.000000;0.000000;0.000000;;", "0.000000;0.000000;0.000000;;", "}"}));
}

TEST(XTextWriter, MergedIndicesPast65535AreWrittenWhole) {
    std::vector<testsupport::Vertex> many(40000, {1, 1, 1});
    auto model = LoadModel({{.name = "A", .vertices = many, .faces = {{0, 0, 0}}},
                            {.name = "B", .vertices = many, .faces = {{0, 39999, 1}}}});
    const auto lines = Lines(MergedText(*model, {}));
    EXPECT_EQ(lines.at(9), "80000;");
    EXPECT_EQ(lines.at(10 + 80000), "2;");
    EXPECT_EQ(lines.at(12 + 80000), "3;40000,40001,79999;;");
}

TEST(XTextWriter, NothingToExportWritesNothing) {
    auto model = LoadModel({{.name = "Empty"}, {.name = "Full", .vertices = {{1, 1, 1}}}});
    auto none = LoadModel({});
    base::MemoryStream stream;
    stream.WriteBuffer("keep", 4);
    xexport::WriteMeshXText(*model, {}, "", &stream, -1);
    xexport::WriteMeshXText(*model, {}, "", &stream, 0);
    xexport::WriteMergedXText(*none, {}, "", &stream);
    EXPECT_EQ(stream.Size(), 4u);
    EXPECT_EQ(stream.Position(), 4u);
    xexport::WriteMeshXText(*model, {}, "", &stream, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Bytes().data()), 20), "keepxof 0303txt 0032");
}

TEST(XTextWriter, AGivenStreamTakesTheTextAndNoFileIsTouched) {
    testsupport::TempDir dir;
    auto model = TriangleModel();
    base::MemoryStream stream;
    xexport::WriteMergedXText(*model, {}, dir.File("a.x"), &stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_GT(stream.Size(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(XTextWriter, FormatMaterialLineGivesEachPart) {
    auto model = TriangleModel();
    auto* red = model->MaterialList().GetMaterial(0);
    red->SpecularPower = 0;
    red->Opacity = 0.25f;
    EXPECT_EQ(FormatMaterialLine(*model, {}, "Red", xexport::TMaterialPart::Colour),
              "1.000000;0.000000;0.000000;0.250000;;\r\n0.000000;\r\n");
    EXPECT_EQ(FormatMaterialLine(*model, {}, "Red", xexport::TMaterialPart::Specular), "0.900000;0.900000;0.900000;;\r\n");
    EXPECT_EQ(FormatMaterialLine(*model, {}, "Red", xexport::TMaterialPart::Emissive), "0.000000;0.000000;0.000000;;\r\n");
}

}  // namespace
