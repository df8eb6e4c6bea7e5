#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
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
#include "model3ds/ChunkIds.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"
#include "xexport/ModelScene.h"
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

// The largest distance from a point of either set to the nearest point of the other.
double SetsApart(const std::vector<std::array<double, 3>>& a, const std::vector<std::array<double, 3>>& b) {
    const auto farthest = [](const std::vector<std::array<double, 3>>& from, const std::vector<std::array<double, 3>>& to) {
        double worst = 0;
        for (const auto& p : from) {
            double nearest = HUGE_VAL;
            for (const auto& q : to) nearest = std::min(nearest, std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]));
            worst = std::max(worst, nearest);
        }
        return worst;
    };
    return std::max(farthest(a, b), farthest(b, a));
}

// The --animation export of every shared model and of a built rig (three
// levels, a group, one mesh under two nodes), text and binary, read back by
// assimp: the frames nested as the scene nests them, a channel for each moving
// node whose first keys give its frame's matrix, ticks per second above zero,
// and at sampled ticks, with the keys interpolated as .x readers do, every
// mesh where the keyframer puts it.
TEST(AssimpReadBack, AnimationExportsReadBackWithTheirFramesAndChannels) {
    const std::string assimp = FindProgram("assimp");
    if (assimp.empty()) GTEST_SKIP() << "assimp (Debian assimp-utils) is not installed";
    const std::string python = FindProgram("python3");
    if (python.empty()) GTEST_SKIP() << "python3 is not installed";
    testsupport::TempDir dir;
    std::vector<std::string> inputs;
    const auto folder = testsupport::SharedModels();
    if (!folder.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(folder / "3ds")) inputs.push_back(entry.path().string());
    }
    testsupport::KeyframerSpec kf{.start = 0, .end = 40};
    const auto key = [](std::int32_t frame, std::vector<float> value) {
        return testsupport::KeySpec{.frame = frame, .value = std::move(value)};
    };
    kf.nodes.push_back({.id = 0, .name = "$$$DUMMY", .instance = "Turret"});
    kf.nodes.back().rotation.keys = {key(0, {0, 0, 0, 1}), key(20, {1.0f, 0, 1, 1}), key(40, {2.0f, 1, 0, 0})};
    kf.nodes.push_back({.id = 1, .name = "Gun", .parent = 0});
    kf.nodes.back().position.keys = {key(0, {1, 0, 0}), key(40, {3, 2, 1})};
    kf.nodes.back().scale.keys = {key(0, {1, 1, 1}), key(30, {2, 1, 0.5f})};
    kf.nodes.push_back({.id = 2, .name = "Gun", .parent = 1, .instance = "Barrel"});
    kf.nodes.back().position.keys = {key(0, {0, 0, 2})};
    const testsupport::MeshSpec gun{.name = "Gun", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}};
    inputs.push_back(dir.File("rig.3ds"));
    testsupport::SaveFile(inputs.back(), testsupport::BuildAnimatedModel({gun}, kf));
    for (const std::string& input : inputs) {
        model3ds::TFile3DS model(input);
        const xexport::TModelScene scene = xexport::BuildModelScene(model, {.FileName = input, .TopFrame = true});
        const model3ds::TKeyframer3DS keyframer = model3ds::ReadKeyframer(model);
        const model3ds::TPoseEvaluator pose(keyframer);
        // Frames are the object nodes and the nodes above them.
        std::vector<bool> framed(keyframer.Nodes.size(), false);
        for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
            if (keyframer.Nodes[i].Tag != model3ds::CK_NODE_OBJECT) continue;
            for (int j = static_cast<int>(i); j >= 0; j = pose.Parent(static_cast<std::size_t>(j))) framed[static_cast<std::size_t>(j)] = true;
        }
        std::size_t moving = 0;
        for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) moving += framed[i] && pose.Moves(i) ? 1 : 0;
        // The scene's nodes: the top frame, the framed nodes parents first, then meshes no node places.
        std::vector<int> keyframerNode(scene.Nodes.size(), -1);
        std::size_t next = 1;
        for (const std::size_t i : pose.Order())
            if (framed[i]) keyframerNode.at(next++) = static_cast<int>(i);
        const int last = std::max(0, keyframer.SegmentEnd - keyframer.SegmentStart);
        std::vector<int> ticks = {0, last / 3, std::min(last, 2 * last / 3 + 1), last};
        ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
        // Per tick, per scene node name: the vertices its faces use, in .x axes.
        std::map<int, std::map<std::string, std::vector<std::array<double, 3>>>> expected;
        std::map<int, double> sizes;
        for (const int tick : ticks) {
            const std::vector<model3ds::TMatrix4> world = pose.World(keyframer.SegmentStart + tick);
            double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
            for (std::size_t j = 0; j < scene.Nodes.size(); ++j) {
                if (scene.Nodes[j].Meshes.empty()) continue;
                const int node = keyframerNode[j];
                const model3ds::TMesh3DS* stored = scene.Nodes[j].Meshes.front().get();
                model3ds::TMatrix4 placement = model3ds::TMatrix4::Identity();
                if (node >= 0) {
                    stored = model.ObjectList().GetMesh(model3ds::FindMeshIndex(model, keyframer.Nodes[static_cast<std::size_t>(node)].Name));
                    placement = pose.MeshPlacement(static_cast<std::size_t>(node), stored->LocalMatrix, world);
                }
                auto& points = expected[tick][scene.Nodes[j].Name];
                for (const model3ds::TFaceEntry3DS& face : stored->Faces) {
                    for (const std::uint16_t v : {face.V1, face.V2, face.V3}) {
                        const model3ds::TVector3DS p = model3ds::TransformPoint(placement, stored->Vertices.at(v));
                        points.push_back({p.x, p.z, p.y});
                        for (int k = 0; k < 3; ++k) {
                            low[k] = std::min(low[k], points.back()[static_cast<std::size_t>(k)]);
                            high[k] = std::max(high[k], points.back()[static_cast<std::size_t>(k)]);
                        }
                    }
                }
            }
            sizes[tick] = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2], 1e-30});
        }
        std::string expectedNodes;
        for (const auto& node : scene.Nodes) {
            expectedNodes += "node\t" + node.Name + "\t" +
                             (node.Parent < 0 ? "" : scene.Nodes[static_cast<std::size_t>(node.Parent)].Name) + "\n";
        }
        for (const bool binary : {false, true}) {
            SCOPED_TRACE(input + (binary ? " binary" : " text"));
            const std::string output = dir.File("anim.x");
            std::vector<std::string> command = {KORVANE_CONVERT, "--animation", "--top-frame", "-o", output, input};
            if (binary) command.push_back("-b");
            const auto converted = testsupport::RunProcess(command);
            ASSERT_EQ(converted.exitCode, 0) << converted.err;
            const std::string json = dir.File("anim.json");
            const auto exported = testsupport::RunProcess({assimp, "export", output, json, "-fassjson"});
            ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;
            std::vector<std::string> readCommand = {python, KORVANE_SOURCE_DIR "/tests/xexport/assimp_scene.py", json};
            for (const int tick : ticks) readCommand.push_back(std::to_string(tick));
            const auto read = testsupport::RunProcess(readCommand);
            ASSERT_EQ(read.exitCode, 0) << read.err;
            std::istringstream lines(read.out);
            std::string line, nodes;
            double ticksPerSecond = 0;
            std::size_t channels = 0;
            std::map<int, std::map<std::string, std::vector<std::array<double, 3>>>> placed;
            while (std::getline(lines, line)) {
                std::istringstream fields(line);
                std::string kind, name;
                std::getline(fields, kind, '\t');
                if (kind == "node") {
                    nodes += line + "\n";
                } else if (kind == "animation") {
                    fields >> ticksPerSecond >> channels;
                } else if (kind == "channel") {
                    std::getline(fields, name, '\t');
                    double error = 1;
                    fields >> error;
                    EXPECT_LT(error, 1e-4) << "first keys of " << name;
                } else if (kind == "point") {
                    int tick = -1;
                    std::array<double, 3> p{};
                    fields >> tick;
                    fields.ignore(1);
                    std::getline(fields, name, '\t');
                    fields >> p[0] >> p[1] >> p[2];
                    placed[tick][name].push_back(p);
                }
            }
            EXPECT_EQ(nodes, expectedNodes);
            EXPECT_EQ(channels, moving);
            if (moving > 0) {
                EXPECT_GT(ticksPerSecond, 0);
            }
            for (const int tick : ticks) {
                std::string names, placedNames;
                for (const auto& [name, points] : expected[tick]) names += name + " ";
                for (const auto& [name, points] : placed[tick]) placedNames += name + " ";
                ASSERT_EQ(placedNames, names) << "the nodes with meshes at tick " << tick;
                for (const auto& [name, points] : expected[tick]) {
                    EXPECT_LE(SetsApart(placed[tick][name], points), 1e-5 * sizes[tick])
                        << name << " at tick " << tick << ", the model " << sizes[tick] << " across";
                }
            }
        }
    }
}

}  // namespace
