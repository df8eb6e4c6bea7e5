// --normals on a fan: every face shares one vertex, the hub of a cone, and all
// faces are in one smoothing group, so the hub's corners sum the normals of every
// face. Times the text writer with normals (as korvane-convert --normals writes
// one mesh) at doubling face counts up to 65,535, the most a mesh can hold; the
// time should about double with the count.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/Writer3DS.h"
#include "xexport/ExportOptions.h"
#include "xexport/XTextWriter.h"

namespace {

// A cone of faces triangles around vertex 0. The ring has at most 65,534 vertices
// (a mesh holds 65,535); past that, faces go round the ring a second time.
std::vector<std::uint8_t> Fan(int faces) {
    const int ring = faces < 65534 ? faces : 65534;
    testsupport::MeshSpec mesh{.name = "Fan", .vertices = {{0, 0, 1}}};
    for (int i = 0; i < ring; ++i) {
        const double angle = 2 * M_PI * i / ring;
        mesh.vertices.push_back({static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), 0});
    }
    for (int f = 0; f < faces; ++f) {
        const auto a = static_cast<std::uint16_t>(1 + f % ring);
        const auto b = static_cast<std::uint16_t>(1 + (f + 1 + f / ring) % ring);
        mesh.faces.push_back({0, a, b});
        mesh.smoothing.push_back(1);
    }
    return testsupport::BuildModel({mesh});
}

void BM_NormalsAroundOneVertex(benchmark::State& state) {
    base::MemoryStream file(Fan(static_cast<int>(state.range(0))));
    model3ds::TFile3DS model;
    model.LoadFromStream(file);
    model.ObjectList().GetMesh(0);
    xexport::TExportOptions options;
    options.Normals = true;
    for (auto _ : state) {
        base::MemoryStream out;
        xexport::WriteMeshXText(model, options, "", &out, 0);
        benchmark::DoNotOptimize(out.Size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NormalsAroundOneVertex)
    ->Arg(8192)
    ->Arg(16384)
    ->Arg(32768)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
