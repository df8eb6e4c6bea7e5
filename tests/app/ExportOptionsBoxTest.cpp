// The export options group on its own, without the window and without a display:
// what its controls ask the writers for, and how they keep each other consistent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <initializer_list>

#include "app/ExportOptionsBox.h"

using app::TExportOptionsBox;
using xexport::TOriginMode;

namespace {

// Before the shared application object is made: these tests need no display.
[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

class ExportOptionsBox : public ::testing::Test {
protected:
    QWidget page_;
    TExportOptionsBox box_{&page_};
};

}  // namespace

// What the user clicks, and the request the writers then get.
TEST_F(ExportOptionsBox, ControlsMapToTheRequest) {
    using Clicks = std::function<void(TExportOptionsBox&)>;
    struct Case {
        const char* name;
        Clicks clicks;
        TOriginMode origin;
        bool materials, opacity, texCoords, textures, normals, hierarchy, animation, merged;
    };
    const Case cases[] = {
        {"as it starts", [](TExportOptionsBox&) {}, TOriginMode::EncodeZeroCenter, true, true, false, false, false,
         false, false, false},
        {"origin at the corner, no materials",
         [](TExportOptionsBox& b) {
             b.EncodeZeroLeft()->click();
             b.SaveMaterial()->click();
             b.SetTranse()->click();
         },
         TOriginMode::EncodeZeroLeft, false, false, false, false, false, false, false, false},
        {"extras",
         [](TExportOptionsBox& b) {
             b.SaveTextureCoords()->click();
             b.SaveTextureNames()->click();
             b.SaveNormals()->click();
         },
         TOriginMode::EncodeZeroCenter, true, true, true, true, true, false, false, false},
        {"merged keeps the coordinates", [](TExportOptionsBox& b) { b.SelectAllMesh()->click(); },
         TOriginMode::NotEncode, true, true, false, false, false, false, false, true},
        {"merge taken back leaves no origin chosen",
         [](TExportOptionsBox& b) {
             b.EncodeZeroLeft()->click();
             b.SelectAllMesh()->click();
             b.SelectAllMesh()->click();
         },
         TOriginMode::NotEncode, true, true, false, false, false, false, false, false},
        {"hierarchy merges", [](TExportOptionsBox& b) { b.SaveHierarchy()->click(); }, TOriginMode::EncodeZeroCenter,
         true, true, false, false, false, true, false, true},
        {"animation implies the hierarchy", [](TExportOptionsBox& b) { b.SaveAnimation()->click(); },
         TOriginMode::EncodeZeroCenter, true, true, false, false, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TExportOptionsBox box(&page_);
        c.clicks(box);
        const app::TXRequest request = box.Request(3);
        EXPECT_EQ(request.MeshIndex, 3);
        EXPECT_EQ(request.Options.Origin, c.origin);
        EXPECT_EQ(request.Options.SaveMaterial, c.materials);
        EXPECT_EQ(request.Options.SetTranse, c.opacity);
        EXPECT_EQ(request.Options.TexCoords, c.texCoords);
        EXPECT_EQ(request.Options.Textures, c.textures);
        EXPECT_EQ(request.Options.Normals, c.normals);
        EXPECT_EQ(request.Options.Hierarchy, c.hierarchy);
        EXPECT_EQ(request.Options.Animation, c.animation);
        EXPECT_EQ(request.Merged, c.merged);
    }
}

// A scene ignores the choice of mesh, the merge and the origin; they come back as they were.
TEST_F(ExportOptionsBox, SceneOptionsGreyOutWhatASceneIgnores) {
    box_.EncodeZeroLeft()->click();
    box_.SaveAnimation()->click();
    EXPECT_TRUE(box_.SaveHierarchy()->isChecked());
    EXPECT_FALSE(box_.SaveHierarchy()->isEnabled());
    for (QAbstractButton* ignored : std::initializer_list<QAbstractButton*>{
             box_.SelectAllMesh(), box_.EncodeZeroCenter(), box_.EncodeZeroLeft(), box_.NotEncode()}) {
        EXPECT_FALSE(ignored->isEnabled()) << ignored->text().toStdString();
    }
    box_.SaveAnimation()->click();
    box_.SaveHierarchy()->click();
    EXPECT_TRUE(box_.SelectAllMesh()->isEnabled() && box_.EncodeZeroLeft()->isEnabled());
    EXPECT_TRUE(box_.SaveHierarchy()->isEnabled());
    EXPECT_EQ(box_.Options().Origin, TOriginMode::EncodeZeroLeft);
    EXPECT_FALSE(box_.MergesAll());
}

// Merging keeps the coordinates; taken back, no origin is chosen until the user picks one.
TEST_F(ExportOptionsBox, MergingAllMeshesSelectsUnchangedCoordinates) {
    box_.EncodeZeroLeft()->setChecked(true);
    box_.SelectAllMesh()->click();
    EXPECT_TRUE(box_.NotEncode()->isChecked());
    EXPECT_FALSE(box_.EncodeZeroLeft()->isChecked());
    box_.SelectAllMesh()->click();
    EXPECT_FALSE(box_.NotEncode()->isChecked() || box_.EncodeZeroLeft()->isChecked() ||
                 box_.EncodeZeroCenter()->isChecked());
}

// The extras and the scene options start off and usable, each named by its caption;
// either scene option greys out what a scene ignores, the animation the hierarchy too.
TEST_F(ExportOptionsBox, ExtrasAndSceneOptionsStartOffAndNamed) {
    for (QCheckBox* option : {box_.SaveTextureCoords(), box_.SaveTextureNames(), box_.SaveNormals(),
                              box_.SaveHierarchy(), box_.SaveAnimation()}) {
        EXPECT_FALSE(option->isChecked()) << option->text().toStdString();
        EXPECT_TRUE(option->isEnabled()) << option->text().toStdString();
        EXPECT_EQ(option->accessibleName(), option->text());
    }
    for (const bool animation : {false, true}) {
        SCOPED_TRACE(animation ? "animation" : "hierarchy");
        TExportOptionsBox box(&page_);
        (animation ? box.SaveAnimation() : box.SaveHierarchy())->click();
        EXPECT_TRUE(box.SaveHierarchy()->isChecked());
        EXPECT_EQ(box.SaveHierarchy()->isEnabled(), !animation);
        for (QAbstractButton* ignored : std::initializer_list<QAbstractButton*>{
                 box.SelectAllMesh(), box.EncodeZeroCenter(), box.EncodeZeroLeft(), box.NotEncode()}) {
            EXPECT_FALSE(ignored->isEnabled()) << ignored->text().toStdString();
        }
        (animation ? box.SaveAnimation() : box.SaveHierarchy())->click();
        if (animation) box.SaveHierarchy()->click();
        EXPECT_TRUE(box.SelectAllMesh()->isEnabled() && box.EncodeZeroCenter()->isEnabled() &&
                    box.EncodeZeroCenter()->isChecked());
    }
}
