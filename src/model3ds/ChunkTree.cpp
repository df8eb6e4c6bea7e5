#include "model3ds/ChunkTree.h"

#include <algorithm>

#include "model3ds/ChunkIds.h"

namespace model3ds {

namespace {

// How much of a chunk, after its header, is its own payload.
struct OwnData {
    enum Kind { Fixed, String, StringThenFixed, KeyNode, FaceList, Whole };
    Kind kind;
    std::uint32_t size = 0;  // Fixed: the payload; StringThenFixed: the bytes after the string
};

OwnData OwnDataOf(std::uint16_t tag) {
    if (IsPureContainer(tag)) return {OwnData::Fixed, 0};
    switch (tag) {
    case 0x0030: case 0x1420: case 0x1430: case 0xB030:
        return {OwnData::Fixed, 2};
    case 0x0011:
        return {OwnData::Fixed, 3};
    case 0x0002: case 0x0031: case 0x0100: case 0x1300: case 0x1400: case 0x1410: case 0x3D3E: case 0xB009:
    case 0xB015: case 0xD000:
        return {OwnData::Fixed, 4};
    case 0xB008:
        return {OwnData::Fixed, 8};
    case 0x4641:
        return {OwnData::Fixed, 10};
    case 0x0010: case 0x1500: case 0x4600: case 0xA310: case 0xB013:
        return {OwnData::Fixed, 12};
    case 0x7001:
        return {OwnData::Fixed, 14};
    case 0x2200: case 0x2300: case 0x2302: case 0x3010: case 0x3020: case 0x3030: case 0x3040: case 0x3050:
    case 0x3060:
        return {OwnData::Fixed, 16};
    case 0x4610:
        return {OwnData::Fixed, 20};
    case 0xB014:
        return {OwnData::Fixed, 24};
    case 0x3070:
        return {OwnData::Fixed, 28};
    case 0x4700:
        return {OwnData::Fixed, 32};
    case 0x4160:
        return {OwnData::Fixed, 48};
    case 0x1100: case 0x3080: case 0x4000: case 0x4181: case 0xA000: case 0xA300: case 0xB011:
        return {OwnData::String};
    case 0xB010:
        return {OwnData::StringThenFixed, 6};
    case 0xB00A:
        return {OwnData::KeyNode};
    case 0x4120:
        return {OwnData::FaceList};
    default:
        return {OwnData::Whole};
    }
}

bool IsXDataEntry(std::uint16_t tag) { return tag >= CK_XDATA_ENTRY_FIRST && tag <= CK_XDATA_ENTRY_LAST; }

// Reads the headers below the top chunk. Every chunk is checked against its
// parent before it is followed, so a damaged file can neither send the reader
// outside the data nor make it loop.
class TreeBuilder {
public:
    TreeBuilder(base::Stream& stream, TChunkDatabase3DS& database) : stream_(stream), database_(database) {}

    void ReadChildren(TChunkNode3DS& node, int depth) {
        if (depth > kMaxChunkDepth) RaiseInvalidChunk();
        SkipOwnData(node);
        const std::uint64_t end = node.End();
        TChunkNode3DS* last = nullptr;
        while (position_ < end) {
            if (end - position_ < 6) RaiseInvalidChunk();
            TChunkNode3DS& child = ReadHeader();
            if (child.length < 6 || child.End() > end) RaiseInvalidChunk();
            Append(node, last, child);
            if (child.tag == CK_XDATA_SECTION) {
                ReadXDataChildren(child);
            } else {
                ReadChildren(child, depth + 1);
            }
        }
    }

    TChunkNode3DS& ReadTop() {
        position_ = 0;
        stream_.Seek(0);
        return ReadHeader();
    }

private:
    TChunkNode3DS& ReadHeader() {
        TChunkNode3DS& node = database_.NewNode();
        node.position = static_cast<std::uint32_t>(position_);
        PeekHeader(node.tag, node.length);
        position_ += 6;
        return node;
    }

    // Reads the header at the current position without making a node of it.
    void PeekHeader(std::uint16_t& tag, std::uint32_t& length) {
        std::uint8_t header[6];
        stream_.Seek(position_);
        stream_.ReadBuffer(header, sizeof header);
        tag = static_cast<std::uint16_t>(header[0] | header[1] << 8);
        length = std::uint32_t{header[2]} | std::uint32_t{header[3]} << 8 | std::uint32_t{header[4]} << 16 |
                 std::uint32_t{header[5]} << 24;
    }

    static void Append(TChunkNode3DS& parent, TChunkNode3DS*& last, TChunkNode3DS& child) {
        (last ? last->next : parent.children) = &child;
        last = &child;
    }

    // An extended data section holds entries 0x8002..0x800F, all leaves. Anything
    // else ends the section; an entry that overruns it is passed over.
    void ReadXDataChildren(TChunkNode3DS& section) {
        const std::uint64_t end = section.End();
        TChunkNode3DS* last = nullptr;
        while (end - position_ >= 6) {
            std::uint16_t tag;
            std::uint32_t length;
            PeekHeader(tag, length);
            if (!IsXDataEntry(tag)) break;
            if (position_ + length > end) {
                position_ += 6;
                continue;
            }
            if (length < 6) RaiseInvalidChunk();
            TChunkNode3DS& entry = ReadHeader();
            Append(section, last, entry);
            position_ = entry.End();
        }
        position_ = end;
    }

    // Moves past the chunk's own payload onto its first sub-chunk. A payload that
    // claims more than the chunk holds ends at the chunk's end.
    void SkipOwnData(const TChunkNode3DS& node) {
        const std::uint64_t end = node.End();
        const OwnData own = OwnDataOf(node.tag);
        switch (own.kind) {
        case OwnData::Fixed:
            position_ += own.size;
            break;
        case OwnData::String:
            SkipString(end);
            break;
        case OwnData::StringThenFixed:
            SkipString(end);
            position_ += own.size;
            break;
        case OwnData::KeyNode:
            position_ += 2;
            if (position_ < end) SkipString(end);
            position_ += 4;
            break;
        case OwnData::FaceList:
            if (end - position_ >= 2) {
                stream_.Seek(position_);
                position_ += 2 + std::uint64_t{stream_.ReadValue<std::uint16_t>()} * 8;
            }
            break;
        case OwnData::Whole:
            position_ = end;
            break;
        }
        position_ = std::min(position_, end);
    }

    void SkipString(std::uint64_t end) {
        std::uint64_t consumed = 0;
        stream_.Seek(position_);
        ReadString3DS(stream_, end - position_, consumed);
        position_ += consumed;
    }

    base::Stream& stream_;
    TChunkDatabase3DS& database_;
    // Where the next header starts; the stream is moved there before each read.
    std::uint64_t position_ = 0;
};

bool IsAcceptedTop(std::uint16_t tag) { return tag == CK_MAIN || tag == CK_PROJECT || tag == CK_MATLIB; }

}  // namespace

bool IsPureContainer(std::uint16_t tag) {
    switch (tag) {
    case 0x1200: case 0x2100: case 0x2D2D: case 0x2D3D: case 0x3000: case 0x3D3D: case 0x3DAA: case 0x3DFF:
    case 0x4100: case 0x4D4D: case 0x8000: case 0x8001: case 0xA010: case 0xA020: case 0xA030: case 0xA040:
    case 0xA041: case 0xA042: case 0xA050: case 0xA052: case 0xA053: case 0xA084: case 0xA200: case 0xA204:
    case 0xA210: case 0xA220: case 0xA230: case 0xA33A: case 0xA33C: case 0xA33D: case 0xA33E: case 0xA340:
    case 0xA342: case 0xA344: case 0xA346: case 0xA348: case 0xA34A: case 0xA34C: case 0xAFFF: case 0xB000:
    case 0xB001: case 0xB002: case 0xB003: case 0xB004: case 0xB005: case 0xB006: case 0xB007: case 0xC23D:
        return true;
    default:
        return false;
    }
}

TChunkNode3DS& TChunkDatabase3DS::NewNode() { return nodes.emplace_back(); }

void TChunkDatabase3DS::FreeTree() {
    top = nullptr;
    nodes.clear();
    objectNames.Entries.clear();
    materialNames.Entries.clear();
}

void LoadChunkTree(base::Stream& stream, TChunkDatabase3DS& database) {
    TreeBuilder builder(stream, database);
    TChunkNode3DS& top = builder.ReadTop();
    database.top = &top;
    if (!IsAcceptedTop(top.tag)) return;
    if (top.length < 6 || top.End() > stream.Size()) RaiseInvalidChunk();
    builder.ReadChildren(top, 0);
    NameKeyframerNodes(stream, database);
}

TChunkNode3DS* SearchTree(TChunkNode3DS* node, std::uint16_t tag) {
    if (node == nullptr || node->tag == tag) return node;
    for (TChunkNode3DS* child = node->children; child != nullptr; child = child->next) {
        if (TChunkNode3DS* found = SearchTree(child, tag)) return found;
    }
    return nullptr;
}

TChunkNode3DS* SearchSiblings(TChunkNode3DS* node, std::uint16_t tag) {
    while (node != nullptr && node->tag != tag) node = node->next;
    return node;
}

TRawData3DS TakeRawData(base::Stream& stream, TChunkNode3DS& node) {
    ReadChunkData(stream, node);
    return node.data ? TakeChunkData<TRawData3DS>(stream, node) : TRawData3DS();
}

std::vector<TChunkNode3DS*> ChunksOfTag(TChunkNode3DS* parent, std::uint16_t tag) {
    std::vector<TChunkNode3DS*> chunks;
    for (TChunkNode3DS* chunk = SearchTree(parent, tag); chunk != nullptr; chunk = SearchSiblings(chunk->next, tag)) {
        chunks.push_back(chunk);
    }
    return chunks;
}

}  // namespace model3ds
