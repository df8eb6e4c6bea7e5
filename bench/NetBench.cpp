// Network clients against curl, on loopback and in one run:
//   the peak memory of receiving a 200 MB file into a memory stream,
//   a 200 MB file over HTTP/1.0 (THttpClient in memory and file mode, curl),
//   a folder of 20,000 entries over FTP in active mode (TFtpClient, curl -P -).
// Each time is the best of three runs.
#include "base/Stream.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "net/ServerProcess.h"
#include "support/TempDir.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace {

constexpr std::size_t kFileSize = 200u * 1024 * 1024;
constexpr int kEntries = 20000;
constexpr int kRuns = 3;

double BestSeconds(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void MakeTree(const testsupport::TempDir& root) {
    std::string block(1024 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : block) c = static_cast<char>(random());
    std::ofstream big(root.File("big.bin"), std::ios::binary);
    for (std::size_t written = 0; written < kFileSize; written += block.size()) big << block;
    big.close();
    std::filesystem::create_directory(root.Path() / "many");
    for (int i = 0; i < kEntries; ++i) {
        std::ofstream(root.File("many/model" + std::to_string(i) + ".3ds")) << "m";
    }
}

// The most memory this process has held so far, in bytes.
double PeakResidentBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024;
}

// Receives the file into a memory stream, as korvane-convert does, and reports how
// far the peak memory rose, as a ratio of the file's size. Run first, before
// anything else has raised the peak.
void MeasureStreamPeak(const std::string& url) {
    const double before = PeakResidentBytes();
    {
        base::MemoryStream content;
        net::THttpClient client;
        client.TimeOut = 60000;
        client.ContentStream = &content;
        client.Get(url);
        if (content.Size() != kFileSize) std::exit(1);
    }
    const double rise = PeakResidentBytes() - before;
    std::printf("HTTP 200 MB into a memory stream: peak memory rose by %.0f MB, %.2f times the content\n",
                rise / (1024 * 1024), rise / static_cast<double>(kFileSize));
}

}  // namespace

int main() {
    testsupport::TempDir root;
    MakeTree(root);
    const nettest::ServerProcess http("http_server.py", {root.Path().string()});
    const nettest::ServerProcess ftp("ftp_server.py", {root.Path().string()});
    const std::string url = "http://127.0.0.1:" + std::to_string(http.Port()) + "/big.bin";
    const double megabytes = static_cast<double>(kFileSize) / (1024 * 1024);
    MeasureStreamPeak(url);

    const double memory = BestSeconds([&] {
        net::THttpClient client;
        client.TimeOut = 60000;
        client.Get(url);
        if (client.Body.size() != kFileSize) std::exit(1);
    });
    const double file = BestSeconds([&] {
        net::THttpClient client;
        client.TimeOut = 60000;
        client.InputFileMode = true;
        client.Body = root.File("fetched.bin");
        client.Get(url);
    });
    const double curl = BestSeconds([&] { Shell("curl -s --http1.0 -o " + root.File("curl.bin") + " " + url); });
    const double curlNull = BestSeconds([&] { Shell("curl -s --http1.0 -o /dev/null " + url); });
    std::printf("HTTP 200 MB: THttpClient memory %.0f MB/s, file %.0f MB/s; curl to file %.0f MB/s, "
                "to /dev/null %.0f MB/s; ratio memory/curl-null %.2f, file/curl-file %.2f\n",
                megabytes / memory, megabytes / file, megabytes / curl, megabytes / curlNull,
                curlNull / memory, curl / file);

    std::size_t lines = 0;
    const double listing = BestSeconds([&] {
        net::TFtpClient client;
        client.Host = "127.0.0.1";
        client.Port = ftp.Port();
        client.TimeOut = 60000;
        client.UserID = "anonymous";
        client.Password = "PubUsr@";
        client.ParseList = true;
        lines = 0;
        client.OnListItem = [&](const std::string&) { ++lines; };
        client.Connect();
        client.ChangeFolder("many");
        client.ListFolder();
        client.Disconnect();
    });
    const double curlList = BestSeconds([&] {
        Shell("curl -s -P - -o /dev/null ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/many/");
    });
    std::printf("FTP listing of %zu entries: TFtpClient %.3f s, curl -P - %.3f s; ratio %.2f\n", lines, listing,
                curlList, listing / curlList);
    return 0;
}
