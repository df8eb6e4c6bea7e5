#include <gtest/gtest.h>

#include "model3ds/MaterialColor.h"

namespace {

TEST(MaterialEdit, ColourComponentsComeFromTheirBytes) {
    const auto colour = model3ds::RGBToMaterialColor(0x2080FF);  // red FF, green 80, blue 20
    EXPECT_EQ(colour.r, 1.0f);
    EXPECT_EQ(colour.g, static_cast<float>(128 / 255.0));
    EXPECT_EQ(colour.b, static_cast<float>(32 / 255.0));
}

}  // namespace
