#include "model3ds/Pack4Ex.h"

#include <new>
#include <vector>

namespace model3ds {

namespace {

bool ReadU16(base::Stream& stream, std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (stream.Read(bytes, sizeof bytes) != sizeof bytes) return false;
    value = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

bool ReadU32(base::Stream& stream, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (stream.Read(bytes, sizeof bytes) != sizeof bytes) return false;
    value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
            std::uint32_t{bytes[3]} << 24;
    return true;
}

}  // namespace

TPack4Ex::TPack4Ex()
    : firstIdentificationWord_(kFirstIdentificationWord), secondIdentificationWord_(kSecondIdentificationWord) {}

int TPack4Ex::LoadFromFile(const std::string& fileName) {
    packedData_.Clear();
    packedData_.LoadFromFile(fileName);
    return 0;
}

int TPack4Ex::LoadFromStream(base::Stream& stream) {
    packedData_.Clear();
    const std::uint64_t size = stream.Size();
    const std::uint64_t position = stream.Position();
    packedData_.CopyFrom(stream, position < size ? size - position : 0);
    packedData_.Seek(0);
    return 0;
}

void TPack4Ex::LoadFromBytes(std::vector<std::uint8_t> bytes) { packedData_ = base::MemoryStream(std::move(bytes)); }

std::int32_t TPack4Ex::Unpack(base::Stream& output) {
    if (packedData_.Size() == 0) return kUnpackNoData;
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> block;
    try {
        input.resize(kBlockBufferSize);
        block.resize(kBlockBufferSize);
    } catch (const std::bad_alloc&) {
        return kUnpackNoBuffers;
    }
    written_ = 0;
    consumed_ = 0;
    packedData_.Seek(0);
    std::uint16_t word = 0;
    if (!ReadU16(packedData_, word) || word != firstIdentificationWord_) return kUnpackFailed;
    if (!ReadU16(packedData_, word) || word != secondIdentificationWord_) return kUnpackFailed;
    consumed_ = 4;
    return DecodeBlocks(output, input.data(), block.data()) ? kUnpackSuccess : kUnpackFailed;
}

// A block that breaks the format's limits, or whose output would pass the
// stored total, fails at once without being written: its bytes cannot be right,
// and the total is what bounds the memory a hostile file can make us fill
// (a coded block of 37 bytes can unpack to 32768).
bool TPack4Ex::DecodeBlocks(base::Stream& output, std::uint8_t* input, std::uint8_t* block) {
    std::uint32_t totalSize = 0;
    if (!ReadU32(packedData_, totalSize)) return false;
    consumed_ += 4;
    std::uint16_t length = 0;
    while (ReadU16(packedData_, length)) {
        if (length > kBlockBufferSize) return false;
        if (packedData_.Read(input, length) != length) break;
        consumed_ += length + 2u;
        const std::uint16_t count = decoder_.DecodeBlock(input, block, length);
        if (count == TDryICE::kCorruptBlock || written_ + count > totalSize) return false;
        const std::size_t stored = output.Write(block, count);
        written_ += stored;
        if (stored != count || count != kBlockSize) break;
    }
    return written_ == totalSize;
}

}  // namespace model3ds
