// A file fetched by the remote panel opens as any other: a 3D Studio model into
// the browser, DirectX data into a new viewer window.
#include "app/MainFrm.h"

namespace app {

void TMainFrm::OpenDownloadedFile(TFetchedFile file) {
    ShowOpened(Document.OpenDownload(std::move(file.Bytes), file.Name, file.Address, file.Kind));
}

}  // namespace app
