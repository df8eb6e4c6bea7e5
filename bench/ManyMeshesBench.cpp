// korvane-render on .glb files of many one-triangle meshes, each in a node of
// its own, all of one material: stacked in one place and side by side, against
// the same triangles side by side in one mesh. The whole process at 256 pixels
// with --fit (drawn at twice the size and scaled down), without an X display.
//
//     bench_many_meshes [REPEATS] [KEEP_FOLDER]   (default 3 repeats; the fastest is reported)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "TimedProcess.h"
#include "TriangleFieldGlb.h"
#include "base/Stream.h"
#include "support/TempDir.h"

namespace {

constexpr double TargetSeconds = 1.0;
constexpr int TargetMeshes = 25000;

struct Shape {
    const char* name;
    trianglefield::Layout layout;
    bool stacked;
};

const Shape Shapes[] = {
    {"meshes stacked", trianglefield::Layout::NodePerTriangle, true},
    {"meshes side by side", trianglefield::Layout::NodePerTriangle, false},
    {"triangles side by side, one mesh", trianglefield::Layout::OneMesh, false},
};

std::string Write(const std::filesystem::path& folder, const trianglefield::Field& field, int shape) {
    const std::string name = std::to_string(field.triangles) + "-" + std::to_string(shape) + ".glb";
    const std::string path = (folder / name).string();
    const auto bytes = trianglefield::Glb(field);
    base::WriteFileAtomically(path, bytes.data(), bytes.size());
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 3;
    if (repeats < 1) {
        std::fprintf(stderr, "usage: bench_many_meshes [REPEATS] [KEEP_FOLDER]\n");
        return 2;
    }
    testsupport::TempDir temp;
    const std::filesystem::path folder = argc > 2 ? std::filesystem::path(argv[2]) : temp.Path();
    std::filesystem::create_directories(folder);
    std::printf("%-42s %8s %9s %9s\n", "korvane-render --size 256 --fit", "file MB", "seconds", "peak MiB");
    bool met = true;
    for (const int count : {TargetMeshes, 4 * TargetMeshes}) {
        for (int s = 0; s < static_cast<int>(std::size(Shapes)); ++s) {
            const Shape& shape = Shapes[s];
            const std::string input =
                Write(folder, {.triangles = count, .layout = shape.layout, .stacked = shape.stacked}, s);
            const benchsupport::Run run = benchsupport::Best(
                {"env", "-u", "DISPLAY", KORVANE_RENDER, "--size", "256", "--fit", input, temp.File("out.png")},
                repeats);
            if (!run.ok) {
                std::fprintf(stderr, "bench_many_meshes: korvane-render failed on %s\n", input.c_str());
                return 1;
            }
            const std::string name = std::to_string(count) + " " + shape.name;
            std::printf("%-42s %8.2f %9.3f %9.1f\n", name.c_str(),
                        static_cast<double>(std::filesystem::file_size(input)) / 1e6, run.seconds,
                        static_cast<double>(run.peakKiB) / 1024);
            if (count == TargetMeshes && shape.layout == trianglefield::Layout::NodePerTriangle)
                met = met && run.seconds < TargetSeconds;
        }
    }
    std::printf("target: %d meshes under %.1f s: %s\n", TargetMeshes, TargetSeconds, met ? "met" : "MISSED");
    return 0;
}
