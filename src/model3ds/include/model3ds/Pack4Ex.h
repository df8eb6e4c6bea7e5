#pragma once
// The packed model container (.3da): a 3D Studio file cut into blocks of 32768
// bytes, each block coded on its own. TPack4Ex holds the packed bytes and
// unpacks them into a stream; TDryICE decodes one block.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"

namespace model3ds {

// Bytes one block unpacks to; only the last block of a file unpacks to fewer.
inline constexpr std::size_t kBlockSize = 32768;
// Size of the block buffers, and the largest stored length a block may have.
inline constexpr std::size_t kBlockBufferSize = 32784;

// First byte of a block whose data follows unchanged.
inline constexpr std::uint8_t kStoredBlock = 0x80;
// First byte of a coded block: then a 16-bit control word (high bit first), one
// bit per item, a new control word after every 16 items. A clear bit is a
// literal byte; a set bit is a back-reference (12-bit distance, 4-bit length),
// or a run when the distance is 0 (12-bit length, then the byte to repeat).
inline constexpr std::uint8_t kCodedBlock = 0x00;
inline constexpr int kControlBits = 16;
inline constexpr std::uint32_t kControlTopBit = 0x8000;
inline constexpr std::size_t kLiteralBytes = 1;
inline constexpr std::size_t kReferenceBytes = 2;
inline constexpr std::size_t kRunBytes = 4;
inline constexpr std::size_t kMaxDistance = 4095;
inline constexpr std::uint8_t kLengthNibble = 0x0F;
inline constexpr std::size_t kMinMatch = 3;
inline constexpr std::size_t kMaxMatch = kMinMatch + kLengthNibble;
inline constexpr std::size_t kMinRun = 16;
inline constexpr std::size_t kMaxRun = kMinRun + 4095;

// Identification words at the start of every packed file.
inline constexpr std::uint16_t kFirstIdentificationWord = 0x4853;
inline constexpr std::uint16_t kSecondIdentificationWord = 0x2001;

// Result codes of TPack4Ex::Unpack.
inline constexpr std::int32_t kUnpackSuccess = -10;
inline constexpr std::int32_t kUnpackNoData = -1;
inline constexpr std::int32_t kUnpackNoBuffers = -2;
inline constexpr std::int32_t kUnpackFailed = -3;

class TDryICE {
public:
    // Returned by DecodeBlock for a block that breaks the format's limits: an item
    // running past the stored length, a back-reference before the block's start,
    // or more than kBlockSize bytes of output. No valid block decodes to this count.
    static constexpr std::uint16_t kCorruptBlock = 0xFFFF;

    // Decodes the stored data of one block (length bytes at data) into output,
    // which must hold kBlockSize bytes. Returns the number of bytes produced:
    // 0 when length < 2, length - 1 for a stored block, else what the items give;
    // kCorruptBlock when the block is corrupt, leaving output's content unspecified.
    std::uint16_t DecodeBlock(const std::uint8_t* data, std::uint8_t* output, std::uint16_t length) const;
};

class TPack4Ex {
public:
    TPack4Ex();

    // Replaces the packed data with the whole file. Returns 0; raises
    // base::EFOpenError when the file cannot be opened.
    int LoadFromFile(const std::string& fileName);
    // Replaces the packed data with the bytes from stream's position to its end.
    // Returns 0. The stream stays the caller's.
    int LoadFromStream(base::Stream& stream);
    // Replaces the packed data with bytes that are handed over, not copied.
    void LoadFromBytes(std::vector<std::uint8_t> bytes);

    // Writes the unpacked bytes to output at its position and returns one of the
    // kUnpack* codes. On failure the blocks decoded before the fault are already
    // written; a corrupt block adds nothing. Errors of output's writes propagate.
    std::int32_t Unpack(base::Stream& output);

    // Packed bytes consumed and unpacked bytes written by the last Unpack.
    std::uint64_t ConsumedCount() const { return consumed_; }
    std::uint64_t WrittenCount() const { return written_; }

private:
    bool DecodeBlocks(base::Stream& output, std::uint8_t* input, std::uint8_t* block);

    std::uint16_t firstIdentificationWord_;
    std::uint16_t secondIdentificationWord_;
    TDryICE decoder_;
    base::MemoryStream packedData_;
    std::uint64_t consumed_ = 0;
    std::uint64_t written_ = 0;
};

}  // namespace model3ds
