#pragma once
// The model page: the tree of the loaded model's meshes and their materials, the
// box showing the selected mesh, and the box showing and editing the selected
// material (its colours through a colour dialog, its opacity and specular power),
// edits made in the document's model only. The window asks it for the selected
// mesh and hears when the selection changes.
#include <QCoreApplication>
#include <QWidget>

#include <functional>
#include <string>

class QColorDialog;
class QGroupBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace widgets {
class TSpinEdit;
}  // namespace widgets

namespace app {

class TColorSwatch;
class TDocument;

class TModelPanel : public QWidget {
    Q_DECLARE_TR_FUNCTIONS(app::TModelPanel)

public:
    // exportOptions: a group the window builds for the page; it sits between the
    // mesh box and the material box, and comes between them in the tab order too.
    TModelPanel(TDocument& document, QWidget* exportOptions, QWidget* parent = nullptr);

    // Empties the tree and the boxes; the material fields show their defaults.
    void Clear();
    // The document's model in the tree, with no node selected, and its mesh count.
    void ShowModel();
    // The model's index of the selected mesh, or of the mesh of the selected
    // material; -1 with no selection.
    int SelectedMesh() const;
    // What a save proposes and a viewer shows as its caption: the selected mesh's
    // name or, for the whole scene, the model's file name without its extension.
    QString ExportCaption(bool wholeScene) const;

    // Another node, or none, was selected.
    std::function<void()> OnSelectionChange;

    // The controls, for tests.
    QTreeWidget* TreeView() const { return treeView_; }
    QGroupBox* MeshBox() const { return meshBox_; }
    QLabel* VertexCount() const { return vertexCount_; }
    QLabel* FaceCount() const { return faceCount_; }
    QLabel* TextureCoords() const { return textureCoords_; }
    QLabel* MaterialCount() const { return materialCount_; }
    QLabel* MeshCount() const { return meshCount_; }
    QLabel* MaxCoord() const { return maxCoord_; }
    QLabel* MinCoord() const { return minCoord_; }
    QGroupBox* MaterialBox() const { return materialBox_; }
    TColorSwatch* AmbientColor() const { return ambientColor_; }
    QLabel* AmbientColorRGB() const { return ambientColorRGB_; }
    TColorSwatch* DiffuseColor() const { return diffuseColor_; }
    QLabel* DiffuseColorRGB() const { return diffuseColorRGB_; }
    TColorSwatch* SpeculerColor() const { return speculerColor_; }
    QLabel* SpeculerColorRGB() const { return speculerColorRGB_; }
    QLabel* SelfIlluminate() const { return selfIlluminate_; }
    widgets::TSpinEdit* SpecularCo() const { return specularCo_; }
    widgets::TSpinEdit* RefrectCo() const { return refrectCo_; }
    QColorDialog* ColorDialog() const { return colorDialog_; }

private:
    void CreateMeshBox();
    void CreateMaterialBox();
    void ConnectHandlers();
    void TreeViewChange(QTreeWidgetItem* node);
    void MeshNameListClick();
    void ShowMaterialInfo(const std::string& name);
    int SelectedMaterialIndex() const;
    void OnColor(TColorSwatch* sender);
    void OnMaterialSet(widgets::TSpinEdit* sender);

    TDocument& document_;
    QTreeWidget* treeView_;
    QGroupBox* meshBox_;
    QLabel* vertexCount_;
    QLabel* faceCount_;
    QLabel* textureCoords_;
    QLabel* materialCount_;
    QLabel* meshCount_;
    QLabel* maxCoord_;
    QLabel* minCoord_;
    QGroupBox* materialBox_;
    TColorSwatch* ambientColor_;
    QLabel* ambientColorRGB_;
    TColorSwatch* diffuseColor_;
    QLabel* diffuseColorRGB_;
    TColorSwatch* speculerColor_;
    QLabel* speculerColorRGB_;
    QLabel* selfIlluminate_;
    widgets::TSpinEdit* specularCo_;
    widgets::TSpinEdit* refrectCo_;
    QColorDialog* colorDialog_;
};

}  // namespace app
