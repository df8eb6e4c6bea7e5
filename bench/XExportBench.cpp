// Compares korvane-convert's merged .x export (text and binary) with assimp's
// conversion of the same synthetic model, in one run: wall time, output
// throughput and peak memory of each process, plus the writers alone in-process.
//
//     bench_xexport [MESHES [MODEL]]   (default 8 meshes of 32,000 vertices, 63,282
//                                     faces; MODEL keeps a copy of the model built)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "TimedProcess.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/XTextWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kColumns = 160;
constexpr int kRows = 200;  // 32,000 vertices, 2 * 159 * 199 = 63,282 faces per mesh

testsupport::MeshSpec GridMesh(int index) {
    testsupport::MeshSpec mesh;
    mesh.name = "Grid " + std::to_string(index);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const float x = static_cast<float>(c) * 0.37f + static_cast<float>(index) * 70.0f;
            const float y = static_cast<float>(r) * 0.41f;
            mesh.vertices.push_back({x, y, std::sin(x * 0.3f) * std::cos(y * 0.2f) * 5.0f});
        }
    }
    testsupport::MaterialGroup first{"Stone", {}}, second{"Moss " + std::to_string(index % 3), {}};
    for (int r = 0; r + 1 < kRows; ++r) {
        for (int c = 0; c + 1 < kColumns; ++c) {
            const auto v = static_cast<std::uint16_t>(r * kColumns + c);
            const auto face = static_cast<std::uint16_t>(mesh.faces.size());
            mesh.faces.push_back({v, static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + kColumns)});
            mesh.faces.push_back({static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + kColumns + 1),
                                  static_cast<std::uint16_t>(v + kColumns)});
            auto& group = r < kRows / 2 ? first : second;
            group.faces.push_back(face);
            group.faces.push_back(static_cast<std::uint16_t>(face + 1));
        }
    }
    mesh.groups = {first, second};
    return mesh;
}

std::vector<std::uint8_t> SyntheticModel(int meshes) {
    std::vector<testsupport::MeshSpec> specs;
    for (int i = 0; i < meshes; ++i) specs.push_back(GridMesh(i));
    return testsupport::BuildModel(specs, {{.name = "Stone", .diffuse = testsupport::Rgb{128, 128, 120}},
                                           {.name = "Moss 0", .diffuse = testsupport::Rgb{40, 120, 30}},
                                           {.name = "Moss 1", .diffuse = testsupport::Rgb{50, 110, 40}},
                                           {.name = "Moss 2", .diffuse = testsupport::Rgb{60, 100, 50}}});
}

double MB(std::uint64_t bytes) { return static_cast<double>(bytes) / 1e6; }

template <typename Write>
double BestSeconds(Write write, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        write();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void InProcess(const std::string& input) {
    model3ds::TFile3DS model;
    const double load = BestSeconds([&] {
        model.LoadFromFile(input);
        for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) model.ObjectList().GetMesh(i);
    }, 3);
    std::printf("reading the model and its meshes: %.4f s\n", load);
    const xexport::TExportOptions options;
    std::uint64_t textSize = 0, binarySize = 0;
    const double text = BestSeconds([&] {
        base::MemoryStream stream;
        xexport::WriteMergedXText(model, options, "", &stream);
        textSize = stream.Size();
    }, 15);
    const double binary = BestSeconds([&] {
        base::MemoryStream stream;
        xexport::WriteMergedXBinary(model, options, "", stream);
        binarySize = stream.Size();
    }, 15);
    std::printf("writer alone, in memory: text %.1f MB in %.4f s = %.0f MB/s; binary %.1f MB in %.4f s = %.0f MB/s\n",
                MB(textSize), text, MB(textSize) / text, MB(binarySize), binary, MB(binarySize) / binary);
}

}  // namespace

int main(int argc, char** argv) {
    const int meshes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    testsupport::TempDir dir;
    const std::string input = dir.File("synthetic.3ds");
    const auto model = SyntheticModel(meshes);
    base::WriteFileAtomically(input, model.data(), model.size());
    if (argc > 2) base::WriteFileAtomically(argv[2], model.data(), model.size());
    std::printf("model: %d meshes, %d vertices and %d faces each, %.1f MB\n", meshes, kColumns * kRows,
                2 * (kColumns - 1) * (kRows - 1), MB(model.size()));

    struct Tool {
        const char* label;
        std::vector<std::string> command;
        std::string output;
    } tools[] = {
        {"korvane-convert -m (text)", {KORVANE_CONVERT, "-m", input, "-o", dir.File("k-text.x")}, dir.File("k-text.x")},
        {"korvane-convert -m -b", {KORVANE_CONVERT, "-m", "-b", input, "-o", dir.File("k-bin.x")}, dir.File("k-bin.x")},
        {"assimp export -fx", {"assimp", "export", input, dir.File("assimp.x"), "-fx"}, dir.File("assimp.x")},
    };
    std::printf("%-28s %10s %9s %9s %10s %12s\n", "", "output MB", "seconds", "MB/s", "peak MB", "peak/(in+out)");
    double assimpSeconds = 0;
    std::vector<double> seconds;
    for (const Tool& tool : tools) {
        const benchsupport::Run run = benchsupport::Best(tool.command, 3);
        if (!run.ok) {
            std::printf("%-28s failed or not installed\n", tool.label);
            seconds.push_back(0);
            continue;
        }
        const std::uint64_t out = std::filesystem::file_size(tool.output);
        const double peak = static_cast<double>(run.peakKiB) * 1024;
        std::printf("%-28s %10.1f %9.3f %9.0f %10.1f %12.2f\n", tool.label, MB(out), run.seconds,
                    MB(out) / run.seconds, peak / 1e6, peak / static_cast<double>(model.size() + out));
        seconds.push_back(run.seconds);
        if (std::string(tool.label).starts_with("assimp")) assimpSeconds = run.seconds;
    }
    if (assimpSeconds > 0) {
        std::printf("assimp takes %.1f times as long as the text export and %.1f times as long as the binary export\n",
                    seconds[0] > 0 ? assimpSeconds / seconds[0] : 0.0, seconds[1] > 0 ? assimpSeconds / seconds[1] : 0.0);
    }
    InProcess(input);
    return 0;
}
