#pragma once
// Loading built bytes into a model, for the reader tests.
#include <cstdint>
#include <vector>

#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/Writer3DS.h"

namespace testsupport {

inline void LoadBytes(model3ds::TFile3DS& model, const std::vector<std::uint8_t>& bytes) {
    base::MemoryStream stream(bytes);
    model.LoadFromStream(stream);
}

inline void LoadBytes(model3ds::TFile3DS& model, const Writer3DS& writer) { LoadBytes(model, writer.Bytes()); }

}  // namespace testsupport
