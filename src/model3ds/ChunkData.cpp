#include "ChunkData.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "ChunkLayout.h"
#include "model3ds/ChunkIds.h"
#include "ChunkTree.h"

namespace model3ds {

static_assert(std::endian::native == std::endian::little, "payloads are read straight into little-endian records");
static_assert(sizeof(TVector3DS) == 12 && sizeof(TTexCoord3DS) == 8 && sizeof(TFaceEntry3DS) == 8);
static_assert(sizeof(TMatrix3DS) == 48);

namespace {

// Reads the payload of one chunk straight from the model's bytes in memory, never
// past the chunk's end: each value or array is copied once, into its record.
class PayloadReader {
public:
    PayloadReader(const base::MemoryStream& stream, const TChunkNode3DS& node) {
        const std::vector<std::uint8_t>& bytes = stream.Bytes();
        const std::uint64_t start = std::uint64_t{node.position} + 6;
        if (node.length < 6 || node.End() > bytes.size()) RaiseInvalidChunk();
        next_ = bytes.data() + start;
        left_ = node.length - 6u;
    }

    std::uint64_t Left() const { return left_; }

    template <typename T>
    T Value() {
        T value;
        std::memcpy(&value, Take(sizeof(T)), sizeof(T));
        return value;
    }

    // count elements of T in one block.
    template <typename T>
    std::vector<T> Array(std::uint64_t count) {
        const std::uint8_t* from = Take(count * sizeof(T));
        std::vector<T> values(static_cast<std::size_t>(count));
        if (count != 0) std::memcpy(values.data(), from, values.size() * sizeof(T));
        return values;
    }

    std::string String() {
        std::uint64_t consumed = 0;
        std::string text = ReadString3DS({next_, static_cast<std::size_t>(left_)}, consumed);
        Take(consumed);
        return text;
    }

    TColor3DS FloatColor() {
        TColor3DS color;
        color.r = Value<float>();
        color.g = Value<float>();
        color.b = Value<float>();
        return color;
    }

    TVector3DS Vector() {
        TVector3DS vector;
        vector.x = Value<float>();
        vector.y = Value<float>();
        vector.z = Value<float>();
        return vector;
    }

    void Skip(std::uint64_t count) { Take(count); }

    TMatrix3DS Matrix() {
        TMatrix3DS matrix;
        std::memcpy(matrix.m, Take(sizeof matrix.m), sizeof matrix.m);
        return matrix;
    }

private:
    // The next count bytes, which the reader then moves past.
    const std::uint8_t* Take(std::uint64_t count) {
        if (count > left_) RaiseInvalidChunk();
        const std::uint8_t* taken = next_;
        next_ += count;
        left_ -= count;
        return taken;
    }

    const std::uint8_t* next_ = nullptr;
    std::uint64_t left_ = 0;
};

template <typename T>
std::vector<T> CountedArray(PayloadReader& reader) {
    const auto count = reader.Value<std::uint16_t>();
    return reader.Array<T>(count);
}

TMapInfo3DS ReadMapInfo(PayloadReader& reader) {
    TMapInfo3DS info;
    info.MapType = reader.Value<std::int16_t>();
    info.TileX = reader.Value<float>();
    info.TileY = reader.Value<float>();
    info.IconPos = reader.Vector();
    info.IconScaling = reader.Value<float>();
    info.IconMatrix = reader.Matrix();
    info.PlanarIconWidth = reader.Value<float>();
    info.PlanarIconHeight = reader.Value<float>();
    info.CylIconHeight = reader.Value<float>();
    return info;
}

TFaceMaterialData3DS ReadFaceMaterial(PayloadReader& reader) {
    TFaceMaterialData3DS group;
    group.Name = reader.String();
    group.FaceIndices = CountedArray<std::uint16_t>(reader);
    return group;
}

TBoxMapData3DS ReadBoxMap(PayloadReader& reader) {
    TBoxMapData3DS box;
    for (std::string& name : box.Names) name = reader.String();
    return box;
}

TColor24Data3DS ReadColor24(PayloadReader& reader) {
    TColor24Data3DS color;
    color.r = reader.Value<std::uint8_t>();
    color.g = reader.Value<std::uint8_t>();
    color.b = reader.Value<std::uint8_t>();
    return color;
}

TAutoReflectData3DS ReadAutoReflect(PayloadReader& reader) {
    TAutoReflectData3DS data;
    data.Reserved1 = reader.Value<std::uint8_t>();
    data.Reserved2 = reader.Value<std::uint8_t>();
    data.Flags = reader.Value<std::uint16_t>();
    data.Size = reader.Value<std::int32_t>();
    data.FrameStep = reader.Value<std::int32_t>();
    return data;
}

TNodeHeaderData3DS ReadNodeHeader(PayloadReader& reader) {
    TNodeHeaderData3DS header;
    header.Name = reader.String();
    header.Flags1 = reader.Value<std::uint16_t>();
    header.Flags2 = reader.Value<std::uint16_t>();
    header.ParentId = reader.Value<std::int16_t>();
    return header;
}

TSegmentData3DS ReadSegment(PayloadReader& reader) {
    TSegmentData3DS segment;
    segment.Start = reader.Value<std::int32_t>();
    segment.End = reader.Value<std::int32_t>();
    return segment;
}

int KeyValueCount(std::uint16_t tag) {
    switch (tag) {
    case CK_ROT_TRACK: return 4;
    case CK_POS_TRACK:
    case CK_SCL_TRACK:
    case CK_COL_TRACK: return 3;
    case CK_HIDE_TRACK: return 0;
    default: return 1;
    }
}

// Flags, two words no reader uses, the key count, then the keys: frame, spline
// flags, the spline parameters those flags name, and the value. A count that the
// chunk cannot hold is a damaged chunk, refused before anything is allocated.
TKFTrack3DS ReadTrack(PayloadReader& reader, std::uint16_t tag) {
    constexpr std::uint64_t kSmallestKey = 6;
    TKFTrack3DS track;
    track.Flags = reader.Value<std::uint16_t>();
    reader.Skip(8);
    const auto count = reader.Value<std::uint32_t>();
    const int values = KeyValueCount(tag);
    if (count > reader.Left() / (kSmallestKey + 4u * static_cast<unsigned>(values))) RaiseInvalidChunk();
    track.Keys.resize(count);
    for (TKFKey3DS& key : track.Keys) {
        key.Frame = reader.Value<std::int32_t>();
        key.SplineFlags = reader.Value<std::uint16_t>();
        float* parameters[] = {&key.Spline.Tension, &key.Spline.Continuity, &key.Spline.Bias, &key.Spline.EaseTo,
                               &key.Spline.EaseFrom};
        for (unsigned bit = 0; bit < 5; ++bit) {
            if (key.SplineFlags & (1u << bit)) *parameters[bit] = reader.Value<float>();
        }
        for (int i = 0; i < values; ++i) key.Value[i] = reader.Value<float>();
    }
    return track;
}

// One entry per face; more than a face list can index are never needed.
std::vector<std::uint32_t> ReadSmoothGroups(PayloadReader& reader) {
    return reader.Array<std::uint32_t>(std::min<std::uint64_t>(reader.Left() / 4, 0xFFFF));
}

// Null for chunks without a payload: containers, the parent name (which only the
// keyframer step fills), and empty chunks of unknown layout such as flags.
std::optional<TChunkData3DS> ReadPayload(PayloadReader& reader, std::uint16_t tag) {
    switch (ChunkLayoutOf(tag).payload) {
    case TPayloadType::None: return std::nullopt;
    case TPayloadType::String: return reader.String();
    case TPayloadType::Vertices: return CountedArray<TVector3DS>(reader);
    case TPayloadType::VertexFlags: return CountedArray<std::uint16_t>(reader);
    case TPayloadType::Faces: return CountedArray<TFaceEntry3DS>(reader);
    case TPayloadType::FaceMaterial: return ReadFaceMaterial(reader);
    case TPayloadType::TexCoords: return CountedArray<TTexCoord3DS>(reader);
    case TPayloadType::SmoothGroups: return ReadSmoothGroups(reader);
    case TPayloadType::Matrix: return reader.Matrix();
    case TPayloadType::Byte: return reader.Value<std::uint8_t>();
    case TPayloadType::MapInfo: return ReadMapInfo(reader);
    case TPayloadType::BoxMap: return ReadBoxMap(reader);
    case TPayloadType::Color24: return ReadColor24(reader);
    case TPayloadType::ColorFloat: return reader.FloatColor();
    case TPayloadType::Int16: return reader.Value<std::int16_t>();
    case TPayloadType::UInt16: return reader.Value<std::uint16_t>();
    case TPayloadType::Float: return reader.Value<float>();
    case TPayloadType::AutoReflect: return ReadAutoReflect(reader);
    case TPayloadType::NodeHeader: return ReadNodeHeader(reader);
    case TPayloadType::Segment: return ReadSegment(reader);
    case TPayloadType::Int32: return reader.Value<std::int32_t>();
    case TPayloadType::Vector: return reader.Vector();
    case TPayloadType::Track: return ReadTrack(reader, tag);
    case TPayloadType::Raw: break;
    }
    if (reader.Left() == 0) return std::nullopt;
    return reader.Array<std::uint8_t>(reader.Left());
}

}  // namespace

void ReadChunkData(base::MemoryStream& stream, TChunkNode3DS& node) {
    if (node.data) return;
    PayloadReader reader(stream, node);
    std::optional<TChunkData3DS> payload = ReadPayload(reader, node.tag);
    if (payload) node.data = std::make_unique<TChunkData3DS>(std::move(*payload));
}

void FreeChunkData(TChunkNode3DS& node) { node.data.reset(); }

std::string ReadString3DS(std::span<const std::uint8_t> bytes, std::uint64_t& consumed) {
    constexpr std::size_t kMaxName = 255;
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    const std::size_t used = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes.data())
                                  : bytes.size();
    consumed = zero ? used + 1 : used;
    return std::string(reinterpret_cast<const char*>(bytes.data()), std::min(used, kMaxName));
}

}  // namespace model3ds
