// Many meshes drawn in batches of one look give the picture of the same
// triangles in one mesh, in every shading, on one side or both.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "TriangleFieldGlb.h"
#include "viewer/OffscreenRenderer.h"
#include "viewer/ViewerScene.h"

using namespace viewer;

namespace {

using trianglefield::Field;
using trianglefield::Layout;

constexpr int Size = 160;

QImage Picture(const Field& field, std::uint32_t quality, bool twoSided) {
    ViewerScene scene;
    scene.LoadGltf(trianglefield::Glb(field), {});
    scene.MeshBuilder->SetQuality(quality);
    scene.GetDevice().twoSided = twoSided;
    OffscreenRenderer renderer;
    if (!renderer.IsValid()) ADD_FAILURE() << "no OpenGL 3.3 core context";
    return renderer.Render(scene, Size, Size);
}

int DifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// The colours other than the black background.
std::size_t Colours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0) colours.insert(image.pixel(x, y));
    return colours.size();
}

struct SameCase {
    const char* name;
    Field meshes, reference;
    // Lit alike, every triangle of a material has one colour, and no two materials the same.
    std::size_t colours;
};

TEST(BatchedPicture, ManyMeshesDrawAsTheSameTrianglesInOneMesh) {
    const SameCase cases[] = {
        {"two opaque materials and a transparent one",
         {.triangles = 1200, .materials = 3},
         {.triangles = 1200, .materials = 3, .layout = Layout::OneMesh},
         3},
        {"four materials",
         {.triangles = 801, .materials = 4},
         {.triangles = 801, .materials = 4, .layout = Layout::OneMesh},
         4},
        {"copies of one opaque triangle", {.triangles = 500, .stacked = true}, {.triangles = 1}, 1},
    };
    for (const SameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Colours(Picture(c.meshes, RenderGouraud, false)), c.colours);
        for (const std::uint32_t quality : {RenderGouraud, RenderFlat, RenderWireframe})
            for (const bool twoSided : {false, true}) {
                SCOPED_TRACE("quality " + std::to_string(quality) + (twoSided ? ", both sides" : ", front"));
                const QImage meshes = Picture(c.meshes, quality, twoSided);
                const QImage reference = Picture(c.reference, quality, twoSided);
                ASSERT_EQ(meshes.size(), QSize(Size, Size));
                ASSERT_EQ(reference.size(), QSize(Size, Size));
                EXPECT_EQ(DifferentPixels(meshes, reference), 0);
            }
    }
}

}  // namespace
