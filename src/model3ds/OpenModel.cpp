#include "model3ds/OpenModel.h"

#include "ChunkTree.h"
#include "base/Format.h"
#include "base/Texts.h"
#include "model3ds/FileKind.h"
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

bool HasFaces(TFile3DS& model) {
    auto& meshes = model.ObjectList();
    for (int i = 0; i < meshes.MeshTotal(); ++i) {
        if (!meshes.GetMesh(i)->Faces.empty()) return true;
    }
    return false;
}

bool Holds(TFile3DS& model, TModelNeeds needs) {
    switch (needs) {
    case TModelNeeds::Anything:
        return true;
    case TModelNeeds::MeshesOrMaterials:
        return model.ObjectList().MeshTotal() > 0 || model.MaterialList().MaterialTotal() > 0;
    case TModelNeeds::Meshes:
        return model.ObjectList().MeshTotal() > 0;
    case TModelNeeds::Faces:
        return HasFaces(model);
    }
    return false;
}

// Why a model that loaded does not hold what needs asks.
std::string MissingContent(TFile3DS& model, TModelNeeds needs) {
    const TChunkNode3DS* top = model.Database().top;
    if (top == nullptr || !IsAcceptedTop(top->tag)) return base::kNotA3DStudioModel;
    switch (needs) {
    case TModelNeeds::MeshesOrMaterials:
        return base::kNoMeshNorMaterial;
    case TModelNeeds::Faces:
        return model.ObjectList().MeshTotal() > 0 ? base::kNoMeshWithFaces : base::kNoMesh;
    default:
        return base::kNoMesh;
    }
}

void LoadUnpacked(TFile3DS& model, std::vector<std::uint8_t> unpacked, const std::string& shownPath,
                  TModelNeeds needs) {
    if (unpacked.empty()) throw EReadModelError(shownPath, base::kUnpacksToNothing);
    model.LoadFromBytes(std::move(unpacked));
    RequireModelContent(model, needs, shownPath);
}

bool IsPacked(const std::string& name) { return FileKindByName(name) == TFileKind::PackedModel3DS; }

}  // namespace

EReadModelError::EReadModelError(const std::string& path, const std::string& reason)
    : Exception("READ ERROR : %s", {path}, {path, reason, {}}) {}

void RequireModelContent(TFile3DS& model, TModelNeeds needs, const std::string& path) {
    if (!Holds(model, needs)) throw EReadModelError(path, MissingContent(model, needs));
}

std::vector<std::uint8_t> UnpackBytes(std::vector<std::uint8_t> packed, const std::string& name,
                                      TUnpackPolicy policy) {
    TPack4Ex pack;
    pack.LoadFromBytes(std::move(packed));
    return Unpack(pack, name, policy);
}

void OpenModelFile(TFile3DS& model, const std::string& path, TUnpackPolicy policy, TModelNeeds needs) {
    if (!IsPacked(path)) {
        model.Clear();
        model.LoadFromFile(path);
        RequireModelContent(model, needs, path);
        return;
    }
    TPack4Ex pack;
    pack.LoadFromFile(path);
    LoadUnpacked(model, Unpack(pack, path, policy), path, needs);
}

void OpenModelBytes(TFile3DS& model, std::vector<std::uint8_t> bytes, const std::string& name,
                    const std::string& shownPath, TUnpackPolicy policy, TModelNeeds needs) {
    if (bytes.empty()) throw EReadModelError(shownPath, base::kDataIsEmpty);
    if (!IsPacked(name)) {
        LoadUnpacked(model, std::move(bytes), shownPath, needs);
        return;
    }
    TPack4Ex pack;
    pack.LoadFromBytes(std::move(bytes));
    LoadUnpacked(model, Unpack(pack, name, policy), shownPath, needs);
}

}  // namespace model3ds
