#pragma once
// The payload layout of every chunk tag the reader knows, in one table: how the
// tree builder steps over a chunk's own payload to its sub-chunks, and what
// ReadChunkData makes of that payload.
#include <cstdint>

namespace model3ds {

// How much of a chunk, after its header, is its own payload.
enum class TOwnData : std::uint8_t {
    Fixed,            // ownSize bytes (0 for a pure container)
    String,           // a zero-terminated string
    StringThenFixed,  // a string, then ownSize bytes
    KeyNode,          // a 2-byte revision, a string, then 4 bytes
    FaceList,         // a count, then count faces of 8 bytes
    Whole,            // everything up to the chunk's end
};

// The record ReadChunkData reads from a payload.
enum class TPayloadType : std::uint8_t {
    None,  // no payload: a container, or a chunk that only the keyframer step fills
    String,
    Vertices,
    VertexFlags,
    Faces,
    FaceMaterial,
    TexCoords,
    SmoothGroups,
    Matrix,
    Byte,
    MapInfo,
    BoxMap,
    Color24,
    ColorFloat,
    Int16,
    UInt16,
    Float,
    AutoReflect,
    NodeHeader,
    Segment,
    Int32,
    Vector,
    Track,
    Raw,  // the payload's bytes as they stand; none when it is empty
};

struct TChunkLayout {
    std::uint16_t tag;
    TOwnData own;
    std::uint32_t ownSize;
    TPayloadType payload;
};

// The layout of tag; a tag not in the table is a leaf whose bytes are kept raw.
const TChunkLayout& ChunkLayoutOf(std::uint16_t tag);

}  // namespace model3ds
