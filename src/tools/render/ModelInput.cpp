#include "ModelInput.h"

#include <algorithm>
#include <cctype>

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

}  // namespace

base::MemoryStream ReadModelAsX(const std::string& path) {
    const std::string extension = Extension(path);
    if (extension == ".x") return base::MemoryStream(base::ReadWholeFile(path));
    if (extension == ".xa") {
        return base::MemoryStream(
            model3ds::UnpackBytes(base::ReadWholeFile(path), path, model3ds::TUnpackPolicy::Complete));
    }
    if (extension != ".3ds" && extension != ".3da")
        throw base::Exception(base::Format("%s: not a .x, .xa, .3ds or .3da file", path.c_str()));
    model3ds::TFile3DS model;
    model3ds::OpenModelFile(model, path, model3ds::TUnpackPolicy::Complete);
    base::MemoryStream x;
    xexport::WriteMergedXBinary(model, xexport::TExportOptions{}, "", x);
    if (x.Size() == 0) throw base::Exception(base::Format("READ ERROR : %s", path.c_str()));
    return x;
}

}  // namespace render
