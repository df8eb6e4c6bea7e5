#pragma once
// Builds a material record from a material entry of the chunk tree.
#include <memory>

#include "base/Stream.h"
#include "ChunkTree.h"
#include "model3ds/Records.h"

namespace model3ds {

// Reads the entry's sub-chunks in file order; the invalid-chunk E3DSError for an
// entry that is not a material entry or holds a sub-chunk no material may hold.
std::unique_ptr<TMaterial3DS> ReadMaterial(base::MemoryStream& stream, TChunkNode3DS& entry);

// The colour chunk at or below container: the 24-bit colour, or failing that the
// float forms (linear first), or black; a linear 24-bit colour, when present,
// wins over all of them. E3DSError for a colour chunk too short for its colour.
TColor3DS ReadColor(base::MemoryStream& stream, TChunkNode3DS& container);

}  // namespace model3ds
