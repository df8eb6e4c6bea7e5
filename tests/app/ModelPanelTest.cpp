// The model page on its own, without the window and without a display: which
// mesh a selected node stands for and the caption a save proposes for it.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "app/Document.h"
#include "app/ModelPanel.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

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

}  // namespace
