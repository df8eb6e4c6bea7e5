#include "tools/convert/RemoteInput.h"

#include <iostream>

#include "base/Format.h"
#include "base/Stream.h"
#include "model3ds/Pack4Ex.h"
#include "net/HttpClient.h"
#include "tools/convert/OpenModel.h"

namespace convert {

namespace {

// The web default of the desktop program, so a silent server cannot hold the tool for ever.
constexpr int kTimeOutMilliseconds = 60000;

std::string StatusLine(const std::string& header) {
    std::string line = header.substr(0, header.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

bool IsHttpAddress(const std::string& input) { return input.rfind("http://", 0) == 0; }

std::string AddressFileName(const std::string& address) {
    const std::string path = address.substr(0, address.find_first_of("?#"));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::uint8_t> FetchHttp(const std::string& address) {
    net::THttpClient client;
    client.TimeOut = kTimeOutMilliseconds;
    client.OnError = [](int, const std::string& message) { std::cerr << message << "\n"; };
    client.OnInvalidHost = [](bool&) { std::cerr << "ホスト名が無効です\n"; };
    client.Get(address);
    if (client.ReplyNumber() > 399) {
        throw base::Exception("読み込みできませんでした\r" + StatusLine(client.Header));
    }
    return std::vector<std::uint8_t>(client.Body.begin(), client.Body.end());
}

void OpenHttpModel(model3ds::TFile3DS& model, const std::string& address) {
    base::MemoryStream fetched(FetchHttp(address));
    if (fetched.Size() == 0) throw base::Exception(base::Format("READ ERROR : %s", address.c_str()));
    if (!IsPackedName(AddressFileName(address))) {
        model.Clear();
        model.LoadFromStream(fetched);
        return;
    }
    model3ds::TPack4Ex pack;
    pack.LoadFromStream(fetched);
    LoadPackedModel(model, pack, address);
}

}  // namespace convert
