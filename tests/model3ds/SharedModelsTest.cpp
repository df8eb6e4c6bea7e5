// Real files written by other programs, checked against lib3ds's 3dsdump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/Format.h"
#include "model3ds/File3DS.h"
#include "model3ds/MaterialColor.h"
#include "support/TempDir.h"

using namespace model3ds;

namespace {

struct MeshFacts {
    std::string name;
    int vertices, faces;
    bool operator==(const MeshFacts&) const = default;
    bool operator<(const MeshFacts& o) const {
        return std::tie(name, vertices, faces) < std::tie(o.name, o.vertices, o.faces);
    }
};

struct MaterialFacts {
    std::string name, diffuse;
    bool operator==(const MaterialFacts&) const = default;
    bool operator<(const MaterialFacts& o) const { return std::tie(name, diffuse) < std::tie(o.name, o.diffuse); }
};

std::ostream& operator<<(std::ostream& out, const MeshFacts& m) {
    return out << m.name << " " << m.vertices << "/" << m.faces;
}
std::ostream& operator<<(std::ostream& out, const MaterialFacts& m) { return out << m.name << " " << m.diffuse; }

std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

bool HaveDump() { return std::system("command -v 3dsdump >/dev/null 2>&1") == 0; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// "  NAME vertices=N faces=M" lines of "3dsdump -t".
std::vector<MeshFacts> DumpMeshes(const std::string& path) {
    static const std::regex line(R"(^  (.*) vertices=(\d+) faces=(\d+)$)");
    std::vector<MeshFacts> meshes;
    for (const std::string& text : Lines(RunCommand("3dsdump -t '" + path + "'"))) {
        std::smatch m;
        if (std::regex_match(text, m, line)) meshes.push_back({m[1], std::stoi(m[2]), std::stoi(m[3])});
    }
    return meshes;
}

// "  name: X" followed by "  diffuse: (r, g, b)" blocks of "3dsdump -m".
std::vector<MaterialFacts> DumpMaterials(const std::string& path) {
    static const std::regex name(R"(^  name:\s+(.*)$)");
    static const std::regex diffuse(R"(^  diffuse:\s+\(([-0-9.]+), ([-0-9.]+), ([-0-9.]+)\)$)");
    std::vector<MaterialFacts> materials;
    for (const std::string& text : Lines(RunCommand("3dsdump -m '" + path + "'"))) {
        std::smatch m;
        if (std::regex_match(text, m, name)) {
            materials.push_back({m[1], ""});
        } else if (std::regex_match(text, m, diffuse) && !materials.empty()) {
            const TColor3DS color{std::stof(m[1]), std::stof(m[2]), std::stof(m[3])};
            materials.back().diffuse = FormatColorText(color);
        }
    }
    return materials;
}

std::vector<std::filesystem::path> SharedFiles() {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = testsupport::SharedModels() / "3ds";
    if (testsupport::SharedModels().empty() || !std::filesystem::exists(folder)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// lib3ds keeps its own order, so both sides are compared sorted.
TEST(SharedModels, NamesAndCountsAgreeWithLib3ds) {
    const auto files = SharedFiles();
    if (files.empty()) GTEST_SKIP() << "shared 3ds models not found";
    if (!HaveDump()) GTEST_SKIP() << "3dsdump (lib3ds) not installed";
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        TFile3DS model(file.string());
        std::vector<MeshFacts> meshes;
        for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) {
            const TMesh3DS& mesh = *model.ObjectList().GetMesh(i);
            meshes.push_back({mesh.Name, mesh.NumVertices(), mesh.NumFaces()});
        }
        std::vector<MaterialFacts> materials;
        for (int i = 0; i < model.MaterialList().MaterialTotal(); ++i) {
            const TMaterial3DS& material = *model.MaterialList().GetMaterial(i);
            materials.push_back({material.Name, FormatColorText(material.Diffuse)});
        }
        std::vector<MeshFacts> expectedMeshes = DumpMeshes(file.string());
        std::vector<MaterialFacts> expectedMaterials = DumpMaterials(file.string());
        ASSERT_FALSE(expectedMeshes.empty());
        std::sort(meshes.begin(), meshes.end());
        std::sort(expectedMeshes.begin(), expectedMeshes.end());
        std::sort(materials.begin(), materials.end());
        std::sort(expectedMaterials.begin(), expectedMaterials.end());
        EXPECT_EQ(meshes, expectedMeshes);
        EXPECT_EQ(materials, expectedMaterials);
    }
}
