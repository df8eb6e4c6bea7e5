#include "MeshReader.h"

#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"

namespace model3ds {

namespace {

void ReadFaceSubChunks(base::MemoryStream& stream, TMesh3DS& mesh, TChunkNode3DS& faces) {
    const std::vector<TChunkNode3DS*> groups = ChunksOfTag(&faces, CK_FACE_MATERIAL);
    mesh.MatGroups.clear();
    mesh.MatGroups.reserve(groups.size());
    for (TChunkNode3DS* chunk : groups) {
        TFaceMaterialData3DS data = TakeChunkData<TFaceMaterialData3DS>(stream, *chunk);
        mesh.MatGroups.push_back({std::move(data.Name), std::move(data.FaceIndices)});
    }
    if (TChunkNode3DS* smoothing = SearchSiblings(faces.children, CK_SMOOTH_GROUPS)) {
        mesh.SmoothGroups = TakeChunkData<std::vector<std::uint32_t>>(stream, *smoothing);
    }
    if (TChunkNode3DS* boxMap = SearchSiblings(faces.children, CK_BOX_MAP)) {
        TBoxMapData3DS data = TakeChunkData<TBoxMapData3DS>(stream, *boxMap);
        for (int i = 0; i < 6; ++i) mesh.BoxMap[i] = std::move(data.Names[i]);
        mesh.HasBoxMap = true;
    }
}

void ReadMeshChunk(base::MemoryStream& stream, TMesh3DS& mesh, TChunkNode3DS& chunk) {
    switch (chunk.tag) {
    case CK_VERTICES:
        mesh.Vertices = TakeChunkData<std::vector<TVector3DS>>(stream, chunk);
        break;
    case CK_VERTEX_FLAGS:
        mesh.VertFlags = TakeChunkData<std::vector<std::uint16_t>>(stream, chunk);
        break;
    case CK_FACES:
        mesh.Faces = TakeChunkData<std::vector<TFaceEntry3DS>>(stream, chunk);
        if (chunk.children != nullptr) ReadFaceSubChunks(stream, mesh, chunk);
        break;
    case CK_TEXCOORDS:
        mesh.TexCoords = TakeChunkData<std::vector<TTexCoord3DS>>(stream, chunk);
        break;
    case CK_LOCAL_MATRIX:
        mesh.LocalMatrix = TakeChunkData<TMatrix3DS>(stream, chunk);
        break;
    case CK_MESH_COLOR:
        mesh.MeshColor = TakeChunkData<std::uint8_t>(stream, chunk);
        break;
    case CK_MAP_INFO:
        mesh.MapInfo = TakeChunkData<TMapInfo3DS>(stream, chunk);
        mesh.HasMapInfo = true;
        break;
    case CK_PROC_NAME:
        mesh.ProcedureName = TakeChunkData<std::string>(stream, chunk);
        break;
    case CK_PROC_DATA:
        mesh.ProcedureData = TakeRawData(stream, chunk);
        break;
    default:
        break;
    }
}

void ReadObjectFlags(TMesh3DS& mesh, const TChunkNode3DS& namedObject) {
    for (const TChunkNode3DS* child = namedObject.children; child != nullptr; child = child->next) {
        switch (child->tag) {
        case CK_OBJ_HIDDEN: mesh.IsHidden = true; break;
        case CK_OBJ_VIS_LOFTER: mesh.IsVisLofter = true; break;
        case CK_OBJ_NO_CAST: mesh.IsNoCast = true; break;
        case CK_OBJ_MATTE: mesh.IsMatte = true; break;
        case CK_OBJ_FAST: mesh.IsFast = true; break;
        case CK_OBJ_FROZEN: mesh.IsFrozen = true; break;
        case CK_OBJ_NO_RCV_SHADOW: mesh.IsNoRcvShadow = true; break;
        case CK_OBJ_PROCEDURAL: mesh.IsProcedural = true; break;
        default: break;
        }
    }
}

}  // namespace

std::unique_ptr<TMesh3DS> ReadMesh(base::MemoryStream& stream, TChunkNode3DS& namedObject) {
    TChunkNode3DS* trimesh = SearchSiblings(namedObject.children, CK_TRIMESH);
    if (trimesh == nullptr) RaiseError3DS(kErrorNotAMesh);
    auto mesh = std::make_unique<TMesh3DS>();
    // The name stays cached in the tree for the object name list.
    mesh->Name = ChunkData<std::string>(stream, namedObject);
    for (TChunkNode3DS* chunk = trimesh->children; chunk != nullptr; chunk = chunk->next) {
        ReadMeshChunk(stream, *mesh, *chunk);
    }
    ReadObjectFlags(*mesh, namedObject);
    return mesh;
}

}  // namespace model3ds
