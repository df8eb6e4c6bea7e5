#include "VertexTable.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace gltfexport {

TVertexTable::TVertexTable(std::size_t width, std::size_t expected) : width_(width) {
    values_.reserve(expected * width);
    hashes_.reserve(expected);
    // Below half full while the vertices expected come.
    slots_.assign(std::bit_ceil(std::max<std::size_t>(expected * 2, 16)), kEmpty);
}

std::uint32_t TVertexTable::Hash(const float* values) const {
    std::uint64_t hash = 0x9E3779B97F4A7C15u;
    for (std::size_t i = 0; i < width_; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &values[i], sizeof bits);
        hash = (hash ^ bits) * 0xFF51AFD7ED558CCDu;
        hash ^= hash >> 32;
    }
    return static_cast<std::uint32_t>(hash);
}

bool TVertexTable::Same(std::uint32_t vertex, const float* values) const {
    return std::memcmp(&values_[vertex * width_], values, width_ * sizeof(float)) == 0;
}

std::uint32_t TVertexTable::Add(const float* values) {
    const std::uint32_t hash = Hash(values);
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (; slots_[slot] != kEmpty; slot = (slot + 1) & mask) {
        const std::uint32_t vertex = slots_[slot];
        if (hashes_[vertex] == hash && Same(vertex, values)) return vertex;
    }
    const auto vertex = static_cast<std::uint32_t>(hashes_.size());
    slots_[slot] = vertex;
    hashes_.push_back(hash);
    values_.insert(values_.end(), values, values + width_);
    if (hashes_.size() * 2 > slots_.size()) Grow();
    return vertex;
}

void TVertexTable::Grow() {
    slots_.assign(slots_.size() * 2, kEmpty);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint32_t vertex = 0; vertex < hashes_.size(); ++vertex) {
        std::size_t slot = hashes_[vertex] & mask;
        while (slots_[slot] != kEmpty) slot = (slot + 1) & mask;
        slots_[slot] = vertex;
    }
}

std::vector<float> TVertexTable::Column(std::size_t first, std::size_t count) const {
    std::vector<float> out;
    out.reserve(Size() * count);
    for (std::size_t v = 0; v < Size(); ++v) {
        const float* at = &values_[v * width_ + first];
        out.insert(out.end(), at, at + count);
    }
    return out;
}

}  // namespace gltfexport
