// The HTTP fetch: a file chosen in the remote grid is fetched into memory and
// opened by its kind, a 3D Studio model into the browser, DirectX data into a
// new viewer window.
#include <QLabel>
#include <QTreeWidget>

#include "DisplayText.h"
#include "app/MainFrm.h"
#include "app/RemoteConnection.h"
#include "base/Format.h"
#include "model3ds/OpenModel.h"
#include "net/HttpClient.h"

namespace app {

void TMainFrm::OpenDownloadedFile(const std::string& fileName, model3ds::TFileKind kind) {
    if (NetworkBusy()) return;
    const std::optional<std::string> address = Remote->Session().FileAddress(fileName);
    if (!address) return;
    SetStatusText(0, DisplayText(*address));
    std::vector<std::uint8_t> bytes = Remote->Fetch(*address);
    if (bytes.empty()) return;
    if (kind == model3ds::TFileKind::Model3DS || kind == model3ds::TFileKind::PackedModel3DS) {
        LoadDownloadedModel(std::move(bytes), fileName, *address);
        return;
    }
    base::MemoryStream geometry(kind == model3ds::TFileKind::PackedDirectX
                                    ? model3ds::UnpackBytes(std::move(bytes), fileName, model3ds::TUnpackPolicy::AnyOutput)
                                    : std::move(bytes));
    ShowStreamInViewer(geometry, *address);
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

void TMainFrm::HttpClientStatus(const std::string& text) { SetStatusText(1, DisplayText(text)); }

// Without a content length the total is not known: the bytes received are shown with "?" for the rest.
void TMainFrm::HttpClientPacketRecvd() {
    const net::THttpClient& http = Remote->HttpClient();
    const long long received = http.BytesReceived;
    const long long expected = http.BytesExpected;
    const std::string text =
        expected > 0 ? base::Format(qUtf8Printable(tr("%lld / %lld ﾊﾞｲﾄ受信( %.2f ％)")), received, expected,
                                    static_cast<double>(received) / static_cast<double>(expected) * 100.0)
                     : base::Format(qUtf8Printable(tr("%lld / ? ﾊﾞｲﾄ受信( ? ％)")), received);
    SetStatusText(1, DisplayText(text));
}

void TMainFrm::HttpClientFailure(int) { SetStatusText(1, tr("読み込みできませんでした")); }

void TMainFrm::HttpClientInvalidHost(bool& handled) {
    handled = false;
    SetStatusText(1, tr("ホスト名が無効です"));
}

void TMainFrm::HttpClientConnectionFailed() { SetStatusText(1, tr("接続できませんでした")); }

void TMainFrm::HttpClientDisconnect() { SetStatusText(1, tr("接続を解除しました")); }

void TMainFrm::HttpClientSuccess(int) { SetStatusText(1, tr("接続しました")); }

}  // namespace app
