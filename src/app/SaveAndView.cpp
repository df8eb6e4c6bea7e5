// The save commands, which write the selected mesh or all meshes merged as a
// .x file, or the whole model as glTF, and the view command, which shows the
// same data in a viewer window.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include "DisplayText.h"
#include "app/ErrorText.h"
#include "app/ExportOptionsBox.h"
#include "app/FileDialogs.h"
#include "gltfexport/GltfTextures.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "WaitCursor.h"
#include "viewer/Draw3DFrm.h"
#include "viewer/GltfFile.h"
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
QString TextureWarning(const std::string& name, gltfexport::TTextureProblem problem, const std::string& file) {
    QString texture = DisplayText(name);
    // The file the problem is about, where the name alone does not say it.
    if (!file.empty() && file != name) texture += " (" + QFile::decodeName(QByteArray::fromStdString(file)) + ")";
    switch (problem) {
    case gltfexport::TTextureProblem::NotFound:
        return TMainFrm::tr("テクスチャ %1 が見つかりません").arg(texture);
    case gltfexport::TTextureProblem::CannotOpen:
        return TMainFrm::tr("テクスチャ %1 を開けません").arg(texture);
    case gltfexport::TTextureProblem::TooLarge:
        return TMainFrm::tr("テクスチャ %1 は画像として大きすぎます (256 MB まで)").arg(texture);
    case gltfexport::TTextureProblem::Unreadable:
        break;
    }
    return TMainFrm::tr("テクスチャ %1 は読める画像ではありません").arg(texture);
}

// The note for a texture taken from another file than its name gives.
QString TextureNote(const std::string& name, const std::string& used) {
    return TMainFrm::tr("テクスチャ %1: %2 を使います").arg(DisplayText(name), QFile::decodeName(QByteArray::fromStdString(used)));
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

void TMainFrm::SaveCommand(bool binary) {
    if (ModelPanel->SelectedMesh() < 0) return;
    const std::optional<QString> chosen = FileDialogs->ChooseXFile(
        SaveFolder(Settings, Document), ModelPanel->ExportCaption(ExportOptions->Options().Hierarchy));
    if (!chosen) return;
    SaveChosenFile(QFile::encodeName(*chosen).toStdString(), binary);
    Settings.SaveFolder = QFileInfo(*chosen).absolutePath();
}

void TMainFrm::SaveChosenFile(const std::string& path, bool binary) {
    const int meshIndex = ModelPanel->SelectedMesh();
    if (meshIndex < 0) return;
    const TXRequest request = ExportOptions->Request(meshIndex);
    // The writers write nothing for a mesh without vertices, and a Mesh without faces
    // is a file readers refuse; the user is told rather than left without a file.
    if (const QString refusal = RefusalText(Document.XRefusal(request)); !refusal.isEmpty()) {
        ShowWarning(this, refusal);
        return;
    }
    Document.SaveX(request, binary ? xexport::TXForm::Binary : xexport::TXForm::Text, path);
}

// In the folder the .x saves use, proposing the model's name.
void TMainFrm::SaveGltfCommand() {
    const std::optional<QString> chosen = FileDialogs->ChooseGltfFile(
        SaveFolder(Settings, Document), QFileInfo(DisplayText(Document.CurrentFileName())).completeBaseName());
    if (!chosen) return;
    SaveGltfFile(QFile::encodeName(*chosen).toStdString());
    Settings.SaveFolder = QFileInfo(*chosen).absolutePath();
}

void TMainFrm::SaveGltfFile(const std::string& path) {
    if (const QString refusal = RefusalText(Document.GltfRefusal()); !refusal.isEmpty()) {
        ShowWarning(this, refusal);
        return;
    }
    TWaitCursor waiting;
    const gltfexport::TTextureTexts texts{
        [](const std::string& name, gltfexport::TTextureProblem problem, const std::string& file) {
            return TextureWarning(name, problem, file).toStdString();
        },
        [](const std::string& name, const std::string& used) { return TextureNote(name, used).toStdString(); }};
    const std::vector<std::string> warnings =
        Document.SaveGltf(path, "Korvane " KORVANE_VERSION, texts, ExportOptions->TextureFolders());
    if (warnings.empty()) return;
    QStringList lines;
    for (const std::string& warning : warnings) lines << QString::fromStdString(warning);
    ShowWarning(this, lines.join('\n'));
}

void TMainFrm::ViewSelectedMesh() {
    const int meshIndex = ModelPanel->SelectedMesh();
    if (meshIndex < 0) return;
    const QString caption = ModelPanel->ExportCaption(ExportOptions->Options().Hierarchy);
    TWaitCursor waiting;
    TViewerData data = Document.ViewerData(ExportOptions->Request(meshIndex));
    base::MemoryStream stream(std::move(data.Bytes));
    OpenViewer(stream, caption, data.FileName);
    viewer::MeshBuilder* meshes = CurrentViewer->D3DrawX->MeshBuilder();
    if (meshes && !data.TextureModelFile.empty()) {
        meshes->SetModelFile(data.TextureModelFile);
        meshes->SetTexturePaths(ExportOptions->TextureFolders());
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

// A glTF file that cannot be drawn says why and leaves no window, as a model
// that fails while drawing does; errors of reading the file go on as an open's do.
void TMainFrm::OpenGltfViewer(TOpened& opened, const QString& caption) {
    ViewerFileName = opened.ViewerFileName;
    viewer::TDraw3DFrm* shown = nullptr;
    try {
        const std::vector<std::uint8_t> bytes =
            opened.FromDisk ? viewer::ReadGltfFile(opened.ViewerFileName) : std::move(opened.ViewerBytes);
        shown = new viewer::TDraw3DFrm(this, this);
        CurrentViewer = shown;
        shown->show();
        Document.ViewerShown = true;
        shown->LoadGltf(bytes, opened.ViewerFolder, caption);
    } catch (const viewer::GltfFormatError& error) {
        if (shown) shown->close();
        ViewerCannotDraw(error);
        return;
    }
    if (opened.FromDisk) shown->D3DrawX->MeshBuilder()->SetModelFile(opened.ViewerFileName);
    shown->ShowWholeModel();
}

void TMainFrm::ViewerCannotDraw(const std::exception& error) {
    const QString text =
        tr("%1 を表示できません").arg(DisplayText(ViewerFileName)) + '\n' + TranslatedErrorText(error);
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    box.exec();
}

}  // namespace app
