// korvane-convert's batch mode on a folder of 200 generated models: one process
// with -j 1 against one with the default job count (the number of cores), in one
// run of this program; the best wall time of three runs each, alternated.
//
//     bench_batch [MODELS]   (default 200 models in 10 subfolders)

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TimedProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

constexpr int kSide = 90;  // 8,100 vertices and 15,842 faces per model

// A bumpy grid with texture coordinates, smoothing groups (two bands) and a
// material group, so that --normals and --texcoords have work to do.
std::vector<std::uint8_t> GridModel(int index) {
    testsupport::MeshSpec mesh;
    mesh.name = "Grid" + std::to_string(index);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            const float x = static_cast<float>(c) * 0.5f;
            const float y = static_cast<float>(r) * 0.5f;
            mesh.vertices.push_back({x, y, std::sin(x * 0.4f + static_cast<float>(index)) * std::cos(y * 0.3f) * 3.0f});
            mesh.texCoords.push_back({static_cast<float>(c) / kSide, static_cast<float>(r) / kSide});
        }
    }
    testsupport::MaterialGroup group{"Stone", {}};
    for (int r = 0; r + 1 < kSide; ++r) {
        for (int c = 0; c + 1 < kSide; ++c) {
            const auto v = static_cast<std::uint16_t>(r * kSide + c);
            for (int k = 0; k < 2; ++k) {
                group.faces.push_back(static_cast<std::uint16_t>(mesh.faces.size()));
                mesh.smoothing.push_back(r < kSide / 2 ? 1u : 2u);
                mesh.faces.push_back(k == 0 ? testsupport::Face{v, static_cast<std::uint16_t>(v + 1),
                                                               static_cast<std::uint16_t>(v + kSide)}
                                            : testsupport::Face{static_cast<std::uint16_t>(v + 1),
                                                               static_cast<std::uint16_t>(v + kSide + 1),
                                                               static_cast<std::uint16_t>(v + kSide)});
            }
        }
    }
    mesh.groups = {group};
    return testsupport::BuildModel({mesh}, {{.name = "Stone", .diffuse = testsupport::Rgb{128, 128, 120},
                                             .textureFile = "stone.png"}});
}

}  // namespace

int main(int argc, char** argv) {
    const int models = argc > 1 ? std::atoi(argv[1]) : 200;
    testsupport::TempDir dir;
    const auto input = dir.Path() / "models";
    std::uintmax_t bytes = 0;
    for (int i = 0; i < models; ++i) {
        const auto folder = input / ("set" + std::to_string(i % 10));
        std::filesystem::create_directories(folder);
        const auto model = GridModel(i);
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
