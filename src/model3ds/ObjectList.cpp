// The mesh list: one cached record per named object that holds a triangle mesh.
#include <algorithm>
#include <vector>

#include "model3ds/ChunkIds.h"
#include "model3ds/ChunkTree.h"
#include "model3ds/File3DS.h"
#include "model3ds/MeshReader.h"
#include "model3ds/RecordCache.h"

namespace model3ds {

struct TObjectList::Impl {
    TFile3DS& owner;
    std::vector<std::unique_ptr<TMesh3DS>> meshes;  // a null slot is not read yet
};

namespace {

bool HoldsMesh(const TNameEntry3DS& entry) { return SearchTree(entry.chunk, CK_TRIMESH) != nullptr; }

std::unique_ptr<TMesh3DS> ReadMeshAt(TFile3DS& file, int index) {
    TChunkDatabase3DS& database = file.Database();
    if (database.top == nullptr) RaiseError3DS(kErrorNoDatabase);
    if (database.top->tag != CK_MAIN && database.top->tag != CK_PROJECT) RaiseError3DS(kErrorWrongDatabase);
    UpdateObjectNames(file.Source(), database);
    int position = 0;
    for (const TNameEntry3DS& entry : database.objectNames.Entries) {
        if (!HoldsMesh(entry)) continue;
        if (position++ == index) return ReadMesh(file.Source(), *entry.chunk);
    }
    return std::make_unique<TMesh3DS>();
}

}  // namespace

TObjectList::TObjectList(TFile3DS& owner) : impl_(new Impl{owner, {}}) {}

TObjectList::~TObjectList() = default;

void TObjectList::ClearList() { impl_->meshes.clear(); }

int TObjectList::MeshTotal() {
    if (impl_->meshes.empty()) {
        TChunkDatabase3DS& database = impl_->owner.Database();
        UpdateObjectNames(impl_->owner.Source(), database);
        const auto& entries = database.objectNames.Entries;
        impl_->meshes.resize(static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(), HoldsMesh)));
    }
    return static_cast<int>(impl_->meshes.size());
}

TMesh3DS* TObjectList::GetMesh(int index) {
    if (MeshTotal() == 0) return nullptr;
    return CachedRecord(impl_->meshes, index, [&] { return ReadMeshAt(impl_->owner, index); });
}

long long TObjectList::TotalVertices() {
    long long total = 0;
    for (std::size_t i = 0; i < impl_->meshes.size(); ++i) total += GetMesh(static_cast<int>(i))->NumVertices();
    return total;
}

long long TObjectList::TotalFaces() {
    long long total = 0;
    for (std::size_t i = 0; i < impl_->meshes.size(); ++i) total += GetMesh(static_cast<int>(i))->NumFaces();
    return total;
}

TVector3DS VectorMin(TVector3DS a, TVector3DS b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

TVector3DS VectorMax(TVector3DS a, TVector3DS b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

}  // namespace model3ds
