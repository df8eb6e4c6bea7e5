#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "XExportTestSupport.h"
#include "base/Format.h"
#include "support/TempDir.h"
#include "xexport/XBinaryWriter.h"

namespace {

using testsupport::MeshSpec;
using xexport::TExportOptions;
using xtest::DecodeTokens;
using xtest::ListAfter;
using xtest::LoadModel;
using xtest::TriangleModel;
using xtest::MergedBinary;
using xtest::MeshBinary;

// Little-endian bytes, built here independently of the writer's primitives.
class Bytes {
public:
    Bytes& Text(const std::string& text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& Word(std::uint16_t v) { return Put(&v, 2); }
    Bytes& Dword(std::uint32_t v) { return Put(&v, 4); }
    Bytes& Float(float v) { return Put(&v, 4); }
    Bytes& Name(const std::string& name) { return Word(1).Dword(static_cast<std::uint32_t>(name.size())).Text(name); }
    Bytes& Ints(std::initializer_list<std::uint32_t> values) {
        Word(6).Dword(static_cast<std::uint32_t>(values.size()));
        for (auto v : values) Dword(v);
        return *this;
    }
    Bytes& Floats(std::initializer_list<float> values) {
        Word(7).Dword(static_cast<std::uint32_t>(values.size()));
        for (auto v : values) Float(v);
        return *this;
    }
    const std::vector<std::uint8_t>& Get() const { return bytes_; }

private:
    Bytes& Put(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
        return *this;
    }
    std::vector<std::uint8_t> bytes_;
};

TEST(XBinaryWriter, TriangleExampleIs254BytesExactly) {
    auto model = TriangleModel();
    const float lo = static_cast<float>(-1e-6f - 0.5);  // a snapped zero moved by the box centre
    const float snapped = -1e-6f;
    Bytes expected;
    expected.Text("xof 0303bin 0032").Name("Header").Word(10).Ints({1, 0, 1}).Word(11);
    expected.Name("Mesh").Word(10).Ints({3});
    expected.Floats({lo, snapped, lo, 0.5f, snapped, lo, lo, snapped, 0.5f});
    expected.Ints({1, 3, 0, 2, 1});
    expected.Name("MeshMaterialList").Word(10).Ints({1, 1, 0});
    expected.Name("Material").Word(10).Floats({1, 0, 0, 1, 15, 0.9f, 0.9f, 0.9f, 0, 0, 0}).Word(11);
    expected.Word(11).Word(11);

    const auto bytes = MeshBinary(*model, {}, 0);
    ASSERT_EQ(bytes.size(), 254u);
    EXPECT_EQ(bytes, expected.Get());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 16, bytes.begin() + 28),
              (std::vector<std::uint8_t>{1, 0, 6, 0, 0, 0, 'H', 'e', 'a', 'd', 'e', 'r'}));
}

TEST(XBinaryWriter, MergedTwoMeshesByteForByte) {
    auto model = LoadModel({{.name = "A", .vertices = {{0, 0, 0}, {1, 2, 3}}, .faces = {{0, 1, 1}}, .groups = {{"M", {0}}}},
                            {.name = "B", .vertices = {{4, 5, 6}}, .faces = {{0, 0, 0}}}},
                           {{.name = "N", .diffuse = testsupport::Rgb{0, 0, 255}, .specular = testsupport::Rgb{0, 255, 0}},
                            {.name = "M", .diffuse = testsupport::Rgb{255, 0, 0}, .specular = testsupport::Rgb{0, 0, 0}}});
    Bytes expected;
    expected.Text("xof 0303bin 0032").Name("Header").Word(10).Ints({1, 0, 1}).Word(11);
    expected.Name("Mesh").Word(10).Ints({3});
    expected.Floats({-1e-6f, -1e-6f, -1e-6f, 1, 3, 2, 4, 6, 5});
    expected.Ints({2, 3, 0, 1, 1, 3, 2, 2, 2});
    expected.Name("MeshMaterialList").Word(10).Ints({2, 2, 1, 0});
    expected.Name("Material").Word(10).Floats({0, 0, 1, 1, 15, 0, 1, 0, 0, 0, 0}).Word(11);
    expected.Name("Material").Word(10).Floats({1, 0, 0, 1, 15, 0, 0, 0, 0, 0, 0}).Word(11);
    expected.Word(11).Word(11);

    const auto bytes = MergedBinary(*model, {});
    EXPECT_EQ(bytes.size(), 342u);
    EXPECT_EQ(bytes, expected.Get());
}

TEST(XBinaryWriter, SizeFollowsTheCountsAndNoMeshNameIsWritten) {
    struct Case {
        MeshSpec mesh;
        bool saveMaterial;
        std::size_t size;
    } cases[] = {
        {{.name = "Named mesh", .vertices = {{1, 1, 1}}}, true, 102},
        {{.name = "N", .vertices = {{1, 1, 1}, {2, 2, 2}}, .faces = {{0, 1, 1}, {1, 0, 0}}, .groups = {{"A", {0}}, {"B", {1}}}},
         true, 330},
        {{.name = "N", .vertices = {{1, 1, 1}, {2, 2, 2}}, .faces = {{0, 1, 1}, {1, 0, 0}}, .groups = {{"A", {0}}}},
         false, 146},
    };
    for (const Case& c : cases) {
        auto model = LoadModel({c.mesh}, {{.name = "A"}});
        TExportOptions options;
        options.SaveMaterial = c.saveMaterial;
        const auto bytes = MeshBinary(*model, options, 0);
        EXPECT_EQ(bytes.size(), c.size) << c.mesh.name;
        EXPECT_EQ(ListAfter(DecodeTokens(bytes), "Mesh").ints, std::vector<std::uint32_t>{static_cast<std::uint32_t>(c.mesh.vertices.size())});
        const auto tokens = DecodeTokens(bytes);
        EXPECT_EQ(tokens.back().code, 11);
        const bool hasList = c.saveMaterial && !c.mesh.groups.empty();
        EXPECT_EQ(tokens[tokens.size() - 2].code, hasList ? 11 : 6);
    }
}

TEST(XBinaryWriter, MeshWithoutFacesWritesFaceListOfOneZero) {
    auto model = LoadModel({{.name = "P", .vertices = {{0, 0, 0}}}});
    TExportOptions options;
    options.Origin = xexport::TOriginMode::NotEncode;
    const auto tokens = DecodeTokens(MeshBinary(*model, options, 0));
    EXPECT_EQ(ListAfter(tokens, "Mesh", 1).floats, (std::vector<float>{-1e-6f, -1e-6f, -1e-6f}));
    EXPECT_EQ(ListAfter(tokens, "Mesh", 2).ints, std::vector<std::uint32_t>{0});

    // Merged with materials, a mesh without faces adds no face material index.
    auto merged = LoadModel({{.name = "P", .vertices = {{0, 0, 0}}},
                             {.name = "T", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"B", {0}}}}},
                            {{.name = "A"}, {.name = "B"}});
    const auto mergedTokens = DecodeTokens(MergedBinary(*merged, {}));
    EXPECT_EQ(ListAfter(mergedTokens, "MeshMaterialList").ints, (std::vector<std::uint32_t>{2, 1, 1}));
}

TEST(XBinaryWriter, MergedSnapsButDoesNotMoveAndOffsetsFaces) {
    std::vector<testsupport::Vertex> eight(8, {5, 6, 7});
    eight[0] = {0, 2, 3};
    auto model = LoadModel({{.name = "A", .vertices = eight, .faces = {{0, 1, 2}}, .groups = {{"Blue", {0}}}},
                            {.name = "B", .vertices = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}}, .faces = {{0, 1, 2}},
                             .groups = {{"Red", {0}}}}},
                           {{.name = "Red"}, {.name = "Blue"}});
    const auto tokens = DecodeTokens(MergedBinary(*model, {}));
    const auto& vertices = ListAfter(tokens, "Mesh", 1).floats;
    ASSERT_EQ(vertices.size(), 36u);
    EXPECT_EQ(std::vector<float>(vertices.begin(), vertices.begin() + 3), (std::vector<float>{-1e-6f, 3, 2}));
    EXPECT_EQ(ListAfter(tokens, "Mesh", 2).ints, (std::vector<std::uint32_t>{2, 3, 0, 2, 1, 3, 8, 10, 9}));
    EXPECT_EQ(ListAfter(tokens, "MeshMaterialList").ints, (std::vector<std::uint32_t>{2, 2, 1, 0}));
}

TEST(XBinaryWriter, MergedIndicesPast65535AreWrittenWhole) {
    std::vector<testsupport::Vertex> many(65535, {1, 1, 1});
    auto model = LoadModel({{.name = "A", .vertices = many, .faces = {{0, 0, 0}}},
                            {.name = "B", .vertices = {{1, 1, 1}, {2, 2, 2}}, .faces = {{0, 1, 1}}}});
    const auto tokens = DecodeTokens(MergedBinary(*model, {}));
    EXPECT_EQ(ListAfter(tokens, "Mesh").ints, std::vector<std::uint32_t>{65537});
    EXPECT_EQ(ListAfter(tokens, "Mesh", 2).ints, (std::vector<std::uint32_t>{2, 3, 0, 0, 0, 3, 65535, 65536, 65536}));
}

TEST(XBinaryWriter, MaterialValuesFollowThePowerAndAlphaRules) {
    auto model = LoadModel({{.name = "M", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"Red", {0}}, {"None", {0}}}}},
                           {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}, .specular = testsupport::Rgb{0, 255, 0}}});
    auto* red = model->MaterialList().GetMaterial(0);
    red->SpecularPower = 0.5f;
    red->Opacity = 0.5f;
    for (const bool merged : {false, true}) {
        const auto tokens = DecodeTokens(merged ? MergedBinary(*model, {}) : MeshBinary(*model, {}, 0));
        EXPECT_EQ(ListAfter(tokens, "Material").floats, (std::vector<float>{1, 0, 0, 0.5f, 1, 0, 1, 0, 0, 0, 0}));
        if (!merged) {
            EXPECT_EQ(ListAfter(tokens, "Material", 1).floats, (std::vector<float>{1, 1, 1, 1, 15, 0, 0, 0, 0, 0, 0}));
        }
    }
    TExportOptions opaque;
    opaque.SetTranse = false;
    EXPECT_EQ(ListAfter(DecodeTokens(MeshBinary(*model, opaque, 0)), "Material").floats[3], 1.0f);
}

std::string Fixed6(float value) {
    char digits[base::kMaxFixed6];
    return std::string(digits, base::FormatFixed6(digits, value));
}

TEST(XBinaryWriter, CarriesTheSameVerticesAndFacesAsTheTextForm) {
    std::vector<testsupport::Vertex> vertices;
    for (int i = 0; i < 50; ++i) {
        const float t = static_cast<float>(i);
        vertices.push_back({t * 0.37f - 9.0f, i % 7 == 0 ? 0.0f : 1e-7f * t, -t * t * 0.013f});
    }
    std::vector<testsupport::Face> faces;
    for (std::uint16_t i = 0; i + 2 < 50; ++i) faces.push_back({i, static_cast<std::uint16_t>(i + 2), static_cast<std::uint16_t>(i + 1)});
    auto model = LoadModel({{.name = "Wave", .vertices = vertices, .faces = faces}});
    for (const auto origin : {xexport::TOriginMode::EncodeZeroCenter, xexport::TOriginMode::EncodeZeroLeft,
                              xexport::TOriginMode::NotEncode}) {
        TExportOptions options;
        options.Origin = origin;
        const auto lines = xtest::Lines(xtest::MeshText(*model, options, 0));
        const auto tokens = DecodeTokens(MeshBinary(*model, options, 0));
        const auto& floats = ListAfter(tokens, "Mesh", 1).floats;
        const auto& ints = ListAfter(tokens, "Mesh", 2).ints;
        ASSERT_EQ(floats.size(), 150u);
        ASSERT_EQ(ints.size(), 4 * faces.size() + 1);
        for (std::size_t v = 0; v < 50; ++v) {
            const std::string line = Fixed6(floats[3 * v]) + ";" + Fixed6(floats[3 * v + 1]) + ";" +
                                     Fixed6(floats[3 * v + 2]) + ";" + (v + 1 == 50 ? ";" : ",");
            EXPECT_EQ(lines.at(10 + v), line) << v;
        }
        for (std::size_t f = 0; f < faces.size(); ++f) {
            const std::string line = "3;" + std::to_string(ints[4 * f + 2]) + "," + std::to_string(ints[4 * f + 3]) +
                                     "," + std::to_string(ints[4 * f + 4]) + ";" + (f + 1 == faces.size() ? ";" : ",");
            EXPECT_EQ(lines.at(61 + f), line) << f;
        }
    }
}

TEST(XBinaryWriter, FileGetsTheWholeStreamAndEmptyNameWritesNoFile) {
    testsupport::TempDir dir;
    auto model = TriangleModel();
    const std::string path = dir.File("tri.x");
    base::MemoryStream stream;
    xexport::WriteMeshXBinary(*model, {}, path, stream, 0);
    EXPECT_EQ(stream.Position(), 0u);
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> saved{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(saved, stream.Bytes());
    EXPECT_EQ(saved.size(), 254u);

    base::MemoryStream viewer;
    xexport::WriteMergedXBinary(*model, {}, "", viewer);
    EXPECT_EQ(viewer.Position(), viewer.Size());
    EXPECT_GT(viewer.Size(), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(XBinaryWriter, NothingToExportLeavesStreamEmpty) {
    auto model = LoadModel({{.name = "Empty"}});
    auto none = LoadModel({});
    testsupport::TempDir dir;
    base::MemoryStream stream;
    xexport::WriteMeshXBinary(*model, {}, dir.File("a.x"), stream, 0);
    xexport::WriteMeshXBinary(*model, {}, dir.File("b.x"), stream, -1);
    xexport::WriteMergedXBinary(*none, {}, dir.File("c.x"), stream);
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
