#pragma once
// The distinct vertices of a primitive: vertices equal in every attribute, bit
// for bit, are kept once.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gltfexport {

class TVertexTable {
public:
    // Vertices of width floats each; expected, how many are likely added.
    TVertexTable(std::size_t width, std::size_t expected);

    // The index of the vertex of these width values, added when new.
    std::uint32_t Add(const float* values);

    std::size_t Size() const { return hashes_.size(); }
    // Components first to first + count of every vertex, in order of first addition.
    std::vector<float> Column(std::size_t first, std::size_t count) const;

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    std::uint32_t Hash(const float* values) const;
    bool Same(std::uint32_t vertex, const float* values) const;
    void Grow();

    std::size_t width_;
    std::vector<float> values_;          // width a vertex
    std::vector<std::uint32_t> hashes_;  // a vertex's hash, to compare and rehash cheaply
    std::vector<std::uint32_t> slots_;   // open addressing: a vertex, or kEmpty; a power of two long
};

}  // namespace gltfexport
