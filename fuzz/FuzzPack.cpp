// Unpacks the input as a packed container; whatever unpacks must pack and unpack
// again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "model3ds/Pack4Ex.h"

namespace {

std::vector<std::uint8_t> Unpack(std::vector<std::uint8_t> packed, std::int32_t& result) {
    model3ds::TPack4Ex unpacker;
    unpacker.LoadFromBytes(std::move(packed));
    base::MemoryStream output;
    result = unpacker.Unpack(output);
    return output.TakeBytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int32_t result = 0;
    const std::vector<std::uint8_t> unpacked = Unpack({data, data + size}, result);
    if (unpacked.empty()) return 0;
    std::int32_t again = 0;
    if (Unpack(model3ds::Pack3DA(unpacked.data(), unpacked.size()), again) != unpacked ||
        again != model3ds::kUnpackSuccess) {
        std::abort();
    }
    return 0;
}
