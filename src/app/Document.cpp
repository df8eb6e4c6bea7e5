#include "app/Document.h"

#include <filesystem>
#include <system_error>

#include "base/AsciiCase.h"
#include "base/SameFile.h"
#include "base/Stream.h"
#include "gltfexport/GltfWriter.h"
#include "model3ds/OpenModel.h"

namespace app {

namespace {

bool IsModelKind(model3ds::TFileKind kind) {
    return kind == model3ds::TFileKind::Model3DS || kind == model3ds::TFileKind::PackedModel3DS;
}

// What the viewer draws without the model reader.
bool IsViewerKind(model3ds::TFileKind kind) {
    return kind == model3ds::TFileKind::DirectX || kind == model3ds::TFileKind::PackedDirectX ||
           kind == model3ds::TFileKind::Gltf;
}

// A file from disk that is neither DirectX data nor glTF is read as a model, so that the
// reader names what is wrong with it; a download is fetched only for a kind its
// name gives, and anything but a model goes to the viewer, which tells whether
// it can draw it.
bool OpensAsModel(model3ds::TFileKind kind, bool fromDisk) {
    return fromDisk ? !IsViewerKind(kind) : IsModelKind(kind);
}

// The text form for a name whose part after its last dot is "gltf" in any letter case.
bool IsGltfText(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    return base::LowerAscii(std::string_view(name).substr(dot + 1)) == "gltf";
}

}  // namespace

TDocument::TDocument() : ModelFile(std::make_unique<model3ds::TFile3DS>()) {}

TOpened TDocument::OpenPath(const std::string& given) {
    // By its absolute name, so that the recent-files list finds it again from any folder.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(given, error).lexically_normal();
    const std::string path = error ? given : absolute.string();
    return Open(model3ds::FileKindOf(path), {}, path, path, true);
}

TOpened TDocument::OpenDownload(std::vector<std::uint8_t> bytes, const std::string& name, const std::string& address,
                                model3ds::TFileKind kind) {
    return Open(kind, std::move(bytes), name, address, false);
}

TOpened TDocument::Open(model3ds::TFileKind kind, std::vector<std::uint8_t> bytes, const std::string& path,
                        const std::string& shown, bool fromDisk) {
    if (OpensAsModel(kind, fromDisk)) {
        if (fromDisk) {
            model3ds::OpenModelFile(*ModelFile, path, model3ds::TUnpackPolicy::AnyOutput,
                                    model3ds::TModelNeeds::Meshes);
        } else {
            try {
                model3ds::OpenModelBytes(*ModelFile, std::move(bytes), path, shown,
                                         model3ds::TUnpackPolicy::AnyOutput, model3ds::TModelNeeds::Anything);
            } catch (const model3ds::EReadModelError&) {
                return {};  // a download that unpacks to nothing leaves the document as it was
            }
        }
        EditedOpacity.clear();
        if (fromDisk) {
            RecentFiles.Add(path);
            ModelFolder_ = std::filesystem::path(path).parent_path().string();
            CurrentFileName_ = path.substr(path.find_last_of('/') + 1);
        } else {
            ModelFolder_.clear();
            CurrentFileName_ = shown;
        }
        TOpened opened;
        opened.Show = TOpened::TShow::Model;
        opened.FromDisk = fromDisk;
        return opened;
    }
    // The viewer reads a glTF file itself, with the files it names.
    if (fromDisk && kind != model3ds::TFileKind::Gltf) bytes = base::ReadWholeFile(path);
    if (kind == model3ds::TFileKind::PackedDirectX) {
        bytes = model3ds::UnpackBytes(std::move(bytes), path, model3ds::TUnpackPolicy::AnyOutput);
    }
    Close();
    return {.Show = TOpened::TShow::Viewer,
            .ViewerBytes = std::move(bytes),
            .ViewerFileName = shown,
            .ViewerCaption = fromDisk ? path.substr(path.find_last_of('/') + 1) : std::string(),
            .Gltf = kind == model3ds::TFileKind::Gltf,
            .ViewerFolder = fromDisk ? std::filesystem::path(path).parent_path().string() : std::string(),
            .FromDisk = fromDisk};
}

void TDocument::Close() {
    ModelFile->Clear();
    CurrentFileName_.clear();
    ModelFolder_.clear();
    EditedOpacity.clear();
}

int TDocument::MeshTotal() const { return ModelFile->ObjectList().MeshTotal(); }

xexport::TExportRefusal TDocument::XRefusal(const TXRequest& request) const {
    return xexport::ExportRefusal(*ModelFile, request.MeshIndex, request.Merged);
}

void TDocument::SaveX(const TXRequest& request, xexport::TXForm form, const std::string& path) const {
    base::RefuseOutputsThatAreInputs({path}, {LocalModelFile()});
    xexport::TExportOptions options = request.Options;
    options.SceneName = CurrentFileName_;
    xexport::WriteModelX(*ModelFile, options, request.Merged ? xexport::kMergedMeshes : request.MeshIndex, form,
                         path, nullptr);
}

TViewerData TDocument::ViewerData(const TXRequest& request) const {
    xexport::TExportOptions options = request.Options;
    options.SceneName = CurrentFileName_;
    base::MemoryStream stream;
    xexport::WriteModelX(*ModelFile, options, request.Merged ? xexport::kMergedMeshes : request.MeshIndex,
                         xexport::TXForm::Binary, {}, &stream);
    // The texture names are relative to the model's folder; a downloaded model has none.
    return {.Bytes = stream.TakeBytes(),
            .FileName = CurrentFileName_,
            .TextureModelFile = options.Textures ? LocalModelFile() : std::string()};
}

xexport::TExportRefusal TDocument::GltfRefusal() const { return xexport::ExportRefusal(*ModelFile, -1, true); }

std::vector<std::string> TDocument::SaveGltf(const std::string& path, const std::string& generator,
                                             const gltfexport::TTextureTexts& texts,
                                             const std::vector<std::string>& textureFolders) const {
    gltfexport::TGltfRequest request;
    request.Form = IsGltfText(path) ? gltfexport::TGltfForm::Text : gltfexport::TGltfForm::Binary;
    const std::string local = LocalModelFile();
    request.ModelFile = local.empty() ? CurrentFileName_ : local;
    request.Generator = generator;
    request.EditedOpacity = EditedOpacity;
    // A downloaded model has no folder, so no textures.
    if (!local.empty()) request.Textures = gltfexport::GltfTextureSource(local, textureFolders, texts);
    gltfexport::TGltfFiles files =
        gltfexport::BuildGltf(*ModelFile, request, std::filesystem::path(path).filename().string());
    gltfexport::WriteGltfFiles(files, path, local);
    return std::move(files.Warnings);
}

std::string TDocument::LocalModelFile() const {
    return ModelFolder_.empty() ? std::string() : ModelFolder_ + "/" + CurrentFileName_;
}

}  // namespace app
