#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "XExportTestSupport.h"
#include "model3ds/File3DS.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "xexport/XTextWriter.h"

namespace {

// The program's path on the PATH, or empty when it is not installed.
std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

// "Faces:  768" and the like from `assimp info FILE -r`.
std::map<std::string, long> InfoCounts(const std::string& text) {
    std::map<std::string, long> counts;
    static const std::regex line(R"((Meshes|Materials|Vertices|Faces):\s+(\d+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it) {
        counts.emplace((*it)[1].str(), std::stol((*it)[2].str()));
    }
    return counts;
}

TEST(AssimpReadBack, EveryRealModelExportedFourWaysReadsBackWithItsCounts) {
    const auto models = testsupport::SharedModels();
    if (models.empty()) GTEST_SKIP() << "the shared model folder is absent";
    const std::string assimp = FindProgram("assimp");
    if (assimp.empty()) GTEST_SKIP() << "assimp (Debian assimp-utils) is not installed";
    testsupport::TempDir dir;
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(models / "3ds")) {
        const std::string input = entry.path().string();
        model3ds::TFile3DS model(input);
        auto& meshes = model.ObjectList();
        const int materials = model.MaterialList().MaterialTotal();
        long totalFaces = 0;
        for (int i = 0; i < meshes.MeshTotal(); ++i) totalFaces += meshes.GetMesh(i)->NumFaces();
        const auto* first = meshes.GetMesh(0);
        for (const bool merge : {false, true}) {
            for (const bool binary : {false, true}) {
                const std::string output = dir.File("out.x");
                std::vector<std::string> command = {KORVANE_CONVERT, "-o", output, input};
                command.insert(command.end(), merge ? std::initializer_list<std::string>{"-m"}
                                                    : std::initializer_list<std::string>{"--mesh", "0"});
                if (binary) command.push_back("-b");
                const auto converted = testsupport::RunProcess(command);
                ASSERT_EQ(converted.exitCode, 0) << input << converted.err;
                const auto info = testsupport::RunProcess({assimp, "info", output, "-r"});
                ASSERT_EQ(info.exitCode, 0) << input << info.out << info.err;
                auto counts = InfoCounts(info.out);
                const long faces = merge ? totalFaces : first->NumFaces();
                const long groups = merge ? materials : first->NumMatGroups();
                const std::string what = input + (merge ? " merged" : " mesh 0") + (binary ? " binary" : " text");
                // The reader splits one Mesh by material, so only faces and vertices add up.
                EXPECT_GE(counts["Meshes"], 1) << what;
                EXPECT_EQ(counts["Faces"], faces) << what;
                // A raw import gives every face its own three vertices.
                EXPECT_EQ(counts["Vertices"], 3 * faces) << what;
                // Without a material list the reader makes up one default material.
                EXPECT_EQ(counts["Materials"], groups > 0 ? groups : 1) << what;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 0);
}

// Mesh names that the text form cannot hold as they are still give files that
// another reader parses.
TEST(AssimpReadBack, MeshesOfAnyNameReadBack) {
    const std::string assimp = FindProgram("assimp");
    if (assimp.empty()) GTEST_SKIP() << "assimp (Debian assimp-utils) is not installed";
    testsupport::TempDir dir;
    const std::string names[] = {"my mesh", "a{b}", "semi;colon", "com,ma", "quo\"te", "#hash",
                                 "//slashes", "tab\there", "12345", "\x83\x8c\x83\x66"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string output = dir.File("out.x");
        auto model = xtest::LoadModel(
            {{.name = name, .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}}});
        xexport::WriteMeshXText(*model, {}, output, nullptr, 0);
        const auto info = testsupport::RunProcess({assimp, "info", output, "-r"});
        ASSERT_EQ(info.exitCode, 0) << info.out << info.err;
        EXPECT_EQ(InfoCounts(info.out)["Faces"], 1);
    }
}

// Vertices no face uses, far out, as a real pickup truck holds them (issue 16):
// the text form, one mesh and merged, still reads back.
TEST(AssimpReadBack, FarOffUnusedVerticesReadBack) {
    const std::string assimp = FindProgram("assimp");
    if (assimp.empty()) GTEST_SKIP() << "assimp (Debian assimp-utils) is not installed";
    testsupport::TempDir dir;
    auto model = xtest::LoadModel({{.name = "Truck",
                                    .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2e35f, -1.9e35f, 3e35f},
                                                 {-1.5e15f, 1e20f, -3.4e38f}},
                                    .faces = {{0, 1, 2}}}});
    xexport::TExportOptions keep;
    keep.Origin = xexport::TOriginMode::NotEncode;
    for (const bool merged : {false, true}) {
        const std::string output = dir.File("truck.x");
        merged ? xexport::WriteMergedXText(*model, {}, output, nullptr) : xexport::WriteMeshXText(*model, keep, output, nullptr, 0);
        const auto info = testsupport::RunProcess({assimp, "info", output, "-r"});
        ASSERT_EQ(info.exitCode, 0) << (merged ? "merged " : "one mesh ") << info.out << info.err;
        EXPECT_EQ(InfoCounts(info.out)["Faces"], 1);
    }
}

// The sums of the num attributes of one kind of array in an assxml dump.
long XmlCount(const std::string& xml, const std::string& element) {
    const std::regex pattern("<" + element + R"re( num="(\d+)")re");
    long total = 0;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), pattern); it != std::sregex_iterator(); ++it)
        total += std::stol((*it)[1].str());
    return total;
}

// Every combination of the extra export options (issue 12), in both forms, one mesh
// and merged, re-imported by assimp: the counts of faces, vertices, normals and
// texture coordinates. The shared models take turns, so each gets its share.
TEST(AssimpReadBack, EveryExtraOptionCombinationReadsBackWithItsCounts) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "the shared model folder is absent";
    const std::string assimp = FindProgram("assimp");
    if (assimp.empty()) GTEST_SKIP() << "assimp (Debian assimp-utils) is not installed";
    std::vector<std::string> models;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "3ds")) models.push_back(entry.path().string());
    std::sort(models.begin(), models.end());
    testsupport::TempDir dir;
    const char* flags[] = {"--texcoords", "--textures", "--normals", "--frames", "--flip-winding", "-b", "-m"};
    for (int bits = 0; bits < 128; ++bits) {
        const std::string& input = models[static_cast<std::size_t>(bits) % models.size()];
        const std::string output = dir.File("out.x");
        std::vector<std::string> command = {KORVANE_CONVERT, "-o", output, "--scale", "0.5", input};
        for (int f = 0; f < 7; ++f) {
            if ((bits & (1 << f)) != 0) command.push_back(flags[f]);
        }
        const bool merge = (bits & 64) != 0;
        if (!merge) command.insert(command.end(), {"--mesh", "0"});
        SCOPED_TRACE(testing::Message() << input << " options " << bits);
        const auto converted = testsupport::RunProcess(command);
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        const std::string xml = dir.File("out.assxml");
        const auto exported = testsupport::RunProcess({assimp, "export", output, xml});
        ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;
        std::ifstream file(xml);
        const std::string dump((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

        model3ds::TFile3DS model(input);
        auto& meshes = model.ObjectList();
        long faces = 0;
        bool texCoords = false;
        for (int i = 0; i < (merge ? meshes.MeshTotal() : 1); ++i) {
            faces += meshes.GetMesh(i)->NumFaces();
            texCoords = texCoords || meshes.GetMesh(i)->NumTexCoords() > 0;
        }
        EXPECT_EQ(XmlCount(dump, "Positions"), 3 * faces);
        EXPECT_EQ(XmlCount(dump, "Normals"), (bits & 4) != 0 ? 3 * faces : 0);
        EXPECT_EQ(XmlCount(dump, "TextureCoords"), (bits & 1) != 0 && texCoords ? 3 * faces : 0);
    }
}

}  // namespace
