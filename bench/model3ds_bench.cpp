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
#include "LargeModel.h"
#include "support/TempDir.h"

namespace {

std::string g_path;

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
                            largemodel::kMeshes);
        if (auto load = seconds_.find("BM_LoadTree"); load != seconds_.end()) {
            out << base::Format("load (tree only) / read bytes: %.2fx   (target: within 1.1x)\n",
                                load->second / bytes->second);
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
    largemodel::WriteLargeModel(g_path);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
