// The renderer's draw order: meshes of one look drawn as one batch, copies of
// a triangle in one batch drawn once, transparent triangles all kept.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DrawBatches.h"
#include "TriangleFieldGlb.h"
#include "XSamples.h"
#include "viewer/GltfFile.h"

using namespace viewer;

namespace {

using trianglefield::Field;
using trianglefield::Layout;

DrawBatches Plan(const Field& field) {
    const std::vector<std::uint8_t> glb = trianglefield::Glb(field);
    MeshBuilder builder;
    builder.Load(ParseGltf(glb.data(), glb.size(), {}));
    return PlanDraws(builder, {});
}

std::vector<std::uint32_t> BatchSizes(const DrawBatches& plan) {
    std::vector<std::uint32_t> sizes;
    for (const DrawBatch& batch : plan.batches) sizes.push_back(batch.count);
    return sizes;
}

struct PlanCase {
    const char* name;
    Field field;
    std::vector<std::uint32_t> batchSizes;  // opaque triangles of each batch
    std::size_t transparent;
};

TEST(DrawBatches, MeshesOfOneLookAreOneBatchAndCopiesInItAreDrawnOnce) {
    const PlanCase cases[] = {
        {"2000 meshes of one material", {.triangles = 2000}, {2000}, 0},
        {"the same triangles in one mesh", {.triangles = 2000, .layout = Layout::OneMesh}, {2000}, 0},
        {"2000 meshes of two materials", {.triangles = 2000, .materials = 2}, {1000, 1000}, 0},
        {"2001 meshes, the third material half transparent", {.triangles = 2001, .materials = 3}, {667, 667}, 667},
        {"2000 copies of one triangle", {.triangles = 2000, .stacked = true}, {1}, 0},
        {"copies of two looks and a transparent one",
         {.triangles = 3000, .materials = 3, .stacked = true},
         {1, 1},
         1000},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DrawBatches plan = Plan(c.field);
        EXPECT_EQ(BatchSizes(plan), c.batchSizes);
        EXPECT_EQ(plan.transparent.size(), c.transparent);
        EXPECT_EQ(plan.transparentMaterials.size(), c.transparent);
    }
}

// The batches follow the looks' first materials and keep the last copy of a
// triangle, which would have been drawn over the others; each transparent
// triangle names its look's first material, so that runs of one look draw together.
TEST(DrawBatches, BatchesKeepTheLastCopyAndNameTheirLooksFirstMaterial) {
    const DrawBatches plan = Plan({.triangles = 30, .materials = 3, .stacked = true});
    EXPECT_EQ(plan.opaque, (std::vector<std::uint32_t>{27, 28}));
    ASSERT_EQ(plan.batches.size(), 2u);
    EXPECT_EQ(plan.batches[0].material, 0u);
    EXPECT_EQ(plan.batches[1].material, 1u);
    EXPECT_EQ(plan.transparentMaterials, std::vector<std::uint32_t>(10, 2u));
}

// A triangle of one white material with the given normal and texture
// coordinates of its first corner, as a mesh of its own.
std::string TriangleMesh(const std::string& normal, const std::string& firstCoordinates) {
    return xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}},
                              "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n"
                              "MeshNormals { 1; " + normal + ";; 1; 3; 0,0,0;; }\n"
                              "MeshTextureCoords { 3; " + firstCoordinates + ";, 0;1;, 1;0;; }\n");
}

// A copy is a triangle whose corners draw the same in every respect.
TEST(DrawBatches, OnlyTrianglesEqualInEveryCornerAreCopies) {
    struct CopyCase {
        const char* name;
        std::string second;
        std::uint32_t drawn;
    };
    const std::string first = TriangleMesh("0;0;-1", "0;0");
    const CopyCase cases[] = {
        {"a copy", first, 1},
        {"another normal", TriangleMesh("0;0.6;-0.8", "0;0"), 2},
        {"other texture coordinates", TriangleMesh("0;0;-1", "0.5;0"), 2},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> x = xsamples::TextFile(first + c.second);
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(x.data(), x.size()), 0);
        ASSERT_EQ(builder.Triangles().size(), 2u);
        const DrawBatches plan = PlanDraws(builder, {});
        EXPECT_EQ(plan.opaque.size(), c.drawn);
        EXPECT_EQ(plan.batches.size(), 1u);
    }
}

// One mesh naming the same corners again and again is drawn once; a surface
// whose triangles share their corners, as a strip's do, is drawn whole.
TEST(DrawBatches, AMeshNamingTheSameCornersAgainIsDrawnOnce) {
    const std::vector<float> strip = {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0};
    const struct {
        const char* name;
        std::vector<std::vector<std::uint32_t>> faces;
        std::size_t drawn;
    } cases[] = {
        {"one triangle named 2000 times", std::vector<std::vector<std::uint32_t>>(2000, {0, 1, 2}), 1},
        {"two triangles of four corners", {{0, 1, 2}, {2, 1, 3}}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> x = xsamples::TextFile(xsamples::MeshText(strip, c.faces));
        MeshBuilder builder;
        ASSERT_EQ(builder.Load(x.data(), x.size()), 0);
        EXPECT_EQ(PlanDraws(builder, {}).opaque.size(), c.drawn);
    }
}

// Every value a material draws with, and its texture, keeps it apart.
TEST(DrawBatches, MaterialsShareALookOnlyWhenEverythingDrawnIsEqual) {
    Material base;
    base.faceColor = {0.5f, 0.4f, 0.3f, 1};
    base.power = 8;
    base.specular = {0.2f, 0.2f, 0.2f};
    base.textureFileName = "a.png";
    struct Change {
        const char* name;
        void (*apply)(Material&);
    };
    const Change changes[] = {
        {"colour", [](Material& m) { m.faceColor[1] = 0.41f; }},
        {"alpha", [](Material& m) { m.faceColor[3] = 0.5f; }},
        {"power", [](Material& m) { m.power = 9; }},
        {"specular", [](Material& m) { m.specular.blue = 0.3f; }},
        {"emissive", [](Material& m) { m.emissive.red = 0.1f; }},
        {"negative zero", [](Material& m) { m.emissive.green = -0.0f; }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        Material other = base;
        change.apply(other);
        EXPECT_EQ(SameLooks({base, other, base, other}, {}), (std::vector<std::uint32_t>{0, 1, 0, 1}));
    }
    // The texture drawn decides, not its name: one image under two names is
    // one look, and a texture that did not load is none.
    Material renamed = base;
    renamed.textureFileName = "A.PNG";
    EXPECT_EQ(SameLooks({base, renamed, base, base}, {7, 7, 8, 0}), (std::vector<std::uint32_t>{0, 0, 2, 3}));
    Material untextured = base;
    untextured.textureFileName.clear();
    EXPECT_EQ(SameLooks({untextured, base}, {0, 0}), (std::vector<std::uint32_t>{0, 0}));
}

}  // namespace
