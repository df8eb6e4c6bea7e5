// The model page on its own, without the window and without a display: what it
// shows of the model and the selected node, which mesh a selected node stands
// for, the caption a save proposes for it, and the material edits it makes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

#include "SampleModels.h"
#include "app/ColorSwatch.h"
#include "app/Document.h"
#include "app/ModelPanel.h"
#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "widgets/SpinEdit.h"

namespace {

// Before the shared application object is made: these tests need no display.
[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

TEST(ModelPanel, SelectionNamesItsMesh) {
    // The nameless mesh gets no node, so the tree's second node is the model's third mesh.
    testsupport::MeshSpec box{.name = "box", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}},
                              .groups = {{"Red", {0}}}};
    testsupport::MeshSpec nameless{.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}};
    testsupport::MeshSpec wedge{.name = "wedge", .vertices = {{2, 0, 0}, {3, 0, 0}, {3, 1, 0}}, .faces = {{0, 1, 2}}};
    testsupport::TempDir dir;
    testsupport::SaveFile(dir.File("Scene.3ds"), testsupport::BuildModel({box, nameless, wedge}, {{.name = "Red"}}));
    app::TDocument document;
    document.OpenPath(dir.File("Scene.3ds"));
    app::TModelPanel panel(document, new QWidget);
    int changes = 0;
    panel.OnSelectionChange = [&changes] { ++changes; };
    panel.ShowModel();
    EXPECT_EQ(panel.SelectedMesh(), -1);

    const struct {
        const char* name;
        int node;
        int child;  // -1: the mesh's own node
        int mesh;
        QString caption;
    } cases[] = {
        {"a mesh", 0, -1, 0, "box"},
        {"its material", 0, 0, 0, "box"},
        {"after a nameless mesh", 1, -1, 2, "wedge"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTreeWidgetItem* node = panel.TreeView()->topLevelItem(c.node);
        panel.TreeView()->setCurrentItem(c.child < 0 ? node : node->child(c.child));
        EXPECT_EQ(panel.SelectedMesh(), c.mesh);
        EXPECT_EQ(panel.ExportCaption(false), c.caption);
        EXPECT_EQ(panel.ExportCaption(true), "Scene");
    }
    EXPECT_EQ(changes, 3);
    panel.Clear();
    EXPECT_EQ(panel.SelectedMesh(), -1);
}

class ModelPage : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::uint8_t> model = apptest::SampleModel();
        testsupport::SaveFile(dir_.File("sample.3ds"), model);
        testsupport::SaveFile(dir_.File("SAMPLE.3DA"), model3ds::Pack3DA(model.data(), model.size()));
    }

    // The top-level node at position top, or its child at position child.
    void Select(int top, int child = -1) {
        QTreeWidgetItem* node = panel_.TreeView()->topLevelItem(top);
        panel_.TreeView()->setCurrentItem(child < 0 ? node : node->child(child));
    }

    // The fields a cleared page shows: no figures, white swatches, the default coefficients.
    void ExpectCleared() const {
        for (QLabel* label : {panel_.MeshCount(), panel_.VertexCount(), panel_.FaceCount(), panel_.TextureCoords(),
                              panel_.MaterialCount(), panel_.MaxCoord(), panel_.MinCoord(), panel_.DiffuseColorRGB(),
                              panel_.SpeculerColorRGB(), panel_.SelfIlluminate()}) {
            EXPECT_TRUE(label->text().isEmpty()) << label->text().toStdString();
        }
        EXPECT_EQ(panel_.TreeView()->topLevelItemCount(), 0);
        EXPECT_EQ(panel_.DiffuseColor()->Color(), 0xFFFFFFu);
        EXPECT_EQ(panel_.SpecularCo()->text(), "100");
        EXPECT_EQ(panel_.RefrectCo()->text(), "15");
    }

    testsupport::TempDir dir_;
    app::TDocument document_;
    app::TModelPanel panel_{document_, new QWidget};
};

TEST_F(ModelPage, ShowsTheModelAndTheSelectedNode) {
    // Before any model, as the window starts.
    EXPECT_EQ(panel_.AmbientColor()->toolTip(), QString::fromUtf8("設定できません"));
    EXPECT_FALSE(panel_.AmbientColor()->isEnabled());
    EXPECT_EQ(panel_.AmbientColorRGB()->text(), QString::fromUtf8("現在考慮していません！"));
    ExpectCleared();
    for (const char* name : {"sample.3ds", "SAMPLE.3DA"}) {
        SCOPED_TRACE(name);
        document_.OpenPath(dir_.File(name));
        panel_.ShowModel();
        QTreeWidget& tree = *panel_.TreeView();
        EXPECT_EQ(panel_.MeshCount()->text(), QString::fromUtf8("3 個"));
        // The unnamed mesh has no node, and the node after it still stands for the mesh it names.
        ASSERT_EQ(tree.topLevelItemCount(), 2);
        EXPECT_EQ(tree.topLevelItem(0)->text(0), QString::fromUtf8("箱"));
        EXPECT_EQ(tree.topLevelItem(1)->text(0), QString::fromUtf8("立方体"));
        EXPECT_EQ(tree.topLevelItem(0)->childCount(), 2);
        EXPECT_EQ(tree.topLevelItem(0)->child(1)->text(0), "Blue");
        EXPECT_EQ(tree.currentItem(), nullptr);

        Select(1);
        EXPECT_EQ(panel_.VertexCount()->text(), QString::fromUtf8("1 頂点"));
        EXPECT_EQ(panel_.MaxCoord()->text(), "X:5.000000 Y:5.000000 Z:5.000000");
        Select(0);
        EXPECT_EQ(panel_.VertexCount()->text(), QString::fromUtf8("4 頂点"));
        EXPECT_EQ(panel_.FaceCount()->text(), QString::fromUtf8("2 面"));
        EXPECT_EQ(panel_.TextureCoords()->text(), QString::fromUtf8("3 Texture 座標系"));
        EXPECT_EQ(panel_.MaterialCount()->text(), QString::fromUtf8("2 個"));
        EXPECT_EQ(panel_.MaxCoord()->text(), "X:1.000000 Y:1.000000 Z:0.500000");
        EXPECT_EQ(panel_.MinCoord()->text(), "X:0.000000 Y:-1.000000 Z:0.000000");

        // A material keeps the mesh figures and shows its own.
        Select(0, 0);
        EXPECT_EQ(panel_.VertexCount()->text(), QString::fromUtf8("4 頂点"));
        EXPECT_EQ(panel_.DiffuseColorRGB()->text(), "R: 255; G: 128; B: 0");
        EXPECT_EQ(panel_.DiffuseColor()->Color(), 33023u);
        EXPECT_EQ(panel_.SpeculerColorRGB()->text(), "R: 0; G: 0; B: 255");
        EXPECT_EQ(panel_.SelfIlluminate()->text(), "35 %");
        EXPECT_EQ(panel_.SpecularCo()->text(), "100");
        EXPECT_EQ(panel_.RefrectCo()->text(), "15");

        // Fields off their defaults, so that clearing has something to reset.
        panel_.SpecularCo()->lineEdit()->setText("40");
        panel_.RefrectCo()->lineEdit()->setText("30");
        panel_.Clear();
        ExpectCleared();
    }
}

TEST_F(ModelPage, SharedModelsShowTheirNamedMeshes) {
    const std::filesystem::path models = testsupport::SharedModels() / "3ds";
    if (!std::filesystem::exists(models)) GTEST_SKIP() << "no shared models";
    for (const auto& entry : std::filesystem::directory_iterator(models)) {
        const std::string plain = entry.path().string();
        const std::vector<std::uint8_t> bytes = base::ReadWholeFile(plain);
        const std::string packed = dir_.File(entry.path().stem().string() + ".3da");
        testsupport::SaveFile(packed, model3ds::Pack3DA(bytes.data(), bytes.size()));
        model3ds::TFile3DS model(plain);
        int named = 0;
        for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) named += !model.ObjectList().GetMesh(i)->Name.empty();
        for (const std::string& path : {plain, packed}) {
            SCOPED_TRACE(path);
            document_.OpenPath(path);
            panel_.ShowModel();
            EXPECT_EQ(panel_.TreeView()->topLevelItemCount(), named);
            EXPECT_EQ(panel_.MeshCount()->text(), QString::fromUtf8("%1 個").arg(model.ObjectList().MeshTotal()));
        }
    }
}

TEST_F(ModelPage, MaterialFieldsAndColoursEditTheSelectedMaterial) {
    document_.OpenPath(dir_.File("sample.3ds"));
    panel_.ShowModel();
    model3ds::TMaterial3DS& red = *document_.Model().MaterialList().GetMaterial(0);
    // Showing a material stores the shown values back when the fields change.
    red.Opacity = 0.05f;
    red.SpecularPower = 80;
    Select(0, 0);
    EXPECT_EQ(panel_.SpecularCo()->text(), "10");
    EXPECT_EQ(panel_.RefrectCo()->text(), "50");
    EXPECT_FLOAT_EQ(red.Opacity, 0.10f);
    EXPECT_FLOAT_EQ(red.SpecularPower, 50);

    // Typed text out of range stays until the field loses the focus; the material never leaves the range.
    panel_.SpecularCo()->lineEdit()->selectAll();
    QTest::keyClicks(panel_.SpecularCo(), "2x00");
    EXPECT_EQ(panel_.SpecularCo()->text(), "200");
    EXPECT_FLOAT_EQ(red.Opacity, 1.0f);
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(panel_.SpecularCo(), &focusOut);
    EXPECT_EQ(panel_.SpecularCo()->text(), "100");
    panel_.RefrectCo()->lineEdit()->clear();
    EXPECT_FLOAT_EQ(red.SpecularPower, 0);
    QTest::keyClick(panel_.RefrectCo(), Qt::Key_Up);
    EXPECT_FLOAT_EQ(red.SpecularPower, 5);
    EXPECT_EQ(document_.EditedOpacity, std::set<std::string>{"Red"});

    // A colour chosen in the dialog replaces the diffuse colour of the one record both nodes name.
    QTimer::singleShot(0, [&] {
        panel_.ColorDialog()->setCurrentColor(Qt::red);
        panel_.ColorDialog()->accept();
    });
    panel_.DiffuseColor()->OnClick();
    EXPECT_EQ(panel_.DiffuseColorRGB()->text(), "R: 255; G: 0; B: 0");
    EXPECT_EQ(red.Diffuse.r, 1.0f);
    EXPECT_EQ(red.Diffuse.g, 0.0f);
    QTimer::singleShot(0, [&] { panel_.ColorDialog()->reject(); });
    panel_.SpeculerColor()->OnClick();
    EXPECT_EQ(panel_.SpeculerColorRGB()->text(), "R: 0; G: 0; B: 255");

    // With a mesh node selected the fields change no material.
    Select(0);
    panel_.SpecularCo()->lineEdit()->setText("55");
    EXPECT_FLOAT_EQ(red.Opacity, 1.0f);
}

}  // namespace
