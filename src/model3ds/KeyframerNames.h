#pragma once
// The keyframer step of a load (KeyframerNames.cpp).
#include "base/Stream.h"
#include "ChunkTree.h"

namespace model3ds {

// Gives every keyframer node header a parent-name chunk (CK_PARENT_NAME) holding
// the name of its parent node.
void NameKeyframerNodes(base::MemoryStream& stream, TChunkDatabase3DS& database);

}  // namespace model3ds
