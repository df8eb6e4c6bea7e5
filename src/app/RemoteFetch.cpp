// The HTTP fetch: a file chosen in the remote grid is fetched into memory and
// opened by its kind, a 3D Studio model into the browser, DirectX data into a
// new viewer window.
#include <QLabel>
#include <QTreeWidget>

#include "app/DisplayText.h"
#include "app/MainFrm.h"
#include "app/NetworkCommand.h"
#include "base/Format.h"
#include "model3ds/OpenModel.h"
#include "net/HttpClient.h"
#include "net/HttpRequest.h"

namespace app {

namespace {

enum DownloadKind { kModel = 0, kGeometry = 1, kPackedGeometry = 2, kPackedModel = 3 };

}  // namespace

void TMainFrm::ConfigureHttpClient() {
    net::THttpClient& http = *HttpClient;
    http.Port = 0;
    http.TimeOut = 0;
    http.ReportLevel = 0;
    http.Body = "Default.htm";
    http.Header = "Head.txt";
    http.InputFileMode = false;
    http.OutputFileMode = false;
    http.ProxyPort = 0;
    http.OnDisconnect = [this] { HttpClientDisconnect(); };
    http.OnInvalidHost = [this](bool& handled) { HttpClientInvalidHost(handled); };
    http.OnStatus = [this](const std::string& text) { HttpClientStatus(text); };
    http.OnConnectionFailed = [this] { HttpClientConnectionFailed(); };
    http.OnPacketRecvd = [this] { HttpClientPacketRecvd(); };
    http.OnSuccess = [this](int command) { HttpClientSuccess(command); };
    http.OnFailure = [this](int command) { HttpClientFailure(command); };
}

void TMainFrm::OpenDownloadedFile(const std::string& fileName, int kind) {
    if (networkBusy_) return;
    if (WebServerAddress.empty()) return;
    DownloadStream = std::make_unique<base::MemoryStream>();
    // Folder and file names are escaped: a name may hold spaces, "%", "#" or any other byte.
    const std::string address =
        (WebServerAddress.back() != '/'
             ? "http://" + WebServerAddress + net::PercentEncode("/" + WebHttpFolder + WebCurrentPath, "/")
             : WebServerAddress) +
        "/" + net::PercentEncode(fileName);
    net::THttpClient& http = *HttpClient;
    http.InputFileMode = false;
    http.OutputFileMode = false;
    http.ReportLevel = 2;
    SetStatusText(0, DisplayText(address));
    std::vector<std::uint8_t> bytes;
    {
        TNetworkCommand command(*this);
        // Runs however the fetch ends: the connection closed, the client back in
        // its file modes, the download buffer freed.
        struct CleanUp {
            TMainFrm& window;
            ~CleanUp() {
                net::THttpClient& client = *window.HttpClient;
                client.ContentStream = nullptr;
                if (client.Connected()) client.Disconnect();
                client.InputFileMode = true;
                client.OutputFileMode = true;
                window.DownloadStream.reset();
            }
        } cleanUp{*this};
        http.ContentStream = DownloadStream.get();
        try {
            http.Get(address);
        } catch (const base::Exception&) {
            if (!abortRequested_) throw;
            // Ended by the user: a failed fetch, but no error to report.
            HttpClientFailure(0);
            return;
        }
        bytes = DownloadStream->TakeBytes();
    }
    if (bytes.empty()) return;
    if (kind == kModel || kind == kPackedModel) {
        LoadDownloadedModel(std::move(bytes), fileName, address);
        return;
    }
    base::MemoryStream geometry(kind == kPackedGeometry
                                    ? model3ds::UnpackBytes(std::move(bytes), fileName, model3ds::TUnpackPolicy::AnyOutput)
                                    : std::move(bytes));
    ShowStreamInViewer(geometry);
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

void TMainFrm::ShowStreamInViewer(base::MemoryStream& stream, const QString& caption) {
    ResetDisplay(true);
    ModelFile->Clear();
    stream.Seek(0);
    CurrentViewer = new viewer::TDraw3DFrm(this, this);
    CurrentViewer->show();
    CurrentViewer->LoadModel(stream, caption);
    ViewerShown = true;
    UpdateCommandStates();
}

void TMainFrm::HttpClientStatus(const std::string& text) { SetStatusText(1, DisplayText(text)); }

// Without a content length the total is not known: the bytes received are shown with "?" for the rest.
void TMainFrm::HttpClientPacketRecvd() {
    const net::THttpClient& http = *HttpClient;
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
