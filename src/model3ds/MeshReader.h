#pragma once
// Builds a mesh record from a named object of the chunk tree.
#include <memory>

#include "base/Stream.h"
#include "ChunkTree.h"
#include "model3ds/Records.h"

namespace model3ds {

// Reads the triangle mesh directly below the named object; E3DSError when it has
// none. The arrays move out of the chunk payloads, which are released.
std::unique_ptr<TMesh3DS> ReadMesh(base::MemoryStream& stream, TChunkNode3DS& namedObject);

}  // namespace model3ds
