#include "gltfexport/GltfPoses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace gltftest {

using model3ds::TMatrix4;

namespace {

// A glTF node's own pose at a time: its animation's keys, linearly between
// them (spherically for rotations), else the node's own values.
std::array<double, 4> Sample(const Gltf& gltf, int node, const std::string& path, double time,
                             std::array<double, 4> fallback) {
    if (!gltf.json.Has("animations")) return fallback;
    const Json& animation = gltf.json["animations"][0];
    for (const Json& channel : animation["channels"].items) {
        if (channel["target"]["node"].Int() != node || channel["target"]["path"].text != path) continue;
        const Json& sampler = animation["samplers"][static_cast<std::size_t>(channel["sampler"].Int())];
        const std::vector<double> times = gltf.Values(sampler["input"].Int());
        const std::vector<double> values = gltf.Values(sampler["output"].Int());
        const std::size_t n = path == "rotation" ? 4 : 3;
        std::size_t k = 0;
        while (k + 1 < times.size() && times[k + 1] <= time) ++k;
        std::array<double, 4> a{}, b{};
        for (std::size_t c = 0; c < n; ++c) {
            a[c] = values[k * n + c];
            b[c] = values[std::min(k + 1, times.size() - 1) * n + c];
        }
        const double span = k + 1 < times.size() ? times[k + 1] - times[k] : 1;
        const double t = k + 1 < times.size() ? std::clamp((time - times[k]) / span, 0.0, 1.0) : 0;
        std::array<double, 4> out{};
        if (n == 4) {
            const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
            const double angle = std::acos(std::clamp(dot, -1.0, 1.0));
            const double wa = angle < 1e-9 ? 1 - t : std::sin((1 - t) * angle) / std::sin(angle);
            const double wb = angle < 1e-9 ? t : std::sin(t * angle) / std::sin(angle);
            for (std::size_t c = 0; c < 4; ++c) out[c] = wa * a[c] + wb * b[c];
        } else {
            for (std::size_t c = 0; c < n; ++c) out[c] = a[c] + (b[c] - a[c]) * t;
        }
        return out;
    }
    return fallback;
}

std::array<double, 4> Member(const Json& node, const char* key, std::array<double, 4> fallback) {
    if (!node.Has(key)) return fallback;
    for (std::size_t i = 0; i < node[key].Size(); ++i) fallback[i] = node[key][i].number;
    return fallback;
}

}  // namespace

std::vector<TMatrix4> GltfWorld(const Gltf& gltf, double time) {
    const Json& nodes = gltf.json["nodes"];
    std::vector<int> parent(nodes.Size(), -1);
    for (std::size_t i = 0; i < nodes.Size(); ++i) {
        if (!nodes[i].Has("children")) continue;
        for (const Json& child : nodes[i]["children"].items) parent[static_cast<std::size_t>(child.Int())] = static_cast<int>(i);
    }
    std::vector<TMatrix4> world(nodes.Size());
    std::vector<bool> done(nodes.Size(), false);
    const auto solve = [&](auto& self, std::size_t i) -> const TMatrix4& {
        if (done[i]) return world[i];
        const int node = static_cast<int>(i);
        const auto t = Sample(gltf, node, "translation", time, Member(nodes[i], "translation", {0, 0, 0, 0}));
        const auto r = Sample(gltf, node, "rotation", time, Member(nodes[i], "rotation", {0, 0, 0, 1}));
        const auto s = Sample(gltf, node, "scale", time, Member(nodes[i], "scale", {1, 1, 1, 0}));
        const TMatrix4 local = TMatrix4::Translation(t[0], t[1], t[2]) *
                               model3ds::RotationMatrix({r[3], r[0], r[1], r[2]}) * TMatrix4::Scaling(s[0], s[1], s[2]);
        world[i] = parent[i] < 0 ? local : self(self, static_cast<std::size_t>(parent[i])) * local;
        done[i] = true;
        return world[i];
    };
    for (std::size_t i = 0; i < nodes.Size(); ++i) solve(solve, i);
    return world;
}

}  // namespace gltftest
