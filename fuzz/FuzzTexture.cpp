// Reads the input as a model's texture file, as the renderer does: the image
// readers take what a file holds, never what its name says, so one name serves
// every format. The readers work on files in a model's folder, so each input is
// written to a folder of this process's own first, and the decoded image's last
// row is read so that the sanitizer checks its memory is all there. Qt's
// readers complain of every corrupt file on stderr, which here is every other
// input, so their messages are dropped.
#include <QImage>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>

#include "TextureImages.h"

namespace {

// A folder made for this process, removed when it ends.
class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_texture.XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    {
        std::ofstream file(folder.Path() / "tex.png", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    viewer::TextureImages images(folder.Path().string(), (folder.Path() / "model.x").string());
    if (const QImage* image = images.Find("tex.png")) {
        const uchar* last = image->constScanLine(image->height() - 1);
        volatile unsigned sum = std::accumulate(last, last + image->bytesPerLine(), 0u);
        (void)sum;
    }
    return 0;
}
