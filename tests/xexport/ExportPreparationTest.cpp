#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "XExportTestSupport.h"
#include "support/TempDir.h"
#include "xexport/ExportPreparation.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/XTextWriter.h"

namespace {

using xtest::LoadModel;

TEST(ExportPreparation, SnapTinyValueReplacesMagnitudesUpToOneMillionth) {
    const float above = std::nextafter(1e-6f, 1.0f);
    struct Case {
        float in, out;
    } cases[] = {{0.0f, -1e-6f}, {-0.0f, -1e-6f}, {1e-6f, 1e-6f}, {-1e-6f, -1e-6f}, {1e-7f, 1e-6f},
                 {-3e-7f, -1e-6f}, {above, above}, {-above, -above}, {2.5f, 2.5f}, {-1e30f, -1e30f}};
    for (const Case& c : cases) {
        float value = c.in;
        xexport::SnapTinyValue(value);
        EXPECT_EQ(value, c.out) << c.in;
    }
}

TEST(ExportPreparation, MeshBoundsAreTheStoredExtremes) {
    auto model = LoadModel({{.name = "A", .vertices = {{0, -2, 5}, {3, 1, -4}, {1e-7f, 0, 0}}}, {.name = "Empty"}});
    const auto box = xexport::GetMeshBounds(*model, 0);
    EXPECT_EQ(box.Min.x, 0);
    EXPECT_EQ(box.Min.y, -2);
    EXPECT_EQ(box.Min.z, -4);
    EXPECT_EQ(box.Max.x, 3);
    EXPECT_EQ(box.Max.y, 1);
    EXPECT_EQ(box.Max.z, 5);
    for (const int index : {1, -1}) {
        const auto none = xexport::GetMeshBounds(*model, index);
        EXPECT_EQ(none.Min.x + none.Min.y + none.Min.z + none.Max.x + none.Max.y + none.Max.z, 0);
    }
}

TEST(ExportPreparation, FaceGroupAndMaterialIndexTakeTheFirstMatch) {
    auto model = LoadModel({{.name = "M",
                             .vertices = {{1, 1, 1}},
                             .faces = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
                             .groups = {{"Blue", {2}}, {"Red", {1, 2}}, {"", {3}}}}},
                           {{.name = "Red"}, {.name = "Blue"}, {.name = "Red"}, {.name = ""}});
    struct Case {
        int face, group;
        std::string name;
        int material;
    } cases[] = {{0, 0, "", 0}, {1, 1, "Red", 0}, {2, 0, "Blue", 1}, {3, 2, "", 0}};
    for (const Case& c : cases) {
        const auto group = xexport::FaceGroupIndex(*model, 0, c.face);
        EXPECT_EQ(group.Index, c.group) << c.face;
        EXPECT_EQ(group.Name, c.name) << c.face;
        EXPECT_EQ(xexport::FaceMaterialIndex(*model, 0, c.face), c.material) << c.face;
    }
}

TEST(ExportPreparation, CorruptIndicesRaiseNamingTheMeshAndWriteNothing) {
    struct Case {
        testsupport::MeshSpec mesh;
        std::string fragment;
    } cases[] = {
        {{.name = "Broken", .vertices = {{1, 1, 1}, {2, 2, 2}}, .faces = {{0, 1, 2}}}, "vertex 2"},
        {{.name = "Broken", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}, .groups = {{"Red", {0, 1}}}}, "face 1"},
    };
    testsupport::TempDir dir;
    const std::string path = dir.File("old.x");
    std::ofstream(path) << "previous";
    for (const Case& c : cases) {
        auto model = LoadModel({c.mesh}, {{.name = "Red"}});
        const auto expectError = [&](const auto& write) {
            try {
                write();
                ADD_FAILURE() << "no error for " << c.fragment;
            } catch (const model3ds::E3DSError& error) {
                EXPECT_NE(std::string(error.what()).find("\"Broken\""), std::string::npos) << error.what();
                EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos) << error.what();
            }
        };
        base::MemoryStream stream;
        expectError([&] { xexport::WriteMeshXText(*model, {}, path, nullptr, 0); });
        expectError([&] { xexport::WriteMergedXText(*model, {}, path, nullptr); });
        expectError([&] { xexport::WriteMeshXBinary(*model, {}, path, stream, 0); });
        expectError([&] { xexport::WriteMergedXBinary(*model, {}, path, stream); });
        EXPECT_EQ(stream.Size(), 0u);
    }
    std::ifstream file(path);
    std::string kept;
    std::getline(file, kept);
    EXPECT_EQ(kept, "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(ExportPreparation, FailedFileWriteRaisesAndLeavesNoFile) {
    testsupport::TempDir dir;
    auto model = LoadModel({{.name = "A", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}}});
    const std::string path = dir.File("missing/a.x");
    base::MemoryStream stream;
    EXPECT_THROW(xexport::WriteMeshXText(*model, {}, path, nullptr, 0), base::EStreamError);
    EXPECT_THROW(xexport::WriteMergedXBinary(*model, {}, path, stream), base::EStreamError);
    EXPECT_GT(stream.Size(), 0u);  // the stream still holds the data
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(ExportPreparation, TextFileReplacesAnExistingFileWhole) {
    testsupport::TempDir dir;
    const std::string path = dir.File("a.x");
    std::ofstream(path) << std::string(10000, 'z');
    auto model = LoadModel({{.name = "A", .vertices = {{1, 1, 1}}}});
    xexport::WriteMeshXText(*model, {}, path, nullptr, 0);
    EXPECT_EQ(std::filesystem::file_size(path), xtest::MeshText(*model, {}, 0).size());
}

}  // namespace
