#pragma once
// Test-side helpers for the packed model container: building files block by
// block, and unpacking bytes in one call.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Pack4Ex.h"

namespace packtest {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
}

// The file header for the given total size, then each block with its stored length.
inline Bytes PackedFile(std::uint32_t total, std::initializer_list<Bytes> blocks) {
    Bytes out = {0x53, 0x48, 0x01, 0x20};
    PutU16(out, total & 0xFFFF);
    PutU16(out, total >> 16);
    for (const Bytes& block : blocks) {
        PutU16(out, block.size());
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

inline Bytes StoredBlock(const Bytes& data) {
    Bytes block = {model3ds::kStoredBlock};
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

// A coded block of runs of one byte, four items of 4096 per control word's bits.
inline Bytes RunsBlock(int runs, std::uint8_t value) {
    Bytes block = {0x00};
    for (int i = 0; i < runs; ++i) {
        if (i % 16 == 0) {
            const int items = std::min(16, runs - i);
            const std::uint16_t control = static_cast<std::uint16_t>(0xFFFF0000u >> items);
            block.push_back(static_cast<std::uint8_t>(control >> 8));
            block.push_back(static_cast<std::uint8_t>(control & 0xFF));
        }
        const std::size_t n = 4096 - 16;
        block.insert(block.end(), {0x00, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n & 0xFF), value});
    }
    return block;
}

struct Unpacked {
    std::int32_t code = 0;
    Bytes bytes;
    std::uint64_t written = 0;
};

inline Unpacked UnpackBytes(const Bytes& packed) {
    base::MemoryStream source(packed);
    model3ds::TPack4Ex pack;
    pack.LoadFromStream(source);
    base::MemoryStream output;
    Unpacked result;
    result.code = pack.Unpack(output);
    result.bytes = output.TakeBytes();
    result.written = pack.WrittenCount();
    return result;
}

}  // namespace packtest
