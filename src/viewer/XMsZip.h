#pragma once
// Unpacks the MSZIP-compressed forms of .x data ("tzip", "bzip").
#include <cstddef>
#include <cstdint>
#include <vector>

namespace viewer {

// data is what follows the 16-byte file header: the unpacked size (which counts
// the header too), then blocks of unpacked size, packed size, "CK" and deflate
// data that may refer back to the block before. Raises XFormatError.
std::vector<std::uint8_t> InflateMsZip(const std::uint8_t* data, std::size_t size);

}  // namespace viewer
