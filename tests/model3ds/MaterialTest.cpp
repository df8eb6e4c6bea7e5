#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/Errors.h"
#include "model3ds/ChunkIds.h"
#include "Errors3DS.h"
#include "model3ds/File3DS.h"
#include "model3ds/MaterialColor.h"
#include "support/Writer3DS.h"
#include "Load.h"

using namespace model3ds;
using testsupport::LoadBytes;
using testsupport::Writer3DS;

namespace {

using Body = std::function<void(Writer3DS&)>;

// A scene with one material entry named "M" whose further sub-chunks body writes.
std::vector<std::uint8_t> MaterialFile(const Body& body) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_SCENE);
    w.Begin(CK_MATERIAL);
    w.ChunkString(CK_MAT_NAME, "M");
    body(w);
    w.End();
    w.End();
    w.End();
    return w.Bytes();
}

TMaterial3DS ReadOne(const Body& body) {
    TFile3DS model;
    LoadBytes(model, MaterialFile(body));
    EXPECT_EQ(model.MaterialList().MaterialTotal(), 1);
    return *model.MaterialList().GetMaterial(0);
}

void FloatColor(Writer3DS& w, std::uint16_t tag, float r, float g, float b) {
    w.Begin(tag);
    w.F32(r);
    w.F32(g);
    w.F32(b);
    w.End();
}

void ExpectColor(const TColor3DS& color, float r, float g, float b, const char* what) {
    EXPECT_FLOAT_EQ(color.r, r) << what;
    EXPECT_FLOAT_EQ(color.g, g) << what;
    EXPECT_FLOAT_EQ(color.b, b) << what;
}

}  // namespace

TEST(MaterialList, ColourRules) {
    struct Case {
        const char* what;
        Body inside;  // the sub-chunks of the diffuse container
        float r, g, b;
    };
    const Case cases[] = {
        {"24-bit", [](Writer3DS& w) { w.ChunkRgb(CK_COLOR_24, 255, 128, 0); }, 1.0f, 128 / 255.0f, 0.0f},
        {"linear 24-bit replaces it",
         [](Writer3DS& w) {
             w.ChunkRgb(CK_COLOR_24, 255, 128, 0);
             w.ChunkRgb(CK_COLOR_24_LINEAR, 0, 0, 255);
         },
         0, 0, 1},
        {"float only", [](Writer3DS& w) { FloatColor(w, CK_COLOR_FLOAT, 0.25f, 0.5f, 0.75f); }, 0.25f, 0.5f, 0.75f},
        {"linear float before float",
         [](Writer3DS& w) {
             FloatColor(w, CK_COLOR_FLOAT, 0.25f, 0.5f, 0.75f);
             FloatColor(w, CK_COLOR_FLOAT_LINEAR, 0.1f, 0.2f, 0.3f);
         },
         0.1f, 0.2f, 0.3f},
        {"24-bit before floats",
         [](Writer3DS& w) {
             FloatColor(w, CK_COLOR_FLOAT_LINEAR, 0.1f, 0.2f, 0.3f);
             w.ChunkRgb(CK_COLOR_24, 0, 255, 0);
         },
         0, 1, 0},
        {"empty container is black", [](Writer3DS&) {}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const TMaterial3DS m = ReadOne([&](Writer3DS& w) {
            w.Begin(CK_MAT_DIFFUSE);
            c.inside(w);
            w.End();
        });
        ExpectColor(m.Diffuse, c.r, c.g, c.b, c.what);
    }
}

TEST(MaterialList, PercentageRules) {
    struct Case {
        const char* what;
        Body inside;
        float expected;
    };
    const Case cases[] = {
        {"whole percent wins over float",
         [](Writer3DS& w) {
             w.ChunkF32(CK_PERCENT_FLOAT, 0.3f);
             w.ChunkI16(CK_PERCENT_INT, 40);
         },
         0.4f},
        {"float taken as stored", [](Writer3DS& w) { w.ChunkF32(CK_PERCENT_FLOAT, 40.0f); }, 40.0f},
        {"none gives zero", [](Writer3DS&) {}, 0.0f},
    };
    for (const Case& c : cases) {
        const TMaterial3DS m = ReadOne([&](Writer3DS& w) {
            w.Begin(CK_MAT_SHININESS);
            c.inside(w);
            w.End();
        });
        EXPECT_FLOAT_EQ(m.Shininess, c.expected) << c.what;
    }
}

TEST(MaterialList, ShadingFollowsFileOrder) {
    struct Case {
        const char* what;
        Body body;
        int expected;
    };
    const Case cases[] = {
        {"default", [](Writer3DS&) {}, 3},
        {"wire frame", [](Writer3DS& w) { w.Flag(CK_MAT_WIRE); }, 0},
        {"wire after shading",
         [](Writer3DS& w) {
             w.ChunkI16(CK_MAT_SHADING, 2);
             w.Flag(CK_MAT_WIRE);
         },
         0},
        {"shading after wire",
         [](Writer3DS& w) {
             w.Flag(CK_MAT_WIRE);
             w.ChunkI16(CK_MAT_SHADING, 2);
         },
         2},
        {"negative value kept", [](Writer3DS& w) { w.ChunkI16(CK_MAT_SHADING, -1); }, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadOne(c.body).Shading, c.expected) << c.what;
}

TEST(MaterialList, TransparencyNegatesWhereTheFlagStands) {
    const auto transparency = [](Writer3DS& w) {
        w.Begin(CK_MAT_TRANSPARENCY);
        w.ChunkI16(CK_PERCENT_INT, 30);
        w.End();
    };
    EXPECT_FLOAT_EQ(ReadOne([&](Writer3DS& w) {
                        transparency(w);
                        w.Flag(CK_MAT_TRANS_NEGATE);
                    }).Transparency,
                    -0.3f);
    EXPECT_FLOAT_EQ(ReadOne([&](Writer3DS& w) {
                        w.Flag(CK_MAT_TRANS_NEGATE);
                        transparency(w);
                    }).Transparency,
                    0.3f);
}

TEST(MaterialList, MapSettings) {
    const TMaterial3DS m = ReadOne([](Writer3DS& w) {
        w.Begin(CK_MAT_BUMP_MAP);
        w.ChunkI16(CK_PERCENT_INT, 50);
        w.ChunkString(CK_MAP_FILE, "bump.png");
        w.ChunkI16(CK_MAT_BUMP_PERCENT, 20);
        w.End();
        w.Begin(CK_MAT_TEXTURE);
        w.ChunkF32(CK_PERCENT_FLOAT, 0.7f);
        w.ChunkI16(CK_PERCENT_INT, 10);  // the later one in file order wins
        w.ChunkString(CK_MAP_FILE, "wood.jpg");
        w.ChunkU16(CK_MAP_FLAGS, 0x00C1);
        w.ChunkF32(CK_MAP_USCALE, 2.0f);
        w.ChunkF32(CK_MAP_ROTATION, 45.0f);
        w.ChunkRgb(CK_MAP_TINT1, 255, 0, 0);
        w.End();
        w.Begin(CK_MAT_REFLECTION_MASK);
        w.ChunkU16(CK_MAP_FLAGS, 0x0211);
        w.End();
        w.Begin(CK_MAT_AUTO_REFLECT);
        w.U8(0);
        w.U8(0);
        w.U16(0x10);
        w.U32(256);
        w.U32(4);
        w.End();
        w.ChunkRaw(0xA32A, {1, 2, 3});  // texture mask extra data
    });
    EXPECT_FLOAT_EQ(m.BumpMap.Map.Percent, 0.2f);
    EXPECT_EQ(m.BumpMap.Map.Name, "bump.png");
    const TBitmap3DS& texture = m.TextureMap.Map;
    EXPECT_FLOAT_EQ(texture.Percent, 0.1f);
    EXPECT_EQ(texture.Name, "wood.jpg");
    EXPECT_EQ(texture.Tiling, TTileKind3DS::Both);
    EXPECT_EQ(texture.TintKind, TTintKind3DS::Alpha);
    EXPECT_FLOAT_EQ(texture.UScale, 2.0f);
    EXPECT_FLOAT_EQ(texture.VScale, 1.0f);
    EXPECT_FLOAT_EQ(texture.Rotation, 45.0f);
    ExpectColor(texture.Tint1, 1, 0, 0, "tint 1");
    ExpectColor(texture.Tint2, 1, 1, 1, "tint 2 default");
    EXPECT_EQ(m.ReflectionMap.Mask.Tiling, TTileKind3DS::Decal);
    EXPECT_EQ(m.ReflectionMap.Mask.TintKind, TTintKind3DS::RGB);
    EXPECT_TRUE(m.ReflectionMap.UseAuto);
    EXPECT_FALSE(m.ReflectionMap.AutoMap.FirstFrame);
    EXPECT_TRUE(m.ReflectionMap.AutoMap.Flat);
    EXPECT_EQ(m.ReflectionMap.AutoMap.Size, 256);
    EXPECT_EQ(m.ReflectionMap.AutoMap.NthFrame, 4);
    EXPECT_EQ(m.TextureMap.Mask.ExtraData, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(m.TextureMap.Map.ExtraDataSize(), 0);
}

TEST(MaterialList, MapFlagBits) {
    struct Case {
        std::uint16_t flags;
        TTileKind3DS tiling;
        TTintKind3DS tint;
        bool mirror, negative, ignoreAlpha;
        int filter;
    };
    const Case cases[] = {
        {0x0000, TTileKind3DS::Tile, TTintKind3DS::None, false, false, false, 0},
        {0x0011, TTileKind3DS::Decal, TTintKind3DS::None, false, false, false, 0},
        {0x0001, TTileKind3DS::Both, TTintKind3DS::None, false, false, false, 0},
        {0x0040, TTileKind3DS::Tile, TTintKind3DS::OneColor, false, false, false, 0},
        {0x0080, TTileKind3DS::Tile, TTintKind3DS::TwoColor, false, false, false, 0},
        {0x0240, TTileKind3DS::Tile, TTintKind3DS::RGB, false, false, false, 0},
        {0x012A, TTileKind3DS::Tile, TTintKind3DS::None, true, true, true, 1},
    };
    for (const Case& c : cases) {
        const TBitmap3DS map = ReadOne([&](Writer3DS& w) {
                                   w.Begin(CK_MAT_OPACITY_MAP);
                                   w.ChunkU16(CK_MAP_FLAGS, c.flags);
                                   w.End();
                               }).OpacityMap.Map;
        EXPECT_EQ(map.Tiling, c.tiling) << std::hex << c.flags;
        EXPECT_EQ(map.TintKind, c.tint) << std::hex << c.flags;
        EXPECT_EQ(map.Mirror, c.mirror) << std::hex << c.flags;
        EXPECT_EQ(map.Negative, c.negative) << std::hex << c.flags;
        EXPECT_EQ(map.IgnoreAlpha, c.ignoreAlpha) << std::hex << c.flags;
        EXPECT_EQ(map.FilterKind, c.filter) << std::hex << c.flags;
    }
}

TEST(MaterialList, FlagsAndDefaults) {
    const TMaterial3DS plain = ReadOne([](Writer3DS&) {});
    EXPECT_EQ(plain.Name, "M");
    EXPECT_FLOAT_EQ(plain.WireSize, 1.0f);
    EXPECT_FLOAT_EQ(plain.SpecularPower, 15.0f);
    EXPECT_FLOAT_EQ(plain.Opacity, 1.0f);
    EXPECT_FALSE(plain.TwoSided);
    const TMaterial3DS flagged = ReadOne([](Writer3DS& w) {
        w.Flag(CK_MAT_TWO_SIDED);
        w.Flag(CK_MAT_USE_BLUR);
        w.Flag(0xA082);  // ignored
        w.Flag(0x8050);  // ignored
        w.ChunkF32(CK_MAT_WIRE_SIZE, 3.5f);
    });
    EXPECT_TRUE(flagged.TwoSided);
    EXPECT_TRUE(flagged.UseBlur);
    EXPECT_FALSE(flagged.Additive);
    EXPECT_FLOAT_EQ(flagged.WireSize, 3.5f);
}

TEST(MaterialList, UnacceptedSubChunkFailsOnlyItsMaterial) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_SCENE);
    w.Begin(CK_MATERIAL);
    w.ChunkString(CK_MAT_NAME, "Broken");
    w.Flag(0xA086);
    w.End();
    testsupport::WriteMaterial(w, {.name = "Fine", .diffuse = testsupport::Rgb{0, 255, 0}});
    w.End();
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    ASSERT_EQ(model.MaterialList().MaterialTotal(), 2);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            model.MaterialList().GetMaterial(0);
            ADD_FAILURE() << "no error";
        } catch (const E3DSError& error) {
            EXPECT_STREQ(error.what(), kErrorInvalidChunk);
        }
    }
    EXPECT_EQ(model.MaterialList().GetMaterial(1)->Name, "Fine");
    EXPECT_FLOAT_EQ(model.MaterialList().GetMaterial(1)->Diffuse.g, 1.0f);
}

TEST(MaterialList, EntryWithoutNameChunkHasAnEmptyName) {
    Writer3DS w;
    w.Begin(CK_MAIN);
    w.Begin(CK_SCENE);
    w.Begin(CK_MATERIAL);
    w.Flag(CK_MAT_TWO_SIDED);
    w.End();
    w.End();
    w.End();
    TFile3DS model;
    LoadBytes(model, w);
    ASSERT_EQ(model.MaterialList().MaterialTotal(), 1);
    EXPECT_EQ(model.MaterialList().GetMaterial(0)->Name, "");
    EXPECT_TRUE(model.MaterialList().GetMaterial(0)->TwoSided);
}

TEST(MaterialList, IndexOutsideTheListRaisesTheListError) {
    TFile3DS model;
    LoadBytes(model, MaterialFile([](Writer3DS&) {}));
    EXPECT_THROW(model.MaterialList().GetMaterial(1), base::EListError);
    EXPECT_THROW(model.MaterialList().GetMaterial(-1), base::EListError);
}

TEST(MaterialList, EditsLastUntilTheModelIsCleared) {
    TFile3DS model;
    const auto bytes = MaterialFile([](Writer3DS&) {});
    LoadBytes(model, bytes);
    model.MaterialList().GetMaterial(0)->SpecularPower = 30.0f;
    EXPECT_FLOAT_EQ(model.MaterialList().GetMaterial(0)->SpecularPower, 30.0f);
    LoadBytes(model, bytes);
    EXPECT_FLOAT_EQ(model.MaterialList().GetMaterial(0)->SpecularPower, 15.0f);
}

TEST(MaterialColor, TextAndPackedForms) {
    struct Case {
        TColor3DS color;
        const char* text;
        std::uint32_t rgb;
    };
    const Case cases[] = {
        {{1.0f, 0.5f, 0.0f}, "R: 255; G: 128; B: 0", 0x0080FF},
        {{0.0f, 0.2f, 1.0f}, "R: 0; G: 51; B: 255", 0xFF3300},
        {{2.0f, -0.1f, 0.0f}, "R: 510; G: -26; B: 0", 0x00E6FE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatColorText(c.color), c.text);
        EXPECT_EQ(MaterialColorToRGB(c.color), c.rgb) << c.text;
    }
}
