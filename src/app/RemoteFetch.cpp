// A file fetched by the remote panel is opened by its kind, a 3D Studio model
// into the browser, DirectX data into a new viewer window.
#include <QLabel>
#include <QTreeWidget>

#include "DisplayText.h"
#include "app/MainFrm.h"
#include "base/Format.h"
#include "model3ds/OpenModel.h"

namespace app {

void TMainFrm::OpenDownloadedFile(TFetchedFile file) {
    if (file.Kind == model3ds::TFileKind::Model3DS || file.Kind == model3ds::TFileKind::PackedModel3DS) {
        LoadDownloadedModel(std::move(file.Bytes), file.Name, file.Address);
        return;
    }
    base::MemoryStream geometry(file.Kind == model3ds::TFileKind::PackedDirectX
                                    ? model3ds::UnpackBytes(std::move(file.Bytes), file.Name, model3ds::TUnpackPolicy::AnyOutput)
                                    : std::move(file.Bytes));
    ShowStreamInViewer(geometry, file.Address);
}

void TMainFrm::LoadDownloadedModel(std::vector<std::uint8_t> bytes, const std::string& name, const std::string& address) {
    try {
        model3ds::OpenModelBytes(*ModelFile, std::move(bytes), name, address, model3ds::TUnpackPolicy::AnyOutput,
                                 model3ds::TModelNeeds::Anything);
    } catch (const model3ds::EReadModelError&) {
        return;  // a download that unpacks to nothing leaves the window as it was
    }
    // The panels still show the model that was there before.
    ResetDisplay(true);
    BuildModelTree();
    MeshCount->setText(DisplayText(base::Format(qUtf8Printable(tr("%d 個")), MeshTotal())));
    CurrentFileName = address;
    setWindowTitle(DisplayText(CurrentFileName) + " - " + BaseCaption);
    UpdateCommandStates();
}

void TMainFrm::ShowStreamInViewer(base::MemoryStream& stream, const std::string& fileName, const QString& caption) {
    ResetDisplay(true);
    ModelFile->Clear();
    OpenViewer(stream, caption, fileName);
    UpdateCommandStates();
}

}  // namespace app
