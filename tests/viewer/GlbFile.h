#pragma once
// A .glb file built in tests and benchmarks: header, JSON chunk padded with
// spaces, BIN chunk padded with zeros.
#include <cstdint>
#include <string>
#include <vector>

namespace glbfile {

std::vector<std::uint8_t> Glb(std::string json, std::vector<std::uint8_t> bin);

}  // namespace glbfile
