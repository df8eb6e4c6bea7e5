#include "gltfexport/GltfWriter.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>

#include <cmath>
#include <filesystem>

#include "GltfDocument.h"
#include "base/Errors.h"
#include "base/SameFile.h"
#include "base/Stream.h"
#include "base/Texts.h"

namespace gltfexport {

namespace {

// Files beside a device, a pipe or a folder would be strays: only a regular
// file, or none yet, has a .gltf's files beside it.
void RefuseIrregularOutput(const std::string& outputPath) {
    struct stat status {};
    if (stat(outputPath.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw base::Exception(base::kSideFilesNeedRegularFile, {outputPath});
}

// The folders of the side files, made before any file is touched, so that one
// that cannot be made (a plain file in its place) changes nothing.
void MakeFolders(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        std::error_code error;
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
        if (error) throw base::EFCreateError(folder.string(), error.value());
    }
}

// A disk too full for the new files is found out before the old .gltf goes,
// which then stays whole with its files.
// Each file takes whole blocks, and one more for its name.
void RefuseWhenTheDiskIsFull(const std::string& outputPath, const TGltfFiles& files) {
    const std::string folder = std::filesystem::path(outputPath).parent_path().string();
    struct statvfs disk {};
    if (statvfs(folder.empty() ? "." : folder.c_str(), &disk) != 0 || disk.f_frsize == 0) return;
    const auto blocks = [&disk](std::uint64_t bytes) { return (bytes + disk.f_frsize - 1) / disk.f_frsize + 1; };
    std::uint64_t needed = blocks(files.Main.size());
    for (const TSideFile& side : files.Beside) needed += blocks(side.Bytes.size());
    if (std::uint64_t{disk.f_bavail} < needed) throw base::EWriteError(outputPath, ENOSPC);
}

// Everything that can fail before a file changes is done first; then the old
// .gltf goes, so that no moment holds it beside a new side file.
void PrepareForSideFiles(const TGltfFiles& files, const std::vector<std::string>& sides, const std::string& outputPath) {
    RefuseIrregularOutput(outputPath);
    MakeFolders(sides);
    RefuseWhenTheDiskIsFull(outputPath, files);
    base::RemoveFileToReplace(outputPath);
}

}  // namespace

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

TGltfFiles BuildGltf(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName) {
    TGltfDocument document = BuildDocument(model, request, outputName);
    TGltfFiles files;
    files.SceneWarnings = std::move(document.SceneWarnings);
    files.Warnings = std::move(document.Warnings);
    files.Read = std::move(document.Read);
    const std::string json = DocumentJson(document);
    if (request.Form == TGltfForm::Binary) {
        files.Main = Glb(json, document.Bin);
        return files;
    }
    files.Main.assign(json.begin(), json.end());
    if (!document.Bin.empty()) files.Beside.push_back({document.BufferFile, std::move(document.Bin)});
    for (TSideFile& image : document.ImageFiles) files.Beside.push_back(std::move(image));
    return files;
}

namespace {

// Where a .gltf's files go: beside it, or, when its name is a symbolic link,
// beside the file the link leads to, which is the one written.
std::filesystem::path SideFolder(const std::string& outputPath) {
    constexpr int kMaxLinks = 40;  // as the system follows them
    std::filesystem::path path = outputPath;
    std::error_code error;
    for (int links = 0; std::filesystem::is_symlink(path, error); ++links) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error || links == kMaxLinks) throw base::EFCreateError(outputPath, error ? error.value() : ELOOP);
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.parent_path();
}

// Side files, then the .gltf; a failure on the way takes away the side files
// already written, which no .gltf names any more.
void WriteInOrder(const TGltfFiles& files, const std::vector<std::string>& sides, const std::string& outputPath) {
    std::size_t written = 0;
    try {
        for (; written < sides.size(); ++written)
            base::WriteFileAtomically(sides[written], files.Beside[written].Bytes.data(), files.Beside[written].Bytes.size());
        base::WriteFileAtomically(outputPath, files.Main.data(), files.Main.size());
    } catch (...) {
        std::error_code ignored;  // a stray that cannot go is no reason to hide the failure itself
        for (std::size_t i = 0; i < written; ++i) std::filesystem::remove(sides[i], ignored);
        throw;
    }
}

}  // namespace

void WriteGltfFiles(const TGltfFiles& files, const std::string& outputPath, const std::string& modelFile) {
    const std::filesystem::path folder = SideFolder(outputPath);
    std::vector<std::string> sides;
    for (const TSideFile& side : files.Beside) sides.push_back((folder / side.Name).string());
    std::vector<std::string> outputs = sides;
    outputs.push_back(outputPath);
    std::vector<std::string> inputs = files.Read;
    inputs.push_back(modelFile);
    base::RefuseOutputsThatAreInputs(outputs, inputs);
    if (!sides.empty()) PrepareForSideFiles(files, sides, outputPath);
    WriteInOrder(files, sides, outputPath);
}

}  // namespace gltfexport
