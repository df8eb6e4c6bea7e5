#include "model3ds/OpenModel.h"

#include <algorithm>
#include <cctype>

#include "base/Format.h"
#include "model3ds/Pack4Ex.h"

namespace model3ds {

namespace {

std::string UnpackFailure(const std::string& name, std::int32_t code) {
    switch (code) {
    case kUnpackNoData:
        return base::Format("cannot unpack %s: the file is empty", name.c_str());
    case kUnpackNoBuffers:
        return base::Format("cannot unpack %s: not enough memory", name.c_str());
    default:
        return base::Format("cannot unpack %s: not a packed model file, or its packed data is corrupt",
                            name.c_str());
    }
}

// The unpacked bytes under the policy; empty when nothing came out.
std::vector<std::uint8_t> Unpack(TPack4Ex& pack, const std::string& name, TUnpackPolicy policy) {
    base::MemoryStream unpacked;
    const std::int32_t code = pack.Unpack(unpacked);
    if (policy == TUnpackPolicy::Complete && code != kUnpackSuccess) throw EUnpackError(UnpackFailure(name, code));
    return unpacked.TakeBytes();
}

bool LoadUnpacked(TFile3DS& model, std::vector<std::uint8_t> unpacked) {
    if (unpacked.empty()) return false;
    model.LoadFromBytes(std::move(unpacked));
    return true;
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

std::vector<std::uint8_t> UnpackBytes(std::vector<std::uint8_t> packed, const std::string& name,
                                      TUnpackPolicy policy) {
    TPack4Ex pack;
    pack.LoadFromBytes(std::move(packed));
    return Unpack(pack, name, policy);
}

bool OpenModelFile(TFile3DS& model, const std::string& path, TUnpackPolicy policy) {
    if (!IsPackedName(path)) {
        model.Clear();
        model.LoadFromFile(path);
        return true;
    }
    TPack4Ex pack;
    pack.LoadFromFile(path);
    return LoadUnpacked(model, Unpack(pack, path, policy));
}

bool OpenModelBytes(TFile3DS& model, std::vector<std::uint8_t> bytes, const std::string& name,
                    TUnpackPolicy policy) {
    if (bytes.empty()) return false;
    if (!IsPackedName(name)) return LoadUnpacked(model, std::move(bytes));
    TPack4Ex pack;
    pack.LoadFromBytes(std::move(bytes));
    return LoadUnpacked(model, Unpack(pack, name, policy));
}

}  // namespace model3ds
