#pragma once
// The "Direct3D 変換オプション" group of the model page: how a save or the viewer
// writes the selected mesh. The window asks it for the request of a mesh; the
// group keeps its own controls consistent (a merge keeps the coordinates, the
// scene options grey out what a scene ignores). Its last row holds the folders
// looked in first for the textures of a glTF and of the viewer.
#include <QCoreApplication>
#include <QGroupBox>

#include <QStringList>

#include <string>
#include <vector>

#include "app/Document.h"
#include "xexport/ExportOptions.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace app {

class TExportOptionsBox : public QGroupBox {
    Q_DECLARE_TR_FUNCTIONS(app::TExportOptionsBox)

public:
    // Placed at the foot of its parent, the model page.
    explicit TExportOptionsBox(QWidget* parent);

    // The options as the writers take them.
    xexport::TExportOptions Options() const;
    // All meshes go out merged into one: asked for, or implied by the hierarchy.
    bool MergesAll() const;
    // The mesh at meshIndex (or all, merged) with these options.
    TXRequest Request(int meshIndex) const;
    // The texture folders as the field lists them, separated by ";", each
    // trimmed, empty ones left out; as file names, and as the settings keep them.
    std::vector<std::string> TextureFolders() const;
    QStringList TextureFolderList() const;
    void SetTextureFolders(const QStringList& folders);

    QCheckBox* SelectAllMesh() const { return selectAllMesh_; }
    QCheckBox* SaveMaterial() const { return saveMaterial_; }
    QCheckBox* SetTranse() const { return setTranse_; }
    QRadioButton* EncodeZeroCenter() const { return encodeZeroCenter_; }
    QRadioButton* EncodeZeroLeft() const { return encodeZeroLeft_; }
    QRadioButton* NotEncode() const { return notEncode_; }
    QCheckBox* SetIndipendentVertex() const { return setIndipendentVertex_; }
    QCheckBox* CombineMesh() const { return combineMesh_; }
    QCheckBox* SaveTextureCoords() const { return saveTextureCoords_; }  // the converter's --texcoords
    QCheckBox* SaveTextureNames() const { return saveTextureNames_; }    // --textures
    QCheckBox* SaveNormals() const { return saveNormals_; }              // --normals
    QCheckBox* SaveHierarchy() const { return saveHierarchy_; }          // --hierarchy
    QCheckBox* SaveAnimation() const { return saveAnimation_; }          // --animation, which implies --hierarchy
    QLineEdit* TextureFolderField() const { return textureFolders_; }    // --texture-path, each folder

private:
    void CreateTextureFolderRow(int y);
    void SelectAllMeshClick();
    void SceneOptionsClick();

    QCheckBox* selectAllMesh_;
    QCheckBox* saveMaterial_;
    QCheckBox* setTranse_;
    QRadioButton* encodeZeroCenter_;
    QRadioButton* encodeZeroLeft_;
    QRadioButton* notEncode_;
    QCheckBox* saveTextureCoords_;
    QCheckBox* saveTextureNames_;
    QCheckBox* saveNormals_;
    QCheckBox* saveHierarchy_;
    QCheckBox* saveAnimation_;
    QCheckBox* setIndipendentVertex_;
    QCheckBox* combineMesh_;
    QLineEdit* textureFolders_;
};

}  // namespace app
