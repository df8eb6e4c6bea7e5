#pragma once
// The encoder for the packed model container: writes data in the form that
// TPack4Ex unpacks, coding each 32768-byte block with literals, back-references
// and runs, and storing a block unchanged where coding would not make it smaller.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace model3ds {

// Returns the whole packed file. Raises base::Exception when size does not fit
// the container's 32-bit total size.
std::vector<std::uint8_t> Pack3DA(const std::uint8_t* data, std::size_t size);

}  // namespace model3ds
