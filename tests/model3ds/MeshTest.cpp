#include <gtest/gtest.h>

#include <string>

#include "base/Errors.h"
#include "model3ds/ChunkIds.h"
#include "Errors3DS.h"
#include "model3ds/File3DS.h"
#include "support/Writer3DS.h"
#include "Load.h"

using namespace model3ds;
using testsupport::LoadBytes;
using testsupport::MeshSpec;
using testsupport::Writer3DS;

namespace {

MeshSpec Quad() {
    return {.name = "Quad",
            .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.5f}},
            .faces = {{0, 1, 2, 7}, {0, 2, 3, 3}},
            .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
            .groups = {{"Red", {0}}, {"Blue", {1, 0}}},
            .smoothing = {1, 2}};
}

void WriteLight(Writer3DS& w, const std::string& name) {
    w.Begin(CK_NAMED_OBJECT);
    w.String(name);
    w.Begin(0x4600);
    w.F32(0);
    w.F32(0);
    w.F32(10);
    w.End();
    w.End();
}

// 0x4D4D { 0x3D3D { body } }
template <typename Body>
std::vector<std::uint8_t> Scene(Body body) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_SCENE);
    body(w);
    w.End();
    w.End();
    return w.Bytes();
}

}  // namespace

TEST(MeshList, ReadsEveryArrayOfAMesh) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Quad()}));
    ASSERT_EQ(model.ObjectList().MeshTotal(), 1);
    const TMesh3DS& mesh = *model.ObjectList().GetMesh(0);
    EXPECT_EQ(mesh.Name, "Quad");
    ASSERT_EQ(mesh.NumVertices(), 4);
    EXPECT_FLOAT_EQ(mesh.Vertices[3].z, 0.5f);
    ASSERT_EQ(mesh.NumFaces(), 2);
    EXPECT_EQ(mesh.Faces[1].V1, 0);
    EXPECT_EQ(mesh.Faces[1].V3, 3);
    EXPECT_EQ(mesh.Faces[0].Flags, 7);
    ASSERT_EQ(mesh.NumTexCoords(), 4);
    EXPECT_FLOAT_EQ(mesh.TexCoords[2].v, 1.0f);
    ASSERT_EQ(mesh.NumMatGroups(), 2);
    EXPECT_EQ(mesh.MatGroups[0].Name, "Red");
    EXPECT_EQ(mesh.MatGroups[1].FaceIndices, (std::vector<std::uint16_t>{1, 0}));
    EXPECT_EQ(mesh.SmoothGroups, (std::vector<std::uint32_t>{1, 2}));
    for (float value : mesh.LocalMatrix.m) EXPECT_EQ(value, 0.0f);
    EXPECT_FALSE(mesh.HasMapInfo);
    EXPECT_FALSE(mesh.IsHidden);
}

TEST(MeshList, LightsGetNoMeshIndex) {
    TFile3DS model;
    LoadBytes(model, Scene([](Writer3DS& w) {
        WriteLight(w, "Lamp");
        testsupport::WriteMesh(w, {.name = "First", .vertices = {{1, 2, 3}}});
        testsupport::WriteMesh(w, {.name = "Second"});
    }));
    ASSERT_EQ(model.ObjectList().MeshTotal(), 2);
    EXPECT_EQ(model.ObjectList().GetMesh(0)->Name, "First");
    EXPECT_EQ(model.ObjectList().GetMesh(1)->Name, "Second");
}

// Meshes are found once per load; each index, read in any order, still gives
// its own mesh, past lights and across a reload.
TEST(MeshList, MeshesReadInAnyOrderAreTheirOwn) {
    const auto scene = [](const std::string& prefix) {
        return Scene([&](Writer3DS& w) {
            for (int i = 0; i < 40; ++i) {
                if (i % 3 == 0) WriteLight(w, "Lamp" + std::to_string(i));
                testsupport::WriteMesh(w, {.name = prefix + std::to_string(i)});
            }
        });
    };
    TFile3DS model;
    for (const std::string prefix : {"A", "B"}) {
        LoadBytes(model, scene(prefix));
        ASSERT_EQ(model.ObjectList().MeshTotal(), 40);
        for (int i = 39; i >= 0; i -= 2) EXPECT_EQ(model.ObjectList().GetMesh(i)->Name, prefix + std::to_string(i));
        for (int i = 0; i < 40; i += 2) EXPECT_EQ(model.ObjectList().GetMesh(i)->Name, prefix + std::to_string(i));
    }
}

TEST(MeshList, MeshWithoutFacesHasNoFacesAndNoGroups) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({{.name = "Points", .vertices = {{1, 2, 3}, {4, 5, 6}}}}));
    const TMesh3DS& mesh = *model.ObjectList().GetMesh(0);
    EXPECT_EQ(mesh.NumVertices(), 2);
    EXPECT_EQ(mesh.NumFaces(), 0);
    EXPECT_EQ(mesh.NumMatGroups(), 0);
}

TEST(MeshList, GroupsCountOnlyBelowTheFaceList) {
    TFile3DS model;
    LoadBytes(model, Scene([](Writer3DS& w) {
        w.Begin(CK_NAMED_OBJECT);
        w.String("Stray");
        w.Begin(CK_TRIMESH);
        w.Begin(CK_FACES);
        w.U16(0);
        w.End();
        w.Begin(CK_FACE_MATERIAL);  // beside the face list, not below it
        w.String("Red");
        w.U16(0);
        w.End();
        w.End();
        w.End();
    }));
    EXPECT_EQ(model.ObjectList().GetMesh(0)->NumMatGroups(), 0);
}

TEST(MeshList, ObjectFlagsAndMatrixAreRead) {
    TFile3DS model;
    LoadBytes(model, Scene([](Writer3DS& w) {
        w.Begin(CK_NAMED_OBJECT);
        w.String("Flags");
        w.Flag(CK_OBJ_HIDDEN);
        w.Flag(CK_OBJ_NO_CAST);
        w.Flag(CK_OBJ_FROZEN);
        w.Begin(CK_TRIMESH);
        w.Begin(CK_LOCAL_MATRIX);
        for (int i = 1; i <= 12; ++i) w.F32(static_cast<float>(i));
        w.End();
        w.Begin(CK_MESH_COLOR);
        w.U8(9);
        w.End();
        w.End();
        w.End();
    }));
    const TMesh3DS& mesh = *model.ObjectList().GetMesh(0);
    EXPECT_TRUE(mesh.IsHidden);
    EXPECT_TRUE(mesh.IsNoCast);
    EXPECT_TRUE(mesh.IsFrozen);
    EXPECT_FALSE(mesh.IsMatte);
    EXPECT_FALSE(mesh.IsProcedural);
    EXPECT_EQ(mesh.LocalMatrix.m[0], 1.0f);
    EXPECT_EQ(mesh.LocalMatrix.m[11], 12.0f);
    EXPECT_EQ(mesh.MeshColor, 9);
}

TEST(MeshList, IndexOutsideTheListRaisesTheListError) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Quad()}));
    for (int index : {1, -1}) {
        try {
            model.ObjectList().GetMesh(index);
            ADD_FAILURE() << index;
        } catch (const base::EListError& error) {
            EXPECT_EQ(std::string(error.what()), "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
        }
    }
}

TEST(MeshList, SameIndexGivesTheSameRecord) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Quad()}));
    TMesh3DS* first = model.ObjectList().GetMesh(0);
    EXPECT_EQ(model.ObjectList().GetMesh(0), first);
}

TEST(MeshList, TotalsNeedTheMeshCountFirst) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Quad(), {.name = "P", .vertices = {{0, 0, 0}}}}));
    EXPECT_EQ(model.ObjectList().TotalVertices(), 0);
    model.ObjectList().MeshTotal();
    EXPECT_EQ(model.ObjectList().TotalVertices(), 5);
    EXPECT_EQ(model.ObjectList().TotalFaces(), 2);
}

TEST(MeshList, MeshDeeperThanTheObjectRaisesEveryTime) {
    TFile3DS model;
    LoadBytes(model, Scene([](Writer3DS& w) {
        w.Begin(CK_NAMED_OBJECT);
        w.String("Nested");
        w.Begin(0x4700);  // a camera chunk wrapping the mesh
        for (int i = 0; i < 8; ++i) w.F32(0);
        w.Begin(CK_TRIMESH);
        w.End();
        w.End();
        w.End();
    }));
    ASSERT_EQ(model.ObjectList().MeshTotal(), 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            model.ObjectList().GetMesh(0);
            ADD_FAILURE() << "no error";
        } catch (const E3DSError& error) {
            EXPECT_STREQ(error.what(), kErrorNotAMesh);
        }
    }
}

// Counts that claim more elements than their chunk holds are refused, never allocated.
TEST(MeshList, ArrayCountBeyondTheChunkRaisesTheInvalidChunkError) {
    const std::uint16_t tags[] = {CK_VERTICES, CK_FACES, CK_TEXCOORDS, CK_VERTEX_FLAGS};
    for (std::uint16_t tag : tags) {
        TFile3DS model;
        LoadBytes(model, Scene([tag](Writer3DS& w) {
            w.Begin(CK_NAMED_OBJECT);
            w.String("Liar");
            w.Begin(CK_TRIMESH);
            w.Begin(tag);
            w.U16(60000);
            w.F32(1);
            w.End();
            w.End();
            w.End();
        }));
        try {
            model.ObjectList().GetMesh(0);
            ADD_FAILURE() << std::hex << tag;
        } catch (const E3DSError& error) {
            EXPECT_STREQ(error.what(), kErrorInvalidChunk) << std::hex << tag;
        }
    }
}

TEST(MeshList, ShortSmoothingListKeepsItsOwnCount) {
    MeshSpec mesh = Quad();
    mesh.smoothing = {5};
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({mesh}));
    const TMesh3DS& read = *model.ObjectList().GetMesh(0);
    EXPECT_EQ(read.NumFaces(), 2);
    EXPECT_EQ(read.SmoothGroups, (std::vector<std::uint32_t>{5}));
}

TEST(MeshList, LaterArrayChunkReplacesTheEarlier) {
    TFile3DS model;
    LoadBytes(model, Scene([](Writer3DS& w) {
        w.Begin(CK_NAMED_OBJECT);
        w.String("Twice");
        w.Begin(CK_TRIMESH);
        for (std::uint16_t count : {3, 1}) {
            w.Begin(CK_VERTICES);
            w.U16(count);
            for (int i = 0; i < count * 3; ++i) w.F32(static_cast<float>(count));
            w.End();
        }
        w.End();
        w.End();
    }));
    const TMesh3DS& mesh = *model.ObjectList().GetMesh(0);
    ASSERT_EQ(mesh.NumVertices(), 1);
    EXPECT_EQ(mesh.Vertices[0].x, 1.0f);
}

TEST(MeshList, MaterialLibraryHasNoMeshes) {
    Writer3DS w;
    w.Begin(CK_MATLIB);
    testsupport::WriteMaterial(w, {.name = "Lib1"});
    testsupport::WriteMaterial(w, {.name = "Lib2"});
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 0);
    EXPECT_EQ(model.ObjectList().GetMesh(0), nullptr);
    ASSERT_EQ(model.MaterialList().MaterialTotal(), 2);
    EXPECT_EQ(model.MaterialList().GetMaterial(1)->Name, "Lib2");
}

TEST(VectorFunctions, TakeComponentwiseMinimumAndMaximum) {
    const TVector3DS a{1, 5, -2}, b{3, -1, -2};
    const TVector3DS low = VectorMin(a, b), high = VectorMax(a, b);
    EXPECT_EQ(low.x, 1);
    EXPECT_EQ(low.y, -1);
    EXPECT_EQ(low.z, -2);
    EXPECT_EQ(high.x, 3);
    EXPECT_EQ(high.y, 5);
    EXPECT_EQ(high.z, -2);
}
