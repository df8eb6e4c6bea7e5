// Throughput of the packed model container on a ~100 MB model-like buffer:
// packing with Pack3DA and unpacking with TPack4Ex into a memory stream.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "model3ds/Pack4Ex.h"

namespace {

constexpr std::size_t kModelBytes = 100u << 20;

template <typename T>
void Append(std::vector<std::uint8_t>& out, const T& value) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), raw, raw + sizeof value);
}

void AppendChunkHeader(std::vector<std::uint8_t>& out, std::uint16_t id, std::uint32_t length) {
    Append(out, id);
    Append(out, length);
}

// One mesh in the shape a 3D Studio file stores it: a named object with a
// vertex list on a bumpy sphere, texture coordinates and a face list.
void AppendMesh(std::vector<std::uint8_t>& out, int index) {
    constexpr int kRings = 40;
    constexpr int kSegments = 48;
    constexpr std::uint16_t kVertices = kRings * kSegments;
    const std::string name = "Object" + std::to_string(index);
    AppendChunkHeader(out, 0x4000, 0);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    AppendChunkHeader(out, 0x4110, 6 + 2 + kVertices * 12u);
    Append(out, kVertices);
    const float radius = 1.0f + static_cast<float>(index % 17);
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSegments; ++s) {
            const float theta = 3.14159265f * static_cast<float>(r) / kRings;
            const float phi = 6.2831853f * static_cast<float>(s) / kSegments;
            const float bump = radius * (1.0f + 0.05f * std::sin(7.0f * phi + static_cast<float>(index)));
            Append(out, bump * std::sin(theta) * std::cos(phi));
            Append(out, bump * std::sin(theta) * std::sin(phi));
            Append(out, bump * std::cos(theta));
        }
    }
    AppendChunkHeader(out, 0x4140, 6 + 2 + kVertices * 8u);
    Append(out, kVertices);
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSegments; ++s) {
            Append(out, static_cast<float>(s) / kSegments);
            Append(out, static_cast<float>(r) / kRings);
        }
    }
    constexpr std::uint16_t kFaces = (kRings - 1) * kSegments * 2;
    AppendChunkHeader(out, 0x4120, 6 + 2 + kFaces * 8u);
    Append(out, kFaces);
    for (std::uint16_t r = 0; r + 1 < kRings; ++r) {
        for (std::uint16_t s = 0; s < kSegments; ++s) {
            const std::uint16_t a = r * kSegments + s;
            const std::uint16_t b = r * kSegments + (s + 1) % kSegments;
            const std::uint16_t quad[8] = {a, b, static_cast<std::uint16_t>(a + kSegments), 7,
                                           b, static_cast<std::uint16_t>(b + kSegments),
                                           static_cast<std::uint16_t>(a + kSegments), 7};
            Append(out, quad);
        }
    }
}

const std::vector<std::uint8_t>& Model() {
    static const std::vector<std::uint8_t> model = [] {
        std::vector<std::uint8_t> out;
        out.reserve(kModelBytes + (1u << 20));
        for (int index = 0; out.size() < kModelBytes; ++index) AppendMesh(out, index);
        out.resize(kModelBytes);
        return out;
    }();
    return model;
}

const std::vector<std::uint8_t>& PackedModel() {
    static const std::vector<std::uint8_t> packed = model3ds::Pack3DA(Model().data(), Model().size());
    return packed;
}

void BM_Pack(benchmark::State& state) {
    const auto& model = Model();
    for (auto _ : state) {
        auto packed = model3ds::Pack3DA(model.data(), model.size());
        benchmark::DoNotOptimize(packed.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * model.size()));
    state.counters["ratio"] = static_cast<double>(PackedModel().size()) / static_cast<double>(model.size());
}

void BM_Unpack(benchmark::State& state) {
    base::MemoryStream source(PackedModel());
    model3ds::TPack4Ex pack;
    pack.LoadFromStream(source);
    for (auto _ : state) {
        base::MemoryStream output;
        if (pack.Unpack(output) != model3ds::kUnpackSuccess) state.SkipWithError("unpack failed");
        benchmark::DoNotOptimize(output.Bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Model().size()));
}

BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
