#include "GridModel.h"

#include <cmath>
#include <string>

#include "support/Writer3DS.h"

namespace gridmodel {

std::vector<std::uint8_t> GridModel(int index, int side, bool faceted) {
    testsupport::MeshSpec mesh;
    mesh.name = "Grid" + std::to_string(index);
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            const float x = static_cast<float>(c) * 0.5f;
            const float y = static_cast<float>(r) * 0.5f;
            mesh.vertices.push_back({x, y, std::sin(x * 0.4f + static_cast<float>(index)) * std::cos(y * 0.3f) * 3.0f});
            mesh.texCoords.push_back({static_cast<float>(c) / side, static_cast<float>(r) / side});
        }
    }
    testsupport::MaterialGroup group{"Stone", {}};
    for (int r = 0; r + 1 < side; ++r) {
        for (int c = 0; c + 1 < side; ++c) {
            const auto v = static_cast<std::uint16_t>(r * side + c);
            for (int k = 0; k < 2; ++k) {
                group.faces.push_back(static_cast<std::uint16_t>(mesh.faces.size()));
                if (!faceted) mesh.smoothing.push_back(r < side / 2 ? 1u : 2u);
                mesh.faces.push_back(k == 0 ? testsupport::Face{v, static_cast<std::uint16_t>(v + 1),
                                                               static_cast<std::uint16_t>(v + side)}
                                            : testsupport::Face{static_cast<std::uint16_t>(v + 1),
                                                               static_cast<std::uint16_t>(v + side + 1),
                                                               static_cast<std::uint16_t>(v + side)});
            }
        }
    }
    mesh.groups = {group};
    return testsupport::BuildModel({mesh}, {{.name = "Stone", .diffuse = testsupport::Rgb{128, 128, 120},
                                             .textureFile = "stone.png"}});
}

}  // namespace gridmodel
