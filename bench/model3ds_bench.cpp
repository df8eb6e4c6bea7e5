// How fast the model database opens a large file (chunk tree only) and reads
// every mesh, each measured against reading the same bytes from the file.
#include <benchmark/benchmark.h>

#include <iostream>
#include <filesystem>
#include <map>
#include <string>

#include "base/Format.h"
#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

constexpr int kMeshes = 150;
constexpr std::uint16_t kVertices = 60000;
constexpr std::uint16_t kFaces = 60000;

std::string g_path;

testsupport::MeshSpec LargeMesh(int index) {
    testsupport::MeshSpec mesh;
    mesh.name = "Mesh" + std::to_string(index);
    mesh.vertices.resize(kVertices);
    mesh.texCoords.resize(kVertices);
    for (std::uint16_t i = 0; i < kVertices; ++i) {
        mesh.vertices[i] = {static_cast<float>(i), static_cast<float>(index), static_cast<float>(i % 7)};
        mesh.texCoords[i] = {static_cast<float>(i % 13), 0.5f};
    }
    mesh.faces.resize(kFaces);
    testsupport::MaterialGroup group{"Material" + std::to_string(index % 10), {}};
    for (std::uint16_t i = 0; i < kFaces; ++i) {
        mesh.faces[i] = {i, static_cast<std::uint16_t>((i + 1) % kVertices), static_cast<std::uint16_t>((i + 2) % kVertices), 7};
        group.faces.push_back(i);
    }
    mesh.groups = {group};
    mesh.smoothing.assign(kFaces, 1);
    mesh.withMatrix = true;
    return mesh;
}

void WriteLargeModel(const std::string& path) {
    testsupport::Writer3DS w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (int i = 0; i < 10; ++i) {
        testsupport::WriteMaterial(w, {.name = "Material" + std::to_string(i), .diffuse = testsupport::Rgb{200, 10, 10}});
    }
    for (int i = 0; i < kMeshes; ++i) testsupport::WriteMesh(w, LargeMesh(i));
    w.End();
    w.End();
    w.SaveToFile(path);
}

void BM_ReadBytes(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = base::ReadWholeFile(g_path);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_LoadTree(benchmark::State& state) {
    for (auto _ : state) {
        model3ds::TFile3DS model(g_path);
        benchmark::DoNotOptimize(&model);
    }
}

void BM_ReadAllMeshes(benchmark::State& state) {
    for (auto _ : state) {
        model3ds::TFile3DS model(g_path);
        model3ds::TObjectList& meshes = model.ObjectList();
        const int total = meshes.MeshTotal();
        for (int i = 0; i < total; ++i) benchmark::DoNotOptimize(meshes.GetMesh(i)->Vertices.data());
    }
}

BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAllMeshes)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                seconds_[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        const auto bytes = seconds_.find("BM_ReadBytes");
        if (bytes == seconds_.end() || bytes->second <= 0) return;
        std::ostream& out = GetOutputStream();
        out << base::Format("\nfile: %.1f MB, %d meshes\n", static_cast<double>(std::filesystem::file_size(g_path)) / 1e6,
                            kMeshes);
        if (auto load = seconds_.find("BM_LoadTree"); load != seconds_.end()) {
            out << base::Format("load (tree only) / read bytes: %.2f%%  (target: under 2%%)\n",
                                100 * load->second / bytes->second);
        }
        if (auto all = seconds_.find("BM_ReadAllMeshes"); all != seconds_.end()) {
            out << base::Format("read every mesh  / read bytes: %.2fx   (target: within 1.5x)\n",
                                all->second / bytes->second);
        }
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    testsupport::TempDir dir;
    g_path = dir.File("large.3ds");
    std::cout << "writing " << g_path << " ..." << std::endl;
    WriteLargeModel(g_path);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
