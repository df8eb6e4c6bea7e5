// The object and material name lists, built on first use after a load.
#include "model3ds/ChunkIds.h"
#include "ChunkTree.h"

namespace model3ds {

void UpdateObjectNames(base::MemoryStream& stream, TChunkDatabase3DS& database) {
    if (!database.objectsDirty) return;
    database.objectNames.Entries.clear();
    TChunkNode3DS* scene = SearchTree(database.top, CK_SCENE);
    if (scene != nullptr) {
        for (TChunkNode3DS* object : ChunksOfTag(scene, CK_NAMED_OBJECT)) {
            database.objectNames.Entries.push_back({ChunkData<std::string>(stream, *object), object});
        }
    }
    database.objectsDirty = false;
}

void UpdateMaterialNames(base::MemoryStream& stream, TChunkDatabase3DS& database) {
    if (!database.materialsDirty) return;
    database.materialNames.Entries.clear();
    TChunkNode3DS* parent = SearchTree(database.top, CK_SCENE);
    if (parent == nullptr) parent = SearchTree(database.top, CK_MATLIB);
    if (parent != nullptr) {
        for (TChunkNode3DS* entry : ChunksOfTag(parent, CK_MATERIAL)) {
            // An entry without a name chunk gets an empty name.
            TChunkNode3DS* name = SearchTree(entry, CK_MAT_NAME);
            database.materialNames.Entries.push_back({name ? ChunkData<std::string>(stream, *name) : "", entry});
        }
    }
    database.materialsDirty = false;
}

}  // namespace model3ds
