#pragma once
// Payloads of chunks, read on demand into the chunk tree. Each tag the reader
// knows has one payload type; tags it does not know keep their raw bytes.
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Keyframer.h"
#include "model3ds/Records.h"

namespace model3ds {

struct TChunkNode3DS;

struct TFaceMaterialData3DS {  // CK_FACE_MATERIAL
    std::string Name;
    std::vector<std::uint16_t> FaceIndices;
};

struct TBoxMapData3DS {  // CK_BOX_MAP
    std::string Names[6];
};

struct TColor24Data3DS {  // CK_COLOR_24, CK_COLOR_24_LINEAR, the map tints
    std::uint8_t r = 0, g = 0, b = 0;
};

struct TAutoReflectData3DS {  // CK_MAT_AUTO_REFLECT
    std::uint8_t Reserved1 = 0, Reserved2 = 0;
    std::uint16_t Flags = 0;
    std::int32_t Size = 0;
    std::int32_t FrameStep = 0;
};

struct TNodeHeaderData3DS {  // CK_NODE_HEADER
    std::string Name;
    std::uint16_t Flags1 = 0, Flags2 = 0;
    std::int16_t ParentId = 0;
};

struct TSegmentData3DS {  // CK_KF_SEGMENT
    std::int32_t Start = 0, End = 0;
};

using TRawData3DS = std::vector<std::uint8_t>;

using TChunkData3DS = std::variant<
    std::string,                   // names and file names
    std::vector<TVector3DS>,       // CK_VERTICES
    std::vector<std::uint16_t>,    // CK_VERTEX_FLAGS
    std::vector<TFaceEntry3DS>,    // CK_FACES
    TFaceMaterialData3DS,
    std::vector<TTexCoord3DS>,     // CK_TEXCOORDS
    std::vector<std::uint32_t>,    // CK_SMOOTH_GROUPS
    TMatrix3DS,                    // CK_LOCAL_MATRIX
    std::uint8_t,                  // CK_MESH_COLOR
    TMapInfo3DS,                   // CK_MAP_INFO
    TBoxMapData3DS,
    TColor24Data3DS,
    TColor3DS,                     // CK_COLOR_FLOAT, CK_COLOR_FLOAT_LINEAR
    std::int16_t,                  // percentages, shading, bump percent, node id
    std::uint16_t,                 // CK_MAP_FLAGS
    float,                         // CK_PERCENT_FLOAT, wire size, map blur, scales, offsets, rotation
    TAutoReflectData3DS,
    TRawData3DS,                   // procedure data, extra data, unknown tags
    TNodeHeaderData3DS,
    TSegmentData3DS,
    std::int32_t,                  // CK_KF_CURRENT_TIME
    TVector3DS,                    // CK_PIVOT
    TKFTrack3DS>;

// Reads the node's payload from the stream unless it is already there. Pure
// containers and empty chunks get none. Raises E3DSError when the payload does
// not fit the chunk.
void ReadChunkData(base::MemoryStream& stream, TChunkNode3DS& node);
void FreeChunkData(TChunkNode3DS& node);

// Reads a zero-terminated string from the front of bytes: the text keeps at most
// 255 bytes; consumed counts the bytes up to and with the terminator, or all of
// them when there is none.
std::string ReadString3DS(std::span<const std::uint8_t> bytes, std::uint64_t& consumed);

}  // namespace model3ds
