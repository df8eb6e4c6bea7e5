#include "tools/convert/OpenModel.h"

#include <algorithm>
#include <cctype>

#include "base/Format.h"
#include "model3ds/Pack4Ex.h"
#include "tools/convert/RemoteInput.h"

namespace convert {

namespace {

// The message for an Unpack result code other than success.
std::string UnpackFailure(const std::string& path, std::int32_t code) {
    switch (code) {
    case model3ds::kUnpackNoData:
        return base::Format("cannot unpack %s: the file is empty", path.c_str());
    case model3ds::kUnpackNoBuffers:
        return base::Format("cannot unpack %s: not enough memory", path.c_str());
    default:
        return base::Format("cannot unpack %s: not a packed model file, or its packed data is corrupt", path.c_str());
    }
}

}  // namespace

bool IsPackedName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".3da";
}

std::vector<std::uint8_t> UnpackFile(const std::string& path) {
    model3ds::TPack4Ex pack;
    pack.LoadFromFile(path);
    base::MemoryStream unpacked;
    const std::int32_t code = pack.Unpack(unpacked);
    if (code != model3ds::kUnpackSuccess) throw EUnpackError(UnpackFailure(path, code));
    return unpacked.TakeBytes();
}

void LoadPackedModel(model3ds::TFile3DS& model, model3ds::TPack4Ex& pack, const std::string& path) {
    base::MemoryStream unpacked;
    pack.Unpack(unpacked);
    if (unpacked.Size() == 0) throw EUnpackError(base::Format("READ ERROR : %s", path.c_str()));
    unpacked.Seek(0);
    model.Clear();
    model.LoadFromStream(unpacked);
}

void OpenModelFile(model3ds::TFile3DS& model, const std::string& path) {
    if (IsHttpAddress(path)) {
        OpenHttpModel(model, path);
        return;
    }
    if (!IsPackedName(path)) {
        model.Clear();
        model.LoadFromFile(path);
        return;
    }
    model3ds::TPack4Ex pack;
    pack.LoadFromFile(path);
    LoadPackedModel(model, pack, path);
}

}  // namespace convert
