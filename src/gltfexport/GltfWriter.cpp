#include "gltfexport/GltfWriter.h"

#include <cmath>
#include <filesystem>

#include "GltfDocument.h"
#include "base/Errors.h"
#include "base/Stream.h"

namespace gltfexport {

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

TGltfFiles BuildGltf(model3ds::TFile3DS& model, const TGltfRequest& request, const std::string& outputName) {
    TGltfDocument document = BuildDocument(model, request, outputName);
    TGltfFiles files;
    files.Warnings = std::move(document.Warnings);
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

void WriteGltfFiles(const TGltfFiles& files, const std::string& outputPath) {
    const std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    for (const TSideFile& side : files.Beside) {
        const std::filesystem::path path = folder / side.Name;
        std::error_code error;
        if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path(), error);
        if (error) throw base::EFCreateError(path.parent_path().string(), error.value());
        base::WriteFileAtomically(path.string(), side.Bytes.data(), side.Bytes.size());
    }
    base::WriteFileAtomically(outputPath, files.Main.data(), files.Main.size());
}

}  // namespace gltfexport
