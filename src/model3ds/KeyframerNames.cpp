// The last step of a load: every keyframer node learns the name of its parent
// node, as "name" or "name.instance", in a parent-name chunk below its header.
#include "KeyframerNames.h"

#include <unordered_map>

#include "model3ds/ChunkIds.h"

namespace model3ds {

namespace {

struct TKFNodeEntry3DS {
    std::int16_t id = 0;
    std::uint16_t tag = 0;
    std::string name;
    std::string instance;
    std::int16_t parent = 0;
};

constexpr std::uint16_t kNodeTags[] = {CK_NODE_TARGET, CK_NODE_OBJECT, CK_NODE_CAMERA,
                                       CK_NODE_LIGHT,  CK_NODE_LIGHT_TARGET, CK_NODE_SPOT};

bool IsNodeTag(std::uint16_t tag) {
    for (std::uint16_t nodeTag : kNodeTags) {
        if (tag == nodeTag) return true;
    }
    return false;
}

std::int16_t ReadNodeId(base::MemoryStream& stream, TChunkNode3DS& idChunk) {
    const std::int16_t id = ChunkData<std::int16_t>(stream, idChunk);
    FreeChunkData(idChunk);
    return id;
}

TKFNodeEntry3DS ReadEntry(base::MemoryStream& stream, TChunkNode3DS& node) {
    TKFNodeEntry3DS entry;
    TChunkNode3DS* header = SearchTree(&node, CK_NODE_HEADER);
    if (header == nullptr) return entry;
    const TNodeHeaderData3DS& data = ChunkData<TNodeHeaderData3DS>(stream, *header);
    entry.name = data.Name;
    entry.parent = data.ParentId;
    FreeChunkData(*header);
    TChunkNode3DS* idChunk = SearchTree(&node, CK_NODE_ID);
    entry.id = idChunk ? ReadNodeId(stream, *idChunk) : -1;
    entry.tag = node.tag;
    if (node.tag == CK_NODE_OBJECT) {
        if (TChunkNode3DS* instance = SearchTree(&node, CK_INSTANCE_NAME)) {
            entry.instance = ChunkData<std::string>(stream, *instance);
            FreeChunkData(*instance);
        }
    }
    return entry;
}

// The entries by node id; of entries with the same id, the first in file order.
class TKFNodeIndex3DS {
public:
    explicit TKFNodeIndex3DS(const std::vector<TKFNodeEntry3DS>& entries) {
        byId_.reserve(entries.size());
        for (const TKFNodeEntry3DS& entry : entries) byId_.emplace(entry.id, &entry);
    }

    const TKFNodeEntry3DS* Find(std::int16_t id) const {
        const auto found = byId_.find(id);
        return found == byId_.end() ? nullptr : found->second;
    }

private:
    std::unordered_map<std::int16_t, const TKFNodeEntry3DS*> byId_;
};

void StoreParentName(TChunkDatabase3DS& database, TChunkNode3DS& header, const std::string& text) {
    TChunkNode3DS* last = nullptr;
    for (TChunkNode3DS* child = header.children; child != nullptr; child = child->next) {
        if (child->tag == CK_PARENT_NAME) {
            if (child->data) *child->data = text;
            return;
        }
        last = child;
    }
    TChunkNode3DS& name = database.NewNode();
    name.tag = CK_PARENT_NAME;
    name.position = header.position;
    name.length = static_cast<std::uint32_t>(6 + text.size() + 1);
    name.data = std::make_unique<TChunkData3DS>(text);
    (last ? last->next : header.children) = &name;
}

void NameNode(base::MemoryStream& stream, TChunkDatabase3DS& database, const TKFNodeIndex3DS& entries,
              TChunkNode3DS& node) {
    TChunkNode3DS* header = SearchTree(&node, CK_NODE_HEADER);
    TChunkNode3DS* idChunk = SearchTree(&node, CK_NODE_ID);
    if (header == nullptr || idChunk == nullptr) return;
    const TKFNodeEntry3DS* entry = entries.Find(ReadNodeId(stream, *idChunk));
    if (entry == nullptr || entry->parent == -1) return;
    const TKFNodeEntry3DS* parent = entries.Find(entry->parent);
    if (parent == nullptr || parent->name.empty()) return;
    StoreParentName(database, *header, parent->instance.empty() ? parent->name : parent->name + "." + parent->instance);
}

}  // namespace

void NameKeyframerNodes(base::MemoryStream& stream, TChunkDatabase3DS& database) {
    TChunkNode3DS* keyframer = SearchTree(database.top, CK_KEYFRAMER);
    if (keyframer == nullptr) return;
    std::vector<TKFNodeEntry3DS> entries;
    for (TChunkNode3DS* child = keyframer->children; child != nullptr; child = child->next) {
        if (IsNodeTag(child->tag)) entries.push_back(ReadEntry(stream, *child));
    }
    bool unnumbered = false;
    for (const TKFNodeEntry3DS& entry : entries) unnumbered = unnumbered || entry.id == -1;
    if (unnumbered) {
        for (std::size_t i = 0; i < entries.size(); ++i) entries[i].id = static_cast<std::int16_t>(i);
    }
    const TKFNodeIndex3DS index(entries);
    for (std::uint16_t tag : kNodeTags) {
        for (TChunkNode3DS* node : ChunksOfTag(keyframer, tag)) NameNode(stream, database, index, *node);
    }
}

}  // namespace model3ds
