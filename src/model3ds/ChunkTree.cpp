#include "ChunkTree.h"

#include <algorithm>

#include "model3ds/ChunkIds.h"
#include "ChunkLayout.h"

namespace model3ds {

namespace {

bool IsXDataEntry(std::uint16_t tag) { return tag >= CK_XDATA_ENTRY_FIRST && tag <= CK_XDATA_ENTRY_LAST; }

// Reads the headers below the top chunk. Every chunk is checked against its
// parent before it is followed, so a damaged file can neither send the reader
// outside the data nor make it loop.
class TreeBuilder {
public:
    TreeBuilder(base::MemoryStream& stream, TChunkDatabase3DS& database) : stream_(stream), database_(database) {}

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
        const TChunkLayout& layout = ChunkLayoutOf(node.tag);
        switch (layout.own) {
        case TOwnData::Fixed:
            position_ += layout.ownSize;
            break;
        case TOwnData::String:
            SkipString(end);
            break;
        case TOwnData::StringThenFixed:
            SkipString(end);
            position_ += layout.ownSize;
            break;
        case TOwnData::KeyNode:
            position_ += 2;
            if (position_ < end) SkipString(end);
            position_ += 4;
            break;
        case TOwnData::FaceList:
            if (end - position_ >= 2) {
                stream_.Seek(position_);
                position_ += 2 + std::uint64_t{stream_.ReadValue<std::uint16_t>()} * 8;
            }
            break;
        case TOwnData::Whole:
            position_ = end;
            break;
        }
        position_ = std::min(position_, end);
    }

    void SkipString(std::uint64_t end) {
        std::uint64_t consumed = 0;
        ReadString3DS(std::span(stream_.Bytes()).subspan(position_, end - position_), consumed);
        position_ += consumed;
    }

    base::MemoryStream& stream_;
    TChunkDatabase3DS& database_;
    // Where the next header starts; the stream is moved there before each read.
    std::uint64_t position_ = 0;
};

}  // namespace

bool IsAcceptedTop(std::uint16_t tag) { return tag == CK_MAIN || tag == CK_PROJECT || tag == CK_MATLIB; }

bool IsPureContainer(std::uint16_t tag) {
    const TChunkLayout& layout = ChunkLayoutOf(tag);
    return layout.own == TOwnData::Fixed && layout.ownSize == 0 && layout.payload == TPayloadType::None;
}

TChunkNode3DS& TChunkDatabase3DS::NewNode() { return nodes.emplace_back(); }

void TChunkDatabase3DS::FreeTree() {
    top = nullptr;
    nodes.clear();
    objectNames.Entries.clear();
    materialNames.Entries.clear();
}

bool LoadChunkTree(base::MemoryStream& stream, TChunkDatabase3DS& database) {
    TreeBuilder builder(stream, database);
    TChunkNode3DS& top = builder.ReadTop();
    database.top = &top;
    if (!IsAcceptedTop(top.tag)) return false;
    if (top.length < 6 || top.End() > stream.Size()) RaiseInvalidChunk();
    builder.ReadChildren(top, 0);
    return true;
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

TRawData3DS TakeRawData(base::MemoryStream& stream, TChunkNode3DS& node) {
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
