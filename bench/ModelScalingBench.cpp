// How the cost of opening and exporting a model grows with the number of items
// in it: many small meshes, many materials, many keyframer nodes, cameras aimed
// down a long chain, nodes placing one mesh. Each shape runs
// at doubling counts; the time should about double with the count (Google
// Benchmark's fitted complexity is printed after each shape).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"
#include "support/Writer3DS.h"
#include "xexport/ExportOptions.h"
#include "xexport/ModelScene.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/XTextWriter.h"

namespace {

using model3ds::TFile3DS;

// count meshes of one triangle each.
std::vector<std::uint8_t> ManyMeshes(int count) {
    std::vector<testsupport::MeshSpec> meshes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        meshes[static_cast<std::size_t>(i)] = {.name = "M" + std::to_string(i),
                                               .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                               .faces = {{0, 1, 2}}};
    }
    return testsupport::BuildModel(meshes);
}

// count materials and one mesh of count triangles, each face in a group of its own material.
std::vector<std::uint8_t> ManyMaterials(int count) {
    std::vector<testsupport::MaterialSpec> materials(static_cast<std::size_t>(count));
    testsupport::MeshSpec mesh{.name = "Mesh", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
    for (int i = 0; i < count; ++i) {
        const std::string name = "Material" + std::to_string(i);
        materials[static_cast<std::size_t>(i)] = {.name = name, .diffuse = testsupport::Rgb{200, 10, 10}};
        mesh.faces.push_back({0, 1, 2});
        mesh.groups.push_back({name, {static_cast<std::uint16_t>(i)}});
    }
    return testsupport::BuildModel({mesh}, materials);
}

// A keyframer of count object nodes. Every other node is the child of the one
// before; the rest name a parent that is not there, so a search for it goes
// through every node.
std::vector<std::uint8_t> ManyKeyframerNodes(int count) {
    constexpr int kIds = 30000;  // node ids are 16-bit: they repeat from here
    constexpr std::int16_t kAbsentId = kIds + 1;
    testsupport::Writer3DS w;
    w.Begin(model3ds::CK_MAIN);
    w.Begin(model3ds::CK_KEYFRAMER);
    for (int i = 0; i < count; ++i) {
        w.Begin(model3ds::CK_NODE_OBJECT);
        w.ChunkI16(model3ds::CK_NODE_ID, static_cast<std::int16_t>(i % kIds));
        w.Begin(model3ds::CK_NODE_HEADER);
        w.String("Node" + std::to_string(i));
        w.U16(0);
        w.U16(0);
        w.I16(i % 2 == 1 ? static_cast<std::int16_t>((i - 1) % kIds) : kAbsentId);
        w.End();
        w.End();
    }
    w.End();
    w.End();
    return w.Bytes();
}

void Load(TFile3DS& model, const std::vector<std::uint8_t>& bytes) { model.LoadFromBytes(bytes); }

void BM_ReadEveryMesh(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = ManyMeshes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFile3DS model;
        Load(model, bytes);
        auto& meshes = model.ObjectList();
        for (int i = 0; i < meshes.MeshTotal(); ++i) benchmark::DoNotOptimize(meshes.GetMesh(i)->Vertices.data());
    }
    state.SetComplexityN(state.range(0));
}

// What --list does with the materials: every record read.
void BM_ReadEveryMaterial(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = ManyMaterials(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFile3DS model;
        Load(model, bytes);
        auto& materials = model.MaterialList();
        for (int i = 0; i < materials.MaterialTotal(); ++i) benchmark::DoNotOptimize(materials.GetMaterial(i)->Name.data());
    }
    state.SetComplexityN(state.range(0));
}

// Loads the model of ManyMaterials and writes it into memory with write.
template <typename Write>
void ExportManyMaterials(benchmark::State& state, Write write) {
    const std::vector<std::uint8_t> bytes = ManyMaterials(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFile3DS model;
        Load(model, bytes);
        base::MemoryStream out;
        write(model, out);
        benchmark::DoNotOptimize(out.Bytes().data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_MergedTextManyMaterials(benchmark::State& state) {
    ExportManyMaterials(state, [](TFile3DS& model, base::MemoryStream& out) {
        xexport::WriteMergedXText(model, {}, "", &out);
    });
}

void BM_MergedBinaryManyMaterials(benchmark::State& state) {
    ExportManyMaterials(state, [](TFile3DS& model, base::MemoryStream& out) {
        xexport::WriteMergedXBinary(model, {}, "", out);
    });
}

// The one mesh, whose material groups each name another material.
void BM_MeshTextManyGroups(benchmark::State& state) {
    ExportManyMaterials(state, [](TFile3DS& model, base::MemoryStream& out) {
        xexport::WriteMeshXText(model, {}, "", &out, 0);
    });
}

void BM_LoadKeyframer(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = ManyKeyframerNodes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFile3DS model;
        Load(model, bytes);
        benchmark::DoNotOptimize(&model);
    }
    state.SetComplexityN(state.range(0));
}

// The keyframer's scene, as --hierarchy builds it, of count cameras aimed at a
// target at the end of a chain of count nodes: each node is posed once.
void BM_SceneOfCameraTargetChain(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TFile3DS model;
    Load(model, testsupport::CameraTargetChainModel(count, count));
    for (auto _ : state) benchmark::DoNotOptimize(xexport::BuildModelScene(model, {.Animation = true}));
    state.SetComplexityN(state.range(0));
}

// The keyframer's scene of count nodes placing one mesh of 1000 vertices alike:
// one copy serves them all.
void BM_SceneOfMeshCopies(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TFile3DS model;
    Load(model, testsupport::MeshCopiesModel(count, 1000, true));
    for (auto _ : state) benchmark::DoNotOptimize(xexport::BuildModelScene(model, {}));
    state.SetComplexityN(state.range(0));
}

// Four counts from first, each twice the one before.
template <int first>
void Doubling(benchmark::internal::Benchmark* benchmark) {
    for (int count = first; count <= first * 8; count *= 2) benchmark->Arg(count);
    benchmark->Unit(benchmark::kMillisecond)->Complexity();
}

BENCHMARK(BM_ReadEveryMesh)->Apply(Doubling<10000>);
BENCHMARK(BM_ReadEveryMaterial)->Apply(Doubling<5000>);
BENCHMARK(BM_MergedTextManyMaterials)->Apply(Doubling<5000>);
BENCHMARK(BM_MergedBinaryManyMaterials)->Apply(Doubling<5000>);
BENCHMARK(BM_MeshTextManyGroups)->Apply(Doubling<5000>);
BENCHMARK(BM_LoadKeyframer)->Apply(Doubling<25000>);
BENCHMARK(BM_SceneOfCameraTargetChain)->Apply(Doubling<2500>);
BENCHMARK(BM_SceneOfMeshCopies)->Apply(Doubling<2500>);

}  // namespace

BENCHMARK_MAIN();
