#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <sys/wait.h>

#include "XSamples.h"
#include "model3ds/File3DS.h"
#include "model3ds/Pack3DA.h"
#include "support/RunProcess.h"
#include "support/Writer3DS.h"
#include "xexport/XBinaryWriter.h"
#include "support/TempDir.h"
#include "viewer/OffscreenRenderer.h"
#include "viewer/ViewerScene.h"

using namespace viewer;

namespace {

constexpr int Size = 100;

// Loads a .x text into a new scene and draws it at Size x Size pixels.
class Picture {
public:
    explicit Picture(const std::string& xText) {
        base::MemoryStream stream(xsamples::TextFile(xText));
        EXPECT_EQ(scene.LoadXFromStream(stream), 0);
    }
    QImage Render() {
        if (!renderer.IsValid()) ADD_FAILURE() << "no OpenGL 3.3 core context";
        return renderer.Render(scene, Size, Size);
    }
    ViewerScene scene;
    OffscreenRenderer renderer;
};

bool IsBlack(QRgb pixel) { return (pixel & 0xFFFFFF) == 0; }

int DifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// A sphere of rings and segments without normals.
std::string Sphere() {
    std::vector<float> positions;
    std::vector<std::vector<std::uint32_t>> faces;
    const int rings = 10, segments = 16;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float theta = 3.14159265f * static_cast<float>(r) / rings;
            const float phi = 2 * 3.14159265f * static_cast<float>(s) / segments;
            positions.insert(positions.end(), {std::sin(theta) * std::cos(phi), std::cos(theta),
                                               std::sin(theta) * std::sin(phi)});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const auto at = [&](int ring, int segment) {
                return static_cast<std::uint32_t>(ring * segments + segment % segments);
            };
            faces.push_back({at(r, s), at(r, s + 1), at(r + 1, s + 1), at(r + 1, s)});
        }
    return xsamples::MeshText(positions, faces);
}

}  // namespace

// The triangle (-1, -1), (-1, 1), (1, -1) is scaled to 7 units and seen 15
// units away through a field of 0.5: its corners fall on pixels 26.7 and 73.3.
TEST(Picture, OneTriangleCoversItsPixels) {
    const std::vector<float> corners = {-1, -1, 0, -1, 1, 0, 1, -1, 0};
    Picture front(xsamples::MeshText(corners, {{0, 1, 2}}));
    const QImage image = front.Render();
    ASSERT_EQ(image.size(), QSize(Size, Size));
    for (const QPoint inside : {QPoint(30, 70), QPoint(50, 68), QPoint(30, 40), QPoint(60, 70)})
        EXPECT_FALSE(IsBlack(image.pixel(inside))) << inside.x() << "," << inside.y();
    for (const QPoint outside : {QPoint(70, 30), QPoint(20, 50), QPoint(50, 80), QPoint(50, 20), QPoint(0, 0)})
        EXPECT_TRUE(IsBlack(image.pixel(outside))) << outside.x() << "," << outside.y();

    // Wound the other way it faces away from the camera and is not drawn.
    Picture back(xsamples::MeshText(corners, {{0, 2, 1}}));
    const QImage backImage = back.Render();
    EXPECT_TRUE(IsBlack(backImage.pixel(30, 70)));
}

TEST(Picture, ShadingModesDiffer) {
    Picture picture(Sphere());
    std::vector<QImage> images;
    for (std::uint32_t quality : {RenderGouraud, RenderFlat, RenderWireframe}) {
        picture.scene.MeshBuilder->SetQuality(quality);
        images.push_back(picture.Render());
    }
    EXPECT_GT(DifferentPixels(images[0], images[1]), 200);
    EXPECT_GT(DifferentPixels(images[0], images[2]), 200);
    EXPECT_GT(DifferentPixels(images[1], images[2]), 200);
    // Wireframe leaves the inside of the faces to the background.
    EXPECT_TRUE(IsBlack(images[2].pixel(52, 52)) || IsBlack(images[2].pixel(53, 53)));
    // Lit from the upper right front: the right side is brighter than the left.
    EXPECT_GT(qGray(images[0].pixel(62, 45)), qGray(images[0].pixel(38, 55)));
}

TEST(Picture, BackgroundColourFillsTheCorners) {
    Picture picture(xsamples::MeshText({-1, -1, 0, -1, 1, 0, 1, -1, 0}, {{0, 1, 2}}));
    picture.scene.GetScene().SetSceneBackgroundRGB(1, 0, 0);
    const QImage image = picture.Render();
    for (const QPoint corner : {QPoint(0, 0), QPoint(Size - 1, 0), QPoint(0, Size - 1), QPoint(Size - 1, Size - 1)})
        EXPECT_EQ(image.pixel(corner) & 0xFFFFFF, 0xFF0000u);
}

// A half-transparent red square in front of an opaque green one: where they
// overlap the picture holds both. The red one comes first in the data.
TEST(Picture, HalfTransparentMaterialBlends) {
    const std::vector<float> positions = {-1, -1, -1, -1, 0.5f, -1, 0.5f, 0.5f, -1, 0.5f, -1, -1,
                                          -0.5f, -0.5f, 1, -0.5f, 1, 1, 1, 1, 1, 1, -0.5f, 1};
    const std::string materials =
        "MeshMaterialList { 2; 2; 0, 1;\n"
        "Material { 1; 0; 0; 0.5;; 0; 0; 0; 0;; 1; 0; 0;; }\n"
        "Material { 0; 1; 0; 1;; 0; 0; 0; 0;; 0; 1; 0;; } }\n";
    Picture picture(xsamples::MeshText(positions, {{0, 1, 2, 3}, {4, 5, 6, 7}}, materials));
    const QImage image = picture.Render();
    const QRgb overlap = image.pixel(50, 50), redOnly = image.pixel(34, 66), greenOnly = image.pixel(67, 40);
    EXPECT_EQ(qGreen(redOnly), 0);
    EXPECT_NEAR(qRed(redOnly), 128, 3);  // half of red on black
    EXPECT_EQ(qRed(greenOnly), 0);
    EXPECT_GT(qGreen(greenOnly), 250);
    EXPECT_NEAR(qRed(overlap), 128, 3);
    EXPECT_NEAR(qGreen(overlap), 128, 3);
}

// korvane-render draws .x, packed .x and 3DS files, and fails on bad input.
TEST(Picture, RenderToolWritesThePng) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    testsupport::TempDir temp;
    const auto x = base::ReadWholeFile((folder / "x" / "test_cube_binary.x").string());
    const auto packed = model3ds::Pack3DA(x.data(), x.size());
    base::WriteFileAtomically(temp.File("cube.xa"), packed.data(), packed.size());
    const std::string tool = std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render";
    const std::string inputs[] = {(folder / "x" / "test_cube_compressed.x").string(), temp.File("cube.xa"),
                                  (folder / "3ds" / "test1.3ds").string()};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        const std::string output = temp.File("picture.png");
        const std::string command = tool + " --size 64x48 --background FF0000 --turn 30,20 " + input + " " + output;
        ASSERT_EQ(std::system(command.c_str()), 0);
        QImage image(QString::fromStdString(output));
        ASSERT_EQ(image.size(), QSize(64, 48));
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
        EXPECT_NE(image.pixel(32, 24) & 0xFFFFFF, 0xFF0000u);
    }
    base::WriteFileAtomically(temp.File("bad.x"), "xof 0303txt 0032 Mesh {", 23);
    for (const std::string& arguments : {temp.File("bad.x") + " " + temp.File("bad.png"),
                                         inputs[0] + " " + temp.File("x.png") + " extra",
                                         "--quality shiny " + inputs[0] + " " + temp.File("x.png")}) {
        EXPECT_NE(std::system((tool + " " + arguments + " 2>/dev/null").c_str()), 0) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(temp.File("bad.png")));
}

// Sizes past 8192 x 8192 are a usage error; a picture that cannot be written
// whole (here: past the process's file size limit) leaves the old one as it was.
TEST(Picture, RenderToolRefusesHugeSizesAndKeepsTheOldPictureOnFailure) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    testsupport::TempDir temp;
    const std::string tool = std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render";
    const std::string input = (folder / "3ds" / "test1.3ds").string();
    const std::string output = temp.File("picture.png");
    for (const char* size : {"8193x10", "10x8193", "16384x16384", "0x10"}) {
        const std::string command = tool + " --size " + size + " " + input + " " + output + " 2>" + temp.File("err");
        EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 2) << size;
        const auto err = base::ReadWholeFile(temp.File("err"));
        EXPECT_NE(std::string(err.begin(), err.end()).find("from 1x1 to 8192x8192"), std::string::npos) << size;
    }
    EXPECT_FALSE(std::filesystem::exists(output));

    ASSERT_EQ(std::system((tool + " --size 8x8 " + input + " " + output).c_str()), 0);
    const auto old = base::ReadWholeFile(output);
    // The picture takes several KiB; files are limited to one block (512 or 1024
    // bytes), and with the limit's signal ignored a write past it fails.
    const std::string limited = "sh -c \"trap '' XFSZ; ulimit -f 1; exec " + tool + " --size 1000x1000 " + input +
                                " " + output + "\" 2>/dev/null";
    EXPECT_NE(std::system(limited.c_str()), 0);
    EXPECT_EQ(base::ReadWholeFile(output), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 2);  // the picture and err
}

// A 3DS triangle standing in the x-z plane (z up), wound counter-clockwise as
// seen from -y, the front of a 3DS model. Exported as the viewer gets it, it
// stands upright and faces the camera: a tall triangle, right angle at the
// lower left, drawn rather than culled.
TEST(Picture, ExportedModelStandsUprightFacingTheCamera) {
    const testsupport::MeshSpec mesh{.name = "Up",
                                     .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 0, 2}},
                                     .faces = {{0, 1, 2}}};
    base::MemoryStream source(testsupport::BuildModel({mesh}));
    model3ds::TFile3DS model;
    model.LoadFromStream(source);
    base::MemoryStream x;
    xexport::WriteMeshXBinary(model, xexport::TExportOptions{}, "", x, 0);

    ViewerScene scene;
    ASSERT_EQ(scene.LoadXFromStream(x), 0);
    OffscreenRenderer renderer;
    const QImage image = renderer.Render(scene, Size, Size);
    // Scaled to 7 units high and 3.5 wide about the box centre, 15 units away:
    // x from 38.3 to 61.7, rows from 26.7 to 73.3.
    for (const QPoint inside : {QPoint(41, 70), QPoint(40, 40), QPoint(58, 70)})
        EXPECT_FALSE(IsBlack(image.pixel(inside))) << inside.x() << "," << inside.y();
    for (const QPoint outside : {QPoint(58, 32), QPoint(35, 50), QPoint(50, 78), QPoint(50, 22)})
        EXPECT_TRUE(IsBlack(image.pixel(outside))) << outside.x() << "," << outside.y();
}

namespace {

// A quad facing the camera, texture coordinates from the image's top-left corner
// at its top-left corner, in a material of the given colour and texture file.
std::string TexturedQuad(const std::string& colour, const std::string& texture) {
    return "xof 0303txt 0032\nMesh {\n4;\n-1;-1;0;, -1;1;0;, 1;-1;0;, 1;1;0;;\n2;\n3;0,1,2;, 3;2,1,3;;\n"
           "MeshMaterialList {\n1;\n2;\n0,0;;\nMaterial {\n" + colour + ";;\n0;\n0;0;0;;\n0;0;0;;\n"
           "TextureFilename {\n\"" + texture + "\";\n}\n}\n}\n"
           "MeshTextureCoords {\n4;\n0;1;, 0;0;, 1;1;, 1;0;;\n}\n}\n";
}

// Red, green, blue and yellow quarters, from the top left, row by row.
QImage Quadrants() {
    QImage image(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, y < 8 ? (x < 8 ? 0xFF0000 : 0x00FF00) : (x < 8 ? 0x0000FF : 0xFFFF00));
    return image;
}

enum Hue { Red, Green, Blue, Yellow, White, Dark };

// The colour a lit pixel shows most.
Hue HueOf(QRgb pixel) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (std::max({r, g, b}) < 30) return Dark;
    const auto strong = [](int c, int top) { return c * 2 > top; };
    const int top = std::max({r, g, b});
    if (strong(r, top) && strong(g, top) && strong(b, top)) return White;
    if (strong(r, top) && strong(g, top)) return Yellow;
    if (strong(r, top)) return Red;
    if (strong(g, top)) return Green;
    return Blue;
}

}  // namespace

// korvane-render draws a material's texture, read from the .x file's folder,
// modulated by the material colour; a missing image leaves the colour.
TEST(Picture, TexturedQuadShowsTheImageModulatedByTheMaterial) {
    testsupport::TempDir temp;
    const QImage quadrants = Quadrants();
    ASSERT_TRUE(quadrants.save(QString::fromStdString(temp.File("quads.png"))));
    // The same image outside the model's folder, named through the ways out of it.
    testsupport::TempDir elsewhere;
    ASSERT_TRUE(quadrants.save(QString::fromStdString(elsewhere.File("secret.png"))));
    const std::string up = (std::filesystem::relative(elsewhere.Path(), temp.Path()) / "secret.png").string();
    std::filesystem::create_symlink(elsewhere.File("secret.png"), temp.File("link.png"));
    const std::string tool = std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render";
    const struct {
        const char* what;
        std::string colour, texture;
        Hue topLeft, topRight, bottomLeft, bottomRight;
    } cases[] = {
        {"white material", "1;1;1;1", "quads.png", Red, Green, Blue, Yellow},
        {"name in other capitals", "1;1;1;1", "QUADS.PNG", Red, Green, Blue, Yellow},
        {"green material", "0;1;0;1", "quads.png", Dark, Green, Dark, Green},
        {"missing image", "1;1;1;1", "none.png", White, White, White, White},
        {"absolute name", "1;1;1;1", elsewhere.File("secret.png"), White, White, White, White},
        {"name going up out of the folder", "1;1;1;1", up, White, White, White, White},
        {"link out of the folder", "1;1;1;1", "link.png", White, White, White, White},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string x = temp.File("quad.x");
        const std::string text = TexturedQuad(c.colour, c.texture);
        base::WriteFileAtomically(x, text.data(), text.size());
        const std::string output = temp.File("quad.png");
        const std::string command = tool + " --size 100x100 " + x + " " + output;
        ASSERT_EQ(std::system(command.c_str()), 0);
        const QImage image(QString::fromStdString(output));
        ASSERT_EQ(image.size(), QSize(100, 100));
        EXPECT_EQ(HueOf(image.pixel(38, 38)), c.topLeft);
        EXPECT_EQ(HueOf(image.pixel(62, 38)), c.topRight);
        EXPECT_EQ(HueOf(image.pixel(38, 62)), c.bottomLeft);
        EXPECT_EQ(HueOf(image.pixel(62, 62)), c.bottomRight);
    }
}

namespace {

// The four quadrants' hues at the pixels of TexturedQuadShowsTheImageModulatedByTheMaterial.
std::array<Hue, 4> QuadrantHues(const QImage& image) {
    return {HueOf(image.pixel(38, 38)), HueOf(image.pixel(62, 38)), HueOf(image.pixel(38, 62)),
            HueOf(image.pixel(62, 62))};
}

testsupport::ProcessResult RenderTool(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return testsupport::RunProcess(words);
}

}  // namespace

// A 3DS quad standing in the x-z plane, facing -y, its texture coordinates
// from the image's bottom-left corner (as 3D Studio counts them) at its
// bottom-left corner, in a white material whose texture map names the image
// in capitals, as 8.3 names were stored.
TEST(Picture, TexturedModelShowsItsImageFoundInAnyCapitals) {
    testsupport::TempDir temp;
    const QImage quadrants = Quadrants();
    ASSERT_TRUE(quadrants.save(QString::fromStdString(temp.File("Quads.png"))));
    const testsupport::MeshSpec quad{.name = "Quad",
                                     .vertices = {{-1, 0, -1}, {1, 0, -1}, {-1, 0, 1}, {1, 0, 1}},
                                     .faces = {{0, 1, 3}, {0, 3, 2}},
                                     .texCoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
                                     .groups = {{"Skin", {0, 1}}}};
    const testsupport::MaterialSpec skin{.name = "Skin", .diffuse = testsupport::Rgb{255, 255, 255},
                                         .textureFile = "QUADS.PNG"};
    const auto model = testsupport::BuildModel({quad}, {skin});
    base::WriteFileAtomically(temp.File("quad.3ds"), model.data(), model.size());
    const auto run = RenderTool({"--size", "100x100", temp.File("quad.3ds"), temp.File("quad.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QImage image(QString::fromStdString(temp.File("quad.png")));
    EXPECT_EQ(QuadrantHues(image), (std::array<Hue, 4>{Red, Green, Blue, Yellow}));
}

// Materials naming one image in twenty spellings take its memory once: the
// 16 MB image stays below the bound on decoded textures however often it is
// named. An image whose header alone passes the bound is not decoded: a
// message says so, and the model is drawn in its material colour.
TEST(Picture, TexturesAreReadOncePerFileAndBounded) {
    testsupport::TempDir temp;
    QImage green(2048, 2048, QImage::Format_RGB32);
    green.fill(0x00FF00);
    ASSERT_TRUE(green.save(QString::fromStdString(temp.File("image.png"))));
    // A 24-bit TGA header of 20000 x 20000 pixels (1.6 GB decoded), and no pixels.
    const std::uint8_t huge[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x4E, 0x20, 0x4E, 24, 0};
    base::WriteFileAtomically(temp.File("huge.tga"), huge, sizeof huge);
    std::vector<std::string> spellings;  // image.png, Image.png, iMage.png, IMage.png, ...
    for (unsigned mask = 0; mask < 20; ++mask) {
        std::string name = "image.png";
        for (std::size_t i = 0; i < 5; ++i)
            if (mask >> i & 1) name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        spellings.push_back(name);
    }
    const struct {
        const char* what;
        std::vector<std::string> textures;
        Hue hue;
        bool bounded;
    } cases[] = {
        {"one image named twenty ways", spellings, Green, false},
        {"an image past the bound", {"huge.tga"}, White, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string materials;
        for (const std::string& texture : c.textures)
            materials += "Material {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\nTextureFilename {\n\"" + texture + "\";\n}\n}\n";
        const std::string text = "xof 0303txt 0032\nMesh {\n4;\n-1;-1;0;, -1;1;0;, 1;-1;0;, 1;1;0;;\n2;\n"
                                 "3;0,1,2;, 3;2,1,3;;\nMeshMaterialList {\n" + std::to_string(c.textures.size()) +
                                 ";\n2;\n0,0;;\n" + materials + "}\n"
                                 "MeshTextureCoords {\n4;\n0;1;, 0;0;, 1;1;, 1;0;;\n}\n}\n";
        base::WriteFileAtomically(temp.File("model.x"), text.data(), text.size());
        const auto run = RenderTool({"--size", "100x100", temp.File("model.x"), temp.File("model.png")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err.find("more than 256 MB") != std::string::npos, c.bounded) << run.err;
        EXPECT_EQ(HueOf(QImage(QString::fromStdString(temp.File("model.png"))).pixel(50, 50)), c.hue);
    }
}

// The message about the bound names the model drawn and the texture, both
// escaped: no name reaches the terminal as a control sequence.
TEST(Picture, TextureBoundMessageNamesTheModelEscaped) {
    testsupport::TempDir temp;
    const std::string texture = "huge\x1B]0;title\x07.tga";
    const std::uint8_t huge[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x4E, 0x20, 0x4E, 24, 0};
    base::WriteFileAtomically(temp.File(texture), huge, sizeof huge);
    const std::string model = temp.File("model\x1B[2J.x");
    const std::string text = TexturedQuad("1;1;1;1", texture);
    base::WriteFileAtomically(model, text.data(), text.size());
    const auto run = RenderTool({"--size", "16", model, temp.File("model.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("korvane-render: " + temp.File("model\\x1B[2J.x") +
                           ": the textures would take more than 256 MB of memory; huge\\x1B]0;title\\x07.tga and "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find('\x1B'), std::string::npos);
}

// A texture wider or taller than the GPU takes (16,384 on Mesa's llvmpipe) is
// scaled down to fit, rather than leaving the quad black.
TEST(Picture, TextureBeyondTheGpuLimitIsScaledDown) {
    testsupport::TempDir temp;
    const struct {
        const char* what;
        std::uint16_t width, height;
    } cases[] = {{"wide", 16385, 1}, {"tall", 1, 16385}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A 24-bit TGA, every pixel green.
        std::vector<std::uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         static_cast<std::uint8_t>(c.width), static_cast<std::uint8_t>(c.width >> 8),
                                         static_cast<std::uint8_t>(c.height), static_cast<std::uint8_t>(c.height >> 8),
                                         24, 0};
        for (int i = 0; i < c.width * c.height; ++i) tga.insert(tga.end(), {0, 255, 0});
        base::WriteFileAtomically(temp.File("strip.tga"), tga.data(), tga.size());
        const std::string text = TexturedQuad("1;1;1;1", "strip.tga");
        base::WriteFileAtomically(temp.File("quad.x"), text.data(), text.size());
        const auto run = RenderTool({"--size", "100x100", temp.File("quad.x"), temp.File("quad.png")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(QuadrantHues(QImage(QString::fromStdString(temp.File("quad.png")))),
                  (std::array<Hue, 4>{Green, Green, Green, Green}));
    }
}
