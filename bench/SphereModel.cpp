#include "SphereModel.h"

#include <cmath>
#include <vector>

#include "XSamples.h"

namespace spheremodel {

namespace {

struct Sphere {
    std::vector<double> positions;
    std::vector<std::vector<std::uint32_t>> triangles;
};

// A sphere of Rings x Segments quads, each split into two triangles.
Sphere MakeSphere() {
    Sphere sphere;
    for (int r = 0; r <= Rings; ++r)
        for (int s = 0; s < Segments; ++s) {
            const double theta = M_PI * r / Rings, phi = 2 * M_PI * s / Segments;
            sphere.positions.insert(sphere.positions.end(), {std::sin(theta) * std::cos(phi), std::cos(theta),
                                                             std::sin(theta) * std::sin(phi)});
        }
    const auto at = [](int r, int s) { return static_cast<std::uint32_t>(r * Segments + s % Segments); };
    for (int r = 0; r < Rings; ++r)
        for (int s = 0; s < Segments; ++s) {
            sphere.triangles.push_back({at(r, s), at(r, s + 1), at(r + 1, s + 1)});
            sphere.triangles.push_back({at(r, s), at(r + 1, s + 1), at(r + 1, s)});
        }
    return sphere;
}

}  // namespace

const std::vector<std::uint8_t>& SphereX() {
    static const std::vector<std::uint8_t> data = [] {
        const Sphere sphere = MakeSphere();
        std::vector<std::uint32_t> faces = {static_cast<std::uint32_t>(sphere.triangles.size())};
        for (const auto& t : sphere.triangles) faces.insert(faces.end(), {3, t[0], t[1], t[2]});
        xsamples::BinaryWriter x;
        x.Name("Header").Open().Integers({1, 0, 1}).Close();
        x.Name("Mesh").Open().Integers({static_cast<std::uint32_t>(sphere.positions.size() / 3)});
        x.Floats(sphere.positions).Integers(faces).Close();
        return x.Data();
    }();
    return data;
}

const std::vector<std::uint8_t>& SphereXText() {
    static const std::vector<std::uint8_t> data = [] {
        const Sphere sphere = MakeSphere();
        const std::vector<float> positions(sphere.positions.begin(), sphere.positions.end());
        return xsamples::TextFile(xsamples::MeshText(positions, sphere.triangles));
    }();
    return data;
}

}  // namespace spheremodel
