// korvane-convert's .glb export against assimp's (export MODEL OUT.glb -fglb2),
// whole process: each shared model, then generated grids of doubling size to
// show how the time grows with the model, then the size of a faceted grid's file.
//
//     bench_gltf_export [REPEATS [CONVERTER]]
//
// REPEATS defaults to 5 (the fastest run of each is shown); CONVERTER, another
// build of korvane-convert to time instead of this one's.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "GridModel.h"
#include "support/TempDir.h"
#include "TimedProcess.h"

namespace {

struct Pair {
    benchsupport::Run korvane, assimp;
};

std::string converter = KORVANE_CONVERT;

Pair Measure(const std::string& input, const testsupport::TempDir& dir, int repeats) {
    return {benchsupport::Best({converter, "-o", dir.File("k.glb"), input}, repeats),
            benchsupport::Best({"assimp", "export", input, dir.File("a.glb"), "-fglb2"}, repeats)};
}

void Print(const std::string& label, const Pair& pair) {
    if (!pair.korvane.ok) {
        std::printf("%-36s korvane-convert failed\n", label.c_str());
        return;
    }
    std::printf("%-36s %9.4f %9.1f", label.c_str(), pair.korvane.seconds, static_cast<double>(pair.korvane.peakKiB) / 1024);
    if (pair.assimp.ok) {
        std::printf(" %9.4f %9.1f %8.1fx\n", pair.assimp.seconds, static_cast<double>(pair.assimp.peakKiB) / 1024,
                    pair.assimp.seconds / pair.korvane.seconds);
    } else {
        std::printf("   assimp failed or is not installed\n");
    }
}

double Megabytes(const std::string& file) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(file, error);
    return error ? 0 : static_cast<double>(bytes) / 1e6;
}

// A grid of flat faces (no smoothing group) of about 30,000 faces: the bytes
// of each tool's file besides the time.
void MeasureFaceted(const testsupport::TempDir& dir, int repeats) {
    constexpr int kSide = 123;
    const std::vector<std::uint8_t> bytes = gridmodel::GridModel(0, kSide, true);
    const std::string input = dir.File("faceted.3ds");
    base::WriteFileAtomically(input, bytes.data(), bytes.size());
    const Pair pair = Measure(input, dir, repeats);
    Print("faceted grid " + std::to_string(2 * (kSide - 1) * (kSide - 1)) + " faces", pair);
    std::printf("%-36s %9.3f MB .glb", "", pair.korvane.ok ? Megabytes(dir.File("k.glb")) : 0.0);
    if (pair.assimp.ok) std::printf(", assimp's %.3f MB", Megabytes(dir.File("a.glb")));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (argc > 2) converter = argv[2];
    testsupport::TempDir dir;
    std::printf("%-36s %9s %9s %9s %9s %9s\n", "model", "korvane s", "peak MiB", "assimp s", "peak MiB", "speed-up");
    const std::filesystem::path shared = std::filesystem::path(KORVANE_SHARED_MODELS) / "3ds";
    std::vector<std::filesystem::path> models;
    if (std::filesystem::is_directory(shared)) {
        for (const auto& entry : std::filesystem::directory_iterator(shared)) models.push_back(entry.path());
    }
    std::sort(models.begin(), models.end());
    for (const auto& model : models) Print(model.filename().string(), Measure(model.string(), dir, repeats));
    // One bumpy grid mesh, its vertex count about doubling each step (up to 3D
    // Studio's 65,535 faces a mesh).
    for (const int side : {32, 45, 64, 90, 128, 181}) {
        const std::vector<std::uint8_t> bytes = gridmodel::GridModel(0, side);
        const std::string input = dir.File("grid" + std::to_string(side) + ".3ds");
        base::WriteFileAtomically(input, bytes.data(), bytes.size());
        const Pair pair = Measure(input, dir, repeats);
        const int faces = 2 * (side - 1) * (side - 1);
        Print("grid " + std::to_string(side * side) + " vertices, " + std::to_string(faces) + " faces", pair);
        if (pair.korvane.ok)
            std::printf("%-36s %9.3f microseconds a face\n", "", pair.korvane.seconds / faces * 1e6);
    }
    MeasureFaceted(dir, repeats);
    return 0;
}
