#include <gtest/gtest.h>

#include "PackedFile.h"
#include "model3ds/FileKind.h"
#include "model3ds/OpenModel.h"
#include "model3ds/Pack3DA.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using namespace model3ds;

namespace {

// A model of over one block, so that cutting the packed file's end leaves its
// first block whole.
std::vector<std::uint8_t> TwoMeshModel() {
    testsupport::MeshSpec large{.name = "Large"};
    for (int i = 0; i < 4000; ++i) large.vertices.push_back({static_cast<float>(i), 0, 0});
    return testsupport::BuildModel({large, {.name = "Small", .vertices = {{1, 2, 3}}}});
}

constexpr int kNothing = -1;      // nothing to open: READ ERROR, and the model keeps what it had
constexpr int kReaderError = -2;  // the reader refuses what came out

// Meshes after opening bytes under policy, or one of the codes above.
int OpenedMeshes(const std::vector<std::uint8_t>& bytes, const std::string& name, TUnpackPolicy policy) {
    TFile3DS model;
    OpenModelBytes(model, testsupport::BuildModel({{.name = "Previous", .vertices = {{0, 0, 0}}}}), "previous.3ds",
                   "previous.3ds", policy, TModelNeeds::Anything);
    try {
        OpenModelBytes(model, bytes, name, name, policy, TModelNeeds::Anything);
        return model.ObjectList().MeshTotal();
    } catch (const EReadModelError& error) {
        EXPECT_EQ(std::string(error.what()), "READ ERROR : " + name);
        return model.ObjectList().MeshTotal() == 1 ? kNothing : -3;
    } catch (const E3DSError&) {
        return kReaderError;
    }
}

}  // namespace

TEST(OpenModel, PackedAndPlainBytesOpenUnderEachPolicy) {
    const std::vector<std::uint8_t> model = TwoMeshModel();
    const std::vector<std::uint8_t> packed = Pack3DA(model.data(), model.size());
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int anyOutput;       // meshes or code under TUnpackPolicy::AnyOutput
        bool completeOpens;  // false: TUnpackPolicy::Complete raises EUnpackError
    };
    const Case cases[] = {
        {"whole.3DA", packed, 2, true},
        {"plain.3ds", model, 2, true},
        {"no-extension", model, 2, true},
        {"folder.3da/plain", model, 2, true},
        {"cut.3da", std::vector<std::uint8_t>(packed.begin(), packed.end() - 5), kReaderError, false},
        {"header-only.3da", packtest::PackedFile(0x10000, {}), kNothing, false},
        {"text.3da", {'h', 'e', 'l', 'l', 'o'}, kNothing, false},
        {"empty.3ds", {}, kNothing, true},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpenedMeshes(c.bytes, c.name, TUnpackPolicy::AnyOutput), c.anyOutput);
        if (c.completeOpens) {
            EXPECT_EQ(OpenedMeshes(c.bytes, c.name, TUnpackPolicy::Complete), c.anyOutput);
        } else {
            EXPECT_THROW(OpenedMeshes(c.bytes, c.name, TUnpackPolicy::Complete), EUnpackError);
            EXPECT_THROW(UnpackBytes(c.bytes, c.name, TUnpackPolicy::Complete), EUnpackError);
        }
        // A file opens as its bytes do.
        const std::string path = dir.File(std::string(c.name).substr(std::string(c.name).rfind('/') + 1));
        base::WriteFileAtomically(path, c.bytes.data(), c.bytes.size());
        if (c.completeOpens && !c.bytes.empty() && FileKindByName(path) == FileKindByName(c.name)) {
            TFile3DS fromFile;
            OpenModelFile(fromFile, path, TUnpackPolicy::Complete, TModelNeeds::Anything);
            EXPECT_EQ(fromFile.ObjectList().MeshTotal(), c.anyOutput);
        }
    }
}

TEST(OpenModel, EachCallerNeedRefusesAModelWithoutIt) {
    using testsupport::BuildModel;
    const testsupport::MeshSpec faceless{.name = "Faceless", .vertices = {{0, 0, 0}}};
    const testsupport::MeshSpec triangle{.name = "Triangle", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                         .faces = {{0, 1, 2}}};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool opens[4];  // Anything, MeshesOrMaterials, Meshes, Faces
    };
    const Case cases[] = {
        {"nothing", BuildModel({}), {true, false, false, false}},
        {"material library", BuildModel({}, {{.name = "Red"}}), {true, true, false, false}},
        {"faceless mesh", BuildModel({faceless}), {true, true, true, false}},
        {"mesh with a face", BuildModel({faceless, triangle}), {true, true, true, true}},
    };
    const TModelNeeds needs[] = {TModelNeeds::Anything, TModelNeeds::MeshesOrMaterials, TModelNeeds::Meshes,
                                 TModelNeeds::Faces};
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File("model.3ds");
        base::WriteFileAtomically(path, c.bytes.data(), c.bytes.size());
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(std::string(c.name) + ", need " + std::to_string(i));
            TFile3DS model;
            if (c.opens[i]) {
                EXPECT_NO_THROW(OpenModelFile(model, path, TUnpackPolicy::Complete, needs[i]));
            } else {
                EXPECT_THROW(OpenModelFile(model, path, TUnpackPolicy::Complete, needs[i]), EReadModelError);
                EXPECT_THROW(OpenModelBytes(model, c.bytes, "x.3ds", "http://host/x.3ds", TUnpackPolicy::Complete,
                                            needs[i]),
                             EReadModelError);
            }
        }
    }
}

TEST(OpenModel, FileKindByNameThenByContent) {
    struct Case {
        const char* name;
        std::string content;
        TFileKind byName;
        TFileKind byFile;
        TFileKind byContent;
    };
    const std::string model3ds("MM\x06\0\0\0", 6);
    const Case cases[] = {
        {"a.3ds", "", TFileKind::Model3DS, TFileKind::Model3DS, TFileKind::Unknown},
        {"B.3DA", "packed", TFileKind::PackedModel3DS, TFileKind::PackedModel3DS, TFileKind::Unknown},
        {"c.X", "text", TFileKind::DirectX, TFileKind::DirectX, TFileKind::Unknown},
        {"d.xa", "packed", TFileKind::PackedDirectX, TFileKind::PackedDirectX, TFileKind::Unknown},
        {"e.txt", "xof 0303txt 0032", TFileKind::Unknown, TFileKind::DirectX, TFileKind::DirectX},
        {"f.xa", "xof 0303bin 0032", TFileKind::PackedDirectX, TFileKind::DirectX, TFileKind::DirectX},
        {"g.3da", model3ds, TFileKind::PackedModel3DS, TFileKind::Model3DS, TFileKind::Model3DS},
        {"h", "x", TFileKind::Unknown, TFileKind::Unknown, TFileKind::Unknown},
        {"i.3ds.bak", model3ds, TFileKind::Unknown, TFileKind::Model3DS, TFileKind::Model3DS},
        {"j.txt", "\xEF\xBB\xBF" + std::string(100000, ' ') + "\r\n\t{\"asset\":{}}", TFileKind::Unknown,
         TFileKind::Gltf, TFileKind::Gltf},
        {"k.3ds", std::string(100000, '\n') + "[]", TFileKind::Model3DS, TFileKind::Model3DS, TFileKind::Unknown},
        {"l.gltf", std::string(100000, ' '), TFileKind::Gltf, TFileKind::Gltf, TFileKind::Unknown},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileKindByName(c.name), c.byName);
        EXPECT_EQ(FileKindByName(std::string("folder.3ds/") + c.name), c.byName);
        const std::string path = dir.File(c.name);
        base::WriteFileAtomically(path, c.content.data(), c.content.size());
        EXPECT_EQ(FileKindOf(path), c.byFile);
        EXPECT_EQ(FileKindByContent(path), c.byContent);
    }
    EXPECT_EQ(FileKindByName("folder.3ds/plain"), TFileKind::Unknown);
}

TEST(OpenModel, FindsMeshesAndMaterialsByTheirBytes) {
    TFile3DS model;
    model.LoadFromBytes(testsupport::BuildModel({{.name = "Box"}, {.name = "\x94\xa0"}, {.name = "Box"}},
                                                {{.name = "Red"}, {.name = "red"}}));
    const std::pair<std::string, int> meshes[] = {{"Box", 0}, {"\x94\xa0", 1}, {"box", -1}, {"", -1}};
    for (const auto& [name, index] : meshes) EXPECT_EQ(FindMeshIndex(model, name), index) << name;
    const std::pair<std::string, int> materials[] = {{"Red", 0}, {"red", 1}, {"Blue", -1}};
    for (const auto& [name, index] : materials) EXPECT_EQ(FindMaterialIndex(model, name), index) << name;
}

// Lookups remember the names they read: whatever their order, each finds the
// first material of its name, and the record is the list's own.
TEST(OpenModel, MaterialLookupsInAnyOrderFindTheFirstOfEachName) {
    const std::vector<std::uint8_t> bytes =
        testsupport::BuildModel({{.name = "Box"}}, {{.name = "Red"}, {.name = "red"}, {.name = "Red"}, {.name = "Blue"}});
    const std::vector<std::pair<std::string, int>> orders[] = {
        {{"Blue", 3}, {"Red", 0}, {"red", 1}, {"Green", -1}, {"Red", 0}},
        {{"Green", -1}, {"Red", 0}, {"Blue", 3}},
        {{"Red", 0}, {"Blue", 3}, {"red", 1}, {"Blue", 3}},
    };
    for (const auto& order : orders) {
        TFile3DS model;
        model.LoadFromBytes(bytes);
        for (const auto& [name, index] : order) {
            EXPECT_EQ(FindMaterialIndex(model, name), index) << name;
            EXPECT_EQ(FindMaterial(model, name), index < 0 ? nullptr : model.MaterialList().GetMaterial(index)) << name;
        }
    }
}
