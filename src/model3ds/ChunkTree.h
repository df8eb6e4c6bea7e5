#pragma once
// The chunk tree of a 3D Studio file: one node per chunk, built from the headers
// alone; payloads are read into the nodes on demand (ChunkData.h).
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "ChunkData.h"
#include "Errors3DS.h"

namespace model3ds {

struct TChunkNode3DS {
    std::uint16_t tag = 0;
    std::uint32_t length = 0;    // the whole chunk with its header and sub-chunks
    std::uint32_t position = 0;  // stream offset of the header
    std::unique_ptr<TChunkData3DS> data;  // payload once read; null before and after FreeChunkData
    TChunkNode3DS* next = nullptr;      // next sibling in file order
    TChunkNode3DS* children = nullptr;  // first sub-chunk

    std::uint64_t End() const { return std::uint64_t{position} + length; }
};

// The node's payload as T, read first if needed; the invalid-chunk error when the
// chunk holds no payload of that type (a container, or a chunk too short for one).
template <typename T>
T& ChunkData(base::MemoryStream& stream, TChunkNode3DS& node) {
    ReadChunkData(stream, node);
    T* value = node.data ? std::get_if<T>(node.data.get()) : nullptr;
    if (value == nullptr) RaiseInvalidChunk();
    return *value;
}

// Moves the payload of type T out of the chunk and releases the chunk's payload.
template <typename T>
T TakeChunkData(base::MemoryStream& stream, TChunkNode3DS& node) {
    T value = std::move(ChunkData<T>(stream, node));
    FreeChunkData(node);
    return value;
}

// The raw payload moved out of the chunk; empty for a chunk without payload bytes.
TRawData3DS TakeRawData(base::MemoryStream& stream, TChunkNode3DS& node);

// True for the tags whose chunks have no payload of their own, only sub-chunks.
bool IsPureContainer(std::uint16_t tag);

struct TNameEntry3DS {
    std::string Name;
    TChunkNode3DS* chunk = nullptr;  // the named chunk, owned by the tree
};

struct TNameList3DS {
    std::vector<TNameEntry3DS> Entries;
};

struct TChunkDatabase3DS {
    TChunkNode3DS* top = nullptr;  // root of the tree, or null when nothing is loaded
    bool objectsDirty = true;
    bool materialsDirty = true;
    TNameList3DS objectNames;
    TNameList3DS materialNames;
    // Every node of the tree. The links between nodes are plain pointers into this
    // store, so a deep or long tree is released without recursion.
    std::deque<TChunkNode3DS> nodes;

    TChunkNode3DS& NewNode();
    // Releases the tree and both name lists; the dirty flags stay as they are.
    void FreeTree();
};

// Nesting deeper than this is taken for a corrupt file; real files nest about eight levels.
inline constexpr int kMaxChunkDepth = 64;

// True for the tags a model's file begins with; a file that begins otherwise
// loads as an empty model.
bool IsAcceptedTop(std::uint16_t tag);

// Reads the chunk headers of the stream into a fresh tree (the database must be
// empty); whether its top is a model's, whose chunks below it were read. Raises
// the stream's read error for a file shorter than one header and E3DSError for a
// chunk that does not fit its parent.
bool LoadChunkTree(base::MemoryStream& stream, TChunkDatabase3DS& database);

// node itself or the first chunk of the tag below it, depth first; null for a null node.
TChunkNode3DS* SearchTree(TChunkNode3DS* node, std::uint16_t tag);
// node or the first of its following siblings with the tag, or null.
TChunkNode3DS* SearchSiblings(TChunkNode3DS* node, std::uint16_t tag);
// The first chunk of the tag below parent (SearchTree), then each following
// sibling of that chunk with the same tag.
std::vector<TChunkNode3DS*> ChunksOfTag(TChunkNode3DS* parent, std::uint16_t tag);

// Builds the name lists if they are dirty.
void UpdateObjectNames(base::MemoryStream& stream, TChunkDatabase3DS& database);
void UpdateMaterialNames(base::MemoryStream& stream, TChunkDatabase3DS& database);

}  // namespace model3ds
