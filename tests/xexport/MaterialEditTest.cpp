#include <gtest/gtest.h>

#include "model3ds/MaterialColor.h"
#include "xexport/MaterialEdit.h"

namespace {

TEST(MaterialEdit, ColourComponentsComeFromTheirBytes) {
    const auto colour = model3ds::RGBToMaterialColor(0x2080FF);  // red FF, green 80, blue 20
    EXPECT_EQ(colour.r, 1.0f);
    EXPECT_EQ(colour.g, static_cast<float>(128 / 255.0));
    EXPECT_EQ(colour.b, static_cast<float>(32 / 255.0));
}

TEST(MaterialEdit, OpacityAndPowerStayWithinThePanelBounds) {
    struct Case {
        int opacity, power;
        float storedOpacity, storedPower;
    } cases[] = {{50, 20, 0.5f, 20}, {5, -1, 0.1f, 0}, {150, 51, 1.0f, 50}, {10, 0, 0.1f, 0}};
    for (const Case& c : cases) {
        model3ds::TMaterial3DS material;
        xexport::SetMaterialOpacity(material, c.opacity);
        xexport::SetMaterialPower(material, c.power);
        EXPECT_EQ(material.Opacity, c.storedOpacity) << c.opacity;
        EXPECT_EQ(material.SpecularPower, c.storedPower) << c.power;
    }
}

}  // namespace
