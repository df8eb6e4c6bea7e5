#pragma once
// The window's file dialogs: opening a model, saving a .x file and saving glTF.
// Each asks in the folder it is given and answers with the path chosen, nothing
// when cancelled.
#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <optional>

class QFileDialog;
class QWidget;

namespace app {

class TFileDialogs : public QObject {
    Q_DECLARE_TR_FUNCTIONS(app::TFileDialogs)

public:
    // The dialogs are owner's children, modal to it.
    explicit TFileDialogs(QWidget* owner);

    // folder: where to look; where the dialog was left when it is empty.
    std::optional<QString> ChooseModel(const QString& folder);
    // Proposes name with the .x extension.
    std::optional<QString> ChooseXFile(const QString& folder, const QString& name);
    // Proposes baseName with the extension of the form chosen last (.glb at first).
    std::optional<QString> ChooseGltfFile(const QString& folder, const QString& baseName);

    // Null until first asked for.
    QFileDialog* OpenDialog() const { return openDialog_; }

private:
    QFileDialog& OpenFileDialog();
    QFileDialog& GltfFileDialog();

    QWidget* owner_;
    QFileDialog* openDialog_ = nullptr;
    QFileDialog* saveDialog_;
    QFileDialog* gltfSaveDialog_ = nullptr;
};

}  // namespace app
