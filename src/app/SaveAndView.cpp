// The save commands, which write the selected mesh or all meshes merged as a
// .x file, or the whole model as glTF, and the view command, which shows the
// same data in a viewer window.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRadioButton>

#include "DisplayText.h"
#include "app/ErrorText.h"
#include "gltfexport/GltfTextures.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "WaitCursor.h"
#include "viewer/Draw3DFrm.h"
#include "xexport/ExportPreparation.h"
#include "xexport/WriteModelX.h"

namespace app {

namespace {

QString RefusalText(xexport::TExportRefusal refusal) {
    switch (refusal) {
    case xexport::TExportRefusal::NoVertices:
        return TMainFrm::tr("このメッシュには頂点がないため保存できません");
    case xexport::TExportRefusal::NoFaces:
        return TMainFrm::tr("このメッシュには面がないため保存できません");
    case xexport::TExportRefusal::NoMeshWithFaces:
        return TMainFrm::tr("面のあるメッシュがないため保存できません");
    case xexport::TExportRefusal::None:
        break;
    }
    return {};
}

// The warning for a texture left out of the glTF, in the window's language.
QString TextureWarning(const std::string& name, gltfexport::TTextureProblem problem) {
    const QString texture = DisplayText(name);
    switch (problem) {
    case gltfexport::TTextureProblem::NotInFolder:
        return TMainFrm::tr("テクスチャ %1 がモデルのフォルダにありません").arg(texture);
    case gltfexport::TTextureProblem::CannotOpen:
        return TMainFrm::tr("テクスチャ %1 を開けません").arg(texture);
    case gltfexport::TTextureProblem::Unreadable:
        break;
    }
    return TMainFrm::tr("テクスチャ %1 は読める画像ではありません").arg(texture);
}

// The folder a save proposes: the last one saved into, else the model's.
QString SaveFolder(const TUserSettings& settings, const TDocument& document) {
    return !settings.SaveFolder.isEmpty() ? settings.SaveFolder
                                          : QFile::decodeName(QByteArray::fromStdString(document.ModelFolder()));
}

void ShowWarning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

TXRequest TMainFrm::ExportRequest(int meshIndex) const {
    xexport::TExportOptions options;
    options.SaveMaterial = SaveMaterial->isChecked();
    options.SetTranse = SetTranse->isChecked();
    options.Origin = EncodeZeroCenter->isChecked() ? xexport::TOriginMode::EncodeZeroCenter
                     : EncodeZeroLeft->isChecked() ? xexport::TOriginMode::EncodeZeroLeft
                                                   : xexport::TOriginMode::NotEncode;
    options.TexCoords = SaveTextureCoords->isChecked();
    options.Textures = SaveTextureNames->isChecked();
    options.Normals = SaveNormals->isChecked();
    options.Animation = SaveAnimation->isChecked();
    options.Hierarchy = SaveHierarchy->isChecked() || options.Animation;
    return {.MeshIndex = meshIndex, .Merged = options.Hierarchy || SelectAllMesh->isChecked(), .Options = options};
}

// The scene holds every mesh where the keyframer puts it, so neither the choice of
// a mesh, a merge nor a move of the origin applies to it; their controls are
// greyed out, keeping their states for when the hierarchy is off again.
void TMainFrm::SceneOptionsClick() {
    const bool animation = SaveAnimation->isChecked();
    if (animation) SaveHierarchy->setChecked(true);
    SaveHierarchy->setEnabled(!animation);
    const bool scene = SaveHierarchy->isChecked();
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{SelectAllMesh, EncodeZeroCenter, EncodeZeroLeft, NotEncode}) {
        button->setEnabled(!scene);
    }
}

void TMainFrm::SetSaveFileName(const QString& name) { SaveDialog->selectFile(name + ".x"); }

void TMainFrm::SaveCommand(bool binary) {
    if (ModelPanel->SelectedMesh() < 0) return;
    const QString folder = SaveFolder(Settings, Document);
    if (!folder.isEmpty()) SaveDialog->setDirectory(folder);
    SetSaveFileName(ModelPanel->ExportCaption(ExportRequest(-1).Options.Hierarchy));
    if (SaveDialog->exec() != QDialog::Accepted) return;
    const QString chosen = SaveDialog->selectedFiles().value(0);
    SaveChosenFile(QFile::encodeName(chosen).toStdString(), binary);
    Settings.SaveFolder = QFileInfo(chosen).absolutePath();
}

void TMainFrm::SaveChosenFile(const std::string& path, bool binary) {
    const int meshIndex = ModelPanel->SelectedMesh();
    if (meshIndex < 0) return;
    const TXRequest request = ExportRequest(meshIndex);
    // The writers write nothing for a mesh without vertices, and a Mesh without faces
    // is a file readers refuse; the user is told rather than left without a file.
    if (const QString refusal = RefusalText(Document.XRefusal(request)); !refusal.isEmpty()) {
        ShowWarning(this, refusal);
        return;
    }
    Document.SaveX(request, binary ? xexport::TXForm::Binary : xexport::TXForm::Text, path);
}

// Built when first used, as the open dialog is. The name's extension chooses the
// form; the chosen filter gives the extension a name typed without one gets.
QFileDialog& TMainFrm::GltfFileDialog() {
    if (GltfSaveDialog) return *GltfSaveDialog;
    GltfSaveDialog = new QFileDialog(this);
    GltfSaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    GltfSaveDialog->setFileMode(QFileDialog::AnyFile);
    GltfSaveDialog->setDefaultSuffix(QStringLiteral("glb"));
    GltfSaveDialog->setNameFilters({QStringLiteral("*.glb (*.glb)"), QStringLiteral("*.gltf (*.gltf)")});
    GltfSaveDialog->setSizeGripEnabled(true);
    connect(GltfSaveDialog, &QFileDialog::filterSelected, GltfSaveDialog, [this](const QString& filter) {
        GltfSaveDialog->setDefaultSuffix(filter.contains(QStringLiteral(".gltf")) ? QStringLiteral("gltf")
                                                                                  : QStringLiteral("glb"));
    });
    return *GltfSaveDialog;
}

// In the folder the .x saves use, proposing the model's name.
void TMainFrm::SaveGltfCommand() {
    QFileDialog& dialog = GltfFileDialog();
    const QString folder = SaveFolder(Settings, Document);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    const bool text = dialog.selectedNameFilter().contains(QStringLiteral(".gltf"));
    dialog.selectFile(QFileInfo(DisplayText(Document.CurrentFileName())).completeBaseName() + (text ? ".gltf" : ".glb"));
    if (dialog.exec() != QDialog::Accepted) return;
    const QString chosen = dialog.selectedFiles().value(0);
    SaveGltfFile(QFile::encodeName(chosen).toStdString());
    Settings.SaveFolder = QFileInfo(chosen).absolutePath();
}

void TMainFrm::SaveGltfFile(const std::string& path) {
    if (const QString refusal = RefusalText(Document.GltfRefusal()); !refusal.isEmpty()) {
        ShowWarning(this, refusal);
        return;
    }
    TWaitCursor waiting;
    const std::vector<std::string> warnings = Document.SaveGltf(
        path, "Korvane " KORVANE_VERSION, [](const std::string& name, gltfexport::TTextureProblem problem) {
            return TextureWarning(name, problem).toStdString();
        });
    if (warnings.empty()) return;
    QStringList lines;
    for (const std::string& warning : warnings) lines << QString::fromStdString(warning);
    ShowWarning(this, lines.join('\n'));
}

void TMainFrm::ViewSelectedMesh() {
    const int meshIndex = ModelPanel->SelectedMesh();
    if (meshIndex < 0) return;
    const QString caption = ModelPanel->ExportCaption(ExportRequest(-1).Options.Hierarchy);
    TWaitCursor waiting;
    TViewerData data = Document.ViewerData(ExportRequest(meshIndex));
    base::MemoryStream stream(std::move(data.Bytes));
    OpenViewer(stream, caption, data.FileName);
    viewer::MeshBuilder* meshes = CurrentViewer->D3DrawX->MeshBuilder();
    if (meshes && !data.TextureModelFile.empty()) {
        meshes->SetModelFile(data.TextureModelFile);
        CurrentViewer->D3DrawX->Redraw();
    }
}

void TMainFrm::OpenViewer(base::MemoryStream& stream, const QString& caption, const std::string& fileName) {
    stream.Seek(0);
    ViewerFileName = fileName;
    CurrentViewer = new viewer::TDraw3DFrm(this, this);
    CurrentViewer->show();
    CurrentViewer->LoadModel(stream, caption);
    Document.ViewerShown = true;
}

void TMainFrm::ViewerCannotDraw(const std::exception& error) {
    const QString text =
        tr("%1 を表示できません").arg(DisplayText(ViewerFileName)) + '\n' + TranslatedErrorText(error);
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    box.exec();
}

// Unchecking leaves the other two origin buttons as they were, so none of the
// three may be checked afterwards; an exclusive group could not do that.
void TMainFrm::SelectAllMeshClick() {
    if (SelectAllMesh->isChecked()) {
        NotEncode->setChecked(true);
        return;
    }
    NotEncode->setAutoExclusive(false);
    NotEncode->setChecked(false);
    NotEncode->setAutoExclusive(true);
}

}  // namespace app
