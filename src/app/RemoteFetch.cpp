// The HTTP fetch: a file chosen in the remote grid is fetched into memory and
// opened by its kind, a 3D Studio model into the browser, DirectX data into a
// new viewer window.
#include <QLabel>

#include "DisplayText.h"
#include "app/MainFrm.h"
#include "app/RemoteConnection.h"
#include "base/Format.h"
#include "net/HttpClient.h"

namespace app {

void TMainFrm::OpenDownloadedFile(const std::string& fileName, model3ds::TFileKind kind) {
    if (NetworkBusy()) return;
    const std::optional<std::string> address = Remote->Session().FileAddress(fileName);
    if (!address) return;
    SetStatusText(0, DisplayText(*address));
    std::vector<std::uint8_t> bytes = Remote->Fetch(*address);
    if (bytes.empty()) return;
    ShowOpened(Document.OpenDownload(std::move(bytes), fileName, *address, kind));
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
