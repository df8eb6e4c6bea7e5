// The viewer with a model of about a million triangles, under the OpenGL of
// this machine (llvmpipe under a virtual display): loading the binary .x data,
// the first picture after loading, and one redraw after a drag. Targets: load
// and first picture within 1.5 s, a redraw within 60 ms. Run under xvfb-run.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "SphereModel.h"
#include "viewer/OffscreenRenderer.h"
#include "viewer/ViewerControls.h"
#include "viewer/ViewerScene.h"

namespace {

const int Width = std::getenv("BENCH_W") ? std::atoi(std::getenv("BENCH_W")) : 1280;
const int Height = std::getenv("BENCH_H") ? std::atoi(std::getenv("BENCH_H")) : 1000;

using spheremodel::Rings;
using spheremodel::Segments;
using spheremodel::SphereX;
using spheremodel::SphereXText;

void Load(viewer::ViewerScene& scene, const std::vector<std::uint8_t>& data = SphereX()) {
    base::MemoryStream stream(data);
    if (scene.LoadXFromStream(stream) != 0) std::abort();
}

// Made after the application and dropped before it.
std::unique_ptr<viewer::OffscreenRenderer> renderer;

viewer::OffscreenRenderer& Renderer() { return *renderer; }

void BM_LoadX(benchmark::State& state) {
    SphereX();
    for (auto _ : state) {
        viewer::ViewerScene scene;
        Load(scene);
        benchmark::DoNotOptimize(scene.MeshBuilder->Triangles().data());
    }
    state.counters["triangles"] = 2.0 * Rings * Segments;
}

void BM_LoadXText(benchmark::State& state) {
    SphereXText();
    for (auto _ : state) {
        viewer::ViewerScene scene;
        Load(scene, SphereXText());
        benchmark::DoNotOptimize(scene.MeshBuilder->Triangles().data());
    }
    state.counters["megabytes"] = static_cast<double>(SphereXText().size()) / 1e6;
}

void BM_LoadAndFirstPicture(benchmark::State& state) {
    SphereX();
    for (auto _ : state) {
        viewer::ViewerScene scene;
        Load(scene);
        benchmark::DoNotOptimize(Renderer().Render(scene, Width, Height).constBits());
    }
}

void BM_RedrawAfterDrag(benchmark::State& state) {
    viewer::ViewerScene scene;
    Load(scene);
    Renderer().Render(scene, Width, Height);
    for (auto _ : state) {
        viewer::TurnModel(scene, 5, 3);
        benchmark::DoNotOptimize(Renderer().Render(scene, Width, Height).constBits());
    }
}

BENCHMARK(BM_LoadX)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadXText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadAndFirstPicture)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RedrawAfterDrag)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    renderer = std::make_unique<viewer::OffscreenRenderer>();
    if (!Renderer().IsValid()) {
        std::fprintf(stderr, "bench_viewer: no OpenGL 3.3 core context; run it under xvfb-run\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    renderer.reset();
    return 0;
}
