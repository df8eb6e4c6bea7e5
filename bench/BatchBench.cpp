// korvane-convert's batch mode on a folder of 200 generated models: one process
// with -j 1 against one with the default job count (the number of cores), in one
// run of this program; the best wall time of three runs each, alternated.
//
//     bench_batch [MODELS]   (default 200 models in 10 subfolders)

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "GridModel.h"
#include "TimedProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

constexpr int kSide = 90;  // 8,100 vertices and 15,842 faces per model

}  // namespace

int main(int argc, char** argv) {
    const int models = argc > 1 ? std::atoi(argv[1]) : 200;
    testsupport::TempDir dir;
    const auto input = dir.Path() / "models";
    std::uintmax_t bytes = 0;
    for (int i = 0; i < models; ++i) {
        const auto folder = input / ("set" + std::to_string(i % 10));
        std::filesystem::create_directories(folder);
        const auto model = gridmodel::GridModel(i, kSide);
        bytes += model.size();
        testsupport::Writer3DS writer;
        writer.Raw(model.data(), model.size());
        writer.SaveToFile((folder / ("model" + std::to_string(i) + (i % 2 == 0 ? ".3ds" : ".3DS"))).string());
    }
    const unsigned cores = std::thread::hardware_concurrency();
    std::printf("%d models (%.1f MB) in 10 folders; %u cores; options -b --normals --texcoords --textures\n", models,
                static_cast<double>(bytes) / 1e6, cores);
    const std::vector<std::string> common = {KORVANE_CONVERT, "-b", "--normals", "--texcoords", "--textures",
                                             input.string(), "-o"};
    benchsupport::Run serial{.seconds = 1e30}, parallel{.seconds = 1e30};
    for (int round = 0; round < 3; ++round) {
        auto one = common;
        one.push_back((dir.Path() / "out1").string());
        one.insert(one.end(), {"-j", "1"});
        auto all = common;
        all.push_back((dir.Path() / "outN").string());
        const benchsupport::Run s = benchsupport::RunProcess(one);
        const benchsupport::Run p = benchsupport::RunProcess(all);
        if (!s.ok || !p.ok) {
            std::printf("korvane-convert failed\n");
            return 1;
        }
        if (s.seconds < serial.seconds) serial = s;
        if (p.seconds < parallel.seconds) parallel = p;
    }
    const double speedup = serial.seconds / parallel.seconds;
    std::printf("%-22s %8.3f s wall  %8.3f s processor  %7.1f models/s\n", "-j 1", serial.seconds,
                serial.processorSeconds, models / serial.seconds);
    std::printf("%-22s %8.3f s wall  %8.3f s processor  %7.1f models/s\n", "default (-j cores)", parallel.seconds,
                parallel.processorSeconds, models / parallel.seconds);
    std::printf("speed-up %.2fx (target: at least 1.7x on two cores) %s\n", speedup,
                speedup >= 1.7 ? "met" : "NOT met");
    return 0;
}
