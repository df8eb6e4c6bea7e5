// korvane-render as a file manager and a server run it: without an X display.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "PictureDifference.h"
#include "XSamples.h"
#include "base/Stream.h"
#include "support/JapaneseMessages.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

const std::string Tool = std::string(KORVANE_BINARY_DIR) + "/src/tools/render/korvane-render";

// Runs korvane-render with the arguments; with no DISPLAY in its environment
// when headless.
testsupport::ProcessResult Render(const std::vector<std::string>& arguments, bool headless) {
    std::vector<std::string> words{"/usr/bin/env"};
    if (headless) words.insert(words.end(), {"-u", "DISPLAY"});
    words.push_back(Tool);
    words.insert(words.end(), arguments.begin(), arguments.end());
    return testsupport::RunProcess(words);
}

using picturetest::DifferingShare;

int CountNot(const QImage& image, QRgb background) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) != background;
    return count;
}

// The bounds of the pixels that are not the background.
QRect ModelBounds(const QImage& image, QRgb background) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != background) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// A 3DS box from the origin to (sx, sy, sz), z up, its faces drawn from both sides.
std::vector<std::uint8_t> Box3DS(float sx, float sy, float sz) {
    testsupport::MeshSpec box{.name = "Box"};
    for (int i = 0; i < 8; ++i) box.vertices.push_back({i & 1 ? sx : 0, i & 2 ? sy : 0, i & 4 ? sz : 0});
    const std::uint16_t quads[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        box.faces.push_back({q[0], q[1], q[2]});
        box.faces.push_back({q[0], q[2], q[3]});
        box.faces.push_back({q[2], q[1], q[0]});
        box.faces.push_back({q[3], q[2], q[0]});
    }
    return testsupport::BuildModel({box});
}

// A unit square in one of the model's axis planes ("xy", "yz" or "zx"), facing
// along the third axis one way or the other, with far-off vertices that no face
// uses, as a .x file.
std::string SquareX(const testsupport::TempDir& temp, const std::string& plane, bool reversed, int unused) {
    std::vector<float> positions;
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& corner : corners) {
        float p[3] = {0, 0, 0};
        p[plane[0] - 'x'] = corner[0];
        p[plane[1] - 'x'] = corner[1];
        positions.insert(positions.end(), {p[0], p[1], p[2]});
    }
    for (int i = 0; i < unused; ++i) positions.insert(positions.end(), {2e35f, i % 2 ? -2e35f : 2e35f, 1e35f});
    const std::vector<std::uint32_t> face = reversed ? std::vector<std::uint32_t>{3, 2, 1, 0}
                                                     : std::vector<std::uint32_t>{0, 1, 2, 3};
    const auto bytes = xsamples::TextFile(xsamples::MeshText(positions, {face}));
    const std::string path = temp.File(plane + (reversed ? "-back" : "-front") + std::to_string(unused) + ".x");
    base::WriteFileAtomically(path, bytes.data(), bytes.size());
    return path;
}

QImage RenderedPicture(const testsupport::TempDir& temp, std::vector<std::string> arguments) {
    arguments.push_back(temp.File("picture.png"));
    const auto run = Render(arguments, true);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return QImage(QString::fromStdString(temp.File("picture.png")));
}

// A fitted picture shows a flat square in any axis plane, facing either way,
// and a model whose file holds far-off vertices that no face uses: it is seen
// from the diagonal and from both sides, sized by what is drawn.
TEST(RenderTool, FittedPictureShowsFlatAndStrayVertexModels) {
    testsupport::TempDir temp;
    constexpr int Side = 64;
    const struct {
        const char* plane;
        bool reversed;
        int unused;
    } cases[] = {{"xy", false, 0}, {"xy", true, 0},  {"yz", false, 0}, {"yz", true, 0},
                 {"zx", false, 0}, {"zx", true, 0}, {"xy", false, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.plane) + (c.reversed ? " reversed" : "") + " unused " + std::to_string(c.unused));
        const QImage image = RenderedPicture(
            temp, {"--fit", "--size", std::to_string(Side), "--background", "FF00FF", SquareX(temp, c.plane, c.reversed, c.unused)});
        EXPECT_GT(CountNot(image, 0xFF00FF), Side * Side / 5);
    }
}

// Vertices that no face uses change no picture, fitted or not.
TEST(RenderTool, UnusedVerticesChangeNoPicture) {
    testsupport::TempDir temp;
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--size", "80x60"}, std::vector<std::string>{"--fit", "--size", "64"}}) {
        SCOPED_TRACE(options.front());
        auto with = options, without = options;
        with.push_back(SquareX(temp, "xy", false, 10));
        without.push_back(SquareX(temp, "xy", false, 0));
        EXPECT_EQ(RenderedPicture(temp, with), RenderedPicture(temp, without));
    }
}

// --background transparent: every corner fully transparent, the model opaque,
// fitted or not.
TEST(RenderTool, TransparentBackground) {
    testsupport::TempDir temp;
    const std::string model = SquareX(temp, "xy", true, 0);  // facing the camera of the unfitted view
    for (const bool fit : {false, true}) {
        SCOPED_TRACE(fit ? "fit" : "no fit");
        std::vector<std::string> arguments{"--size", "64", "--background", "transparent", model};
        if (fit) arguments.insert(arguments.begin(), "--fit");
        const QImage image = RenderedPicture(temp, arguments);
        ASSERT_TRUE(image.hasAlphaChannel());
        for (const QPoint corner : {QPoint(0, 0), QPoint(63, 0), QPoint(0, 63), QPoint(63, 63)})
            EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << corner.x() << "," << corner.y();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) == 255;
        EXPECT_GT(opaque, 64 * 64 / 10);
    }
}

// An empty DISPLAY, or one naming no display, draws without a display.
TEST(RenderTool, UnreachableDisplayDrawsWithoutOne) {
    testsupport::TempDir temp;
    const std::string model = SquareX(temp, "xy", false, 0);
    for (const char* display : {"DISPLAY=", "DISPLAY=:987"}) {
        SCOPED_TRACE(display);
        const auto run = testsupport::RunProcess({"/usr/bin/env", display, Tool, "--fit", "--size", "32", model,
                                                  temp.File("display.png")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_GT(CountNot(QImage(QString::fromStdString(temp.File("display.png"))), 0), 32 * 32 / 5);
    }
}

// --fit: a tall thin model reaches the top and bottom of the picture and a
// wide flat one its left and right, each leaving the other two sides free;
// --size N is a square picture.
TEST(RenderTool, FitFillsThePictureWithTheModel) {
    testsupport::TempDir temp;
    const struct {
        const char* name;
        float sx, sy, sz;
        bool tall;
    } cases[] = {{"tall", 1, 1, 10, true}, {"wide", 10, 2, 1.5f, false}};
    constexpr int Side = 128, Near = 6;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto model = Box3DS(c.sx, c.sy, c.sz);
        const std::string input = temp.File(std::string(c.name) + ".3ds");
        base::WriteFileAtomically(input, model.data(), model.size());
        const auto run =
            Render({"--fit", "--size", std::to_string(Side), "--background", "FF00FF", input, temp.File("fit.png")}, true);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QImage image(QString::fromStdString(temp.File("fit.png")));
        ASSERT_EQ(image.size(), QSize(Side, Side));
        const QRect bounds = ModelBounds(image, 0xFF00FF);
        const bool reachesTopAndBottom = bounds.top() <= Near && bounds.bottom() >= Side - 1 - Near;
        const bool reachesLeftAndRight = bounds.left() <= Near && bounds.right() >= Side - 1 - Near;
        EXPECT_EQ(reachesTopAndBottom, c.tall) << bounds.top() << ".." << bounds.bottom();
        EXPECT_EQ(reachesLeftAndRight, !c.tall) << bounds.left() << ".." << bounds.right();
        EXPECT_GT(bounds.top(), 0);
        EXPECT_GT(bounds.left(), 0);
        EXPECT_LT(bounds.bottom(), Side - 1);
        EXPECT_LT(bounds.right(), Side - 1);
    }
    for (const char* size : {"0", "8193", "12x"})
        EXPECT_EQ(Render({"--size", size, temp.File("tall.3ds"), temp.File("bad.png")}, true).exitCode, 2) << size;
}

// Whatever its name, a file is drawn as what its bytes are: .x data by its
// "xof " start, a 3DS model by its main chunk; other bytes are refused.
TEST(RenderTool, ModelsAreKnownByTheirContent) {
    testsupport::TempDir temp;
    const auto text = xsamples::TextFile(xsamples::MeshText({0, 0, 0, 0, 1, 0, 1, 0, 0}, {{0, 1, 2}}));
    xsamples::BinaryWriter binary;
    binary.Name("Mesh").Open().Integers({3}).Floats({0, 0, 0, 0, 1, 0, 1, 0, 0}).Integers({1, 3, 0, 1, 2}).Close();
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;  // nullptr: drawn
    } cases[] = {
        {"text.png", text, nullptr},
        {"binary.dat", binary.Data(), nullptr},
        {"model.bin", Box3DS(1, 2, 3), nullptr},
        {"model.X", text, nullptr},
        {"notes.x", xsamples::Bytes("not a model at all"), "neither .x data nor a 3DS model"},
        {"empty.3ds", {}, "empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        base::WriteFileAtomically(temp.File(c.name), c.bytes.data(), c.bytes.size());
        const auto run =
            Render({"--size", "64", "--background", "FF00FF", temp.File(c.name), temp.File("picture.png")}, true);
        if (!c.message) {
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_GT(CountNot(QImage(QString::fromStdString(temp.File("picture.png"))), 0xFF00FF), 64);
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        }
    }
}

// Damaged, endless and huge inputs, as a thumbnailer meets them: each ends
// with status 1, a message, and no picture, not even a temporary file.
namespace {

// The bytes of a PNG of one colour, with its image data as change makes them
// and their CRC as fixCrc says.
std::vector<std::uint8_t> SpoiltPng(const std::function<void(std::vector<std::uint8_t>&)>& change, bool fixCrc) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(0xFF0000);
    QByteArray saved;
    QBuffer buffer(&saved);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    std::vector<std::uint8_t> png(saved.begin(), saved.end());
    const std::string text(png.begin(), png.end());
    const std::size_t type = text.find("IDAT");
    const std::size_t length = static_cast<std::uint8_t>(png[type - 2]) << 8 | static_cast<std::uint8_t>(png[type - 1]);
    std::vector<std::uint8_t> data(png.begin() + static_cast<long>(type + 4), png.begin() + static_cast<long>(type + 4 + length));
    change(data);
    std::copy(data.begin(), data.end(), png.begin() + static_cast<long>(type + 4));
    if (fixCrc) {
        const uLong crc = crc32(0, &png[type], static_cast<uInt>(length + 4));
        for (int i = 0; i < 4; ++i) png[type + 4 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    return png;
}

}  // namespace

// A texture whose image does not decode leaves the material's colour, and
// what the decoder would say of it is not printed: the run succeeds quietly.
TEST(RenderTool, TexturesThatDoNotDecodeLeaveTheColourQuietly) {
    testsupport::TempDir temp;
    const std::string quad =
        "xof 0303txt 0032\nMesh {\n4;\n-1;-1;0;, -1;1;0;, 1;-1;0;, 1;1;0;;\n2;\n3;0,1,2;, 3;2,1,3;;\n"
        "MeshMaterialList {\n1;\n2;\n0,0;;\nMaterial {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\n"
        "TextureFilename {\n\"tex.png\";\n}\n}\n}\nMeshTextureCoords {\n4;\n0;1;, 0;0;, 1;1;, 1;0;;\n}\n}\n";
    testsupport::SaveFile(temp.File("quad.x"), {quad.begin(), quad.end()});
    const auto flipLast = [](std::vector<std::uint8_t>& data) { data[data.size() - 5] ^= 0x5A; };
    const auto garble = [](std::vector<std::uint8_t>& data) { std::fill(data.begin() + 2, data.end(), 0xEE); };
    const struct {
        const char* what;
        std::vector<std::uint8_t> png;
    } cases[] = {
        {"image data whose CRC is wrong", SpoiltPng(flipLast, false)},
        {"image data that do not inflate, their CRC right", SpoiltPng(garble, true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::SaveFile(temp.File("tex.png"), c.png);
        const auto run = Render({"--fit", "--size", "32", "--background", "000000", temp.File("quad.x"),
                                 temp.File("picture.png")},
                                true);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        const QImage picture(QString::fromStdString(temp.File("picture.png")));
        const QRgb middle = picture.pixel(16, 16);  // the material's grey, not the image's red
        EXPECT_GT(qGreen(middle), 0);
        EXPECT_LT(std::abs(qRed(middle) - qGreen(middle)), 8);
    }
}

TEST(RenderTool, HostileInputEndsWithoutAPicture) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    testsupport::TempDir temp;
    const auto head = [&](const std::filesystem::path& source, std::size_t size, const std::string& name) {
        std::vector<char> bytes(size);
        std::ifstream(source, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(size));
        std::ofstream(temp.File(name), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
        return temp.File(name);
    };
    const std::string never = temp.File("never-written.x");
    ASSERT_EQ(mkfifo(never.c_str(), 0600), 0);
    const std::string huge = temp.File("huge.x");
    std::ofstream(huge) << "xof 0303txt 0032\n";
    std::filesystem::resize_file(huge, std::uintmax_t{3} << 30);  // sparse: no disk taken
    const struct {
        const char* name;
        std::string input;
        std::vector<std::string> limits;
        const char* message;
    } cases[] = {
        {"cut 3DS", head(folder / "3ds" / "fels.3ds", 3000, "cut.3ds"), {}, "Chunk"},
        {"cut binary .x", head(folder / "x" / "test_cube_binary.x", 300, "cut.x"), {}, ".x data"},
        {"cut compressed .x", head(folder / "x" / "test_cube_compressed.x", 200, "cutz.x"), {}, ".x data"},
        {"noise as .xa", head("/dev/urandom", 5000, "noise.xa"), {}, "unpack"},
        // Refused as no regular file; the time-out only bounds the test should it wait.
        {"a pipe nobody writes", never, {"--timeout", "1"}, "は開けません"},
        {"3 GiB .x file", huge, {"--memory", "600"}, "out of memory"},
        {"a picture too large for the memory", (folder / "3ds" / "fels.3ds").string(), {"--memory", "700", "--size", "4096"},
         "--memory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = c.limits;
        arguments.insert(arguments.end(), {c.input, temp.File("picture.png")});
        const auto run = Render(arguments, true);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
            EXPECT_EQ(entry.path().filename().string().find("picture"), std::string::npos) << entry.path();
    }
    const std::pair<const char*, const char*> badLimits[] = {
        {"--timeout", "0"}, {"--timeout", "3601"}, {"--memory", "100"}, {"--memory", "lots"}};
    for (const auto& [option, value] : badLimits)
        EXPECT_EQ(Render({option, value, huge, temp.File("picture.png")}, true).exitCode, 2) << option << value;
}

// Drawn with no display, each shared model shows and looks as it does on the
// virtual display, in every shading.
TEST(RenderTool, HeadlessPictureMatchesTheDisplayOne) {
    const auto folder = testsupport::SharedModels();
    if (folder.empty()) GTEST_SKIP() << "shared models folder not found";
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display to compare with";
    testsupport::TempDir temp;
    const std::string models[] = {(folder / "3ds" / "fels.3ds").string(), (folder / "x" / "test_cube_text.x").string()};
    for (const std::string& model : models)
        for (const char* quality : {"gouraud", "flat", "wire"}) {
            SCOPED_TRACE(model + " " + quality);
            const std::vector<std::string> options{"--size", "160x120", "--quality", quality, "--turn", "40,25",
                                                   "--background", "102030", model};
            auto headless = options, onDisplay = options;
            headless.push_back(temp.File("headless.png"));
            onDisplay.push_back(temp.File("display.png"));
            const auto headlessRun = Render(headless, true);
            ASSERT_EQ(headlessRun.exitCode, 0) << headlessRun.err;
            ASSERT_EQ(Render(onDisplay, false).exitCode, 0);
            const QImage a(QString::fromStdString(temp.File("headless.png")));
            const QImage b(QString::fromStdString(temp.File("display.png")));
            ASSERT_EQ(a.size(), QSize(160, 120));
            ASSERT_EQ(b.size(), a.size());
            EXPECT_GT(CountNot(a, 0x102030), 160 * 120 / 50);
            EXPECT_LT(DifferingShare(a, b), 0.01);
        }
}

}  // namespace

namespace {

// --time draws the pose at that time, the animation repeating after its end;
// a model that does not move looks the same at any time.
TEST(RenderTool, TimeDrawsThePoseAtThatTime) {
    testsupport::TempDir temp;
    const std::string bar = temp.File("bar.x");
    const auto bytes = xsamples::TextFile(xsamples::TurningBarText());
    base::WriteFileAtomically(bar, bytes.data(), bytes.size());
    const std::string still = SquareX(temp, "xy", false, 0);
    const auto picture = [&](const std::string& input, const char* time) {
        return RenderedPicture(temp, {"--size", "64", "--time", time, input});
    };
    const QImage start = picture(bar, "0");
    const QImage middle = picture(bar, "0.5");
    EXPECT_GT(DifferingShare(start, middle), 0.01);
    EXPECT_EQ(DifferingShare(picture(bar, "1.5"), middle), 0);
    EXPECT_EQ(DifferingShare(RenderedPicture(temp, {"--size", "64", bar}), start), 0);
    EXPECT_EQ(DifferingShare(picture(still, "0.5"), picture(still, "0")), 0);
}

// A 3DS model is drawn as stored unless a time is asked for: then as its
// keyframer moves it.
TEST(RenderTool, TimeMovesAModelAsItsKeyframerDoes) {
    testsupport::TempDir temp;
    const testsupport::MeshSpec plate{.name = "Plate",
                                      .vertices = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}},
                                      .faces = {{0, 1, 2}, {0, 2, 3}}};
    testsupport::KeyframerSpec keyframer{.start = 0, .end = 30};
    testsupport::NodeSpec node{.id = 0, .name = "Plate"};
    node.position.keys = {{.frame = 0, .value = {0, 0, 0}}, {.frame = 30, .value = {1, 0, 0}}};
    keyframer.nodes.push_back(node);
    const std::string model = temp.File("plate.3ds");
    testsupport::SaveFile(model, testsupport::BuildAnimatedModel({plate}, keyframer));
    const auto picture = [&](std::vector<std::string> time) {
        time.insert(time.begin(), {"--size", "64"});
        time.push_back(model);
        return RenderedPicture(temp, time);
    };
    const QImage stored = picture({});
    const QImage start = picture({"--time", "0"});
    EXPECT_GT(CountNot(stored, qRgb(0, 0, 0)), 0);
    EXPECT_EQ(DifferingShare(start, stored), 0);
    EXPECT_GT(DifferingShare(picture({"--time", "0.5"}), start), 0.01);
}

// A triangle textured by an image in a buffer view; imageView is that view's
// byteOffset and byteLength in JSON.
std::string TexturedTriangleGltf(const std::string& imageView) {
    return R"({"asset":{"version":"2.0"},
        "buffers":[{"byteLength":48,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAiVBORw0KGgoAAAAA"}],
        "bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,)" + imageView + R"(}],
        "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}],
        "images":[{"bufferView":1,"mimeType":"image/png"}],"textures":[{"source":0}],
        "materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
        "meshes":[{"primitives":[{"attributes":{"POSITION":0},"material":0}]}],
        "nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}]})";
}

// Every failure names the file it is about, alone or in a folder's list, and
// leaves no picture.
TEST(RenderTool, FailuresNameTheirFile) {
    testsupport::TempDir temp;
    const auto save = [&](const std::string& name, const std::string& text) {
        std::ofstream(temp.File(name)) << text;
        return temp.File(name);
    };
    const auto bar = xsamples::TextFile(xsamples::TurningBarText());
    const struct {
        std::string input;
        std::vector<std::string> options;
        const char* message;
    } cases[] = {
        {save("view-far-off.gltf", TexturedTriangleGltf(R"("byteOffset":4000000000,"byteLength":12)")), {}, "buffer view"},
        {save("view-too-long.gltf", TexturedTriangleGltf(R"("byteOffset":36,"byteLength":4108)")), {}, "buffer view"},
        {save("bar.x", std::string(bar.begin(), bar.end())), {"--time", "1e308"}, "ticks"},
        {save("huge-buffer.gltf", R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":3e9,"uri":"data:,"}]})"), {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.end(), {"--fit", "--background", "transparent", "--size", "256", c.input,
                                           temp.File("picture.png")});
        const auto run = Render(arguments, true);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.input + ": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(temp.File("picture.png")));
    }
    const std::string folder = temp.File("pictures");
    const auto run = Render({"--size", "64", temp.File("view-far-off.gltf"), temp.File("bar.x"), "--output", folder}, true);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("view-far-off.gltf"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "bar.png"));
}

}  // namespace

// A .3ds model kept in models/ is drawn with its texture from ../textures,
// there in another form than the model names, with a warning naming the file;
// --texture-path comes first; with neither the material keeps its grey.
TEST(RenderTool, TexturesAreFoundBesideTheModelsFolder) {
    testsupport::TempDir temp;
    const testsupport::MeshSpec quad{.name = "Quad",
                                     .vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                                     .faces = {{0, 1, 2}, {0, 2, 3}},
                                     .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                                     .groups = {{"Hull", {0, 1}}}};
    const std::string model = temp.File("models/quad.3ds");
    testsupport::SaveFile(model, testsupport::BuildModel(
                                     {quad}, {{.name = "Hull", .diffuse = testsupport::Rgb{200, 200, 200},
                                               .textureFile = "HULL.RGB"}}));
    const auto savePlain = [&temp](const std::string& name, QRgb colour) {
        std::filesystem::create_directories(std::filesystem::path(temp.File(name)).parent_path());
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(temp.File(name))));
    };
    savePlain("textures/hull.png", qRgb(255, 0, 0));
    savePlain("extra/HULL.bmp", qRgb(0, 0, 255));
    const struct {
        const char* what;
        std::vector<std::string> options;
        bool remove;       // textures/hull.png taken away first
        int red, blue;     // which channel is strongest: 1 for that one, 0 for neither (grey)
        const char* note;  // in the warnings, or nullptr for none
    } cases[] = {
        {"../textures", {}, false, 1, 0, ": texture HULL.RGB: using ../textures/hull.png\n"},
        {"--texture-path first", {"--texture-path", temp.File("extra")}, false, 0, 1, "/extra/HULL.bmp\n"},
        {"nowhere", {}, true, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.remove) std::filesystem::remove(temp.File("textures/hull.png"));
        std::vector<std::string> words = c.options;
        words.insert(words.end(), {"--fit", "--size", "32", "--background", "000000", model, temp.File("p.png")});
        const auto run = Render(words, true);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        if (c.note) {
            EXPECT_NE(run.err.find(c.note), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.err, "");
        }
        const QRgb middle = QImage(QString::fromStdString(temp.File("p.png"))).pixel(16, 16);
        EXPECT_EQ(qRed(middle) > 2 * qGreen(middle) + 20, c.red == 1) << std::hex << middle;
        EXPECT_EQ(qBlue(middle) > 2 * qGreen(middle) + 20, c.blue == 1) << std::hex << middle;
    }
}
