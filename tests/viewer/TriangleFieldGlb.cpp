#include "TriangleFieldGlb.h"

#include "GlbFile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace trianglefield {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Point {
    float x, y;
};

// The two halves of a unit cell, counter-clockwise seen from +z.
constexpr Point Halves[2][3] = {{{0, 0}, {1, 0}, {0, 1}}, {{1, 0}, {1, 1}, {0, 1}}};

struct Placed {
    Point corner;  // of its cell
    int half, material;
};

Placed Place(const Field& field, int triangle) {
    if (field.stacked) return {{0, 0}, 0, triangle % field.materials};
    const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(field.triangles / 2.0))));
    const int rows = ((field.triangles + 1) / 2 + columns - 1) / columns;
    const int cell = triangle / 2, x = cell % columns, y = cell / columns, half = triangle % 2;
    // Centred on the origin, on whole units, so that placing a node adds exactly.
    return {{static_cast<float>(x - columns / 2), static_cast<float>(y - rows / 2)},
            half,
            (x + y + half) % field.materials};
}

std::string MaterialJson(int index) {
    static const char* const colours[] = {"0.8, 0.1, 0.1", "0.1, 0.2, 0.9", "0.1, 0.8, 0.2", "0.9, 0.8, 0.1"};
    const bool transparent = index % 3 == 2;
    return std::string("{\"pbrMetallicRoughness\": {\"baseColorFactor\": [") + colours[index % 4] +
           (transparent ? ", 0.5], " : ", 1], ") + "\"metallicFactor\": 0, \"roughnessFactor\": 0.5}" +
           (transparent ? ", \"alphaMode\": \"BLEND\"}" : "}");
}

std::string PositionAccessor(std::size_t offset, std::size_t count, Point min, Point max) {
    return "{\"bufferView\": 0, \"byteOffset\": " + std::to_string(offset) + ", \"componentType\": 5126, \"count\": " +
           std::to_string(count) + ", \"type\": \"VEC3\", \"min\": [" + std::to_string(min.x) + ", " +
           std::to_string(min.y) + ", 0], \"max\": [" + std::to_string(max.x) + ", " + std::to_string(max.y) +
           ", 0]}";
}

void AppendPoint(Bytes& bin, Point p) {
    const float xyz[3] = {p.x, p.y, 0};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(xyz);
    bin.insert(bin.end(), bytes, bytes + sizeof xyz);
}

// Meshes, nodes and accessors of one node per triangle; the buffer holds the two halves.
std::string NodePerTriangle(const Field& field, Bytes& bin) {
    std::string meshes, nodes, roots;
    for (int t = 0; t < field.triangles; ++t) {
        const Placed placed = Place(field, t);
        const std::string separator = t ? ", " : "";
        meshes += separator + "{\"primitives\": [{\"attributes\": {\"POSITION\": " + std::to_string(placed.half) +
                  "}, \"material\": " + std::to_string(placed.material) + "}]}";
        nodes += separator + "{\"mesh\": " + std::to_string(t) + ", \"translation\": [" +
                 std::to_string(static_cast<int>(placed.corner.x)) + ", " +
                 std::to_string(static_cast<int>(placed.corner.y)) + ", 0]}";
        roots += separator + std::to_string(t);
    }
    for (const auto& half : Halves)
        for (const Point p : half) AppendPoint(bin, p);
    const std::string accessors =
        PositionAccessor(0, 3, {0, 0}, {1, 1}) + ", " + PositionAccessor(36, 3, {0, 0}, {1, 1});
    return "\"accessors\": [" + accessors + "], \"meshes\": [" + meshes + "], \"nodes\": [" + nodes +
           "], \"scenes\": [{\"nodes\": [" + roots + "]}]";
}

// One mesh whose primitive of each material holds its triangles in place.
std::string OneMesh(const Field& field, Bytes& bin) {
    std::string accessors, primitives;
    int accessor = 0;
    for (int m = 0; m < field.materials; ++m) {
        const std::size_t offset = bin.size();
        constexpr float far = std::numeric_limits<float>::max();
        Point min{far, far}, max{-far, -far};
        for (int t = 0; t < field.triangles; ++t) {
            const Placed placed = Place(field, t);
            if (placed.material != m) continue;
            for (const Point p : Halves[placed.half]) {
                const Point at{placed.corner.x + p.x, placed.corner.y + p.y};
                AppendPoint(bin, at);
                min = {std::min(min.x, at.x), std::min(min.y, at.y)};
                max = {std::max(max.x, at.x), std::max(max.y, at.y)};
            }
        }
        const std::size_t count = (bin.size() - offset) / 12;
        if (count == 0) continue;
        const std::string separator = accessor ? ", " : "";
        accessors += separator + PositionAccessor(offset, count, min, max);
        primitives += separator + "{\"attributes\": {\"POSITION\": " + std::to_string(accessor++) +
                      "}, \"material\": " + std::to_string(m) + "}";
    }
    return "\"accessors\": [" + accessors + "], \"meshes\": [{\"primitives\": [" + primitives +
           "]}], \"nodes\": [{\"mesh\": 0}], \"scenes\": [{\"nodes\": [0]}]";
}

}  // namespace

Bytes Glb(const Field& field) {
    Bytes bin;
    const std::string parts = field.layout == Layout::OneMesh ? OneMesh(field, bin) : NodePerTriangle(field, bin);
    std::string materials;
    for (int m = 0; m < field.materials; ++m) materials += (m ? ", " : "") + MaterialJson(m);
    const std::string size = std::to_string(bin.size());
    const std::string json = "{\"asset\": {\"version\": \"2.0\"}, \"buffers\": [{\"byteLength\": " + size +
                             "}], \"bufferViews\": [{\"buffer\": 0, \"byteStride\": 12, \"byteLength\": " + size +
                             "}], \"materials\": [" + materials + "], " + parts + ", \"scene\": 0}";
    return glbfile::Glb(json, std::move(bin));
}

}  // namespace trianglefield
