#pragma once
// The model database: a 3D Studio file read into a chunk tree whose payloads are
// read on demand, with cached lists of meshes and materials on top.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "base/Stream.h"
#include "model3ds/Records.h"

namespace model3ds {

// The reader's error: a corrupt or unsuitable file.
class E3DSError : public base::Exception {
public:
    using base::Exception::Exception;
};

// Sounds the error beep, then raises E3DSError with the message.
[[noreturn]] void RaiseError3DS(const std::string& message);

class TFile3DS;
struct TChunkDatabase3DS;
struct TChunkNode3DS;

class TObjectList {
public:
    explicit TObjectList(TFile3DS& owner);
    ~TObjectList();
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    void ClearList();
    int MeshTotal();
    // Null when the model has no mesh; raises base::EListError for an index out of range.
    TMesh3DS* GetMesh(int index);
    long long TotalVertices();
    long long TotalFaces();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class TMaterialList {
public:
    explicit TMaterialList(TFile3DS& owner);
    ~TMaterialList();
    TMaterialList(const TMaterialList&) = delete;
    TMaterialList& operator=(const TMaterialList&) = delete;

    void ClearList();
    int MaterialTotal();
    // Null when the model has no material; raises base::EListError for an index out of range.
    TMaterial3DS* GetMaterial(int index);
    // The index of the first material whose name is these bytes; -1 when none is.
    // The materials are read in order only as far as the lookup needs, and the
    // names read are remembered, so any number of lookups read the list once.
    int IndexOf(std::string_view name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

TVector3DS VectorMin(TVector3DS a, TVector3DS b);
TVector3DS VectorMax(TVector3DS a, TVector3DS b);

class TFile3DS {
public:
    TFile3DS();
    explicit TFile3DS(const std::string& fileName);
    ~TFile3DS();
    TFile3DS(const TFile3DS&) = delete;
    TFile3DS& operator=(const TFile3DS&) = delete;

    void LoadFromFile(const std::string& fileName);
    // Copies the stream's bytes from its current position; the stream stays the caller's.
    void LoadFromStream(base::Stream& stream);
    // Reads the model from bytes that are handed over, not copied.
    void LoadFromBytes(std::vector<std::uint8_t> bytes);
    void Clear();

    TMaterialList& MaterialList();
    TObjectList& ObjectList();
    const std::string& FileName() const;

    // For the list readers: the chunk tree (ChunkTree.h) and its payloads.
    TChunkDatabase3DS& Database();
    void ReadChunkData(TChunkNode3DS& node);
    // The payload stream; valid while a model is loaded.
    base::MemoryStream& Source();

private:
    void Load(std::unique_ptr<base::MemoryStream> source);

    std::unique_ptr<TChunkDatabase3DS> database_;
    std::unique_ptr<base::MemoryStream> source_;
    std::unique_ptr<TMaterialList> materialList_;
    std::unique_ptr<TObjectList> objectList_;
    std::string fileName_;
};

// The index of the first mesh, or material, whose name is these bytes; -1 when none is.
int FindMeshIndex(TFile3DS& model, const std::string& name);
int FindMaterialIndex(TFile3DS& model, std::string_view name);
// The first material whose name is these bytes; null when none is.
TMaterial3DS* FindMaterial(TFile3DS& model, std::string_view name);

}  // namespace model3ds
