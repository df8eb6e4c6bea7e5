// The material list: one cached record per material entry.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Format.h"
#include "model3ds/ChunkIds.h"
#include "ChunkTree.h"
#include "model3ds/File3DS.h"
#include "MaterialReader.h"
#include "RecordCache.h"

namespace model3ds {

namespace {

// Lets the names be looked up by a string_view without copying it.
struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

}  // namespace

struct TMaterialList::Impl {
    TFile3DS& owner;
    std::vector<std::unique_ptr<TMaterial3DS>> materials;  // a null slot is not read yet
    // The first index of each name among the first `named` materials.
    std::unordered_map<std::string, int, TNameHash, std::equal_to<>> firstByName;
    int named = 0;
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

TMaterialList::TMaterialList(TFile3DS& owner) : impl_(new Impl{owner, {}, {}, 0}) {}

TMaterialList::~TMaterialList() = default;

void TMaterialList::ClearList() {
    impl_->materials.clear();
    impl_->firstByName.clear();
    impl_->named = 0;
}

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

int TMaterialList::IndexOf(std::string_view name) {
    if (const auto found = impl_->firstByName.find(name); found != impl_->firstByName.end()) return found->second;
    const int total = MaterialTotal();
    while (impl_->named < total) {
        const int index = impl_->named;
        const std::string& read = GetMaterial(index)->Name;
        impl_->firstByName.emplace(read, index);
        ++impl_->named;
        if (read == name) return index;
    }
    return -1;
}

int FindMaterialIndex(TFile3DS& model, std::string_view name) { return model.MaterialList().IndexOf(name); }

TMaterial3DS* FindMaterial(TFile3DS& model, std::string_view name) {
    const int index = FindMaterialIndex(model, name);
    return index < 0 ? nullptr : model.MaterialList().GetMaterial(index);
}

}  // namespace model3ds
