#include "render/ModelInput.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "base/Errors.h"
#include "base/Format.h"
#include "model3ds/File3DS.h"
#include "model3ds/OpenModel.h"
#include "xexport/XBinaryWriter.h"

namespace render {

namespace {

std::string Extension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

enum class Content { X, Model3DS, Other };

// The kind of data by its first bytes; only those are read.
Content ContentOf(const std::string& path) {
    base::FileStream file(path, base::FileStream::Mode::Read);
    if (file.Size() == 0) throw base::Exception(path + ": the file is empty");
    char head[4] = {};
    const std::size_t got = file.Read(head, std::min<std::uint64_t>(sizeof head, file.Size()));
    if (got == 4 && std::memcmp(head, "xof ", 4) == 0) return Content::X;
    if (got >= 2 && head[0] == 0x4D && head[1] == 0x4D) return Content::Model3DS;
    return Content::Other;
}

// The model as .x data, its texture names and coordinates with it.
base::MemoryStream ConvertModel(model3ds::TFile3DS& model, const std::string& path) {
    xexport::TExportOptions options;
    options.TexCoords = true;
    options.Textures = true;
    base::MemoryStream x;
    xexport::WriteMergedXBinary(model, options, "", x);
    if (x.Size() == 0) throw base::Exception(base::Format("READ ERROR : %s", path.c_str()));
    return x;
}

}  // namespace

base::MemoryStream ReadModelAsX(const std::string& path) {
    const Content content = ContentOf(path);
    const std::string extension = Extension(path);
    if (content == Content::X) return base::MemoryStream(base::ReadWholeFile(path));
    model3ds::TFile3DS model;
    if (content == Content::Model3DS) {
        model.LoadFromFile(path);
    } else if (extension == ".xa") {
        return base::MemoryStream(
            model3ds::UnpackBytes(base::ReadWholeFile(path), path, model3ds::TUnpackPolicy::Complete));
    } else if (extension == ".3da") {
        model3ds::OpenModelFile(model, path, model3ds::TUnpackPolicy::Complete, model3ds::TModelNeeds::Anything);
    } else {
        throw base::Exception(base::Format("%s: neither .x data nor a 3DS model, nor a packed .xa or .3da file",
                                           path.c_str()));
    }
    return ConvertModel(model, path);
}

void LoadModelFile(viewer::ViewerScene& scene, const std::string& path) {
    base::MemoryStream x = ReadModelAsX(path);
    const std::int32_t result = scene.LoadXFromStream(x);
    if (result != 0)
        throw base::Exception(base::Format("%s: cannot read the .x data (code 0x%x)", path.c_str(),
                                           static_cast<unsigned>(result)));
    if (!scene.MeshBuilder) throw base::Exception(path + ": the file is empty");
    // Texture file names are relative to the file's folder.
    scene.MeshBuilder->SetTextureFolder(std::filesystem::absolute(path).parent_path().string());
}

}  // namespace render
