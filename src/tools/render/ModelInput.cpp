#include "ModelInput.h"

#include <algorithm>
#include <cctype>

#include "base/Errors.h"
#include "base/Format.h"
#include "model3ds/File3DS.h"
#include "model3ds/Pack4Ex.h"
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

// The bytes of a packed file (.3da or .xa), unpacked.
base::MemoryStream Unpack(const std::string& path) {
    model3ds::TPack4Ex pack;
    pack.LoadFromFile(path);
    base::MemoryStream unpacked;
    const std::int32_t code = pack.Unpack(unpacked);
    if (code != model3ds::kUnpackSuccess)
        throw base::Exception(base::Format("%s: cannot unpack (result %d)", path.c_str(), code));
    unpacked.Seek(0);
    return unpacked;
}

}  // namespace

base::MemoryStream ReadModelAsX(const std::string& path) {
    const std::string extension = Extension(path);
    if (extension == ".x") return base::MemoryStream(base::ReadWholeFile(path));
    if (extension == ".xa") return Unpack(path);
    if (extension != ".3ds" && extension != ".3da")
        throw base::Exception(base::Format("%s: not a .x, .xa, .3ds or .3da file", path.c_str()));
    model3ds::TFile3DS model;
    if (extension == ".3da") {
        base::MemoryStream unpacked = Unpack(path);
        model.LoadFromStream(unpacked);
    } else {
        model.LoadFromFile(path);
    }
    base::MemoryStream x;
    xexport::WriteMergedXBinary(model, xexport::TExportOptions{}, "", x);
    if (x.Size() == 0) throw base::Exception(base::Format("READ ERROR : %s", path.c_str()));
    return x;
}

}  // namespace render
