#include "SampleModels.h"

#include <string>

#include "support/Writer3DS.h"

namespace apptest {

std::vector<std::uint8_t> SampleModel() {
    testsupport::MeshSpec box{.name = "\x94\xA0",
                              .vertices = {{0, -1, 0}, {1, -1, 0}, {1, 1, 0.5f}, {0, 1, 0}},
                              .faces = {{0, 1, 2}, {0, 2, 3}},
                              .texCoords = {{0, 0}, {1, 0}, {1, 1}},
                              .groups = {{"Red", {0}}, {"Blue", {1}}}};
    testsupport::MeshSpec unnamed{.name = "", .vertices = {{9, 9, 9}}};
    testsupport::MeshSpec cube{.name = "立方体", .vertices = {{5, 5, 5}}};
    testsupport::MaterialSpec red{.name = "Red",
                                  .diffuse = testsupport::Rgb{255, 128, 0},
                                  .specular = testsupport::Rgb{0, 0, 255},
                                  .selfIllum = 35};
    testsupport::MaterialSpec blue{.name = "Blue"};
    return testsupport::BuildModel({box, unnamed, cube}, {red, blue});
}

std::vector<std::uint8_t> FarTriangleX() {
    const std::string text = "xof 0303txt 0032\nMesh {\n3;\n40.0;30.0;5.0;,\n40.0;34.0;5.0;,\n43.0;30.0;6.0;;\n1;\n3;0,1,2;;\n}\n";
    return {text.begin(), text.end()};
}

}  // namespace apptest
