// The material list: one cached record per material entry.
#include <vector>

#include "base/Format.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/ChunkTree.h"
#include "model3ds/File3DS.h"
#include "model3ds/MaterialReader.h"
#include "model3ds/RecordCache.h"

namespace model3ds {

struct TMaterialList::Impl {
    TFile3DS& owner;
    std::vector<std::unique_ptr<TMaterial3DS>> materials;  // a null slot is not read yet
};

namespace {

std::unique_ptr<TMaterial3DS> ReadMaterialAt(TFile3DS& file, int index) {
    TChunkDatabase3DS& database = file.Database();
    if (database.top == nullptr) RaiseError3DS(kErrorNoDatabase);
    const std::uint16_t top = database.top->tag;
    if (top != CK_MATLIB && top != CK_MAIN && top != CK_PROJECT) RaiseError3DS(kErrorWrongDatabase);
    UpdateMaterialNames(file.Source(), database);
    const auto& entries = database.materialNames.Entries;
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) {
        RaiseError3DS(base::Format(kErrorInvalidIndex, index));
    }
    return ReadMaterial(file.Source(), *entries[static_cast<std::size_t>(index)].chunk);
}

}  // namespace

TMaterialList::TMaterialList(TFile3DS& owner) : impl_(new Impl{owner, {}}) {}

TMaterialList::~TMaterialList() = default;

void TMaterialList::ClearList() { impl_->materials.clear(); }

int TMaterialList::MaterialTotal() {
    TChunkDatabase3DS& database = impl_->owner.Database();
    if (impl_->materials.empty() && database.materialsDirty) {
        UpdateMaterialNames(impl_->owner.Source(), database);
        impl_->materials.resize(database.materialNames.Entries.size());
    }
    return static_cast<int>(impl_->materials.size());
}

TMaterial3DS* TMaterialList::GetMaterial(int index) {
    if (MaterialTotal() == 0) return nullptr;
    return CachedRecord(impl_->materials, index, [&] { return ReadMaterialAt(impl_->owner, index); });
}

int FindMaterialIndex(TFile3DS& model, const std::string& name) {
    TMaterialList& materials = model.MaterialList();
    for (int i = 0; i < materials.MaterialTotal(); ++i) {
        if (materials.GetMaterial(i)->Name == name) return i;
    }
    return -1;
}

}  // namespace model3ds
