#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/Document.h"
#include "app/MaterialRules.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "base/Texts.h"
#include "model3ds/OpenModel.h"
#include "model3ds/Pack3DA.h"
#include "support/JapaneseMessages.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

using app::TDocument;
using app::TOpened;
using TShow = app::TOpened::TShow;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Packed(const std::vector<std::uint8_t>& bytes) {
    return model3ds::Pack3DA(bytes.data(), bytes.size());
}

// Two meshes with faces and one with a single vertex, with a textured material.
std::vector<std::uint8_t> SampleModel() {
    testsupport::MeshSpec box{.name = "box",
                              .vertices = {{0, -1, 0}, {1, -1, 0}, {1, 1, 0.5f}, {0, 1, 0}},
                              .faces = {{0, 1, 2}, {0, 2, 3}},
                              .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                              .groups = {{"Red", {0, 1}}},
                              .smoothing = {1, 1}};
    testsupport::MeshSpec wedge{.name = "wedge", .vertices = {{2, 0, 0}, {3, 0, 0}, {3, 1, 0}}, .faces = {{0, 1, 2}}};
    testsupport::MeshSpec point{.name = "point", .vertices = {{5, 5, 5}}};
    return testsupport::BuildModel({box, wedge, point}, {{.name = "Red", .textureFile = "wood.png"}});
}

const std::string kTriangleX = "xof 0303txt 0032\nMesh {\n3;\n0.0;0.0;0.0;,\n1.0;0.0;0.0;,\n0.0;1.0;0.0;;\n1;\n3;0,1,2;;\n}\n";
const std::string kAddress = "http://127.0.0.1/models/";

class Document : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::SaveFile(dir_.File("box.3ds"), SampleModel());
        testsupport::SaveFile(dir_.File("BOX.3DA"), Packed(SampleModel()));
        testsupport::SaveFile(dir_.File("tri.x"), Bytes(kTriangleX));
        testsupport::SaveFile(dir_.File("tri.XA"), Packed(Bytes(kTriangleX)));
        testsupport::SaveFile(dir_.File("named-3ds.3ds"), Bytes(kTriangleX));  // DirectX by its content
    }

    testsupport::TempDir dir_;
    TDocument document_;
};

// A model from disk and one downloaded show the same, differing only in where
// they came from; DirectX data of either goes to a viewer, unpacked, and leaves no model.
TEST_F(Document, OpensEveryKindFromDiskAndFromADownloadAlike) {
    struct Case {
        std::string name;
        bool download;
        TShow show;
        std::string fileName;  // the title's name (a model) or the viewer's file name
        std::string caption;   // the viewer's
    };
    const std::string folder = dir_.File("");
    const Case cases[] = {
        {"box.3ds", false, TShow::Model, "box.3ds", ""},
        {"BOX.3DA", false, TShow::Model, "BOX.3DA", ""},
        {"tri.x", false, TShow::Viewer, folder + "tri.x", "tri.x"},
        {"tri.XA", false, TShow::Viewer, folder + "tri.XA", "tri.XA"},
        {"named-3ds.3ds", false, TShow::Viewer, folder + "named-3ds.3ds", "named-3ds.3ds"},
        {"box.3ds", true, TShow::Model, kAddress + "box.3ds", ""},
        {"BOX.3DA", true, TShow::Model, kAddress + "BOX.3DA", ""},
        {"tri.x", true, TShow::Viewer, kAddress + "tri.x", ""},
        {"tri.XA", true, TShow::Viewer, kAddress + "tri.XA", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + (c.download ? " downloaded" : " from disk"));
        TDocument document;
        document.EditedOpacity.insert("Red");
        const std::string path = dir_.File(c.name);
        const TOpened opened =
            c.download ? document.OpenDownload(base::ReadWholeFile(path), c.name, kAddress + c.name,
                                               model3ds::FileKindByName(c.name))
                       : document.OpenPath(path);
        ASSERT_EQ(opened.Show, c.show);
        EXPECT_EQ(opened.FromDisk, !c.download);
        EXPECT_TRUE(document.EditedOpacity.empty());
        if (c.show == TShow::Model) {
            EXPECT_EQ(document.MeshTotal(), 3);
            EXPECT_EQ(document.CurrentFileName(), c.fileName);
            EXPECT_EQ(document.ModelFolder(), c.download ? "" : std::filesystem::path(path).parent_path().string());
            EXPECT_EQ(document.RecentFiles.Entries, c.download ? std::vector<std::string>{} : std::vector{path});
        } else {
            EXPECT_EQ(std::string(opened.ViewerBytes.begin(), opened.ViewerBytes.end()), kTriangleX);
            EXPECT_EQ(opened.ViewerFileName, c.fileName);
            EXPECT_EQ(opened.ViewerCaption, c.caption);
            EXPECT_EQ(document.MeshTotal(), 0);
            EXPECT_EQ(document.CurrentFileName(), "");
            EXPECT_TRUE(document.RecentFiles.Entries.empty());
        }
    }
}

// A file that is no model raises and is not remembered; a download that unpacks
// to nothing leaves the document as it was.
TEST_F(Document, RefusedOpensChangeNothingTheyShouldNot) {
    testsupport::SaveFile(dir_.File("nothing.3da"), {0x53, 0x48, 0x01, 0x20, 0xFF});
    testsupport::SaveFile(dir_.File("materials.3ds"), testsupport::BuildModel({}, {{.name = "Red"}}));
    for (const char* name : {"nothing.3da", "materials.3ds"}) {
        EXPECT_THROW(document_.OpenPath(dir_.File(name)), model3ds::EReadModelError) << name;
    }
    EXPECT_THROW(document_.OpenPath(dir_.File("missing.3ds")), base::Exception);
    EXPECT_TRUE(document_.RecentFiles.Entries.empty());

    ASSERT_EQ(document_.OpenPath(dir_.File("box.3ds")).Show, TShow::Model);
    const TOpened opened = document_.OpenDownload(base::ReadWholeFile(dir_.File("nothing.3da")), "nothing.3da",
                                                  kAddress + "nothing.3da", model3ds::TFileKind::PackedModel3DS);
    EXPECT_EQ(opened.Show, TShow::Nothing);
    EXPECT_EQ(document_.MeshTotal(), 3);
    EXPECT_EQ(document_.CurrentFileName(), "box.3ds");

    document_.Close();
    EXPECT_EQ(document_.MeshTotal(), 0);
    EXPECT_EQ(document_.CurrentFileName(), "");
    EXPECT_EQ(document_.ModelFolder(), "");
    EXPECT_EQ(document_.RecentFiles.Entries, std::vector{dir_.File("box.3ds")});
}

// A file given by a relative name is known by its absolute one, so that the
// recent files find it again from another folder and a .x file's viewer looks
// for textures in the file's own folder.
TEST_F(Document, RelativeNamesAreMadeAbsolute) {
    std::filesystem::create_directory(dir_.File("models"));
    testsupport::SaveFile(dir_.File("models/tri.x"), Bytes(kTriangleX));
    struct Restore {
        std::filesystem::path folder = std::filesystem::current_path();
        ~Restore() { std::filesystem::current_path(folder); }
    } started;
    std::filesystem::current_path(dir_.Path());
    ASSERT_EQ(document_.OpenPath("./models/../box.3ds").Show, TShow::Model);
    EXPECT_EQ(document_.ModelFolder(), dir_.Path().string());
    EXPECT_EQ(document_.CurrentFileName(), "box.3ds");
    const TOpened viewer = document_.OpenPath("models/tri.x");
    std::filesystem::current_path(dir_.File("models"));
    EXPECT_EQ(viewer.ViewerFileName, dir_.File("models/tri.x"));
    EXPECT_EQ(document_.RecentFiles.Entries, std::vector{dir_.File("box.3ds")});
}

// What the save and view commands write, refuse, and where the viewer finds textures.
TEST_F(Document, SavesAndViewsTheRequestedMeshes) {
    struct Case {
        int mesh;
        bool merged;
        xexport::TExportRefusal refusal;
    };
    const Case cases[] = {
        {0, false, xexport::TExportRefusal::None},
        {2, false, xexport::TExportRefusal::NoFaces},
        {2, true, xexport::TExportRefusal::None},
    };
    ASSERT_EQ(document_.OpenPath(dir_.File("box.3ds")).Show, TShow::Model);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mesh);
        const app::TXRequest request{.MeshIndex = c.mesh, .Merged = c.merged, .Options = {}};
        EXPECT_EQ(document_.XRefusal(request), c.refusal);
        if (c.refusal != xexport::TExportRefusal::None) continue;
        const std::string text = dir_.File("text.x"), binary = dir_.File("binary.x");
        document_.SaveX(request, xexport::TXForm::Text, text);
        document_.SaveX(request, xexport::TXForm::Binary, binary);
        EXPECT_EQ(testsupport::ReadFile(text).substr(0, 16), "xof 0303txt 0032");
        const std::string saved = testsupport::ReadFile(binary);
        const app::TViewerData shown = document_.ViewerData(request);
        EXPECT_EQ(std::string(shown.Bytes.begin(), shown.Bytes.end()), saved);
        EXPECT_EQ(shown.FileName, "box.3ds");
        EXPECT_EQ(shown.TextureModelFile, "");
    }
    app::TXRequest textured{.MeshIndex = 0, .Merged = false, .Options = {}};
    textured.Options.Textures = true;
    EXPECT_EQ(document_.ViewerData(textured).TextureModelFile, dir_.File("box.3ds"));
    ASSERT_EQ(document_.OpenDownload(base::ReadWholeFile(dir_.File("box.3ds")), "box.3ds", kAddress + "box.3ds",
                                     model3ds::TFileKind::Model3DS)
                  .Show,
              TShow::Model);
    EXPECT_EQ(document_.ViewerData(textured).TextureModelFile, "");
}

// Each form and option of the .x commands, with the material edits of the model
// page, writes what the converter writes for the same choice.
TEST_F(Document, XFilesMatchTheConverter) {
    using xexport::TOriginMode;
    struct Case {
        xexport::TXForm form;
        bool merged;
        TOriginMode origin;
        bool materials, opacity, texCoords, textures, normals;
        std::vector<std::string> arguments;
        const char* marks;  // what the text form holds
    };
    const auto binary = xexport::TXForm::Binary, text = xexport::TXForm::Text;
    const Case cases[] = {
        {text, false, TOriginMode::EncodeZeroCenter, true, true, false, false, false, {}, ""},
        {binary, false, TOriginMode::EncodeZeroLeft, true, true, false, false, false, {"-b", "--origin", "min"}, ""},
        {text, false, TOriginMode::NotEncode, false, true, false, false, false, {"--origin", "keep", "--no-materials"},
         ""},
        {binary, false, TOriginMode::EncodeZeroCenter, true, false, false, false, false, {"-b", "--ignore-opacity"}, ""},
        {text, true, TOriginMode::EncodeZeroCenter, true, true, false, false, false, {"-m"}, ""},
        {binary, true, TOriginMode::EncodeZeroCenter, false, true, false, false, false, {"-b", "-m", "--no-materials"},
         ""},
        {text, false, TOriginMode::EncodeZeroCenter, true, true, true, false, false, {"--texcoords"},
         "MeshTextureCoords"},
        {text, false, TOriginMode::EncodeZeroCenter, true, true, false, true, false, {"--textures"},
         "TextureFilename"},
        {text, false, TOriginMode::EncodeZeroCenter, true, true, false, false, true, {"--normals"}, "MeshNormals"},
        {binary, false, TOriginMode::EncodeZeroCenter, true, true, true, true, true,
         {"-b", "--texcoords", "--textures", "--normals"}, ""},
    };
    const std::string model = dir_.File("box.3ds");
    ASSERT_EQ(document_.OpenPath(model).Show, TShow::Model);
    model3ds::TMaterial3DS& red = *document_.Model().MaterialList().GetMaterial(0);
    app::SetMaterialOpacity(red, 40);
    app::SetMaterialPower(red, 30);
    const std::vector<std::string> edits = {"--opacity", "Red=40", "--power", "Red=30"};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        app::TXRequest request{.MeshIndex = 0, .Merged = c.merged, .Options = {}};
        request.Options.Origin = c.origin;
        request.Options.SaveMaterial = c.materials;
        request.Options.SetTranse = c.opacity;
        request.Options.TexCoords = c.texCoords;
        request.Options.Textures = c.textures;
        request.Options.Normals = c.normals;
        document_.SaveX(request, c.form, dir_.File("document.x"));
        std::vector<std::string> arguments = edits;
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        // The document writes the mesh asked for; the converter without a choice, the whole model.
        if (!c.merged) arguments.insert(arguments.end(), {"--mesh", "0"});
        arguments.insert(arguments.begin(), KORVANE_CONVERT);
        arguments.insert(arguments.end(), {"-o", dir_.File("convert.x"), model});
        const auto converted = testsupport::RunProcess(arguments);
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        const std::string written = testsupport::ReadFile(dir_.File("document.x"));
        EXPECT_EQ(written, testsupport::ReadFile(dir_.File("convert.x")));
        EXPECT_NE(written.find(c.marks), std::string::npos);
    }
}

// The extension chooses the glTF form in any letter case; only a model on disk has textures to look for.
TEST_F(Document, SavesTheWholeModelAsGltf) {
    const gltfexport::TTextureTexts warning{
        [](const std::string& name, gltfexport::TTextureProblem, const std::string&) { return "missing " + name; },
        [](const std::string& name, const std::string& used) { return name + " as " + used; }};
    for (bool download : {false, true}) {
        SCOPED_TRACE(download ? "downloaded" : "from disk");
        if (download) {
            document_.OpenDownload(base::ReadWholeFile(dir_.File("box.3ds")), "box.3ds", kAddress + "box.3ds",
                                   model3ds::TFileKind::Model3DS);
        } else {
            document_.OpenPath(dir_.File("box.3ds"));
        }
        EXPECT_EQ(document_.GltfRefusal(), xexport::TExportRefusal::None);
        const std::vector<std::string> warnings = document_.SaveGltf(dir_.File("out.glb"), "test", warning);
        EXPECT_EQ(warnings, download ? std::vector<std::string>{} : std::vector<std::string>{"missing wood.png"});
        EXPECT_EQ(testsupport::ReadFile(dir_.File("out.glb")).substr(0, 4), "glTF");
        document_.SaveGltf(dir_.File("out.GLTF"), "test", warning);
        EXPECT_EQ(testsupport::ReadFile(dir_.File("out.GLTF")).substr(0, 1), "{");
        EXPECT_TRUE(std::filesystem::exists(dir_.File("out.bin")));
        std::filesystem::remove(dir_.File("out.bin"));
    }
    document_.Close();
    EXPECT_EQ(document_.GltfRefusal(), xexport::TExportRefusal::NoMeshWithFaces);
}

// A PNG of one pixel.
const std::vector<std::uint8_t> kPixelPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
    0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x38, 0x91, 0x62, 0xF4, 0x1F, 0x00, 0x05, 0xB4, 0x02, 0x5E,
    0x1F, 0x3A, 0xFB, 0xCB, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// The window's glTF save and korvane-convert keep one rule: no file written
// replaces a file the export reads, the model or a texture it found, whatever
// name leads to it. Each case runs through both, in a folder of its own.
TEST(SaveRule, NoOutputReplacesTheModelOrATextureItReads) {
    const struct {
        const char* what;
        std::string model;                    // a 3DS model, by its name in the folder
        std::vector<std::string> textures;    // PNG files its material names, found in the folder
        std::string output;                   // typed in the save dialog, given to -o
        std::optional<std::string> hardLink;  // made to the model first, under this name
        bool refused;
        int convertExit;  // korvane-convert's status: 2 for a name it takes for no output at all
    } cases[] = {
        {"the model's own name", "m.3ds", {}, "m.3ds", {}, true, 2},
        {"the model's own name, a glTF one", "m.glb", {}, "m.glb", {}, true, 1},
        {"a hard link to the model", "m.3ds", {}, "link.glb", "link.glb", true, 1},
        {"the buffer beside a .gltf is the model", "scene.bin", {}, "scene.gltf", {}, true, 1},
        {"the buffer beside a .gltf is a texture", "scene.3ds", {"scene.bin"}, "scene.gltf", {}, true, 1},
        {"an image beside a .gltf is a texture", "scene.3ds", {"scene_images/wood.png"}, "scene.gltf", {}, true, 1},
        {"another name beside the same texture", "scene.3ds", {"scene_images/wood.png"}, "other.gltf", {}, false, 0},
    };
    for (const auto& c : cases) {
        for (const bool window : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (window ? ", window" : ", korvane-convert"));
            testsupport::TempDir dir;
            std::vector<testsupport::MaterialSpec> materials;
            for (const std::string& texture : c.textures) {
                testsupport::SaveFile(dir.Path() / texture, kPixelPng);
                materials.push_back({.name = "M" + texture, .textureFile = texture});
            }
            testsupport::MeshSpec box{.name = "box", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                      .faces = {{0, 1, 2}}, .texCoords = {{0, 0}, {1, 0}, {0, 1}}};
            if (!materials.empty()) box.groups = {{materials[0].name, {0}}};
            const std::vector<std::uint8_t> model = testsupport::BuildModel({box}, materials);
            testsupport::SaveFile(dir.Path() / c.model, model);
            if (c.hardLink) std::filesystem::create_hard_link(dir.Path() / c.model, dir.Path() / *c.hardLink);
            const std::string output = dir.File(c.output);
            if (window) {
                TDocument document;
                document.OpenPath(dir.File(c.model));
                const auto save = [&] {
                    const auto name = [](const std::string& texture, auto&&...) { return texture; };
                    document.SaveGltf(output, "test", {name, name});
                };
                if (c.refused) {
                    try {
                        save();
                        ADD_FAILURE() << "saved";
                    } catch (const base::Exception& error) {
                        EXPECT_STREQ(error.Text().c_str(), base::kOutputIsInput);
                    }
                } else {
                    EXPECT_NO_THROW(save());
                }
            } else {
                const auto result = testsupport::RunProcess({KORVANE_CONVERT, "-o", output, dir.File(c.model)});
                EXPECT_EQ(result.exitCode, c.convertExit) << result.err;
                if (c.convertExit == 1) {
                    EXPECT_NE(result.err.find("何も書き込みませんでした"), std::string::npos) << result.err;
                }
            }
            EXPECT_EQ(base::ReadWholeFile(dir.File(c.model)), model);
            for (const std::string& texture : c.textures) EXPECT_EQ(base::ReadWholeFile(dir.File(texture)), kPixelPng);
            if (c.refused && !c.hardLink && c.output != c.model) {
                EXPECT_FALSE(std::filesystem::exists(output));
            }
        }
    }
}

// The .x save keeps the same rule.
TEST_F(Document, XSaveDoesNotReplaceTheModel) {
    const std::vector<std::uint8_t> model = base::ReadWholeFile(dir_.File("box.3ds"));
    document_.OpenPath(dir_.File("box.3ds"));
    const app::TXRequest request{.MeshIndex = 0, .Merged = true, .Options = {}};
    try {
        document_.SaveX(request, xexport::TXForm::Text, dir_.File("box.3ds"));
        ADD_FAILURE() << "saved";
    } catch (const base::Exception& error) {
        EXPECT_STREQ(error.Text().c_str(), base::kOutputIsInput);
    }
    EXPECT_EQ(base::ReadWholeFile(dir_.File("box.3ds")), model);
}

}  // namespace
