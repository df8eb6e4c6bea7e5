// Texture images as korvane-render reads them: TGA in its common forms.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "support/TempDir.h"
#include "TextureImages.h"

using namespace viewer;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Six pixels a row, with runs for the run-length forms: colours whose channels
// are 0 or 255 survive 5-bit channels unchanged.
QImage Colours(bool withAlpha) {
    const QRgb row0[] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    const QRgb row1[] = {0xFF000000, 0xFFFFFFFF, 0xFF00FFFF, 0xFF00FFFF, 0xFFFF00FF, 0xFFFF00FF};
    const QRgb row2[] = {0x80FF0000, 0x00000000, 0x00000000, 0xFFFFFFFF, 0x4000FF00, 0xFF0000FF};
    QImage image(6, withAlpha ? 3 : 2, QImage::Format_ARGB32);
    for (int x = 0; x < 6; ++x) {
        image.setPixel(x, 0, row0[x]);
        image.setPixel(x, 1, row1[x]);
        if (withAlpha) image.setPixel(x, 2, row2[x]);
    }
    return image;
}

QImage Greys() {
    QImage image(5, 2, QImage::Format_Grayscale8);
    const std::uint8_t levels[2][5] = {{0, 0, 64, 128, 255}, {255, 255, 255, 17, 200}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) image.scanLine(y)[x] = levels[y][x];
    return image;
}

struct Form {
    const char* name;
    QImage source;
    std::uint8_t imageType;  // 1 mapped, 2 true colour, 3 grey; + 8 run-length
    std::uint8_t depth;
    bool topDown;
    std::function<Bytes(QRgb)> pixel;
    std::vector<QRgb> palette{};  // for mapped forms: 24-bit entries
    bool footer = false;
};

Bytes Bgr(QRgb c) { return {static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qGreen(c)),
                             static_cast<std::uint8_t>(qRed(c))}; }
Bytes Bgra(QRgb c) { Bytes b = Bgr(c); b.push_back(static_cast<std::uint8_t>(qAlpha(c))); return b; }
Bytes FiveBits(QRgb c) {
    const int value = (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3;
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}
Bytes Grey(QRgb c) { return {static_cast<std::uint8_t>(qRed(c))}; }

// Pixels of a row as packets: a run of equal pixels as one, the others raw.
void AppendRunLength(Bytes& out, const std::vector<Bytes>& row) {
    for (std::size_t x = 0; x < row.size();) {
        std::size_t same = 1;
        while (x + same < row.size() && row[x + same] == row[x]) ++same;
        if (same > 1) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (same - 1)));
            out.insert(out.end(), row[x].begin(), row[x].end());
            x += same;
            continue;
        }
        std::size_t raw = 1;
        while (x + raw < row.size() && (x + raw + 1 >= row.size() || row[x + raw + 1] != row[x + raw])) ++raw;
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        for (std::size_t i = x; i < x + raw; ++i) out.insert(out.end(), row[i].begin(), row[i].end());
        x += raw;
    }
}

Bytes Tga(const Form& form) {
    const QImage& image = form.source;
    const bool mapped = (form.imageType & 7) == 1;
    const auto entries = static_cast<std::uint16_t>(form.palette.size());
    Bytes out = {0, mapped ? std::uint8_t{1} : std::uint8_t{0}, form.imageType, 0, 0,
                 static_cast<std::uint8_t>(entries), static_cast<std::uint8_t>(entries >> 8), mapped ? std::uint8_t{24} : std::uint8_t{0},
                 0, 0, 0, 0,
                 static_cast<std::uint8_t>(image.width()), 0, static_cast<std::uint8_t>(image.height()), 0,
                 form.depth, static_cast<std::uint8_t>((form.topDown ? 0x20 : 0) | (form.depth == 32 ? 8 : 0))};
    for (QRgb entry : form.palette) {
        const Bytes bgr = Bgr(entry);
        out.insert(out.end(), bgr.begin(), bgr.end());
    }
    for (int i = 0; i < image.height(); ++i) {
        const int y = form.topDown ? i : image.height() - 1 - i;
        std::vector<Bytes> row;
        for (int x = 0; x < image.width(); ++x) row.push_back(form.pixel(image.pixel(x, y)));
        if (form.imageType & 8) {
            AppendRunLength(out, row);
        } else {
            for (const Bytes& pixel : row) out.insert(out.end(), pixel.begin(), pixel.end());
        }
    }
    if (form.footer) {
        const char signature[] = "TRUEVISION-XFILE.";
        out.insert(out.end(), 8, 0);  // no extension area, no developer area
        out.insert(out.end(), signature, signature + sizeof signature);
    }
    return out;
}

}  // namespace

// Each TGA form decodes to the pixels of the PNG it was written from.
TEST(TextureImages, TgaOfEveryCommonFormMatchesItsPng) {
    const QImage opaque = Colours(false), translucent = Colours(true), greys = Greys();
    std::vector<QRgb> palette;
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x)
            if (std::find(palette.begin(), palette.end(), opaque.pixel(x, y)) == palette.end())
                palette.push_back(opaque.pixel(x, y));
    const auto index = [&palette](QRgb c) {
        return Bytes{static_cast<std::uint8_t>(std::find(palette.begin(), palette.end(), c) - palette.begin())};
    };
    const Form forms[] = {
        {"24-bit, bottom-up", opaque, 2, 24, false, Bgr},
        {"24-bit, top-down", opaque, 2, 24, true, Bgr},
        {"24-bit with the version-2 footer", opaque, 2, 24, false, Bgr, {}, true},
        {"32-bit with alpha", translucent, 2, 32, false, Bgra},
        {"32-bit, top-down", translucent, 2, 32, true, Bgra},
        {"16-bit", opaque, 2, 16, false, FiveBits},
        {"15-bit, top-down", opaque, 2, 15, true, FiveBits},
        {"8-bit grey", greys, 3, 8, false, Grey},
        {"8-bit colour-mapped", opaque, 1, 8, false, index, palette},
        {"run-length 24-bit", opaque, 10, 24, false, Bgr},
        {"run-length 32-bit, top-down", translucent, 10, 32, true, Bgra},
        {"run-length 16-bit", opaque, 10, 16, false, FiveBits},
        {"run-length grey", greys, 11, 8, true, Grey},
        {"run-length colour-mapped", opaque, 9, 8, false, index, palette},
    };
    testsupport::TempDir temp;
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        const std::string tga = std::string(form.name) + ".tga";
        const Bytes bytes = Tga(form);
        base::WriteFileAtomically(temp.File(tga), bytes.data(), bytes.size());
        ASSERT_TRUE(form.source.save(QString::fromStdString(temp.File("source.png"))));
        TextureImages images(temp.Path().string(), temp.File("model.x"));
        const QImage* png = images.Find("source.png");
        const QImage* decoded = images.Find(tga);
        ASSERT_TRUE(png && decoded);
        EXPECT_EQ(decoded->format(), QImage::Format_RGBA8888);
        EXPECT_EQ(*decoded, *png);
    }
}

namespace {

Bytes Text(const std::string& text) { return {text.begin(), text.end()}; }

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes Saved(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {data.begin(), data.end()};
}

}  // namespace

// Only PNG, JPEG, BMP and TGA are decoded, known by their content, whatever
// the name; a file cut short decodes as nothing, not as an image of zeros.
TEST(TextureImages, OnlyDocumentedFormatsWholeDecode) {
    const QImage colours = Colours(false);
    const Bytes rle = Tga({"", colours, 10, 24, false, Bgr});
    const Bytes raw = Tga({"", colours, 2, 24, false, Bgr});
    QImage large(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) large.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
    const Bytes png = Saved(large, "PNG"), jpeg = Saved(large, "JPEG"), bmp = Saved(large, "BMP");
    const QSize small = colours.size();
    const struct {
        const char* what;
        const char* name;
        Bytes bytes;
        QSize size;  // empty when nothing decodes
    } cases[] = {
        {"Radiance HDR named as a PNG", "tex.png",
         [] {
             Bytes hdr = Text("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 16 +X 16\n");
             hdr.resize(hdr.size() + 16 * 16 * 4, 0x80);
             return hdr;
         }(),
         {}},
        {"PPM, which Qt reads, named as a PNG", "tex.png", Text("P6\n2 2\n255\n" + std::string(12, '\x7F')), {}},
        {"run-length TGA header of 8192 x 8192 and no pixels", "tex.tga",
         {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x20, 24, 0}, {}},
        {"run-length TGA cut in its last packet", "tex.tga", Cut(rle, rle.size() - 1), {}},
        {"TGA cut in its last pixel", "tex.tga", Cut(raw, raw.size() - 1), {}},
        {"TGA named as a PNG", "tex.png", raw, small},
        {"PNG named as a TGA", "tex.tga", Saved(colours, "PNG"), small},
        {"PNG cut short", "tex.png", Cut(png, png.size() / 2), {}},
        {"PNG cut before its end", "tex.png", Cut(png, png.size() - 12), {}},
        {"JPEG cut short", "tex.jpg", Cut(jpeg, jpeg.size() - 40), {}},
        {"BMP cut short", "tex.bmp", Cut(bmp, bmp.size() - 1), {}},
        {"whole JPEG", "tex.jpg", jpeg, large.size()},
        {"whole BMP", "tex.bmp", bmp, large.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir temp;
        base::WriteFileAtomically(temp.File(c.name), c.bytes.data(), c.bytes.size());
        TextureImages images(temp.Path().string(), temp.File("model.x"));
        const QImage* image = images.Find(c.name);
        EXPECT_EQ(image ? image->size() : QSize(), c.size);
    }
}

// A file of the name given that does not decode gives way to a file of its
// stem that does, in a folder beside the model's; nothing decodes for a name
// whose files all fail.
TEST(TextureImages, FileThatDoesNotDecodeGivesWayToItsStem) {
    testsupport::TempDir temp;
    const Bytes junk = Text("not an image");
    const Bytes bmp = Saved(Colours(false), "BMP");
    std::filesystem::create_directories(temp.Path() / "models");
    std::filesystem::create_directories(temp.Path() / "Maps");
    base::WriteFileAtomically(temp.File("Maps/wood.png"), junk.data(), junk.size());
    base::WriteFileAtomically(temp.File("Maps/WOOD.bmp"), bmp.data(), bmp.size());
    base::WriteFileAtomically(temp.File("stone.png"), junk.data(), junk.size());
    TextureImages images(temp.File("models"), temp.File("models/model.x"));
    const QImage* wood = images.Find("WOOD.PNG");
    ASSERT_NE(wood, nullptr);
    EXPECT_EQ(wood->size(), Colours(false).size());
    EXPECT_EQ(images.Find("stone.png"), nullptr);
}
