// korvane-convert --animation's writer against today's flat (merged) export of
// the same model: N nodes in a chain of groups of five, each with a mesh of 512
// vertices and rotation, position and scale keys every 20 frames over F frames.
//
//     bench_animation   (BM_Flat and BM_Animation at 50 nodes, 300 frames, then
//                        the animation at doubled nodes and doubled frames; the
//                        BM_Process ones run korvane-convert on the model as a
//                        user would, a whole process each time)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "TimedProcess.h"
#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "xexport/ExportOptions.h"
#include "xexport/WriteModelX.h"

namespace {

testsupport::MeshSpec Ring(int index) {
    testsupport::MeshSpec mesh{.name = "Part" + std::to_string(index)};
    constexpr int kAround = 32, kAlong = 16;
    for (int a = 0; a < kAlong; ++a) {
        for (int r = 0; r < kAround; ++r) {
            const float angle = static_cast<float>(r) * 6.2831853f / kAround;
            mesh.vertices.push_back({std::cos(angle) + static_cast<float>(index), std::sin(angle), static_cast<float>(a) * 0.2f});
        }
    }
    for (int a = 0; a + 1 < kAlong; ++a) {
        for (int r = 0; r < kAround; ++r) {
            const auto v = static_cast<std::uint16_t>(a * kAround + r);
            const auto next = static_cast<std::uint16_t>(a * kAround + (r + 1) % kAround);
            mesh.faces.push_back({v, next, static_cast<std::uint16_t>(v + kAround)});
            mesh.faces.push_back({next, static_cast<std::uint16_t>(next + kAround), static_cast<std::uint16_t>(v + kAround)});
        }
    }
    return mesh;
}

std::vector<std::uint8_t> AnimatedModel(int nodes, int frames) {
    std::vector<testsupport::MeshSpec> meshes;
    testsupport::KeyframerSpec kf{.start = 0, .end = frames};
    for (int i = 0; i < nodes; ++i) {
        meshes.push_back(Ring(i));
        testsupport::NodeSpec node{.id = static_cast<std::int16_t>(i), .name = meshes.back().name,
                                   .parent = static_cast<std::int16_t>(i % 5 == 0 ? -1 : i - 1)};
        for (int f = 0; f <= frames; f += 20) {
            const float t = static_cast<float>(f + i);
            node.rotation.keys.push_back({.frame = f, .value = {0.3f + 0.01f * t, 0.2f, 1, 0.5f}, .tension = 0.2f});
            node.position.keys.push_back({.frame = f, .value = {std::sin(t * 0.1f), std::cos(t * 0.07f), 0.5f}, .continuity = 0.3f});
            node.scale.keys.push_back({.frame = f, .value = {1 + 0.1f * std::sin(t), 1, 1}});
        }
        kf.nodes.push_back(node);
    }
    return testsupport::BuildAnimatedModel(meshes, kf);
}

void Export(benchmark::State& state, bool animation, xexport::TXForm form) {
    const int nodes = static_cast<int>(state.range(0)), frames = static_cast<int>(state.range(1));
    base::MemoryStream source(AnimatedModel(nodes, frames));
    model3ds::TFile3DS model;
    model.LoadFromStream(source);
    xexport::TExportOptions options;
    options.Origin = xexport::TOriginMode::NotEncode;
    options.Hierarchy = options.Animation = animation;
    std::size_t bytes = 0;
    for (auto _ : state) {
        base::MemoryStream out;
        xexport::WriteModelX(model, options, xexport::kMergedMeshes, form, {}, &out);
        bytes = out.Size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["frames_x_nodes"] = static_cast<double>(nodes) * frames;
}

void BM_Flat(benchmark::State& state) { Export(state, false, xexport::TXForm::Text); }
void BM_Animation(benchmark::State& state) { Export(state, true, xexport::TXForm::Text); }
void BM_FlatBinary(benchmark::State& state) { Export(state, false, xexport::TXForm::Binary); }
void BM_AnimationBinary(benchmark::State& state) { Export(state, true, xexport::TXForm::Binary); }

// korvane-convert with the given options on the 50-node model, wall time of the
// whole run: start-up, reading, writing the file.
void Convert(benchmark::State& state, std::vector<std::string> options) {
    const testsupport::TempDir dir;
    const std::string input = dir.File("model.3ds");
    testsupport::SaveFile(input, AnimatedModel(50, 300));
    std::vector<std::string> command{KORVANE_CONVERT};
    command.insert(command.end(), options.begin(), options.end());
    command.insert(command.end(), {"-o", dir.File("out.x"), input});
    for (auto _ : state) {
        const benchsupport::Run run = benchsupport::RunProcess(command);
        if (!run.ok) {
            state.SkipWithError("korvane-convert failed");
            return;
        }
        state.SetIterationTime(run.seconds);
    }
}

void BM_ProcessFlat(benchmark::State& state) { Convert(state, {}); }
void BM_ProcessAnimation(benchmark::State& state) { Convert(state, {"--animation"}); }
void BM_ProcessFlatBinary(benchmark::State& state) { Convert(state, {"-b"}); }
void BM_ProcessAnimationBinary(benchmark::State& state) { Convert(state, {"-b", "--animation"}); }

BENCHMARK(BM_Flat)->Args({50, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Animation)->Args({50, 300})->Args({100, 300})->Args({50, 600})->Args({100, 600})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatBinary)->Args({50, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimationBinary)->Args({50, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessFlat)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessAnimation)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessFlatBinary)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessAnimationBinary)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
