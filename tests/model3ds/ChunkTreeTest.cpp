#include <gtest/gtest.h>

#include <string>

#include "base/Beep.h"
#include "base/Errors.h"
#include "model3ds/ChunkIds.h"
#include "ChunkTree.h"
#include "Errors3DS.h"
#include "model3ds/File3DS.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "Load.h"

using namespace model3ds;
using testsupport::LoadBytes;
using testsupport::MeshSpec;
using testsupport::Writer3DS;

namespace {

MeshSpec Triangle(const std::string& name) { return {.name = name, .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}}; }

std::string ParentNameOf(TChunkNode3DS* node) {
    TChunkNode3DS* header = SearchTree(node, CK_NODE_HEADER);
    TChunkNode3DS* name = header ? SearchTree(header, CK_PARENT_NAME) : nullptr;
    if (name == nullptr) return "<none>";
    const auto* text = name->data ? std::get_if<std::string>(name->data.get()) : nullptr;
    return text ? *text : "<no payload>";
}

void WriteKeyframerNode(Writer3DS& w, std::int16_t id, const std::string& name, std::int16_t parent,
                        const std::string& instance = "") {
    w.Begin(CK_NODE_OBJECT);
    if (id >= 0) w.ChunkI16(CK_NODE_ID, id);
    w.Begin(CK_NODE_HEADER);
    w.String(name);
    w.U16(0);
    w.U16(0);
    w.I16(parent);
    w.End();
    if (!instance.empty()) w.ChunkString(CK_INSTANCE_NAME, instance);
    w.End();
}

}  // namespace

TEST(ChunkReader, FileShorterThanOneHeaderRaisesTheReadError) {
    for (std::size_t size = 0; size < 6; ++size) {
        TFile3DS model;
        const std::vector<std::uint8_t> bytes = {0x4D, 0x4D, 0x06, 0x00, 0x00, 0x00};
        EXPECT_THROW(LoadBytes(model, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + size)), base::EReadError)
            << size;
    }
}

TEST(ChunkReader, SixByteSceneFileIsAnEmptyModel) {
    TFile3DS model;
    Writer3DS w;
    w.Header(CK_MAIN, 6);
    LoadBytes(model, w);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 0);
    EXPECT_EQ(model.MaterialList().MaterialTotal(), 0);
    EXPECT_EQ(model.ObjectList().GetMesh(0), nullptr);
    EXPECT_EQ(model.MaterialList().GetMaterial(0), nullptr);
}

TEST(ChunkReader, UnknownTopTagLoadsAsEmptyModel) {
    testsupport::TempDir dir;
    const std::string path = dir.File("notes.txt");
    Writer3DS text;
    const std::string content = "This is a text file, not a model.\n";
    text.Raw(content.data(), content.size());
    text.SaveToFile(path);
    TFile3DS model(path);
    EXPECT_EQ(model.FileName(), path);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 0);
    EXPECT_EQ(model.MaterialList().MaterialTotal(), 0);
}

TEST(ChunkReader, MissingFileRaisesTheOpenErrorAndReleasesThePreviousModel) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Triangle("Tri")}));
    ASSERT_EQ(model.ObjectList().MeshTotal(), 1);
    try {
        model.LoadFromFile("/nonexistent/model.3ds");
        FAIL() << "no error";
    } catch (const base::EFOpenError& error) {
        EXPECT_STREQ(error.what(), "ファイル /nonexistent/model.3ds は開けません");
    }
    EXPECT_EQ(model.ObjectList().MeshTotal(), 0);
}

// Each damaged structure stops the load with the invalid-chunk error (after the beep).
TEST(ChunkReader, DamagedStructureRaisesTheInvalidChunkError) {
    struct Case {
        const char* what;
        void (*build)(Writer3DS&);
    };
    const Case cases[] = {
        {"top longer than the data", [](Writer3DS& w) { w.Header(CK_MAIN, 100); }},
        {"top shorter than a header", [](Writer3DS& w) { w.Header(CK_MAIN, 3); }},
        {"child shorter than a header",
         [](Writer3DS& w) {
             w.Begin(CK_MAIN);
             w.Header(CK_SCENE, 2);
             w.U32(0);
             w.End();
         }},
        {"child past its parent",
         [](Writer3DS& w) {
             w.Begin(CK_MAIN);
             w.Begin(CK_SCENE);
             w.Header(CK_NAMED_OBJECT, 40);
             w.End();
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.U32(0);
             w.End();
         }},
        {"parent ends inside a header",
         [](Writer3DS& w) {
             w.Begin(CK_MAIN);
             w.ChunkU16(0x0030, 5);
             w.U16(0);
             w.End();
         }},
        {"nesting without end",
         [](Writer3DS& w) {
             for (int i = 0; i < 200; ++i) w.Begin(i == 0 ? CK_MAIN : CK_SCENE);
             for (int i = 0; i < 200; ++i) w.End();
         }},
    };
    for (const Case& c : cases) {
        Writer3DS w;
        c.build(w);
        int beeps = 0;
        base::SetBeepHook([&] { ++beeps; });
        TFile3DS model;
        try {
            LoadBytes(model, w);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const E3DSError& error) {
            EXPECT_STREQ(error.what(), kErrorInvalidChunk) << c.what;
        }
        EXPECT_EQ(beeps, 1) << c.what;
        base::SetBeepHook(nullptr);
        model.Clear();
        EXPECT_EQ(model.ObjectList().MeshTotal(), 0) << c.what;
    }
}

TEST(ChunkReader, BytesBehindAFixedPayloadAreReadAsSubChunks) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_SCENE);
    w.Begin(0x0100);  // master scale: a 4-byte payload
    w.F32(1.0f);
    testsupport::WriteMaterial(w, {.name = "Hidden"});
    w.End();
    w.End();
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    ASSERT_EQ(model.MaterialList().MaterialTotal(), 1);
    EXPECT_EQ(model.MaterialList().GetMaterial(0)->Name, "Hidden");
}

TEST(ChunkReader, ExtendedDataSectionKeepsOnlyItsEntries) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_SCENE);
    w.Begin(CK_XDATA_SECTION);
    w.ChunkString(0x8002, "first");
    w.Header(0x8003, 1000);  // overruns the section: passed over
    w.ChunkString(0x8004, "second");
    w.ChunkString(0x4000, "not an entry");  // ends the section
    w.ChunkString(0x8005, "ignored");
    w.End();
    testsupport::WriteMesh(w, Triangle("After"));
    w.End();
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    TChunkNode3DS* section = SearchTree(model.Database().top, CK_XDATA_SECTION);
    ASSERT_NE(section, nullptr);
    std::vector<std::uint16_t> tags;
    for (TChunkNode3DS* entry = section->children; entry; entry = entry->next) tags.push_back(entry->tag);
    EXPECT_EQ(tags, (std::vector<std::uint16_t>{0x8002, 0x8004}));
    ASSERT_EQ(model.ObjectList().MeshTotal(), 1);
    EXPECT_EQ(model.ObjectList().GetMesh(0)->Name, "After");
}

TEST(ChunkReader, KeyframerNodesLearnTheirParentNames) {
    struct Case {
        const char* what;
        std::int16_t parentId;  // -1: the parent node has no id chunk
        const char* expected;
    };
    const Case cases[] = {
        {"parent with instance name", 0, "Parent.inst"},
        // One node without id renumbers all in file order: the parent becomes 0.
        {"parent without id chunk", -1, "Parent.inst"},
    };
    for (const Case& c : cases) {
        Writer3DS w;
        w.Begin(CK_MAIN);
        w.Begin(CK_KEYFRAMER);
        WriteKeyframerNode(w, c.parentId, "Parent", -1, "inst");
        WriteKeyframerNode(w, 1, "Child", 0);
        WriteKeyframerNode(w, 2, "Orphan", 7);
        w.End();
        w.End();
        TFile3DS model;
        LoadBytes(model, w);
        TChunkNode3DS* keyframer = SearchTree(model.Database().top, CK_KEYFRAMER);
        const std::vector<TChunkNode3DS*> nodes = ChunksOfTag(keyframer, CK_NODE_OBJECT);
        ASSERT_EQ(nodes.size(), 3u);
        EXPECT_EQ(ParentNameOf(nodes[0]), "<none>") << c.what;
        EXPECT_EQ(ParentNameOf(nodes[1]), c.expected) << c.what;
        EXPECT_EQ(ParentNameOf(nodes[2]), "<none>") << c.what;
    }
}

// Of nodes that share an id, the first in the file is the one a child names.
TEST(ChunkReader, KeyframerParentOfARepeatedIdIsTheFirstNode) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_KEYFRAMER);
    WriteKeyframerNode(w, 5, "First", -1);
    WriteKeyframerNode(w, 5, "Second", -1);
    WriteKeyframerNode(w, 6, "Child", 5);
    w.End();
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    const auto nodes = ChunksOfTag(SearchTree(model.Database().top, CK_KEYFRAMER), CK_NODE_OBJECT);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(ParentNameOf(nodes[2]), "First");
}

TEST(ChunkReader, KeyframerParentWithoutInstanceGivesItsName) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_KEYFRAMER);
    WriteKeyframerNode(w, 10, "Root", -1);
    WriteKeyframerNode(w, 11, "Leaf", 10);
    w.End();
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    const auto nodes = ChunksOfTag(SearchTree(model.Database().top, CK_KEYFRAMER), CK_NODE_OBJECT);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(ParentNameOf(nodes[1]), "Root");
}

TEST(ChunkReader, PayloadIsReadOnce) {
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Triangle("Tri")}));
    TChunkNode3DS* vertices = SearchTree(model.Database().top, CK_VERTICES);
    ASSERT_NE(vertices, nullptr);
    EXPECT_EQ(vertices->data, nullptr);
    model.ReadChunkData(*vertices);
    const TChunkData3DS* first = vertices->data.get();
    ASSERT_NE(first, nullptr);
    model.ReadChunkData(*vertices);
    EXPECT_EQ(vertices->data.get(), first);
    EXPECT_EQ(std::get<std::vector<TVector3DS>>(*first).size(), 3u);
    FreeChunkData(*vertices);
    EXPECT_EQ(vertices->data, nullptr);
}

TEST(ChunkReader, LongNamesKeepTheirFirst255Bytes) {
    const std::string longName(300, 'n');
    TFile3DS model;
    LoadBytes(model, testsupport::BuildModel({Triangle(longName)}, {{.name = longName}}));
    ASSERT_EQ(model.ObjectList().MeshTotal(), 1);
    const TMesh3DS* mesh = model.ObjectList().GetMesh(0);
    EXPECT_EQ(mesh->Name, longName.substr(0, 255));
    EXPECT_EQ(mesh->NumVertices(), 3);
    EXPECT_EQ(model.MaterialList().GetMaterial(0)->Name, longName.substr(0, 255));
}

TEST(ChunkReader, ClearEmptiesTheListsUntilTheNextLoad) {
    TFile3DS model;
    const auto bytes = testsupport::BuildModel({Triangle("A"), Triangle("B")}, {{.name = "M"}});
    LoadBytes(model, bytes);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 2);
    EXPECT_EQ(model.MaterialList().MaterialTotal(), 1);
    model.Clear();
    EXPECT_EQ(model.ObjectList().MeshTotal(), 0);
    EXPECT_EQ(model.MaterialList().MaterialTotal(), 0);
    LoadBytes(model, bytes);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 2);
    EXPECT_EQ(model.MaterialList().MaterialTotal(), 1);
}

TEST(ChunkReader, StreamIsReadFromItsPosition) {
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    const auto model3ds = testsupport::BuildModel({Triangle("Tri")});
    bytes.insert(bytes.end(), model3ds.begin(), model3ds.end());
    base::MemoryStream stream(bytes);
    stream.Seek(3);
    TFile3DS model;
    model.LoadFromStream(stream);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 1);
    EXPECT_TRUE(model.FileName().empty());
}
