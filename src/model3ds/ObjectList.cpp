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
    std::vector<TChunkNode3DS*> objects;            // the named objects that hold a mesh, in file order
    std::vector<std::unique_ptr<TMesh3DS>> meshes;  // one slot per object; a null slot is not read yet
};

namespace {

bool HoldsMesh(const TNameEntry3DS& entry) { return SearchTree(entry.chunk, CK_TRIMESH) != nullptr; }

std::vector<TChunkNode3DS*> MeshObjects(TFile3DS& file) {
    TChunkDatabase3DS& database = file.Database();
    UpdateObjectNames(file.Source(), database);
    std::vector<TChunkNode3DS*> objects;
    for (const TNameEntry3DS& entry : database.objectNames.Entries) {
        if (HoldsMesh(entry)) objects.push_back(entry.chunk);
    }
    return objects;
}

std::unique_ptr<TMesh3DS> ReadMeshOf(TFile3DS& file, TChunkNode3DS& object) {
    const TChunkDatabase3DS& database = file.Database();
    if (database.top == nullptr) RaiseError3DS(kErrorNoDatabase);
    if (database.top->tag != CK_MAIN && database.top->tag != CK_PROJECT) RaiseError3DS(kErrorWrongDatabase);
    return ReadMesh(file.Source(), object);
}

}  // namespace

TObjectList::TObjectList(TFile3DS& owner) : impl_(new Impl{owner, {}, {}}) {}

TObjectList::~TObjectList() = default;

void TObjectList::ClearList() {
    impl_->objects.clear();
    impl_->meshes.clear();
}

// The objects are found once per load, so that reading mesh i costs the same for every i.
int TObjectList::MeshTotal() {
    if (impl_->meshes.empty()) {
        impl_->objects = MeshObjects(impl_->owner);
        impl_->meshes.resize(impl_->objects.size());
    }
    return static_cast<int>(impl_->meshes.size());
}

TMesh3DS* TObjectList::GetMesh(int index) {
    if (MeshTotal() == 0) return nullptr;
    return CachedRecord(impl_->meshes, index,
                        [&] { return ReadMeshOf(impl_->owner, *impl_->objects[static_cast<std::size_t>(index)]); });
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

int FindMeshIndex(TFile3DS& model, const std::string& name) {
    TObjectList& meshes = model.ObjectList();
    for (int i = 0; i < meshes.MeshTotal(); ++i) {
        if (meshes.GetMesh(i)->Name == name) return i;
    }
    return -1;
}

TVector3DS VectorMin(TVector3DS a, TVector3DS b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

TVector3DS VectorMax(TVector3DS a, TVector3DS b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

}  // namespace model3ds
