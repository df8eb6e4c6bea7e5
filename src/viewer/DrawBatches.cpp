#include "DrawBatches.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <numeric>
#include <unordered_set>

namespace viewer {

namespace {

std::uint32_t Bits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Everything a material sets for drawing, by its bits: materials of equal bits
// draw the same pixels.
using Look = std::array<std::uint32_t, 12>;

Look LookOf(const Material& m, unsigned texture) {
    return {Bits(m.faceColor[0]), Bits(m.faceColor[1]), Bits(m.faceColor[2]), Bits(m.faceColor[3]),
            Bits(m.power),        Bits(m.specular.red), Bits(m.specular.green), Bits(m.specular.blue),
            Bits(m.emissive.red), Bits(m.emissive.green), Bits(m.emissive.blue), texture};
}

// A triangle's corners as the renderer's vertices carry them, hashed and
// compared by their bits.
class Corners {
public:
    explicit Corners(const MeshBuilder& builder) : b_(&builder) {}

    std::size_t operator()(std::uint32_t triangle) const {
        std::size_t hash = 0;
        for (const std::uint32_t bits : Of(triangle)) hash = (hash ^ bits) * 0x100000001b3ull;
        return hash ^ hash >> 32;  // the high bits folded in, for tables that pick buckets by the low ones
    }
    bool operator()(std::uint32_t a, std::uint32_t b) const { return Of(a) == Of(b); }

private:
    std::array<std::uint32_t, 24> Of(std::uint32_t triangle) const {
        const Triangle& t = b_->Triangles()[triangle];
        const auto& uvs = b_->TextureCoordinates();
        std::array<std::uint32_t, 24> bits{};
        for (std::size_t i = 0; i < 3; ++i) {
            const Vec3& p = b_->Positions()[t.vertices[i]];
            const Vec3& n = b_->Normals()[t.normals[i]];
            const Vec2 uv = t.vertices[i] < uvs.size() ? uvs[t.vertices[i]] : Vec2{};
            const float values[8] = {p.x, p.y, p.z, n.x, n.y, n.z, uv.u, uv.v};
            for (std::size_t k = 0; k < 8; ++k) bits[i * 8 + k] = Bits(values[k]);
        }
        return bits;
    }

    const MeshBuilder* b_;
};

// Triangle indices grouped by material, each group in the triangles' order:
// material m's are triangles[starts[m]] to triangles[starts[m + 1] - 1].
struct ByMaterial {
    std::vector<std::uint32_t> starts, triangles;

    auto Begin(std::uint32_t material) const { return triangles.begin() + starts[material]; }
    auto End(std::uint32_t material) const { return triangles.begin() + starts[material + 1]; }
};

ByMaterial GroupByMaterial(const std::vector<Triangle>& triangles, std::size_t materials) {
    ByMaterial groups;
    groups.starts.assign(materials + 1, 0);
    for (const Triangle& t : triangles) ++groups.starts[t.material + 1];
    std::partial_sum(groups.starts.begin(), groups.starts.end(), groups.starts.begin());
    std::vector<std::uint32_t> next(groups.starts.begin(), groups.starts.end() - 1);
    groups.triangles.resize(triangles.size());
    for (std::uint32_t t = 0; t < triangles.size(); ++t) groups.triangles[next[triangles[t].material]++] = t;
    return groups;
}

// Drops every triangle of the batch's segment of plan.opaque that a later one
// of the segment repeats.
void KeepLastCopies(const MeshBuilder& builder, std::size_t first, DrawBatches& plan) {
    const Corners corners(builder);
    std::unordered_set<std::uint32_t, Corners, Corners> later(plan.opaque.size() - first, corners, corners);
    auto kept = plan.opaque.end();
    for (auto it = plan.opaque.end(); it != plan.opaque.begin() + static_cast<std::ptrdiff_t>(first);) {
        --it;
        if (later.insert(*it).second) *--kept = *it;
    }
    plan.opaque.erase(plan.opaque.begin() + static_cast<std::ptrdiff_t>(first), kept);
}

using Materials = std::vector<std::uint32_t>::const_iterator;

// The opaque triangles of the materials of one look, in the materials' order,
// as a batch. Copies are looked for where several materials meet, and within
// one material where its triangles outnumber twice the vertices, as no
// surface's own triangles do: a mesh naming the same corners over and over.
void AddBatch(const MeshBuilder& builder, const ByMaterial& groups, Materials begin, Materials end,
              std::uint32_t look, DrawBatches& plan) {
    const std::size_t first = plan.opaque.size();
    int filled = 0;
    for (auto material = begin; material != end; ++material) {
        filled += groups.Begin(*material) != groups.End(*material);
        plan.opaque.insert(plan.opaque.end(), groups.Begin(*material), groups.End(*material));
    }
    if (filled == 0) return;
    if (filled > 1 || plan.opaque.size() - first > 2 * builder.Positions().size()) KeepLastCopies(builder, first, plan);
    plan.batches.push_back(
        {look, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(plan.opaque.size() - first)});
}

}  // namespace

bool IsTransparent(const Material& material) { return material.faceColor[3] < 1.0f; }

std::vector<std::uint32_t> SameLooks(const std::vector<Material>& materials, const std::vector<unsigned>& textures) {
    std::map<Look, std::uint32_t> firsts;
    std::vector<std::uint32_t> looks(materials.size());
    for (std::size_t m = 0; m < materials.size(); ++m) {
        const unsigned texture = m < textures.size() ? textures[m] : 0;
        looks[m] = firsts.try_emplace(LookOf(materials[m], texture), static_cast<std::uint32_t>(m)).first->second;
    }
    return looks;
}

DrawBatches PlanDraws(const MeshBuilder& builder, const std::vector<unsigned>& textures) {
    const auto& materials = builder.Materials();
    const std::vector<std::uint32_t> looks = SameLooks(materials, textures);
    const ByMaterial groups = GroupByMaterial(builder.Triangles(), materials.size());
    DrawBatches plan;
    std::vector<std::uint32_t> opaque;  // materials, ordered by look
    for (std::uint32_t m = 0; m < materials.size(); ++m) {
        if (!IsTransparent(materials[m])) {
            opaque.push_back(m);
            continue;
        }
        plan.transparent.insert(plan.transparent.end(), groups.Begin(m), groups.End(m));
        plan.transparentMaterials.resize(plan.transparent.size(), looks[m]);
    }
    std::stable_sort(opaque.begin(), opaque.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return looks[a] < looks[b]; });
    plan.opaque.reserve(groups.triangles.size() - plan.transparent.size());
    for (auto begin = opaque.cbegin(); begin != opaque.cend();) {
        const auto end = std::find_if(begin, opaque.cend(), [&](std::uint32_t m) { return looks[m] != looks[*begin]; });
        AddBatch(builder, groups, begin, end, looks[*begin], plan);
        begin = end;
    }
    return plan;
}

}  // namespace viewer
