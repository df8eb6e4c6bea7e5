#include "model3ds/Pack3DA.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>

#include "base/Errors.h"
#include "model3ds/Pack4Ex.h"

namespace model3ds {

namespace {

constexpr int kMaxChain = 24;
constexpr int kHashBits = 13;
constexpr std::uint16_t kNoPosition = 0xFFFF;

struct Match {
    std::size_t length = 0;
    std::size_t distance = 0;
};

// Finds earlier occurrences of the bytes at a position within one block,
// through chains of positions that share the hash of their first three bytes.
class MatchFinder {
public:
    void Reset(const std::uint8_t* block, std::size_t size) {
        block_ = block;
        size_ = size;
        head_.fill(kNoPosition);
    }

    void Insert(std::size_t pos) {
        if (pos + kMinMatch > size_) return;
        const std::uint32_t h = Hash(pos);
        previous_[pos] = head_[h];
        head_[h] = static_cast<std::uint16_t>(pos);
    }

    Match Longest(std::size_t pos) const {
        Match best;
        if (pos + kMinMatch > size_) return best;
        const std::size_t limit = std::min(kMaxMatch, size_ - pos);
        std::uint16_t candidate = head_[Hash(pos)];
        for (int chain = 0; chain < kMaxChain && candidate != kNoPosition; ++chain) {
            const std::size_t distance = pos - candidate;
            if (distance > kMaxDistance) break;
            const std::size_t length = CommonLength(candidate, pos, limit);
            if (length > best.length) {
                best = {length, distance};
                if (length == limit) break;
            }
            candidate = previous_[candidate];
        }
        if (best.length < kMinMatch) best = {};
        return best;
    }

private:
    std::uint32_t Hash(std::size_t pos) const {
        const std::uint32_t key = std::uint32_t{block_[pos]} << 16 | std::uint32_t{block_[pos + 1]} << 8 | block_[pos + 2];
        return (key * 2654435761u) >> (32 - kHashBits);
    }

    std::size_t CommonLength(std::size_t a, std::size_t b, std::size_t limit) const {
        std::size_t n = 0;
        while (n < limit && block_[a + n] == block_[b + n]) ++n;
        return n;
    }

    const std::uint8_t* block_ = nullptr;
    std::size_t size_ = 0;
    std::array<std::uint16_t, std::size_t{1} << kHashBits> head_{};
    std::array<std::uint16_t, kBlockSize> previous_{};
};

// Writes the items of one coded block, starting a control word before every
// sixteenth item so that no control word is left without items after it.
class ItemWriter {
public:
    void Reset() {
        size_ = 0;
        Put(kCodedBlock);
        bitsUsed_ = kControlBits;
    }

    void Literal(std::uint8_t byte) {
        NextBit(false);
        Put(byte);
    }

    void Reference(std::size_t distance, std::size_t length) {
        NextBit(true);
        Put(static_cast<std::uint8_t>(distance >> 4));
        Put(static_cast<std::uint8_t>((distance & kLengthNibble) << 4 | (length - kMinMatch)));
    }

    void Run(std::uint8_t byte, std::size_t length) {
        NextBit(true);
        const std::size_t n = length - kMinRun;
        Put(0);
        Put(static_cast<std::uint8_t>(n >> 8));
        Put(static_cast<std::uint8_t>(n & 0xFF));
        Put(byte);
    }

    // Bytes the items take so far.
    std::size_t Size() const { return size_; }
    const std::uint8_t* Data() const { return bytes_.data(); }

private:
    void NextBit(bool set) {
        if (bitsUsed_ == kControlBits) {
            control_ = size_;
            Put(0);
            Put(0);
            bitsUsed_ = 0;
        }
        if (set) bytes_[control_ + (bitsUsed_ < 8 ? 0 : 1)] |= static_cast<std::uint8_t>(0x80 >> (bitsUsed_ % 8));
        ++bitsUsed_;
    }

    void Put(std::uint8_t byte) { bytes_[size_++] = byte; }

    // Coding stops once the items reach a stored block's length; one more item
    // with its control word must still fit.
    static constexpr std::size_t kLongestItem = 2 + kRunBytes;
    static_assert(kBlockSize + 1 + kLongestItem <= kBlockBufferSize);

    std::array<std::uint8_t, kBlockBufferSize> bytes_{};
    std::size_t size_ = 0;
    std::size_t control_ = 0;
    int bitsUsed_ = kControlBits;
};

std::size_t RunLength(const std::uint8_t* block, std::size_t pos, std::size_t size) {
    const std::size_t limit = std::min(kMaxRun, size - pos);
    std::size_t n = 1;
    while (n < limit && block[pos + n] == block[pos]) ++n;
    return n;
}

// A run item costs four bytes; back-references cost two per eighteen bytes,
// plus a literal first when the byte does not precede the run.
bool RunPays(const std::uint8_t* block, std::size_t pos, std::size_t run) {
    if (run < kMinRun) return false;
    const bool repeatsPrevious = pos > 0 && block[pos - 1] == block[pos];
    const std::size_t covered = repeatsPrevious ? run : run - 1;
    const std::size_t alternative = (repeatsPrevious ? 0 : 1) + 2 * ((covered + kMaxMatch - 1) / kMaxMatch);
    return alternative > 4;
}

class BlockEncoder {
public:
    // Codes one block; returns false when the coded form is no shorter than the stored one.
    bool Encode(const std::uint8_t* block, std::size_t size) {
        finder_.Reset(block, size);
        writer_.Reset();
        const std::size_t storedLength = size + 1;
        std::size_t pos = 0;
        while (pos < size && writer_.Size() < storedLength) {
            pos += EncodeItem(block, pos, size);
        }
        return pos == size && writer_.Size() < storedLength;
    }

    const std::uint8_t* Data() const { return writer_.Data(); }
    std::size_t Size() const { return writer_.Size(); }

private:
    std::size_t EncodeItem(const std::uint8_t* block, std::size_t pos, std::size_t size) {
        const std::size_t run = RunLength(block, pos, size);
        const Match match = finder_.Longest(pos);
        finder_.Insert(pos);
        std::size_t advance = 1;
        if (run > match.length && RunPays(block, pos, run)) {
            writer_.Run(block[pos], run);
            advance = run;
        } else if (match.length >= kMinMatch) {
            writer_.Reference(match.distance, match.length);
            advance = match.length;
        } else {
            writer_.Literal(block[pos]);
        }
        for (std::size_t i = 1; i < advance; ++i) finder_.Insert(pos + i);
        return advance;
    }

    MatchFinder finder_;
    ItemWriter writer_;
};

void AppendU16(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
}

void AppendU32(std::vector<std::uint8_t>& out, std::size_t value) {
    AppendU16(out, value & 0xFFFF);
    AppendU16(out, value >> 16 & 0xFFFF);
}

void AppendBlock(std::vector<std::uint8_t>& out, BlockEncoder& encoder, const std::uint8_t* block, std::size_t size) {
    if (encoder.Encode(block, size)) {
        AppendU16(out, encoder.Size());
        out.insert(out.end(), encoder.Data(), encoder.Data() + encoder.Size());
        return;
    }
    AppendU16(out, size + 1);
    out.push_back(kStoredBlock);
    out.insert(out.end(), block, block + size);
}

}  // namespace

std::vector<std::uint8_t> Pack3DA(const std::uint8_t* data, std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        throw base::Exception("The data is too large for a packed model file (at most 4 GiB - 1 bytes).");
    }
    std::vector<std::uint8_t> out;
    out.reserve(8 + size / 2);
    AppendU16(out, kFirstIdentificationWord);
    AppendU16(out, kSecondIdentificationWord);
    AppendU32(out, size);
    auto encoder = std::make_unique<BlockEncoder>();
    for (std::size_t offset = 0; offset < size; offset += kBlockSize) {
        AppendBlock(out, *encoder, data + offset, std::min(kBlockSize, size - offset));
    }
    return out;
}

}  // namespace model3ds
