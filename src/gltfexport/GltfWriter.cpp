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
void RefuseWhenTheDiskIsFull(const std::string& outputPath, const TGltfFiles& files) {
    std::uint64_t bytes = files.Main.size();
    for (const TSideFile& side : files.Beside) bytes += side.Bytes.size();
    const std::string folder = std::filesystem::path(outputPath).parent_path().string();
    struct statvfs disk {};
    if (statvfs(folder.empty() ? "." : folder.c_str(), &disk) != 0) return;
    if (std::uint64_t{disk.f_bavail} * disk.f_frsize < bytes) throw base::EWriteError(outputPath, ENOSPC);
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

void WriteGltfFiles(const TGltfFiles& files, const std::string& outputPath, const std::string& modelFile) {
    const std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    std::vector<std::string> sides;
    for (const TSideFile& side : files.Beside) sides.push_back((folder / side.Name).string());
    std::vector<std::string> outputs = sides;
    outputs.push_back(outputPath);
    std::vector<std::string> inputs = files.Read;
    inputs.push_back(modelFile);
    base::RefuseOutputsThatAreInputs(outputs, inputs);
    if (!sides.empty()) PrepareForSideFiles(files, sides, outputPath);
    for (std::size_t i = 0; i < sides.size(); ++i)
        base::WriteFileAtomically(sides[i], files.Beside[i].Bytes.data(), files.Beside[i].Bytes.size());
    base::WriteFileAtomically(outputPath, files.Main.data(), files.Main.size());
}

}  // namespace gltfexport
