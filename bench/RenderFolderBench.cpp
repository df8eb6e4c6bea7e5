// korvane-render on a folder of 200 generated game-sized models at 256 pixels:
// one folder run (-o FOLDER) against one process per model, in one run of this
// program, without an X display.
//
//     bench_render_folder [MODELS]   (default 200 models in 10 subfolders)

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "GridModel.h"
#include "TimedProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

constexpr int kSide = 40;  // 1,600 vertices and 3,042 faces per model

benchsupport::Run Add(benchsupport::Run sum, const benchsupport::Run& one) {
    sum.seconds += one.seconds;
    sum.processorSeconds += one.processorSeconds;
    sum.ok = sum.ok && one.ok;
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    unsetenv("DISPLAY");
    testsupport::TempDir dir;
    const auto input = dir.Path() / "models";
    std::vector<std::filesystem::path> models;
    for (int i = 0; i < count; ++i) {
        const auto folder = input / ("set" + std::to_string(i % 10));
        std::filesystem::create_directories(folder);
        const auto model = gridmodel::GridModel(i, kSide);
        testsupport::Writer3DS writer;
        writer.Raw(model.data(), model.size());
        models.push_back(folder / ("model" + std::to_string(i) + ".3ds"));
        writer.SaveToFile(models.back().string());
    }
    std::printf("%d models of %d faces in 10 folders, --size 256 --fit, no display\n", count,
                2 * (kSide - 1) * (kSide - 1));
    const std::vector<std::string> options = {KORVANE_RENDER, "--size", "256", "--fit"};

    auto folderRun = options;
    folderRun.insert(folderRun.end(), {input.string(), "-o", (dir.Path() / "out").string()});
    const benchsupport::Run folder = benchsupport::Best(folderRun, 3);

    benchsupport::Run each{.ok = true};
    for (std::size_t i = 0; i < models.size(); ++i) {
        auto one = options;
        one.insert(one.end(), {models[i].string(), (dir.Path() / ("each" + std::to_string(i) + ".png")).string()});
        each = Add(each, benchsupport::RunProcess(one));
    }
    if (!folder.ok || !each.ok) {
        std::printf("korvane-render failed\n");
        return 1;
    }
    const double speedup = each.seconds / folder.seconds;
    std::printf("%-24s %8.3f s wall  %8.3f s processor  %7.1f models/s\n", "one folder run", folder.seconds,
                folder.processorSeconds, count / folder.seconds);
    std::printf("%-24s %8.3f s wall  %8.3f s processor  %7.1f models/s\n", "one process per model", each.seconds,
                each.processorSeconds, count / each.seconds);
    std::printf("speed-up %.2fx (target: at least 3x) %s\n", speedup, speedup >= 3 ? "met" : "NOT met");
    return 0;
}
