#include "app/FileDialogs.h"

#include <QFileDialog>

namespace app {

namespace {

// An empty folder leaves the dialog where it was.
void Enter(QFileDialog& dialog, const QString& folder) {
    if (!folder.isEmpty()) dialog.setDirectory(folder);
}

std::optional<QString> Ask(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFiles().value(0);
}

}  // namespace

TFileDialogs::TFileDialogs(QWidget* owner) : QObject(owner), owner_(owner) {
    saveDialog_ = new QFileDialog(owner);
    saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog_->setFileMode(QFileDialog::AnyFile);
    saveDialog_->setDefaultSuffix(QStringLiteral("x"));
    saveDialog_->setNameFilter(QStringLiteral("*.x (*.x)"));
    saveDialog_->setSizeGripEnabled(true);
}

std::optional<QString> TFileDialogs::ChooseModel(const QString& folder) {
    QFileDialog& dialog = OpenFileDialog();
    Enter(dialog, folder);
    return Ask(dialog);
}

std::optional<QString> TFileDialogs::ChooseXFile(const QString& folder, const QString& name) {
    Enter(*saveDialog_, folder);
    saveDialog_->selectFile(name + ".x");
    return Ask(*saveDialog_);
}

std::optional<QString> TFileDialogs::ChooseGltfFile(const QString& folder, const QString& baseName) {
    QFileDialog& dialog = GltfFileDialog();
    Enter(dialog, folder);
    const bool text = dialog.selectedNameFilter().contains(QStringLiteral(".gltf"));
    dialog.selectFile(baseName + (text ? ".gltf" : ".glb"));
    return Ask(dialog);
}

// Built when first used: a file dialog reads its folder when it is made, which in a
// large folder would hold the window back at start.
QFileDialog& TFileDialogs::OpenFileDialog() {
    if (openDialog_) return *openDialog_;
    openDialog_ = new QFileDialog(owner_);
    openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    openDialog_->setFileMode(QFileDialog::ExistingFile);
    openDialog_->setDefaultSuffix(QStringLiteral("3ds"));
    // Names are matched in any letter case, as files from other systems often carry
    // capitals, also by a desktop's own dialog, which may tell case apart.
    openDialog_->setNameFilters(
        {tr("すべての対応ﾌｧｲﾙ (*.3[dD][sS] *.3[dD][aA] *.[xX] *.[xX][aA] *.[gG][lL][bB] *.[gG][lL][tT][fF])"),
         tr("3dsﾌｧｲﾙ(3d Studio) (*.3[dD][sS])"), tr("3ds圧縮ﾌｧｲﾙ (*.3[dD][aA])"), tr("DirectXﾌｧｲﾙ (*.[xX])"),
         tr("DirectX圧縮ﾌｧｲﾙ (*.[xX][aA])"), tr("glTFﾌｧｲﾙ (*.[gG][lL][bB] *.[gG][lL][tT][fF])"),
         tr("すべてのﾌｧｲﾙ (*)")});
    return *openDialog_;
}

// Built when first used, as the open dialog is. The name's extension chooses the
// form; the chosen filter gives the extension a name typed without one gets.
QFileDialog& TFileDialogs::GltfFileDialog() {
    if (gltfSaveDialog_) return *gltfSaveDialog_;
    gltfSaveDialog_ = new QFileDialog(owner_);
    gltfSaveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    gltfSaveDialog_->setFileMode(QFileDialog::AnyFile);
    gltfSaveDialog_->setDefaultSuffix(QStringLiteral("glb"));
    gltfSaveDialog_->setNameFilters({QStringLiteral("*.glb (*.glb)"), QStringLiteral("*.gltf (*.gltf)")});
    gltfSaveDialog_->setSizeGripEnabled(true);
    QFileDialog* dialog = gltfSaveDialog_;
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.contains(QStringLiteral(".gltf")) ? QStringLiteral("gltf")
                                                                           : QStringLiteral("glb"));
    });
    return *gltfSaveDialog_;
}

}  // namespace app
