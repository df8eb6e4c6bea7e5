// The keyframer's records, read from the chunk tree. Every payload is freed
// after use, so the tree is left as the mesh and material lists expect it.
#include "model3ds/Keyframer.h"

#include "ChunkTree.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"

namespace model3ds {

namespace {

bool IsNodeTag(std::uint16_t tag) { return tag >= CK_NODE_OBJECT && tag <= CK_NODE_SPOT; }

class TKeyframerReader {
public:
    TKeyframerReader(base::MemoryStream& stream, TKeyframer3DS& keyframer) : stream_(stream), keyframer_(keyframer) {}

    // The payload of the first direct child of parent with the tag, moved out of
    // the tree; false when there is none or it is damaged (with a warning).
    template <typename T>
    bool Take(TChunkNode3DS& parent, std::uint16_t tag, T& value, const std::string& what) {
        TChunkNode3DS* chunk = SearchSiblings(parent.children, tag);
        if (chunk == nullptr) return false;
        try {
            value = TakeChunkData<T>(stream_, *chunk);
            return true;
        } catch (const E3DSError&) {
            FreeChunkData(*chunk);
            keyframer_.Warnings.push_back(what + " is damaged and was left out");
            return false;
        }
    }

    TKFNode3DS ReadNode(TChunkNode3DS& chunk) {
        TKFNode3DS node;
        node.Tag = chunk.tag;
        TNodeHeaderData3DS header;
        if (Take(chunk, CK_NODE_HEADER, header, "a keyframer node header")) {
            node.Name = header.Name;
            node.Flags1 = header.Flags1;
            node.Flags2 = header.Flags2;
            node.ParentId = header.ParentId;
        }
        const std::string what = "keyframer node \"" + node.Name + "\": its ";
        Take(chunk, CK_NODE_ID, node.Id, what + "node id");
        Take(chunk, CK_INSTANCE_NAME, node.Instance, what + "instance name");
        Take(chunk, CK_PIVOT, node.Pivot, what + "pivot");
        Take(chunk, CK_POS_TRACK, node.Position, what + "position track");
        Take(chunk, CK_ROT_TRACK, node.Rotation, what + "rotation track");
        Take(chunk, CK_SCL_TRACK, node.Scale, what + "scale track");
        Take(chunk, CK_ROLL_TRACK, node.Roll, what + "roll track");
        Take(chunk, CK_HIDE_TRACK, node.Hide, what + "hide track");
        return node;
    }

private:
    base::MemoryStream& stream_;
    TKeyframer3DS& keyframer_;
};

}  // namespace

TKeyframer3DS ReadKeyframer(TFile3DS& model) {
    TKeyframer3DS keyframer;
    TChunkNode3DS* chunk = SearchTree(model.Database().top, CK_KEYFRAMER);
    if (chunk == nullptr) return keyframer;
    keyframer.Present = true;
    TKeyframerReader reader(model.Source(), keyframer);
    TSegmentData3DS segment;
    if (reader.Take(*chunk, CK_KF_SEGMENT, segment, "the keyframer segment")) {
        keyframer.SegmentStart = segment.Start;
        keyframer.SegmentEnd = segment.End;
    }
    reader.Take(*chunk, CK_KF_CURRENT_TIME, keyframer.CurrentFrame, "the keyframer's current frame");
    bool unnumbered = false;
    for (TChunkNode3DS* child = chunk->children; child != nullptr; child = child->next) {
        if (!IsNodeTag(child->tag)) continue;
        keyframer.Nodes.push_back(reader.ReadNode(*child));
        unnumbered = unnumbered || keyframer.Nodes.back().Id == -1;
    }
    // As the parent-naming step does: without an id on every node, ids are positions.
    if (unnumbered) {
        for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
            keyframer.Nodes[i].Id = static_cast<std::int16_t>(i);
        }
    }
    return keyframer;
}

}  // namespace model3ds
